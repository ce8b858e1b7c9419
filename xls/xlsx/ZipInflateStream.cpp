#include "xls/xlsx/ZipInflateStream.h"

#include <algorithm>
#include <climits>

#include "xls/xlsx/ZipCrc32.h"
#include "xls/xlsx/ZipErrors.h"

namespace korvel {

namespace {
constexpr size_t kInputChunk = 32768;
constexpr int kRawDeflateWindowBits = -15;
}  // namespace

TZipInflateStream::TZipInflateStream(std::unique_ptr<TStream> source, uint64_t uncompressedSize,
                                     uint32_t crc32)
    : source_(std::move(source)), input_(kInputChunk), size_(uncompressedSize), expectedCrc_(crc32) {
    if (inflateInit2(&zs_, kRawDeflateWindowBits) != Z_OK)
        throw EZipError(kZipTextDamagedEntry, "inflateInit2 failed");
}

TZipInflateStream::~TZipInflateStream() { inflateEnd(&zs_); }

void TZipInflateStream::Damaged(const char* why) const { throw EZipError(kZipTextDamagedEntry, why); }

void TZipInflateStream::RefillInput() {
    size_t got = source_->Read(input_.data(), input_.size());
    zs_.next_in = input_.data();
    zs_.avail_in = static_cast<uInt>(got);
    if (got == 0) inputEnded_ = true;
}

void TZipInflateStream::InflateInto(uint8_t* out, size_t count, size_t& produced) {
    zs_.next_out = out;
    zs_.avail_out = static_cast<uInt>(std::min<size_t>(count, UINT_MAX));
    while (zs_.avail_out > 0 && !streamEnded_) {
        if (zs_.avail_in == 0) {
            RefillInput();
            if (inputEnded_) Damaged("compressed data ends early");
        }
        int ret = inflate(&zs_, Z_NO_FLUSH);
        if (ret == Z_STREAM_END) streamEnded_ = true;
        else if (ret != Z_OK && ret != Z_BUF_ERROR) Damaged("invalid deflate data");
    }
    produced = static_cast<size_t>(zs_.next_out - out);
}

void TZipInflateStream::CheckEnd() {
    checked_ = true;
    if (!streamEnded_ && size_ == 0 && zs_.total_in == 0) {
        // Some writers store an empty member as "deflated" with no bytes at all.
        RefillInput();
        if (inputEnded_) streamEnded_ = true;
    }
    if (!streamEnded_) {
        // The declared size is reached; the deflate stream must end here.
        uint8_t extra;
        size_t more = 0;
        InflateInto(&extra, 1, more);
        if (more != 0) Damaged("inflates to more than the declared size");
    }
    if (crc_ != expectedCrc_) Damaged("CRC-32 mismatch");
}

size_t TZipInflateStream::Read(void* buffer, size_t count) {
    uint64_t left = size_ - produced_;
    size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, left));
    if (wanted == 0) {
        if (!checked_ && left == 0) CheckEnd();
        return 0;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    size_t got = 0;
    InflateInto(out, wanted, got);
    crc_ = ZipCrc32(crc_, out, got);
    produced_ += got;
    if (produced_ < size_ && streamEnded_) Damaged("inflates to less than the declared size");
    if (produced_ == size_ && !checked_) CheckEnd();
    return got;
}

size_t TZipInflateStream::Write(const void*, size_t) {
    throw EZipError(kZipTextUnsupportedFeature);
}

void TZipInflateStream::Restart() {
    if (source_->Seek(0, SeekOrigin::Begin) != 0) Damaged("cannot rewind the member");
    inflateReset(&zs_);
    zs_.avail_in = 0;
    crc_ = 0;
    produced_ = 0;
    inputEnded_ = streamEnded_ = checked_ = false;
}

int64_t TZipInflateStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(produced_)
                                                   : static_cast<int64_t>(size_);
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target)) return -1;
    if (target < 0 || static_cast<uint64_t>(target) > size_) return -1;
    if (static_cast<uint64_t>(target) < produced_) Restart();
    uint8_t scratch[4096];
    while (produced_ < static_cast<uint64_t>(target)) {
        size_t step = static_cast<size_t>(std::min<uint64_t>(sizeof scratch, target - produced_));
        if (Read(scratch, step) == 0) return -1;
    }
    return target;
}

}  // namespace korvel
