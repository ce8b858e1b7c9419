// Per-row bookkeeping of a worksheet: a sparse table indexed by row in three
// levels (bits 16-19, 8-15, 0-7 of the row). Pages of 256 entries are made on
// first use. An entry exists for every row that holds a cell or has row
// settings (height, format, outline, hidden).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace korvel {

// The default format index of rows and columns that carry none of their own.
inline constexpr int32_t kDefaultCellXF = 15;
// 12.75 points in twentieths of a point.
inline constexpr uint16_t kDefaultRowHeight = 255;

struct TXLSRowInfo {
    int32_t FirstCol = -1;        // first used column, -1 when the row holds no cell
    int32_t LastCol = -1;         // last used column, -1 when the row holds no cell
    int32_t XF = kDefaultCellXF;  // row format index (meaningful when HasFormat)
    uint16_t Height = kDefaultRowHeight;  // twips
    uint8_t OutlineLevel = 0;     // 0 .. 7
    bool Hidden = false;
    bool HeightSet = false;       // Height was given explicitly
    bool CustomHeight = false;    // the height does not follow the font
    bool HasFormat = false;       // XF applies to every cell of the row without its own
    bool Present = false;         // the entry exists (maintained by TXLSRowList)
};

class TXLSRowList {
public:
    static constexpr int32_t kMaxRow = 0xFFFFF;

    // The entry of a row, or nullptr when the row has none or is out of range.
    TXLSRowInfo* Find(int32_t row);
    const TXLSRowInfo* Find(int32_t row) const;
    // The entry of a row, made with the list's defaults when missing.
    // Precondition: 0 <= row <= kMaxRow.
    TXLSRowInfo& GetOrCreate(int32_t row) {
        // Cells come row after row: the page of the last call is the likely one.
        if ((row >> 8) == lastPageKey_) {
            TXLSRowInfo& info = lastPage_->Rows[static_cast<size_t>(row & 0xFF)];
            if (info.Present) return info;
        }
        return GetOrCreateInPage(row);
    }
    // Drops a row's entry (nothing when it has none).
    void Remove(int32_t row);
    // True when the entry equals a fresh one in height, options, format and flags
    // (the used columns are not compared).
    bool IsDefault(const TXLSRowInfo& info) const;

    // Smallest / largest row that has an entry, -1 when the list is empty.
    int32_t FirstRow() const { return firstRow_; }
    int32_t LastRow() const { return lastRow_; }
    int32_t Count() const { return count_; }
    // The next row above `row` (greater index) / below it that has an entry,
    // -1 when none. Skips unallocated pages.
    int32_t NextRow(int32_t row) const;
    int32_t PreviousRow(int32_t row) const;

    uint16_t DefaultHeight() const { return defaultHeight_; }
    void SetDefaultHeight(uint16_t twips) { defaultHeight_ = twips; }

private:
    struct Page {
        std::array<TXLSRowInfo, 256> Rows;
    };
    struct Middle {
        std::array<std::unique_ptr<Page>, 256> Pages;
    };
    const Page* PageOf(int32_t row) const;
    TXLSRowInfo& GetOrCreateInPage(int32_t row);

    std::array<std::unique_ptr<Middle>, 16> top_;
    int32_t firstRow_ = -1;
    int32_t lastRow_ = -1;
    int32_t count_ = 0;
    uint16_t defaultHeight_ = kDefaultRowHeight;
    // The page GetOrCreate used last (pages live as long as the list) and
    // its row >> 8; -1 while there is none.
    Page* lastPage_ = nullptr;
    int32_t lastPageKey_ = -1;
};

}  // namespace korvel
