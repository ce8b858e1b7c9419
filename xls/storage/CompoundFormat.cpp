#include "xls/storage/CompoundFormat.h"

#include <algorithm>
#include <cstring>

#include "xls/storage/StorageResults.h"

namespace korvel {

namespace {

// Header field offsets ([MS-CFB] 2.2).
constexpr size_t kOffMinorVersion = 0x18;
constexpr size_t kOffByteOrder = 0x1C;
constexpr size_t kOffDifat = 0x4C;

// Directory entry field offsets ([MS-CFB] 2.6.1).
constexpr size_t kOffNameLength = 0x40;
constexpr size_t kNameFieldBytes = 64;

}  // namespace

bool HasCompoundSignature(const uint8_t* data, size_t size) {
    return size >= kCompoundSignature.size() &&
           std::memcmp(data, kCompoundSignature.data(), kCompoundSignature.size()) == 0;
}

int32_t ReadCompoundHeader(ByteCursor bytes, TCompoundHeader& header) {
    if (bytes.Size() < kHeaderSize || !HasCompoundSignature(bytes.Data(), bytes.Size()))
        return kStorageNotCompound;
    bytes.Seek(kOffMinorVersion);
    header.MinorVersion = bytes.U16();
    header.MajorVersion = bytes.U16();
    const uint16_t byteOrder = bytes.U16();
    header.SectorShift = bytes.U16();
    header.MiniSectorShift = bytes.U16();
    bytes.Skip(6);  // reserved
    header.DirectorySectorCount = bytes.U32();
    header.FatSectorCount = bytes.U32();
    header.FirstDirectorySector = bytes.U32();
    header.TransactionSignature = bytes.U32();
    header.MiniStreamCutoff = bytes.U32();
    header.FirstMiniFatSector = bytes.U32();
    header.MiniFatSectorCount = bytes.U32();
    header.FirstDifatSector = bytes.U32();
    header.DifatSectorCount = bytes.U32();
    bytes.Seek(kOffDifat);
    for (uint32_t& sector : header.Difat)
        sector = bytes.U32();
    if (!bytes.Ok() || byteOrder != kByteOrderMark) return kStorageCorrupt;
    const bool v3 = header.MajorVersion == 3 && header.SectorShift == 9;
    const bool v4 = header.MajorVersion == 4 && header.SectorShift == 12;
    if (!(v3 || v4) || header.MiniSectorShift != kMiniSectorShift) return kStorageCorrupt;
    return kStorageOk;
}

void WriteCompoundHeader(const TCompoundHeader& header, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    ByteWriter w(out);
    w.Bytes(kCompoundSignature.data(), kCompoundSignature.size());
    w.Zeros(16);  // header CLSID
    w.U16(header.MinorVersion);
    w.U16(header.MajorVersion);
    w.U16(kByteOrderMark);
    w.U16(header.SectorShift);
    w.U16(header.MiniSectorShift);
    w.Zeros(6);
    w.U32(header.DirectorySectorCount);
    w.U32(header.FatSectorCount);
    w.U32(header.FirstDirectorySector);
    w.U32(header.TransactionSignature);
    w.U32(header.MiniStreamCutoff);
    w.U32(header.FirstMiniFatSector);
    w.U32(header.MiniFatSectorCount);
    w.U32(header.FirstDifatSector);
    w.U32(header.DifatSectorCount);
    for (uint32_t sector : header.Difat)
        w.U32(sector);
    // Version 4 pads the header to a whole 4096-byte sector with zeros.
    w.Zeros(header.SectorSize() - (out.size() - start));
}

bool ReadDirEntry(ByteCursor& cursor, uint16_t majorVersion, TDirEntry& entry) {
    if (!cursor.Has(kDirEntrySize)) return false;
    const size_t base = cursor.Position();
    const uint16_t nameBytes = cursor.U16At(base + kOffNameLength);
    const size_t units = std::min<size_t>(nameBytes / 2, kNameFieldBytes / 2);
    entry.Name.clear();
    for (size_t i = 0; i < units; ++i) {
        const char16_t unit = cursor.U16At(base + 2 * i);
        if (unit == 0) break;
        entry.Name.push_back(unit);
    }
    cursor.Seek(base + kOffNameLength + 2);
    entry.Type = static_cast<TEntryType>(cursor.U8());
    entry.Color = cursor.U8() == 0 ? TEntryColor::Red : TEntryColor::Black;
    entry.Left = cursor.U32();
    entry.Right = cursor.U32();
    entry.Child = cursor.U32();
    cursor.ReadBytes(entry.Clsid.data(), entry.Clsid.size());
    entry.StateBits = cursor.U32();
    entry.CreationTime = cursor.U64();
    entry.ModifiedTime = cursor.U64();
    entry.StartSector = cursor.U32();
    const uint64_t size = cursor.U64();
    entry.Size = majorVersion == 3 ? (size & 0xFFFFFFFFu) : size;
    return cursor.Ok();
}

void WriteDirEntry(const TDirEntry& entry, std::vector<uint8_t>& out) {
    ByteWriter w(out);
    const size_t units = std::min(entry.Name.size(), kMaxNameUnits);
    for (size_t i = 0; i < units; ++i)
        w.U16(entry.Name[i]);
    w.Zeros(kNameFieldBytes - 2 * units);
    // The length counts the terminating zero; an unused entry has length 0.
    w.U16(entry.Type == TEntryType::Unused ? 0 : static_cast<uint16_t>(2 * (units + 1)));
    w.U8(static_cast<uint8_t>(entry.Type));
    w.U8(static_cast<uint8_t>(entry.Color));
    w.U32(entry.Left);
    w.U32(entry.Right);
    w.U32(entry.Child);
    w.Bytes(entry.Clsid.data(), entry.Clsid.size());
    w.U32(entry.StateBits);
    w.U64(entry.CreationTime);
    w.U64(entry.ModifiedTime);
    w.U32(entry.StartSector);
    w.U64(entry.Size);
}

}  // namespace korvel
