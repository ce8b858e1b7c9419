// Border and fill tables of the cell formats. Both are value tables: an XF
// refers to an entry by id, and equal entries are shared.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/model/XLSStyleColor.h"

namespace korvel {

struct TXLSStyleBorderLine {
    uint8_t style = 0;  // 0 = no line
    TXLSStyleColor color = TXLSStyleColor::FromIndex(0);
    bool operator==(const TXLSStyleBorderLine&) const = default;
};

struct TXLSStyleBorder {
    TXLSStyleBorderLine left, right, top, bottom, diagonal;
    bool diagonalDown = false;
    bool diagonalUp = false;
    bool operator==(const TXLSStyleBorder&) const = default;
};

struct TXLSStyleFill {
    uint8_t pattern = 0;  // 6 bits; 0 = no pattern
    TXLSStyleColor foreground = TXLSStyleColor::FromIndex(64);  // system foreground
    TXLSStyleColor background = TXLSStyleColor::FromIndex(65);  // system background
    bool operator==(const TXLSStyleFill&) const = default;
};

class TXLSStyleBorders {
public:
    TXLSStyleBorders() { Reset(); }
    // One entry: no lines.
    void Reset();
    int32_t Count() const { return static_cast<int32_t>(borders_.size()); }
    // The entry at id; the empty border for an id out of range.
    const TXLSStyleBorder& Border(int32_t id) const;
    int32_t FindOrAdd(const TXLSStyleBorder& border);

private:
    std::vector<TXLSStyleBorder> borders_;
};

class TXLSStyleFills {
public:
    TXLSStyleFills() { Reset(); }
    // Two entries: no pattern, and the same with pattern 17.
    void Reset();
    int32_t Count() const { return static_cast<int32_t>(fills_.size()); }
    // The entry at id; the default fill for an id out of range.
    const TXLSStyleFill& Fill(int32_t id) const;
    int32_t FindOrAdd(const TXLSStyleFill& fill);

private:
    std::vector<TXLSStyleFill> fills_;
};

}  // namespace korvel
