// A read-only window on part of another stream: the stored bytes of one
// archive member. The base stream is not owned and must outlive the window.
#pragma once

#include <cstdint>

#include "platform/Stream.h"

namespace korvel {

class TZipSubStream : public TStream {
public:
    // start and size must describe a range inside the base stream (the
    // archive checks that before creating a window).
    TZipSubStream(TStream& base, uint64_t start, uint64_t size);
    // The same, for a stored member whose CRC-32 is known: when the window is
    // read from its start to its end, the bytes must match it.
    TZipSubStream(TStream& base, uint64_t start, uint64_t size, uint32_t crc32);

    // Reads at most size - position bytes from base at start + position; the
    // position advances by the count actually read. With a CRC-32 to check,
    // the read that reaches the end throws EZipError "Damaged zip entry" on
    // a mismatch (a window read after a seek elsewhere than to 0 is not checked).
    size_t Read(void* buffer, size_t count) override;
    // Always throws EZipError "Unsupported feature".
    size_t Write(const void* buffer, size_t count) override;
    // Returns the new position. A target below 0 throws EZipError "negative
    // position"; a target beyond the size throws "invalid position".
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(size_); }

private:
    TStream& base_;
    uint64_t start_;
    uint64_t size_;
    uint64_t position_ = 0;
    bool checkCrc_ = false;
    uint32_t expectedCrc_ = 0;
    uint32_t crc_ = 0;  // of bytes 0..position_ while checkCrc_ holds
};

}  // namespace korvel
