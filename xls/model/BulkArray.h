// TBulkArray: raw storage for many records of one type, addressed by a
// 0-based index, for pools that construct their records in place. The first
// segment is small and faulted in page by page, so a small sheet pays only for
// what it touches; each later segment fills one 2 MiB piece and is made present
// at once. Records never move while their segment lives.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BulkMemory.h"

namespace korvel {

template <typename T, uint32_t kFirstShift>
class TBulkArray {
public:
    static constexpr uint32_t kFirstCount = 1u << kFirstShift;
    static constexpr uint32_t kLargeCount = static_cast<uint32_t>(kBulkPiece / sizeof(T));
    static_assert(std::has_single_bit(kLargeCount) && kLargeCount * sizeof(T) == kBulkPiece,
                  "records must tile a piece, a power of two of them");
    static_assert(kFirstCount <= kLargeCount);
    static constexpr uint32_t kLargeShift = std::countr_zero(kLargeCount);

    // Indexes below this have room.
    size_t Capacity() const {
        return segments_.empty() ? 0 : kFirstCount + (segments_.size() - 1) * size_t(kLargeCount);
    }
    // One more segment; throws std::bad_alloc.
    void Grow() {
        const bool first = segments_.empty();
        bases_.reserve(segments_.size() + 1);
        segments_.push_back(std::make_unique<TBulkMemory>(first ? kFirstCount * sizeof(T) : kBulkPiece, !first));
        bases_.push_back(static_cast<T*>(segments_.back()->Data()));
    }
    // Gives back the last segment; what it held must be dead.
    void ShrinkLast() {
        segments_.pop_back();
        bases_.pop_back();
    }
    size_t SegmentCount() const { return segments_.size(); }
    // The first record of segment s (< SegmentCount()) and how many it holds.
    T* SegmentBase(size_t s) const { return bases_[s]; }
    static size_t SegmentRecords(size_t s) { return s == 0 ? kFirstCount : kLargeCount; }

    // The room of index (< Capacity()).
    T* Slot(size_t index) const {
        if (index < kFirstCount) return bases_[0] + index;
        index -= kFirstCount;
        return bases_[1 + (index >> kLargeShift)] + (index & (kLargeCount - 1));
    }

private:
    std::vector<std::unique_ptr<TBulkMemory>> segments_;
    // The segments' first records, one load away for Slot.
    std::vector<T*> bases_;
};

}  // namespace korvel
