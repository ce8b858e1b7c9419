// TXLSSheetReader: the handlers of the records of one worksheet substream.
// Cell records become values and formats of the sheet's cells through the
// model's cell rule (texts with a leading apostrophe, so that a text that
// begins with "=" stays a text); ROW, COLINFO and MERGEDCELLS become row,
// column and merge settings. Records the model has no place for (page setup,
// window, drawings, ...) are skipped.
//
// Every handler reads its fields through a bounds-checked cursor; a body too
// short for the fields a record needs is skipped, and cells outside the
// model's limits are left out. No handler fails.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "xls/biff/XLSRecordText.h"
#include "xls/model/XLSStringTable.h"

namespace korvel {

class IXLSWorksheet;
struct TXLSCellRef;
class TXLSWorkbook;

// What the sheet handlers take from the workbook reader.
struct TXLSSheetReadSettings {
    bool Biff8 = true;
    uint32_t CodePage = 1252;
    bool Date1904 = false;
    // The shared strings, by SST index.
    const std::vector<TXLSSharedStringRef>* SharedStrings = nullptr;
};

class TXLSSheetReader {
public:
    TXLSSheetReader(IXLSWorksheet& sheet, const TXLSSheetReadSettings& settings);

    // Handles one record group of the worksheet substream (BOF and EOF are
    // the workbook reader's). Unknown records are skipped.
    void Dispatch(uint16_t id, const TXLSRecordGroup& group);

private:
    void ReadLabelSST(std::span<const uint8_t> body);
    void ReadLabel(const TXLSRecordGroup& group);
    void ReadRString(std::span<const uint8_t> body);
    void ReadNumber(std::span<const uint8_t> body);
    void ReadRK(std::span<const uint8_t> body);
    void ReadMulRK(std::span<const uint8_t> body);
    void ReadBoolErr(std::span<const uint8_t> body);
    void ReadBlank(std::span<const uint8_t> body);
    void ReadMulBlank(std::span<const uint8_t> body);
    void ReadFormula(std::span<const uint8_t> body);
    void ReadString(const TXLSRecordGroup& group);
    void ReadRow(std::span<const uint8_t> body);
    void ReadColInfo(std::span<const uint8_t> body);
    void ReadMergedCells(std::span<const uint8_t> body);

    // Cell helpers; (row, col) 0-based. False when outside the model.
    static bool InModel(uint32_t row, uint32_t col);
    void SetText(uint32_t row, uint32_t col, uint16_t xf);
    void SetNumber(uint32_t row, uint32_t col, uint16_t xf, double value);
    TXLSCellRef& SetXF(uint32_t row, uint32_t col, uint16_t xf);
    void SetSharedText(uint32_t row, uint32_t col, const TXLSSharedStringRef& text);

    IXLSWorksheet& sheet_;
    TXLSWorkbook& workbook_;
    TXLSSheetReadSettings settings_;
    // "'" + the text of the cell being set; reused so that decoding a text
    // does not allocate once the buffer has grown.
    std::u16string text_;
    // A FORMULA whose cached result is a text waits for the STRING record.
    bool stringPending_ = false;
    uint32_t stringRow_ = 0, stringCol_ = 0;
};

}  // namespace korvel
