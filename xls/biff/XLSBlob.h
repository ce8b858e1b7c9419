// TXLSBlob: the byte buffer in which one record (or one piece of a record) is
// assembled, and a random-access view on record bytes for the readers.
//
// Writes never fail for lack of room: a write whose end lies beyond the
// capacity first grows the capacity to exactly the end of the write. A blob
// made for one record is created with the record's exact size, so that after
// it is filled Capacity() == Length() == record size; the writers count record
// sizes through Capacity(), so never create a record blob larger than what is
// written into it.
//
// Reads are bounds-checked: a read that does not lie wholly inside the first
// Capacity() bytes returns 0 / empty text and reports failure through the
// bool-returning forms; it never touches memory outside the buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

class TStream;

class TXLSBlob {
public:
    TXLSBlob() = default;
    // Allocates size bytes (capacity = size, length 0). When the allocation
    // fails the blob stays empty (capacity 0); later writes allocate again.
    explicit TXLSBlob(uint32_t size);
    // A blob holding a copy of count bytes (capacity = length = count).
    TXLSBlob(const uint8_t* bytes, uint32_t count);

    TXLSBlob(TXLSBlob&&) noexcept = default;
    TXLSBlob& operator=(TXLSBlob&&) noexcept = default;
    TXLSBlob(const TXLSBlob&) = delete;
    TXLSBlob& operator=(const TXLSBlob&) = delete;

    // The buffer, or nullptr when the capacity is 0.
    uint8_t* Data() { return bytes_.empty() ? nullptr : bytes_.data(); }
    const uint8_t* Data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    uint32_t Capacity() const { return static_cast<uint32_t>(bytes_.size()); }
    // Bytes written so far; also the position of the next sequential write.
    uint32_t Length() const { return length_; }

    void SetLength(uint32_t n) { length_ = n < Capacity() ? n : Capacity(); }
    void Rewind() { length_ = 0; }
    // Fills the whole capacity with zero bytes (length unchanged).
    void Zero();
    // Sets count bytes from offset to value, growing the capacity when needed.
    void Fill(uint32_t offset, uint32_t count, uint8_t value);
    // Grows the capacity to exactly offset + count when it is smaller (contents kept).
    void Reserve(uint32_t offset, uint32_t count);

    // Sequential writes at Length(), little-endian; each advances Length().
    void WriteByte(uint8_t value);
    void WriteWord(uint16_t value);
    void WriteLongWord(uint32_t value);
    void WriteDouble(double value);
    // The bytes of an 8-bit string: no length prefix, no terminator.
    void WriteAnsiText(std::string_view text);
    // Two bytes per UTF-16 code unit, little-endian, no terminator.
    void WriteWideText(std::u16string_view text);
    void WriteBytes(const uint8_t* bytes, uint32_t count);

    // Stores at an offset; Length() unchanged (the capacity grows if needed).
    void PutByte(uint8_t value, uint32_t offset);
    void PutWord(uint16_t value, uint32_t offset);
    void PutLongWord(uint32_t value, uint32_t offset);
    void PutWideText(std::u16string_view text, uint32_t offset);

    // Appends count bytes of source starting at sourceOffset. False (nothing
    // copied) when the range is not inside the source's capacity.
    bool CopyFrom(const TXLSBlob& source, uint32_t sourceOffset, uint32_t count);
    // Copies to targetOffset; Length() := max(Length(), targetOffset + count).
    bool CopyFromAt(const TXLSBlob& source, uint32_t sourceOffset, uint32_t count, uint32_t targetOffset);
    void CopyBytesAt(const uint8_t* bytes, uint32_t count, uint32_t targetOffset);
    // CopyFrom of the source's whole length.
    void Append(const TXLSBlob& source);

    // Little-endian reads at an offset: 0 when the value is not wholly inside
    // the capacity. Use InRange() or the bool forms to tell 0 from a failure.
    uint8_t ReadByte(uint32_t offset) const;
    uint16_t ReadWord(uint32_t offset) const;
    uint32_t ReadLongWord(uint32_t offset) const;
    double ReadDouble(uint32_t offset) const;
    // True when count bytes from offset lie inside the capacity.
    bool InRange(uint32_t offset, uint32_t count) const {
        return offset <= Capacity() && count <= Capacity() - offset;
    }

    // count bytes from offset, cut before the first 0 byte / 0 code unit.
    // The Raw forms keep everything. Empty when the range is out of bounds.
    std::string ReadAnsiText(uint32_t offset, uint32_t count) const;
    std::string ReadAnsiTextRaw(uint32_t offset, uint32_t count) const;
    std::u16string ReadWideText(uint32_t offset, uint32_t byteCount) const;
    std::u16string ReadWideTextRaw(uint32_t offset, uint32_t byteCount) const;

    // Reads a BIFF string at position: a character count (one byte when
    // shortLength, else a word), an option byte when hasOptionByte (else 0),
    // then count UTF-16 units (option bit 0 set) or count code page 1252 bytes;
    // the text is cut at the first 0 character. On success position moves past
    // the count, the option byte and the characters and the result is true.
    // When any part lies outside the capacity the result is false, text is
    // empty and position is unchanged.
    bool ReadBiffString(uint32_t& position, bool shortLength, bool hasOptionByte, std::u16string& text) const;

    // Writes Length() bytes in one stream write: 1 when the stream took them
    // all, else -1.
    int32_t WriteToStream(TStream& stream) const;

private:
    uint8_t* Reach(uint32_t offset, uint32_t count);  // grows when needed; pointer to offset
    uint64_t ReadLE(uint32_t offset, uint32_t width) const;

    std::vector<uint8_t> bytes_;  // size() is the capacity
    uint32_t length_ = 0;
};

}  // namespace korvel
