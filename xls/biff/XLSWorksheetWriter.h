// The worksheet substream writer: builds one worksheet's records ([MS-XLS]
// 2.1.7.20.3 worksheet substream) as five record lists, written to the
// workbook stream in the order head, settings, cells, drawings, tail:
//   head      BOF, INDEX
//   settings  calculation settings, COLINFO, print settings, DIMENSIONS
//   cells     blocks of 32 rows: ROW records, cell records, DBCELL
//   drawings  (no drawing objects are kept by the model; stays empty)
//   tail      margins, HEADER/FOOTER, WINDOW2, SELECTION, ..., EOF
// The cells are written first; the INDEX record, which holds the absolute
// stream offset of every DBCELL, is built last from the sizes then known.
// Cells beyond row 65,535 or column 255 stay in the model but are not written.
#pragma once

#include <cstdint>
#include <string>

#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSCellBlockWriter.h"
#include "xls/biff/XLSRecordBuffer.h"

namespace korvel {

class IXLSWorksheet;
class TStream;
class TXLSWorkbook;

// The records of one worksheet substream.
struct TXLSSheetStreamLists {
    TXLSBlobList Head;
    TXLSBlobList Settings;
    TXLSBlobList Cells;
    TXLSBlobList Drawings;
    TXLSBlobList Tail;

    // Bytes of the whole substream.
    int64_t Total() const {
        return Head.Total() + Settings.Total() + Cells.Total() + Drawings.Total() + Tail.Total();
    }
};

// Page-setup values a new sheet is written with (the model keeps none).
struct TXLSSheetPageSetup {
    uint16_t PaperSize = 9;      // A4
    uint16_t Scale = 100;
    uint16_t FitWidth = 1;
    uint16_t FitHeight = 1;
    uint16_t Options = 0x0002;   // portrait
    double HeaderMargin = 0.5;   // inches
    double FooterMargin = 0.5;
    double LeftMargin = 0.75;
    double RightMargin = 0.75;
    double TopMargin = 1.0;
    double BottomMargin = 1.0;
};

class TXLSWorksheetWriter {
public:
    // The workbook's format tables must have been prepared for this save
    // (TXLSStyleXFs::PrepareForSave) and, in BIFF8, the shared strings numbered
    // (TXLSStringTable::AssignWriteIndexes). bofVersion is 0x0600 (BIFF8) or
    // 0x0500 (BIFF5); buffer is scratch space shared with the other writers.
    TXLSWorksheetWriter(TXLSWorkbook& workbook, uint16_t bofVersion, TXLSRecordBuffer& buffer);

    // Builds the five lists of sheet into out (which must be empty); bofOffset
    // is the absolute stream offset at which the sheet's BOF will stand.
    // Results: 1; kXLSWriteCellOutOfRange when the store holds a cell outside
    // the model's limits (the lists are then incomplete and must be dropped).
    int32_t BuildSheetStream(IXLSWorksheet& sheet, int64_t bofOffset, TXLSSheetStreamLists& out);

    // Writes the five lists in order. Results: 1; -1 on a short stream write.
    static int32_t WriteSheetStream(const TXLSSheetStreamLists& lists, TStream& stream);

private:
    bool Biff8() const { return bofVersion_ >= 0x0600; }
    uint16_t MaxBody() const { return Biff8() ? 8224 : 2080; }

    int32_t WriteCells(IXLSWorksheet& sheet, TXLSCellBlockWriter& blocks, int& rowOutlineMax);
    void WriteRowRecords(IXLSWorksheet& sheet, int32_t from, int32_t to, TXLSCellBlockWriter& blocks,
                         int& rowOutlineMax);
    int32_t WriteRowCells(IXLSWorksheet& sheet, int32_t row, TXLSCellBlockWriter& blocks);
    void WriteMergedArea(IXLSWorksheet& sheet, int32_t row, int32_t col, uint16_t anchorXF,
                         TXLSCellBlockWriter& blocks);
    uint16_t XFWord(int32_t xf);

    void BuildSettings(IXLSWorksheet& sheet, const TXLSUsedArea& used, int rowOutlineMax, TXLSBlobList& list);
    int WriteColumnInfos(IXLSWorksheet& sheet, TXLSBlobList& list);
    void WriteExternSheets(IXLSWorksheet& sheet, TXLSBlobList& list);
    void WriteDimensions(const TXLSUsedArea& used, TXLSBlobList& list);
    void BuildHead(int64_t bofOffset, const TXLSSheetStreamLists& lists, const TXLSCellBlockWriter& blocks,
                   TXLSBlobList& head);
    void BuildTail(IXLSWorksheet& sheet, TXLSBlobList& list);
    void WriteHeaderFooter(uint16_t id, std::u16string_view text, TXLSBlobList& list);

    void Add(TXLSBlobList& list) { buffer_.AddTo(list, MaxBody()); }
    void WordRecord(TXLSBlobList& list, uint16_t id, uint16_t value);
    void DoubleRecord(TXLSBlobList& list, uint16_t id, double value);

    TXLSWorkbook& workbook_;
    uint16_t bofVersion_;
    TXLSRecordBuffer& buffer_;
    TXLSSheetPageSetup pageSetup_;
    std::string ansi_;  // reused for BIFF5 texts
    int32_t lastXF_ = -1;
    uint16_t lastXFWord_ = 0;
};

}  // namespace korvel
