// The read-ahead stream against its source read directly: the same bytes
// whatever the request sizes, a failure of the source rethrown exactly after
// the bytes that came before it, and a stream dropped early.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ReadAheadStream.h"

namespace korvel {
namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 12345;
    for (uint8_t& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 24);
    }
    return bytes;
}

// Hands out at most `step` bytes per call and throws once `failAt` bytes
// have been handed out (never, by default).
class TTestSource : public TStream {
public:
    TTestSource(std::vector<uint8_t> bytes, size_t step, size_t failAt = SIZE_MAX, std::atomic<size_t>* reads = nullptr)
        : bytes_(std::move(bytes)), step_(step), failAt_(failAt), reads_(reads) {}
    size_t Read(void* buffer, size_t count) override {
        if (reads_) ++*reads_;
        if (pos_ >= failAt_) throw std::runtime_error("source broke");
        size_t n = std::min({count, step_, bytes_.size() - pos_, failAt_ - pos_});
        if (n == 0) return 0;  // an empty source has no bytes to copy from
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t, SeekOrigin) override { return -1; }
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

private:
    std::vector<uint8_t> bytes_;
    size_t step_;
    size_t failAt_;
    size_t pos_ = 0;
    std::atomic<size_t>* reads_;
};

// Reads everything with requests of `request` bytes; stops at an exception,
// whose text goes to failure.
std::vector<uint8_t> ReadAll(TStream& stream, size_t request, std::string* failure = nullptr) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer(request);
    try {
        for (;;) {
            const size_t got = stream.Read(buffer.data(), buffer.size());
            if (got == 0) break;
            out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(got));
        }
    } catch (const std::runtime_error& e) {
        if (failure) *failure = e.what();
    }
    return out;
}

TEST(ReadAheadStream, SameBytesWhateverTheRequestSizes) {
    const size_t sizes[] = {0, 1, TReadAheadStream::kChunkSize - 1, TReadAheadStream::kChunkSize,
                            TReadAheadStream::kChunkSize * TReadAheadStream::kChunkCount * 3 + 777};
    for (size_t size : sizes) {
        const std::vector<uint8_t> bytes = Pattern(size);
        for (size_t request : {size_t(1), size_t(4096), size_t(40000), size_t(1) << 20}) {
            if (size > 100000 && request == 1) continue;  // byte by byte only on the small ones
            TReadAheadStream stream(std::make_unique<TTestSource>(bytes, 3001));
            EXPECT_EQ(stream.Size(), static_cast<int64_t>(size));
            const std::vector<uint8_t> read = ReadAll(stream, request);
            ASSERT_EQ(read, bytes) << "size " << size << " request " << request;
            EXPECT_EQ(stream.Position(), static_cast<int64_t>(size));
            EXPECT_EQ(stream.Read(nullptr, 0), 0u);
        }
    }
}

TEST(ReadAheadStream, SourceFailureComesAfterTheBytesBeforeIt) {
    const std::vector<uint8_t> bytes = Pattern(3 << 20);
    // Inside the first chunk, at a chunk's edge, several chunks in.
    for (size_t failAt : {size_t(0), size_t(1000), TReadAheadStream::kChunkSize, size_t(2'500'001)}) {
        TReadAheadStream stream(std::make_unique<TTestSource>(bytes, 65536, failAt));
        std::string failure;
        const std::vector<uint8_t> read = ReadAll(stream, 40000, &failure);
        EXPECT_EQ(failure, "source broke") << failAt;
        ASSERT_EQ(read.size(), failAt);
        EXPECT_TRUE(std::equal(read.begin(), read.end(), bytes.begin())) << failAt;
        // Once reported, the stream has nothing more.
        uint8_t byte = 0;
        EXPECT_EQ(stream.Read(&byte, 1), 0u);
    }
}

TEST(ReadAheadStream, DroppedEarlyStopsReadingTheSource) {
    std::atomic<size_t> reads{0};
    {
        TReadAheadStream stream(std::make_unique<TTestSource>(Pattern(64 << 20), 4096, SIZE_MAX, &reads));
        uint8_t buffer[100];
        ASSERT_EQ(stream.Read(buffer, sizeof buffer), sizeof buffer);
    }
    // The helper fills no more than the ring (and the chunk it was filling)
    // instead of reading all 64 MiB.
    const size_t ringReads = (TReadAheadStream::kChunkCount + 2) * TReadAheadStream::kChunkSize / 4096;
    EXPECT_LE(reads.load(), ringReads);
}

TEST(ReadAheadStream, OnlyThePositionCanBeSought) {
    TReadAheadStream stream(std::make_unique<TTestSource>(Pattern(5000), 5000));
    uint8_t buffer[10];
    ASSERT_EQ(stream.Read(buffer, sizeof buffer), sizeof buffer);
    EXPECT_EQ(stream.Seek(0, SeekOrigin::Current), 10);
    EXPECT_EQ(stream.Seek(10, SeekOrigin::Begin), 10);
    EXPECT_EQ(stream.Seek(0, SeekOrigin::Begin), -1);
    EXPECT_EQ(stream.Seek(5, SeekOrigin::Current), -1);
    EXPECT_EQ(stream.Seek(0, SeekOrigin::End), -1);
}

}  // namespace
}  // namespace korvel
