// Per-column settings of a worksheet (width, format, hidden, outline level).
// Columns without an entry use the list's defaults; the default column format
// is XF 15.
#pragma once

#include <cstdint>
#include <vector>

#include "xls/model/XLSRowList.h"

namespace korvel {

// Width of a column without settings, in 1/256 of a character.
inline constexpr uint16_t kDefaultColumnWidth = 2340;

struct TXLSColumnInfo {
    uint16_t Width = kDefaultColumnWidth;
    int32_t XF = kDefaultCellXF;  // the list's default until a format is given
    uint8_t OutlineLevel = 0;     // 0 .. 7
    bool Hidden = false;
    bool HasFormat = false;       // XF was given (IXLSWorksheet::SetColumnFormat) and holds a format use
    bool Present = false;         // the column has an entry
};

class TXLSColumnList {
public:
    static constexpr int32_t kMaxColumn = 0x3FFF;

    // The entry of a column, or nullptr when it has none or is out of range.
    const TXLSColumnInfo* Find(int32_t column) const;
    // The entry of a column, made with the defaults when missing.
    // Precondition: 0 <= column <= kMaxColumn.
    TXLSColumnInfo& GetOrCreate(int32_t column);
    // The format index of a column: its entry's XF, else the default column format.
    int32_t ColumnXF(int32_t column) const;

    int32_t DefaultXF() const { return defaultXF_; }
    void SetDefaultXF(int32_t xf) { defaultXF_ = xf; }
    uint16_t DefaultWidth() const { return defaultWidth_; }
    void SetDefaultWidth(uint16_t width) { defaultWidth_ = width; }

private:
    std::vector<TXLSColumnInfo> columns_;   // grown on demand up to the highest column with an entry
    int32_t defaultXF_ = kDefaultCellXF;
    uint16_t defaultWidth_ = kDefaultColumnWidth;
};

}  // namespace korvel
