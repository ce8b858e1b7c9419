// One worksheet part ("xl/worksheets/sheetN.xml") into a sheet of the model:
// the cells of sheetData with their formats, the row and column settings,
// the default row height and column width, and the merged areas. Settings
// the model has no place for (page setup, views, hyperlinks, protection,
// breaks, print options, headers and footers) are skipped without building
// their texts.
//
// The cells of sheetData are read by TXLSXSheetDataParser and stored here;
// for a large part the parser runs on a helper thread beside the storing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/XLSStringTable.h"
#include "xls/xlsx/XLSXCellOps.h"

namespace korvel {

class IXLSWorksheet;
struct TXLSCellRef;
class TXLSWorkbook;
class TXMLReader;

// What the sheet reader takes from the package reader.
struct TXLSXSheetSettings {
    // The shared strings the string table holds for the reader, by index.
    const std::vector<TXLSSharedStringRef>* SharedStrings = nullptr;
    int32_t StyleXFMaximum = 0;
    bool Date1904 = false;
    // Parse sheetData on a helper thread (worth it for a large part).
    bool ParseAside = false;
};

class TXLSXSheetReader {
public:
    TXLSXSheetReader(IXLSWorksheet& sheet, const TXLSXSheetSettings& settings);

    // Reads the whole part. Throws the XML reader's errors.
    void Read(TXMLReader& reader);
    int32_t FormulaCount() const { return formulaCount_; }

private:
    void ReadSheetData(TXMLReader& reader);
    void Store(const TXLSXCellOpBlock& block);
    void WidenTexts(const TXLSXCellOpBlock& block);
    void StoreRowSettings(const TXLSXCellOp& op);
    void StoreNumber(const TXLSXCellOp& op, TXLSCellRef& cell);
    void ReadCols(TXMLReader& reader);
    void ReadMergeCells(TXMLReader& reader);
    void ReadSheetFormat(const TXMLReader& reader);
    int32_t RowColumnXF(int64_t style) const;

    IXLSWorksheet& sheet_;
    TXLSWorkbook& workbook_;
    TXLSXSheetSettings settings_;
    int32_t formulaCount_ = 0;
    int64_t columnAssignments_ = 0;
    const uint32_t emptyTextHash_ = TXLSStringTable::HashOf({});

    // Where an operation's text lies in wideTexts_, once widened.
    struct TWideText {
        uint32_t Start = 0;
        uint32_t Length = 0;
        uint32_t Hash = 0;  // TXLSStringTable::HashOf the text
    };
    // The texts of the block being stored, as UTF-16, and by operation where
    // each one is (set for text operations only). Kept from block to block.
    std::u16string wideTexts_;
    std::vector<TWideText> wideOf_;
};

}  // namespace korvel
