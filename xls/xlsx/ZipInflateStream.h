// A readable stream of the inflated bytes of one deflated archive member
// (raw deflate, zlib window bits -15).
//
// The member's declared uncompressed size and CRC-32 are enforced: reading
// stops at the declared size, so a member that inflates to more cannot make
// the reader produce or hold more than it declared, and when the last
// declared byte has been read the deflate stream must end exactly there and
// the CRC-32 must match. Any violation throws EZipError "Damaged zip entry".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <zlib.h>

#include "platform/Stream.h"

namespace korvel {

class TZipInflateStream : public TStream {
public:
    // source: the compressed bytes (owned), readable from its position 0.
    TZipInflateStream(std::unique_ptr<TStream> source, uint64_t uncompressedSize, uint32_t crc32);
    ~TZipInflateStream() override;
    TZipInflateStream(const TZipInflateStream&) = delete;
    TZipInflateStream& operator=(const TZipInflateStream&) = delete;

    // Up to count inflated bytes; 0 once the declared size has been read.
    // Throws EZipError "Damaged zip entry" on corrupt, short or overlong data
    // or a CRC mismatch.
    size_t Read(void* buffer, size_t count) override;
    // Throws EZipError "Unsupported feature".
    size_t Write(const void* buffer, size_t count) override;
    // Forward seeks inflate and discard; a seek to an earlier position
    // restarts from the beginning. Targets outside 0..size give -1.
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(size_); }

private:
    void Restart();
    void RefillInput();
    // Inflates into out until it is full or the deflate stream ends.
    void InflateInto(uint8_t* out, size_t count, size_t& produced);
    // At the declared size: the deflate stream must end with no more output
    // and the CRC-32 must match.
    void CheckEnd();
    [[noreturn]] void Damaged(const char* why) const;

    std::unique_ptr<TStream> source_;
    z_stream zs_{};
    std::vector<uint8_t> input_;
    uint64_t size_;
    uint32_t expectedCrc_;
    uint32_t crc_ = 0;
    uint64_t produced_ = 0;
    bool inputEnded_ = false;
    bool streamEnded_ = false;
    bool checked_ = false;
};

}  // namespace korvel
