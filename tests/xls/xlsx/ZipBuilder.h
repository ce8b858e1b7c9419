// Builds small zip archives byte by byte for tests, with knobs for the
// damage the reader must notice. Sizes, offsets and CRCs are computed here
// from the member contents (zlib's crc32 and raw deflate), never by the
// reader under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

#include "common/ByteCursor.h"

namespace korvel::test {

struct ZipMember {
    std::string name;
    std::string data;
    uint16_t method = 8;          // 0 stored, 8 deflated
    bool dataDescriptor = false;  // zero sizes in the local header, descriptor after the data
    uint32_t externalAttributes = 0;
};

inline std::string RawDeflate(const std::string& data) {
    z_stream zs{};
    deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

inline uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

struct ZipLayout {
    std::vector<uint8_t> bytes;
    std::vector<size_t> localOffsets;
    std::vector<size_t> centralOffsets;
    size_t directoryOffset = 0;
    size_t zip64EndOffset = 0;  // Zip64 archives only
    size_t endOffset = 0;
};

// With zip64 set, every size and offset field carries the marker and the
// values live in Zip64 extra fields and the Zip64 end record.
inline ZipLayout BuildZip(const std::vector<ZipMember>& members, const std::string& comment = {},
                          bool zip64 = false) {
    ZipLayout z;
    ByteWriter w(z.bytes);
    struct Stored { uint32_t crc; uint32_t csize; uint32_t usize; };
    std::vector<Stored> stored;
    for (const auto& m : members) {
        std::string payload = m.method == 8 ? RawDeflate(m.data) : m.data;
        Stored s{Crc(m.data), uint32_t(payload.size()), uint32_t(m.data.size())};
        stored.push_back(s);
        z.localOffsets.push_back(w.Size());
        w.U32(0x04034B50);
        w.U16(20);
        w.U16(m.dataDescriptor ? 8 : 0);
        w.U16(m.method);
        w.U32(0);
        w.U32(m.dataDescriptor ? 0 : s.crc);
        w.U32(zip64 ? 0xFFFFFFFF : m.dataDescriptor ? 0 : s.csize);
        w.U32(zip64 ? 0xFFFFFFFF : m.dataDescriptor ? 0 : s.usize);
        w.U16(uint16_t(m.name.size()));
        w.U16(zip64 ? 20 : 0);
        w.Bytes(m.name.data(), m.name.size());
        if (zip64) {
            w.U16(1);
            w.U16(16);
            w.U64(m.dataDescriptor ? 0 : s.usize);
            w.U64(m.dataDescriptor ? 0 : s.csize);
        }
        w.Bytes(payload.data(), payload.size());
        if (m.dataDescriptor) {
            w.U32(0x08074B50);
            w.U32(s.crc);
            w.U32(s.csize);
            w.U32(s.usize);
        }
    }
    z.directoryOffset = w.Size();
    for (size_t i = 0; i < members.size(); ++i) {
        const auto& m = members[i];
        z.centralOffsets.push_back(w.Size());
        w.U32(0x02014B50);
        w.U16(20);
        w.U16(20);
        w.U16(m.dataDescriptor ? 8 : 0);
        w.U16(m.method);
        w.U32(0);
        w.U32(stored[i].crc);
        w.U32(zip64 ? 0xFFFFFFFF : stored[i].csize);
        w.U32(zip64 ? 0xFFFFFFFF : stored[i].usize);
        w.U16(uint16_t(m.name.size()));
        w.U16(zip64 ? 28 : 0);
        w.U16(0);
        w.U16(0);
        w.U16(0);
        w.U32(m.externalAttributes);
        w.U32(zip64 ? 0xFFFFFFFF : uint32_t(z.localOffsets[i]));
        w.Bytes(m.name.data(), m.name.size());
        if (zip64) {
            w.U16(1);
            w.U16(24);
            w.U64(stored[i].usize);
            w.U64(stored[i].csize);
            w.U64(z.localOffsets[i]);
        }
    }
    size_t directorySize = w.Size() - z.directoryOffset;
    if (zip64) {
        z.zip64EndOffset = w.Size();
        w.U32(0x06064B50);
        w.U64(44);
        w.U16(45);
        w.U16(45);
        w.U32(0);
        w.U32(0);
        w.U64(members.size());
        w.U64(members.size());
        w.U64(directorySize);
        w.U64(z.directoryOffset);
        w.U32(0x07064B50);
        w.U32(0);
        w.U64(z.zip64EndOffset);
        w.U32(1);
    }
    z.endOffset = w.Size();
    w.U32(0x06054B50);
    w.U16(0);
    w.U16(0);
    w.U16(zip64 ? 0xFFFF : uint16_t(members.size()));
    w.U16(zip64 ? 0xFFFF : uint16_t(members.size()));
    w.U32(zip64 ? 0xFFFFFFFF : uint32_t(directorySize));
    w.U32(zip64 ? 0xFFFFFFFF : uint32_t(z.directoryOffset));
    w.U16(uint16_t(comment.size()));
    w.Bytes(comment.data(), comment.size());
    return z;
}

inline void PutU16(std::vector<uint8_t>& bytes, size_t at, uint16_t v) { StoreU16LE(bytes.data() + at, v); }
inline void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) { StoreU32LE(bytes.data() + at, v); }

}  // namespace korvel::test
