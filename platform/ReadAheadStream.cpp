#include "platform/ReadAheadStream.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

namespace korvel {

TReadAheadStream::TReadAheadStream(std::unique_ptr<TStream> source)
    : source_(std::move(source)), size_(source_->Size()), chunks_(kChunkCount) {
    try {
        helper_ = std::thread([this] { FillChunks(); });
    } catch (const std::system_error&) {
        // No thread: Read falls back to the source itself.
    }
}

TReadAheadStream::~TReadAheadStream() {
    if (!helper_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    chunkFree_.notify_one();
    helper_.join();
}

void TReadAheadStream::FillChunks() {
    size_t next = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            chunkFree_.wait(lock, [this] { return stopping_ || ready_ < kChunkCount; });
            if (stopping_) return;
            next = (head_ + ready_) % kChunkCount;
        }
        // The chunk is the helper's alone until it is published.
        Chunk& chunk = chunks_[next];
        chunk.filled = 0;
        std::exception_ptr failure;
        bool ended = false;
        try {
            if (!chunk.bytes) chunk.bytes.reset(new uint8_t[kChunkSize]);
            while (chunk.filled < kChunkSize) {
                const size_t got = source_->Read(chunk.bytes.get() + chunk.filled, kChunkSize - chunk.filled);
                if (got == 0) {
                    ended = true;
                    break;
                }
                chunk.filled += got;
            }
        } catch (...) {
            failure = std::current_exception();
            ended = true;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (chunk.filled > 0) ++ready_;
            if (ended) {
                // Moved, not copied: the reader then drops the last
                // reference, after it has read the exception.
                failure_ = std::move(failure);
                sourceEnded_ = true;
            }
        }
        chunkReady_.notify_one();
        if (ended) return;
    }
}

bool TReadAheadStream::WaitForChunk() {
    std::unique_lock<std::mutex> lock(mutex_);
    chunkReady_.wait(lock, [this] { return ready_ > 0 || sourceEnded_; });
    return ready_ > 0;
}

// Like a file read, a call hands out what the chunk at hand holds rather
// than wait for more.
size_t TReadAheadStream::Read(void* buffer, size_t count) {
    if (!helper_.joinable()) {
        const size_t got = source_->Read(buffer, count);
        position_ += got;
        return got;
    }
    if (count == 0) return 0;
    if (!WaitForChunk()) {
        // The source has ended; every byte before a failure came first.
        if (failure_) {
            std::exception_ptr failure = failure_;
            failure_ = nullptr;
            std::rethrow_exception(failure);
        }
        return 0;
    }
    const Chunk& chunk = chunks_[head_];
    const size_t take = std::min(count, chunk.filled - readInHead_);
    std::memcpy(buffer, chunk.bytes.get() + readInHead_, take);
    readInHead_ += take;
    position_ += take;
    if (readInHead_ == chunk.filled) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            head_ = (head_ + 1) % kChunkCount;
            --ready_;
        }
        readInHead_ = 0;
        chunkFree_.notify_one();
    }
    return take;
}

int64_t TReadAheadStream::Seek(int64_t offset, SeekOrigin origin) {
    if (origin == SeekOrigin::Current && offset == 0) return static_cast<int64_t>(position_);
    if (origin == SeekOrigin::Begin && offset == static_cast<int64_t>(position_)) return offset;
    return -1;
}

}  // namespace korvel
