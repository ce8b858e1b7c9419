// TXLSRecordBuffer: the scratch space in which the sheet and globals writers
// assemble one record at a time before it is copied into a record list. One
// buffer is reused for every record of a save, so building a cell record
// allocates nothing once the buffer has grown to its working size.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace korvel {

class TXLSBlobList;

class TXLSRecordBuffer {
public:
    // Largest record of the BIFF8 format: 4-byte header + 8224 body bytes.
    static constexpr uint32_t kInitialCapacity = 8228;

    TXLSRecordBuffer() : bytes_(kInitialCapacity) {}

    // Starts a record with the given id; the body is empty.
    void Begin(uint16_t id);

    // Little-endian appends to the body.
    void Byte(uint8_t value) { *Reach(1) = value; }
    void Word(uint16_t value) {
        uint8_t* at = Reach(2);
        at[0] = static_cast<uint8_t>(value);
        at[1] = static_cast<uint8_t>(value >> 8);
    }
    void Long(uint32_t value) {
        uint8_t* at = Reach(4);
        for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    void Double(double value) {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        uint8_t* at = Reach(8);
        for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    void Bytes(const uint8_t* data, uint32_t count);
    void Zeros(uint32_t count);
    // Two bytes per UTF-16 code unit, no terminator.
    void Wide(std::u16string_view text);
    // The bytes of an 8-bit text, no terminator.
    void Ansi(std::string_view text);

    // Overwrites a word already written, at an offset counted from the body start.
    void PutWord(uint32_t bodyOffset, uint16_t value);
    void PutLong(uint32_t bodyOffset, uint32_t value);

    uint16_t Id() const { return id_; }
    uint32_t BodySize() const { return length_ - 4; }
    // Whole record, header included.
    uint32_t Size() const { return length_; }
    const uint8_t* Data() const { return bytes_.data(); }

    // Sets the header's length field and appends the record to list. A body
    // longer than maxBody is cut by bytes into a record of maxBody bytes and
    // CONTINUE records of at most maxBody bytes each ([MS-XLS] 2.1.4).
    // Returns the number of bytes appended (Size() plus 4 per CONTINUE header).
    uint32_t AddTo(TXLSBlobList& list, uint16_t maxBody);

    // Size on disk of a record with this body once cut at maxBody.
    static uint32_t SplitSize(uint32_t bodySize, uint16_t maxBody);

private:
    // Room for count more bytes at the end; returns where they go.
    uint8_t* Reach(uint32_t count) {
        const size_t end = size_t(length_) + count;
        if (end > bytes_.size()) Grow(end);
        uint8_t* at = bytes_.data() + length_;
        length_ = static_cast<uint32_t>(end);
        return at;
    }
    void Grow(size_t end);

    std::vector<uint8_t> bytes_;  // size() is the capacity
    uint32_t length_ = 4;
    uint16_t id_ = 0;
};

}  // namespace korvel
