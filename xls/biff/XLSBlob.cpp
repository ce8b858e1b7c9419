#include "xls/biff/XLSBlob.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "common/Cp1252.h"
#include "platform/Stream.h"
#include "xls/biff/XLSRecordResults.h"

namespace korvel {

TXLSBlob::TXLSBlob(uint32_t size) {
    // A failed allocation leaves an empty blob; writes allocate again later.
    try {
        bytes_.resize(size);
    } catch (const std::bad_alloc&) {
        bytes_.clear();
    } catch (const std::length_error&) {
        bytes_.clear();
    }
}

TXLSBlob::TXLSBlob(const uint8_t* bytes, uint32_t count) : bytes_(bytes, bytes + count), length_(count) {}

void TXLSBlob::Zero() {
    if (!bytes_.empty()) std::memset(bytes_.data(), 0, bytes_.size());
}

void TXLSBlob::Fill(uint32_t offset, uint32_t count, uint8_t value) {
    if (count) std::memset(Reach(offset, count), value, count);
}

void TXLSBlob::Reserve(uint32_t offset, uint32_t count) {
    uint64_t end = uint64_t(offset) + count;
    if (end > UINT32_MAX) throw std::bad_alloc();
    if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end));
}

uint8_t* TXLSBlob::Reach(uint32_t offset, uint32_t count) {
    Reserve(offset, count);
    return bytes_.data() + offset;
}

void TXLSBlob::WriteByte(uint8_t value) {
    *Reach(length_, 1) = value;
    length_ += 1;
}

void TXLSBlob::WriteWord(uint16_t value) {
    PutWord(value, length_);
    length_ += 2;
}

void TXLSBlob::WriteLongWord(uint32_t value) {
    PutLongWord(value, length_);
    length_ += 4;
}

void TXLSBlob::WriteDouble(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    uint8_t* p = Reach(length_, 8);
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
    length_ += 8;
}

