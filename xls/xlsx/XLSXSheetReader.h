// One worksheet part ("xl/worksheets/sheetN.xml") into a sheet of the model:
// the cells of sheetData with their formats, the row and column settings,
// the default row height and column width, and the merged areas. Settings
// the model has no place for (page setup, views, hyperlinks, protection,
// breaks, print options, headers and footers) are skipped without building
// their texts.
//
// Cells: a `c` element's `r` gives its position; a `c` without a usable `r`
// is the cell after the previous one of its row (the first column for the
// row's first cell), and a `row` without a usable `r` is the row after the
// previous one (the first row for the first). Values by `t`: "n" (default)
// a number, with the 1904 correction for date formats; "b" a boolean; "s" a
// shared string; "str" and "inlineStr" (`is`) a text; "d" an ISO 8601 date;
// "e" no value. A formula cell (`f`) takes its cached value, as there is no
// formula engine to compute it. Values that do not parse leave the cell
// with its format only. Positions beyond the model's limits are left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/Variant.h"
#include "xls/model/XLSStringTable.h"

namespace korvel {

class IXLSWorksheet;
class TXLSWorkbook;
class TXMLReader;

// What the sheet reader takes from the package reader.
struct TXLSXSheetSettings {
    // The shared strings, each already a text variant with the leading "'".
    const std::vector<TXLSSharedStringRef>* SharedStrings = nullptr;
    int32_t StyleXFMaximum = 0;
    bool Date1904 = false;
};

class TXLSXSheetReader {
public:
    TXLSXSheetReader(IXLSWorksheet& sheet, const TXLSXSheetSettings& settings);

    // Reads the whole part. Throws the XML reader's errors.
    void Read(TXMLReader& reader);
    int32_t FormulaCount() const { return formulaCount_; }

private:
    enum class TCellType : uint8_t { Number, Boolean, Shared, Text, InlineText, Date, Error, Unknown };

    void ReadSheetData(TXMLReader& reader);
    void ReadRow(TXMLReader& reader);
    void ReadRowSettings(const TXMLReader& reader, int32_t row);
    void ReadCell(TXMLReader& reader);
    void StoreValue(int32_t row, int32_t col, int32_t xf, TCellType type, bool inlineText);
    void SetNumber(int32_t row, int32_t col, int32_t xf, double value);
    void SetText(int32_t row, int32_t col, std::string_view utf8);
    void ReadCols(TXMLReader& reader);
    void ReadMergeCells(TXMLReader& reader);
    void ReadSheetFormat(const TXMLReader& reader);
    int32_t RowColumnXF(int64_t style) const;

    IXLSWorksheet& sheet_;
    TXLSWorkbook& workbook_;
    TXLSXSheetSettings settings_;
    int32_t row_ = -1;      // the current row (0-based)
    int32_t lastCol_ = -1;  // the previous cell's column in the current row
    int32_t formulaCount_ = 0;
    int64_t columnAssignments_ = 0;
    // Per-cell buffers, reused so that reading a cell does not allocate
    // once they have grown.
    std::string value_;
    Variant text_;
    Variant emptyText_;
};

}  // namespace korvel
