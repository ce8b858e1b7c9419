#include "xls/storage/CompoundStreamReader.h"

#include <algorithm>
#include <cstring>

namespace korvel {

TCompoundStreamReader::TCompoundStreamReader(std::shared_ptr<const void> document, const uint8_t* data,
                                             std::vector<TStreamSegment> segments, uint64_t size)
    : document_(std::move(document)), data_(data), segments_(std::move(segments)), size_(size) {}

size_t TCompoundStreamReader::SegmentAt(uint64_t streamOffset) const {
    auto it = std::upper_bound(
        segments_.begin(), segments_.end(), streamOffset,
        [](uint64_t offset, const TStreamSegment& s) { return offset < s.StreamOffset; });
    return static_cast<size_t>(it - segments_.begin()) - 1;
}

size_t TCompoundStreamReader::Read(void* buffer, size_t count) {
    if (pos_ >= size_ || count == 0) return 0;
    const uint64_t wanted = std::min<uint64_t>(count, size_ - pos_);
    auto* dst = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    for (size_t i = SegmentAt(pos_); done < wanted && i < segments_.size(); ++i) {
        const TStreamSegment& seg = segments_[i];
        const uint64_t within = pos_ + done - seg.StreamOffset;
        const uint64_t take = std::min(seg.Length - within, wanted - done);
        std::memcpy(dst + done, data_ + seg.FileOffset + within, take);
        done += take;
    }
    pos_ += done;
    return static_cast<size_t>(done);
}

int64_t TCompoundStreamReader::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<int64_t>(pos_);
    if (origin == SeekOrigin::End) base = static_cast<int64_t>(size_);
    if ((offset < 0 && -offset > base) ||
        (offset > 0 && offset > static_cast<int64_t>(size_) - base))
        return -1;
    pos_ = static_cast<uint64_t>(base + offset);
    return static_cast<int64_t>(pos_);
}

void TCompoundStreamReader::ReadAll(std::vector<uint8_t>& out) const {
    out.resize(size_);
    CopyAll(out.data());
}

void TCompoundStreamReader::CopyAll(uint8_t* out) const {
    for (const TStreamSegment& seg : segments_) std::memcpy(out + seg.StreamOffset, data_ + seg.FileOffset, seg.Length);
}

}  // namespace korvel

namespace korvel {

bool TCompoundStreamReader::ContiguousView(std::span<const uint8_t>& out) const {
    out = {};
    if (segments_.empty()) return size_ == 0;
    for (size_t i = 1; i < segments_.size(); ++i)
        if (segments_[i].FileOffset != segments_[i - 1].FileOffset + segments_[i - 1].Length) return false;
    out = std::span<const uint8_t>(data_ + segments_.front().FileOffset, static_cast<size_t>(size_));
    return true;
}

std::vector<std::span<const uint8_t>> TCompoundStreamReader::PieceViews() const {
    std::vector<std::span<const uint8_t>> pieces;
    pieces.reserve(segments_.size());
    for (const TStreamSegment& seg : segments_)
        pieces.emplace_back(data_ + seg.FileOffset, static_cast<size_t>(seg.Length));
    return pieces;
}

}  // namespace korvel
