// IXLSWorksheet: one worksheet of a workbook. It owns its cell store, its row
// and column lists and its all-cells range, and applies the rules that turn
// variants into stored cell contents and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xls/model/Variant.h"
#include "xls/model/XLSCellHeap.h"
#include "xls/model/XLSColumnList.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSRowList.h"
#include "xls/model/XLSStringTable.h"

namespace korvel {

class TXLSWorkbook;

enum class TXLSSheetVisibility : uint8_t { Visible = 0, Hidden = 1, VeryHidden = 2 };

class IXLSWorksheet {
public:
    // Made by the sheet collection (IXLSWorkSheets::Insert).
    IXLSWorksheet(TXLSWorkbook& workbook, int32_t sheetId);
    ~IXLSWorksheet();
    IXLSWorksheet(const IXLSWorksheet&) = delete;
    IXLSWorksheet& operator=(const IXLSWorksheet&) = delete;

    TXLSWorkbook& Workbook() const { return workbook_; }
    int32_t SheetId() const { return sheetId_; }
    // 1-based position in the collection (kept by the collection). The file
    // formats carry it in 16 bits; it is held wider so that a collection of
    // more than 32,767 sheets cannot give negative positions.
    int32_t Index() const { return index_; }
    const std::u16string& Name() const { return name_; }
    // Renames the sheet when IsValidSheetName(Index(), name) holds; otherwise
    // the name stays unchanged (no report). Returns whether it was stored.
    bool SetName(std::u16string_view name);
    // Makes this the active sheet, clearing the other sheets' selected flags
    // when it was not selected.
    void Select();
    bool Selected() const { return selected_; }
    // The raw flag, for readers that restore several selected sheets.
    void SetSelected(bool selected) { selected_ = selected; }
    TXLSSheetVisibility Visibility() const { return visibility_; }
    void SetVisibility(TXLSSheetVisibility visibility) { visibility_ = visibility; }

    // A new reference to the range over all cells.
    TXLSRangeRef Cells() const { return cells_; }
    // A range over a 1-based rectangle; bounds are clamped to the model's
    // limits and put in order.
    TXLSRangeRef Range(int32_t row1, int32_t col1, int32_t row2, int32_t col2);

    // All following (row, col) arguments are 0-based and must lie inside the
    // model's limits (0..1,048,575, 0..16,383).

    // Effective format of a cell (its own, else the row's, else the column's);
    // own tells whether the cell has a format of its own. own may be nullptr.
    int32_t CellXF(int32_t row, int32_t col, bool* own = nullptr) { return heap_.CellXF(row, col, own); }
    // Gives the cell (made when missing) the format xf. Returns the cell,
    // for the setters below that take it.
    TXLSCellRef& SetCellXF(int32_t row, int32_t col, int32_t xf) { return heap_.SetCellXF(row, col, xf); }
    // Sets or clears the wrap-text flag of a cell's format (finding or adding
    // the matching format).
    void SetCellWrapText(int32_t row, int32_t col, bool wrap);
    // Gives a row / a column a format of its own (xf > 0), or takes it away
    // (xf <= 0: the row falls back to the column formats, the column to the
    // default column format). Keeps the format use counts. Cells that already
    // have their own format keep it.
    void SetRowFormat(int32_t row, int32_t xf);
    void SetColumnFormat(int32_t col, int32_t xf);
    // Merges a rectangle (bounds in any order); false when refused (a single
    // cell, outside the model, or overlapping an existing area). Covered cells
    // read as null and ignore writes.
    bool MergeCells(int32_t row1, int32_t col1, int32_t row2, int32_t col2) {
        return heap_.MergeCells(row1, col1, row2, col2);
    }

    // Stores a variant in one cell by the cell rule (the cell is made first).
    // Does not bump the change stamp (the range does, once per Value set).
    void SetCellValue(int32_t row, int32_t col, const Variant& value);
    // SetCellValue for a double or a boolean, without the variant: readers
    // store one per cell.
    void SetCellNumber(int32_t row, int32_t col, double number) {
        StoreScalar(heap_.GetOrCreateCell(row, col), number, TXLSCellKind::Number);
    }
    void SetCellBoolean(int32_t row, int32_t col, bool value) {
        StoreScalar(heap_.GetOrCreateCell(row, col), value ? 1.0 : 0.0, TXLSCellKind::Boolean);
    }
    // The same for the cell SetCellXF returned, without searching it again.
    void SetCellNumber(TXLSCellRef& cell, double number) { StoreScalar(cell, number, TXLSCellKind::Number); }
    void SetCellBoolean(TXLSCellRef& cell, bool value) {
        StoreScalar(cell, value ? 1.0 : 0.0, TXLSCellKind::Boolean);
    }
    // Stores a shared string that a reader holds in the string table, with
    // the result of SetCellValue for the text taken literally (as if it began
    // with an apostrophe): a new cell takes one more reference to the id
    // without looking the text up. Does not bump the change stamp.
    void SetCellSharedText(int32_t row, int32_t col, const TXLSSharedStringRef& text) {
        SetCellSharedText(heap_.GetOrCreateCell(row, col), text);
    }
    void SetCellSharedText(TXLSCellRef& cell, const TXLSSharedStringRef& text);
    // Stores text taken literally: the result of SetCellValue for the text
    // with a leading apostrophe, without building that variant. hash is
    // TXLSStringTable::HashOf(text). Does not bump the change stamp.
    void SetCellLiteralText(int32_t row, int32_t col, std::u16string_view text, uint32_t hash) {
        SetCellLiteralText(heap_.GetOrCreateCell(row, col), text, hash);
    }
    void SetCellLiteralText(TXLSCellRef& cell, std::u16string_view text, uint32_t hash);
    // The value of one cell: null when absent, blank or covered by a merge.
    Variant GetCellValue(int32_t row, int32_t col);

    // Cell store and row/column settings, for readers and the writer.
    TXLSCellHeap& CellHeap() { return heap_; }
    TXLSRowList& Rows() { return rows_; }
    TXLSColumnList& Columns() { return columns_; }

private:
    friend class IXLSWorkSheets;
    void SetText(TXLSCellRef& cell, std::u16string_view text);
    void StoreSharedText(TXLSCellRef& cell, std::u16string_view text);
    void StoreSharedText(TXLSCellRef& cell, std::u16string_view text, uint32_t hash);
    void ReleaseContent(TXLSCellRef& cell);
    void StoreScalar(TXLSCellRef& cell, double value, TXLSCellKind kind);
    // GetCellValue for a number (of the cell or its formula's result) and for a formula cell.
    Variant NumberValue(const TXLSCellRef& cell, double number) const;
    Variant FormulaValue(const TXLSCellRef& cell);

    TXLSWorkbook& workbook_;
    int32_t sheetId_;
    int32_t index_ = 0;
    bool selected_ = false;
    TXLSSheetVisibility visibility_ = TXLSSheetVisibility::Visible;
    std::u16string name_;
    TXLSRowList rows_;
    TXLSColumnList columns_;
    TXLSCellHeap heap_;
    TXLSRangeRef cells_;
};

}  // namespace korvel
