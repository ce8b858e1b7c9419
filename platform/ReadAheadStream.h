// TReadAheadStream: reads a source stream on a helper thread, a few chunks
// ahead of its reader, so that the work behind the source (inflating an
// archive member, checking its CRC-32) runs beside the work on its bytes.
//
// The reader sees the same bytes and the same failure at the same place: the
// helper fills each chunk by reading the source until the chunk is full or
// the source ends, and when the source throws, the bytes the helper already
// has are handed out first and the exception is rethrown by the Read that
// asks for more. Which bytes come before a failure depends only on the
// source and the chunk size, never on timing.
//
// The source is read only by the helper while it runs; whatever the source
// reads from (a shared archive stream) must be left alone until this stream
// is destroyed, which stops and joins the helper. When no thread can be
// started, Read reads the source directly.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Stream.h"

namespace korvel {

class TReadAheadStream : public TStream {
public:
    static constexpr size_t kChunkSize = 256 * 1024;
    static constexpr size_t kChunkCount = 4;

    explicit TReadAheadStream(std::unique_ptr<TStream> source);
    ~TReadAheadStream() override;
    TReadAheadStream(const TReadAheadStream&) = delete;
    TReadAheadStream& operator=(const TReadAheadStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void*, size_t) override { return 0; }
    // Forward-only: only the position can be asked for (offset 0 from the
    // current position); every other seek is refused with -1.
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    // The source's size, taken when the stream was made.
    int64_t Size() override { return size_; }

private:
    struct Chunk {
        // Made by the helper as it first fills the chunk, and not cleared:
        // the helper's reads write the bytes, and the pages come in on its
        // thread rather than hold up the reader before its first byte.
        std::unique_ptr<uint8_t[]> bytes;
        size_t filled = 0;
    };

    void FillChunks();
    // Waits for the chunk at head_; false once no chunk will come.
    bool WaitForChunk();

    std::unique_ptr<TStream> source_;
    const int64_t size_;
    std::vector<Chunk> chunks_;
    // Chunks form a ring: the reader owns the ready ones from head_, the
    // helper fills the rest from (head_ + ready_) modulo the count.
    size_t head_ = 0;
    size_t ready_ = 0;
    size_t readInHead_ = 0;
    uint64_t position_ = 0;
    bool sourceEnded_ = false;   // the helper has published its last chunk
    bool stopping_ = false;      // the reader is going away
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable chunkReady_;
    std::condition_variable chunkFree_;
    std::thread helper_;         // not joinable when reading directly
};

}  // namespace korvel
