// The byte stream abstraction shared by the parsers, readers and writers:
// read, write, seek, size. File streams live in platform/FileStream.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel {

enum class SeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual size_t Read(void* buffer, size_t count) = 0;
    // Writes count bytes; returns how many were written.
    virtual size_t Write(const void* buffer, size_t count) = 0;
    // Moves the position; returns the new position, or -1 when it is refused.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size();
    int64_t Position() { return Seek(0, SeekOrigin::Current); }

    // Reads exactly count bytes or throws EReadError ("Stream read error").
    void ReadBuffer(void* buffer, size_t count);
    // Writes exactly count bytes or throws EWriteError ("Stream write error").
    void WriteBuffer(const void* buffer, size_t count);
};

// A growable stream held in memory (owns its bytes).
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t pos_ = 0;
};

// A read-only stream over bytes owned by someone else.
class TSpanStream : public TStream {
public:
    explicit TSpanStream(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

}  // namespace korvel
