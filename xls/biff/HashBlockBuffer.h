// The 64-byte block buffering that MD5 and SHA-1 share: bytes are gathered
// into whole blocks for the compression function, and the message length in
// bits is counted for the final padding.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

class THashBlockBuffer {
public:
    static constexpr size_t kBlockSize = 64;

    void Reset() { bitCount_ = 0; buffered_ = 0; }
    uint64_t BitCount() const { return bitCount_; }

    // Adds bytes, calling transform(block) for every 64-byte block completed.
    template <class Transform>
    void Update(const uint8_t* data, size_t size, Transform&& transform) {
        bitCount_ += uint64_t(size) * 8;
        if (buffered_ > 0) {
            size_t take = std::min(size, kBlockSize - buffered_);
            std::memcpy(buffer_ + buffered_, data, take);
            buffered_ += take;
            data += take;
            size -= take;
            if (buffered_ < kBlockSize) return;
            transform(buffer_);
            buffered_ = 0;
        }
        for (; size >= kBlockSize; data += kBlockSize, size -= kBlockSize) transform(data);
        if (size) std::memcpy(buffer_, data, size);
        buffered_ = size;
    }

    // Bytes of padding (a 0x80 byte, then zeros) that bring the message to
    // 56 mod 64, leaving room for the 8-byte length.
    size_t PadLength() const { return (buffered_ < 56 ? 56 : 120) - buffered_; }

private:
    uint64_t bitCount_ = 0;
    uint8_t buffer_[kBlockSize];
    size_t buffered_ = 0;
};

}  // namespace korvel
