#include "xls/xlsx/ZipSubStream.h"

#include <algorithm>

#include "xls/xlsx/ZipCrc32.h"
#include "xls/xlsx/ZipErrors.h"

namespace korvel {

TZipSubStream::TZipSubStream(TStream& base, uint64_t start, uint64_t size)
    : base_(base), start_(start), size_(size) {}

TZipSubStream::TZipSubStream(TStream& base, uint64_t start, uint64_t size, uint32_t crc32)
    : base_(base), start_(start), size_(size), checkCrc_(true), expectedCrc_(crc32) {}

size_t TZipSubStream::Read(void* buffer, size_t count) {
    uint64_t left = size_ - position_;
    size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, left));
    if (wanted == 0) return 0;
    if (base_.Seek(static_cast<int64_t>(start_ + position_), SeekOrigin::Begin) < 0) return 0;
    size_t got = base_.Read(buffer, wanted);
    position_ += got;
    if (checkCrc_) {
        crc_ = ZipCrc32(crc_, static_cast<const uint8_t*>(buffer), got);
        if (position_ == size_) {
            checkCrc_ = false;  // checked once
            if (crc_ != expectedCrc_) throw EZipError(kZipTextDamagedEntry, "CRC-32 mismatch");
        }
    }
    return got;
}

size_t TZipSubStream::Write(const void*, size_t) {
    throw EZipError(kZipTextUnsupportedFeature);
}

int64_t TZipSubStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(position_)
                                                   : static_cast<int64_t>(size_);
    // Saturate instead of overflowing on absurd offsets.
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target))
        throw EZipError(offset < 0 ? kZipTextNegativePosition : kZipTextInvalidPosition);
    if (target < 0) throw EZipError(kZipTextNegativePosition);
    if (static_cast<uint64_t>(target) > size_) throw EZipError(kZipTextInvalidPosition);
    if (static_cast<uint64_t>(target) != position_) {
        // Only a read that runs through the whole window can be checked.
        if (target == 0 && position_ < size_) crc_ = 0;
        else checkCrc_ = false;
    }
    position_ = static_cast<uint64_t>(target);
    return target;
}

}  // namespace korvel
