// Bounds-checked little-endian access to bytes that came from outside.
//
// Every parser of file contents reads through ByteCursor: a read past the end
// never touches memory outside the span, returns zero, and marks the cursor
// failed. The failure is sticky, so a handler can read all its fields and test
// Ok() once at the end. ByteWriter is the matching appender for building
// little-endian structures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace korvel {

class ByteCursor {
public:
    ByteCursor() = default;
    ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    explicit ByteCursor(std::span<const uint8_t> bytes) : ByteCursor(bytes.data(), bytes.size()) {}

    size_t Size() const { return size_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    // False once any read, skip or seek went out of range.
    bool Ok() const { return ok_; }
    const uint8_t* Data() const { return data_; }

    // Moves to an absolute offset (== Size() allowed); out of range fails.
    bool Seek(size_t offset) {
        if (offset > size_) return Fail();
        pos_ = offset;
        return true;
    }
    bool Skip(size_t count) {
        if (count > Remaining()) { pos_ = size_; return Fail(); }
        pos_ += count;
        return true;
    }
    // True when count more bytes can be read from the position.
    bool Has(size_t count) const { return count <= Remaining(); }

    uint8_t U8() { return static_cast<uint8_t>(ReadLE(1)); }
    uint16_t U16() { return static_cast<uint16_t>(ReadLE(2)); }
    uint32_t U32() { return static_cast<uint32_t>(ReadLE(4)); }
    uint64_t U64() { return ReadLE(8); }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    double F64() {
        uint64_t bits = U64();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // Copies count bytes to dst; on a short buffer copies nothing and fails.
    bool ReadBytes(void* dst, size_t count) {
        if (!Has(count)) { pos_ = size_; return Fail(); }
        if (count) std::memcpy(dst, data_ + pos_, count);
        pos_ += count;
        return true;
    }
    // A view of the next count bytes (empty and failed when they are not there).
    std::span<const uint8_t> Bytes(size_t count) {
        if (!Has(count)) { pos_ = size_; Fail(); return {}; }
        std::span<const uint8_t> view(data_ + pos_, count);
        pos_ += count;
        return view;
    }

    // Random access without moving the position. Out of range gives 0 and
    // marks the cursor failed, like the sequential reads.
    uint8_t U8At(size_t offset) { return static_cast<uint8_t>(ReadLEAt(offset, 1)); }
    uint16_t U16At(size_t offset) { return static_cast<uint16_t>(ReadLEAt(offset, 2)); }
    uint32_t U32At(size_t offset) { return static_cast<uint32_t>(ReadLEAt(offset, 4)); }
    double F64At(size_t offset) {
        uint64_t bits = ReadLEAt(offset, 8);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    bool Fail() { ok_ = false; return false; }
    uint64_t ReadLE(size_t width) {
        uint64_t value = ReadLEAt(pos_, width);
        if (ok_) pos_ += width; else pos_ = size_;
        return value;
    }
    uint64_t ReadLEAt(size_t offset, size_t width) {
        if (offset > size_ || width > size_ - offset) { Fail(); return 0; }
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i) value |= uint64_t(data_[offset + i]) << (8 * i);
        return value;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

// Little-endian appender over a growable byte vector.
class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) { PutLE(v, 2); }
    void U32(uint32_t v) { PutLE(v, 4); }
    void U64(uint64_t v) { PutLE(v, 8); }
    void F64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Bytes(const void* src, size_t count) {
        const auto* p = static_cast<const uint8_t*>(src);
        out_.insert(out_.end(), p, p + count);
    }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    size_t Size() const { return out_.size(); }

    // Overwrites already written bytes (for length fields known later).
    void PutU16At(size_t offset, uint16_t v) { PutLEAt(offset, v, 2); }
    void PutU32At(size_t offset, uint32_t v) { PutLEAt(offset, v, 4); }

private:
    void PutLE(uint64_t v, size_t width) {
        for (size_t i = 0; i < width; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void PutLEAt(size_t offset, uint64_t v, size_t width) {
        for (size_t i = 0; i < width && offset + i < out_.size(); ++i)
            out_[offset + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    std::vector<uint8_t>& out_;
};

// Little-endian stores into a caller's fixed buffer (no bounds beyond the
// caller's own; used by writers that size their buffer first).
inline void StoreU16LE(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void StoreU32LE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace korvel