void TXLSBlob::WriteAnsiText(std::string_view text) {
    WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

void TXLSBlob::WriteWideText(std::u16string_view text) {
    PutWideText(text, length_);
    length_ += static_cast<uint32_t>(2 * text.size());
}

void TXLSBlob::WriteBytes(const uint8_t* bytes, uint32_t count) {
    if (count == 0) return;
    std::memcpy(Reach(length_, count), bytes, count);
    length_ += count;
}

void TXLSBlob::PutByte(uint8_t value, uint32_t offset) {
    *Reach(offset, 1) = value;
}

void TXLSBlob::PutWord(uint16_t value, uint32_t offset) {
    uint8_t* p = Reach(offset, 2);
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

void TXLSBlob::PutLongWord(uint32_t value, uint32_t offset) {
    uint8_t* p = Reach(offset, 4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void TXLSBlob::PutWideText(std::u16string_view text, uint32_t offset) {
    if (text.empty()) return;
    uint8_t* p = Reach(offset, static_cast<uint32_t>(2 * text.size()));
    for (char16_t unit : text) {
        *p++ = static_cast<uint8_t>(unit);
        *p++ = static_cast<uint8_t>(unit >> 8);
    }
}

bool TXLSBlob::CopyFrom(const TXLSBlob& source, uint32_t sourceOffset, uint32_t count) {
    if (!source.InRange(sourceOffset, count)) return false;
    WriteBytes(source.bytes_.data() + sourceOffset, count);
    return true;
}

bool TXLSBlob::CopyFromAt(const TXLSBlob& source, uint32_t sourceOffset, uint32_t count, uint32_t targetOffset) {
    if (!source.InRange(sourceOffset, count)) return false;
    CopyBytesAt(source.bytes_.data() + sourceOffset, count, targetOffset);
    return true;
}

void TXLSBlob::CopyBytesAt(const uint8_t* bytes, uint32_t count, uint32_t targetOffset) {
    if (count == 0) return;
    // The source may lie in this blob's own buffer, which growing would move.
    const uint8_t* begin = bytes_.data();
    bool own = !bytes_.empty() && bytes >= begin && bytes < begin + bytes_.size();
    size_t ownOffset = own ? static_cast<size_t>(bytes - begin) : 0;
    uint8_t* target = Reach(targetOffset, count);
    if (own) bytes = bytes_.data() + ownOffset;
    std::memmove(target, bytes, count);
    if (targetOffset + count > length_) length_ = targetOffset + count;
}

void TXLSBlob::Append(const TXLSBlob& source) {
    CopyFrom(source, 0, source.length_);
}

uint64_t TXLSBlob::ReadLE(uint32_t offset, uint32_t width) const {
    if (!InRange(offset, width)) return 0;
    uint64_t value = 0;
    for (uint32_t i = 0; i < width; ++i) value |= uint64_t(bytes_[offset + i]) << (8 * i);
    return value;
}

uint8_t TXLSBlob::ReadByte(uint32_t offset) const { return static_cast<uint8_t>(ReadLE(offset, 1)); }
uint16_t TXLSBlob::ReadWord(uint32_t offset) const { return static_cast<uint16_t>(ReadLE(offset, 2)); }
uint32_t TXLSBlob::ReadLongWord(uint32_t offset) const { return static_cast<uint32_t>(ReadLE(offset, 4)); }

double TXLSBlob::ReadDouble(uint32_t offset) const {
    uint64_t bits = ReadLE(offset, 8);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string TXLSBlob::ReadAnsiTextRaw(uint32_t offset, uint32_t count) const {
    if (!InRange(offset, count)) return {};
    return std::string(reinterpret_cast<const char*>(bytes_.data()) + offset, count);
}

std::string TXLSBlob::ReadAnsiText(uint32_t offset, uint32_t count) const {
    std::string text = ReadAnsiTextRaw(offset, count);
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

std::u16string TXLSBlob::ReadWideTextRaw(uint32_t offset, uint32_t byteCount) const {
    uint32_t units = byteCount / 2;
    if (!InRange(offset, units * 2)) return {};
    std::u16string text(units, u'\0');
    const uint8_t* p = bytes_.data() + offset;
    for (uint32_t i = 0; i < units; ++i) text[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    return text;
}

std::u16string TXLSBlob::ReadWideText(uint32_t offset, uint32_t byteCount) const {
    std::u16string text = ReadWideTextRaw(offset, byteCount);
    size_t zero = text.find(u'\0');
    if (zero != std::u16string::npos) text.resize(zero);
    return text;
}

bool TXLSBlob::ReadBiffString(uint32_t& position, bool shortLength, bool hasOptionByte,
                              std::u16string& text) const {
    text.clear();
    uint64_t at = position;
    uint32_t headerSize = (shortLength ? 1 : 2) + (hasOptionByte ? 1 : 0);
    if (!InRange(position, headerSize)) return false;
    uint32_t count = shortLength ? ReadByte(position) : ReadWord(position);
    at += shortLength ? 1 : 2;
    uint8_t option = hasOptionByte ? ReadByte(static_cast<uint32_t>(at)) : 0;
    at += hasOptionByte ? 1 : 0;
    bool wide = (option & 0x01) != 0;
    uint32_t byteCount = wide ? 2 * count : count;
    if (!InRange(static_cast<uint32_t>(at), byteCount)) return false;
    if (wide) {
        text = ReadWideText(static_cast<uint32_t>(at), byteCount);
    } else {
        const uint8_t* p = bytes_.data() + at;
        uint32_t n = 0;
        while (n < count && p[n] != 0) ++n;
        AppendCp1252(text, p, n);
    }
    position = static_cast<uint32_t>(at + byteCount);
    return true;
}

int32_t TXLSBlob::WriteToStream(TStream& stream) const {
    if (length_ == 0) return kXLSRecordOk;
    return stream.Write(bytes_.data(), length_) == length_ ? kXLSRecordOk : kXLSRecordFailed;
}

}  // namespace korvel
