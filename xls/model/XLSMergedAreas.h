// The merged areas of a sheet: non-overlapping rectangles, with lookups of
// the area containing a cell and of an area meeting a rectangle that stay fast
// with many areas (a file may hold hundreds of thousands of them).
//
// Areas of at most kSpan rows ("short") are kept per first row, ordered by
// first column. The short areas that start in one row are disjoint and all contain
// that row, so their column intervals are disjoint: of those, only the one
// with the greatest first column <= c can contain column c. A point lookup
// therefore costs kSpan ordered searches. Tall areas of at most kSpan columns
// ("narrow") are kept the same way with rows and columns swapped; areas both
// taller and wider than kSpan ("large") sit in a plain list (few fit in a
// sheet without overlapping).
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace korvel {

// A merged rectangle, 0-based and inclusive.
struct TXLSMergedArea {
    int32_t FirstRow = 0;
    int32_t FirstCol = 0;
    int32_t LastRow = 0;
    int32_t LastCol = 0;
    bool Contains(int32_t row, int32_t col) const {
        return row >= FirstRow && row <= LastRow && col >= FirstCol && col <= LastCol;
    }
    bool Meets(const TXLSMergedArea& other) const {
        return FirstRow <= other.LastRow && other.FirstRow <= LastRow && FirstCol <= other.LastCol &&
               other.FirstCol <= LastCol;
    }
};

class TXLSMergedAreas {
public:
    // Adds an area (bounds ordered by the caller). Refused (false) when it
    // meets an existing area.
    bool Add(const TXLSMergedArea& area);
    // The area containing (row, col), or nullptr.
    const TXLSMergedArea* Find(int32_t row, int32_t col) const;
    // In the order added.
    const std::vector<TXLSMergedArea>& Items() const { return areas_; }
    bool Empty() const { return areas_.empty(); }

private:
    static constexpr int32_t kSpan = 64;
    // Start line (first row of short areas, first column of narrow ones) ->
    // (first column / first row, index into areas_), ordered.
    using Line = std::vector<std::pair<int32_t, uint32_t>>;
    using Index = std::map<int32_t, Line>;
    struct Axis {
        int32_t TXLSMergedArea::*firstMajor;
        int32_t TXLSMergedArea::*lastMajor;
        int32_t TXLSMergedArea::*firstMinor;
        int32_t TXLSMergedArea::*lastMinor;
    };
    const TXLSMergedArea* FindMeeting(const Index& index, const Axis& axis, const TXLSMergedArea& probe) const;
    bool MeetsAny(const TXLSMergedArea& probe) const;

    std::vector<TXLSMergedArea> areas_;
    Index shortAreas_;
    Index narrowAreas_;
    std::vector<uint32_t> largeAreas_;
    TXLSMergedArea bounds_;   // union of all areas (fast reject)
};

}  // namespace korvel
