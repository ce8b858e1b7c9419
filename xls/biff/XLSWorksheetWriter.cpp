#include "xls/biff/XLSWorksheetWriter.h"

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Stream.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSWriterResults.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {

namespace Rec = XLSRecordId;

namespace {

constexpr int32_t kBiffLastRow = 65535;
constexpr int32_t kBiffLastCol = 255;
constexpr int32_t kModelLastRow = 0xFFFFF;
constexpr int32_t kModelLastCol = 0x3FFF;

// 1904 date system: day 0 is 1 January 1904, 1,462 days after the 1900 system's.
constexpr double kDate1904Offset = 1462.0;

// ROW record option bits ([MS-XLS] 2.4.221).
constexpr uint16_t kRowAlways = 0x0100;
constexpr uint16_t kRowCollapsed = 0x0010;
constexpr uint16_t kRowHidden = 0x0020;
constexpr uint16_t kRowUnsynced = 0x0040;
constexpr uint16_t kRowFormatted = 0x0080;
constexpr uint16_t kRowDefaultHeight = 0x8000;

// WINDOW2 option bits ([MS-XLS] 2.4.346).
constexpr uint16_t kWindowBase = 0x00A4;       // headings, default grid colour, outline symbols
constexpr uint16_t kWindowGridlines = 0x0002;
constexpr uint16_t kWindowZeros = 0x0010;
constexpr uint16_t kWindowSelected = 0x0200;
constexpr uint16_t kWindowPaged = 0x0400;

// Outline gutter: 29 twips per level ([MS-XLS] 2.4.134 GUTS).
constexpr uint16_t kGutterPerLevel = 29;

uint8_t RowOutline(const TXLSRowInfo* info) { return info ? info->OutlineLevel : 0; }

}  // namespace

TXLSWorksheetWriter::TXLSWorksheetWriter(TXLSWorkbook& workbook, uint16_t bofVersion, TXLSRecordBuffer& buffer)
    : workbook_(workbook), bofVersion_(bofVersion), buffer_(buffer) {}

uint16_t TXLSWorksheetWriter::XFWord(int32_t xf) {
    // Neighbouring cells nearly always share their format.
    if (xf != lastXF_) {
        lastXF_ = xf;
        lastXFWord_ = xf <= 0 ? 0 : workbook_.Styles().RecordXFIndex(xf);
    }
    return lastXFWord_;
}

void TXLSWorksheetWriter::WordRecord(TXLSBlobList& list, uint16_t id, uint16_t value) {
    buffer_.Begin(id);
    buffer_.Word(value);
    Add(list);
}

void TXLSWorksheetWriter::DoubleRecord(TXLSBlobList& list, uint16_t id, double value) {
    buffer_.Begin(id);
    buffer_.Double(value);
    Add(list);
}

int32_t TXLSWorksheetWriter::BuildSheetStream(IXLSWorksheet& sheet, int64_t bofOffset, TXLSSheetStreamLists& out) {
    TXLSCellBlockWriter blocks(out.Cells, buffer_);
    int rowOutlineMax = 0;
    const int32_t result = WriteCells(sheet, blocks, rowOutlineMax);
    if (result != kXLSWriteOk) return result;
    BuildSettings(sheet, blocks.UsedArea(), rowOutlineMax, out.Settings);
    BuildHead(bofOffset, out, blocks, out.Head);
    BuildTail(sheet, out.Tail);
    return kXLSWriteOk;
}

int32_t TXLSWorksheetWriter::WriteSheetStream(const TXLSSheetStreamLists& lists, TStream& stream) {
    for (const TXLSBlobList* list : {&lists.Head, &lists.Settings, &lists.Cells, &lists.Drawings, &lists.Tail}) {
        if (list->WriteToStream(stream) != 1) return kXLSWriteFailed;
    }
    return kXLSWriteOk;
}

// ---------------------------------------------------------------- cells

int32_t TXLSWorksheetWriter::WriteCells(IXLSWorksheet& sheet, TXLSCellBlockWriter& blocks, int& rowOutlineMax) {
    const TXLSRowList& rows = sheet.Rows();
    // An empty sheet still gets one (empty) block: a lone DBCELL.
    const int32_t first = rows.Count() > 0 ? rows.FirstRow() : 0;
    int32_t last = rows.Count() > 0 ? rows.LastRow() : 0;
    if (first < 0 || first > kBiffLastRow) return kXLSWriteOk;
    last = std::min(last, kBiffLastRow);

    for (int32_t row = first; row <= last; ++row) {
        const int32_t offset = row - first;
        if (offset % TXLSCellBlockWriter::kRowsPerBlock == 0) {
            blocks.BeginBlock();
            WriteRowRecords(sheet, row, std::min(row + TXLSCellBlockWriter::kRowsPerBlock - 1, last), blocks,
                            rowOutlineMax);
        }
        if (rows.Find(row)) {
            blocks.BeginRowCells(row);
            const int32_t result = WriteRowCells(sheet, row, blocks);
            if (result != kXLSWriteOk) return result;
        }
        if (row == last || offset % TXLSCellBlockWriter::kRowsPerBlock == TXLSCellBlockWriter::kRowsPerBlock - 1)
            blocks.EndBlock();
    }
    return kXLSWriteOk;
}

void TXLSWorksheetWriter::WriteRowRecords(IXLSWorksheet& sheet, int32_t from, int32_t to,
                                          TXLSCellBlockWriter& blocks, int& rowOutlineMax) {
    const TXLSRowList& rows = sheet.Rows();
    for (int32_t row = from; row <= to; ++row) {
        const TXLSRowInfo* info = rows.Find(row);
        if (!info) continue;
        TXLSRowRecord record;
        record.Row = static_cast<uint16_t>(row);
        // A row whose cells all lie beyond column 255 has no written cell.
        if (info->FirstCol >= 0 && info->FirstCol <= kBiffLastCol) {
            record.FirstCol = static_cast<uint16_t>(info->FirstCol);
            record.LastColPlus1 = static_cast<uint16_t>(std::min(info->LastCol, kBiffLastCol) + 1);
        }
        record.Height = info->HeightSet ? info->Height : static_cast<uint16_t>(kDefaultRowHeight | kRowDefaultHeight);
        const uint8_t level = std::min<uint8_t>(info->OutlineLevel, 7);
        uint16_t options = kRowAlways | level;
        if (level != RowOutline(row > 0 ? rows.Find(row - 1) : nullptr) ||
            level != RowOutline(row < kModelLastRow ? rows.Find(row + 1) : nullptr))
            options |= kRowCollapsed;
        if (info->Hidden) options |= kRowHidden;
        if (info->HeightSet && !info->Hidden && info->CustomHeight) options |= kRowUnsynced;
        if (info->HasFormat) options |= kRowFormatted;
        record.Options = options;
        record.XF = info->HasFormat ? XFWord(info->XF) : static_cast<uint16_t>(kDefaultCellXF);
        rowOutlineMax = std::max<int>(rowOutlineMax, level);
        blocks.Row(record);
    }
}

int32_t TXLSWorksheetWriter::WriteRowCells(IXLSWorksheet& sheet, int32_t row, TXLSCellBlockWriter& blocks) {
    TXLSCellHeap& heap = sheet.CellHeap();
    TXLSStyleXFs& styles = workbook_.Styles();
    TXLSStringTable& strings = workbook_.StringTable();
    const bool date1904 = workbook_.Date1904();

    for (TXLSCellRef* cell = heap.FirstCellInRow(row); cell; cell = heap.NextCellInRow(*cell)) {
        if (cell->Row > kModelLastRow || cell->Column > kModelLastCol)
            return kXLSWriteCellOutOfRange;
        const int32_t col = cell->Column;
        if (col > kBiffLastCol) break;
        if (cell->IsMergeCovered()) continue;  // written with its area's top-left cell
        if (cell->IsMergeMaster()) blocks.CloseRuns();

        const int32_t xf = cell->XF > 0 ? cell->XF : heap.CellXF(row, col);
        const uint16_t xfWord = XFWord(xf);
        switch (cell->Kind) {
            case TXLSCellKind::Number:
            case TXLSCellKind::Date: {
                double value = cell->Value;
                if (date1904 && (cell->Kind == TXLSCellKind::Date || styles.IsDateFormat(xf)))
                    value = value < kDate1904Offset ? 0.0 : value - kDate1904Offset;
                blocks.Number(row, col, xfWord, value);
                break;
            }
            case TXLSCellKind::Text: {
                if (Biff8()) {
                    const int32_t index = strings.WriteIndex(cell->StringId);
                    // A text without a place in the table cannot be referenced: keep the format.
                    if (index < 0) blocks.Blank(row, col, xfWord);
                    else blocks.LabelSST(row, col, xfWord, static_cast<uint32_t>(index));
                } else {
                    ansi_.clear();
                    AppendWideToMultiByte(workbook_.CodePage(), strings.GetString(cell->StringId), ansi_);
                    const size_t fit = FitMultiByte(workbook_.CodePage(), ansi_, 255);
                    blocks.Label(row, col, xfWord, std::string_view(ansi_).substr(0, fit));
                }
                break;
            }
            case TXLSCellKind::Boolean:
                blocks.Boolean(row, col, xfWord, cell->Value > 0);
                break;
            case TXLSCellKind::Formula:
                // No formula engine: there is no token form to write, keep the cell's format.
            case TXLSCellKind::Blank:
                blocks.Blank(row, col, xfWord);
                break;
        }
        if (cell->IsMergeMaster()) WriteMergedArea(sheet, row, col, xfWord, blocks);
    }
    return kXLSWriteOk;
}

void TXLSWorksheetWriter::WriteMergedArea(IXLSWorksheet& sheet, int32_t row, int32_t col, uint16_t anchorXF,
                                          TXLSCellBlockWriter& blocks) {
    blocks.CloseRuns();
    TXLSCellHeap& heap = sheet.CellHeap();
    const TXLSMergedArea* area = heap.FindMergedArea(row, col);
    if (!area) return;
    const int32_t lastRow = std::min(std::max(area->FirstRow, area->LastRow), kBiffLastRow);
    const int32_t lastCol = std::min(std::max(area->FirstCol, area->LastCol), kBiffLastCol);
    const int32_t firstRow = std::min(std::min(area->FirstRow, area->LastRow), kBiffLastRow);
    const int32_t firstCol = std::min(std::min(area->FirstCol, area->LastCol), kBiffLastCol);
    for (int32_t r = firstRow; r <= lastRow; ++r) {
        for (int32_t c = firstCol; c <= lastCol; ++c) {
            if (r == row && c == col) continue;
            const TXLSCellRef* covered = heap.FindCell(r, c);
            const uint16_t xf = covered ? XFWord(covered->XF > 0 ? covered->XF : heap.CellXF(r, c)) : anchorXF;
            blocks.ForcedBlank(r, c, xf);
        }
    }
    blocks.MergedCells(static_cast<uint16_t>(firstRow), static_cast<uint16_t>(lastRow),
                       static_cast<uint16_t>(firstCol), static_cast<uint16_t>(lastCol));
}

// ---------------------------------------------------------------- settings

void TXLSWorksheetWriter::BuildSettings(IXLSWorksheet& sheet, const TXLSUsedArea& used, int rowOutlineMax,
                                        TXLSBlobList& list) {
    WordRecord(list, Rec::kCALCMODE, 1);
    WordRecord(list, Rec::kCALCCOUNT, 100);
    WordRecord(list, Rec::kREFMODE, 1);
    WordRecord(list, Rec::kITERATION, 0);
    DoubleRecord(list, Rec::kDELTA, 0.001);
    WordRecord(list, Rec::kSAVERECALC, 1);
    if (!Biff8()) WriteExternSheets(sheet, list);
    WordRecord(list, Rec::kDEFCOLWIDTH, 8);
    const int columnOutlineMax = WriteColumnInfos(sheet, list);

    buffer_.Begin(Rec::kDEFAULTROWHEIGHT);
    buffer_.Word(0);
    buffer_.Word(sheet.Rows().DefaultHeight());
    Add(list);

    const uint16_t printGridlines = 0;
    WordRecord(list, Rec::kPRINTHEADERS, 0);
    WordRecord(list, Rec::kPRINTGRIDLINES, printGridlines);
    WordRecord(list, Rec::kGRIDSET, static_cast<uint16_t>((printGridlines & 0x7F) ^ 1));

    buffer_.Begin(Rec::kGUTS);
    buffer_.Word(static_cast<uint16_t>(rowOutlineMax * kGutterPerLevel));
    buffer_.Word(static_cast<uint16_t>(columnOutlineMax * kGutterPerLevel));
    buffer_.Word(static_cast<uint16_t>(rowOutlineMax ? rowOutlineMax + 1 : 0));
    buffer_.Word(static_cast<uint16_t>(columnOutlineMax ? columnOutlineMax + 1 : 0));
    Add(list);

    // Summary rows below and summary columns right of their details (the
    // outline defaults); 0x0401 = show automatic page breaks, outline symbols.
    WordRecord(list, Rec::kWSBOOL, 0x0401 | 0x0040 | 0x0080);

    const TXLSSheetPageSetup& setup = pageSetup_;
    buffer_.Begin(Rec::kSETUP);
    buffer_.Word(setup.PaperSize);
    buffer_.Word(setup.Scale);
    buffer_.Word(1);  // start page number
    buffer_.Word(setup.FitWidth);
    buffer_.Word(setup.FitHeight);
    buffer_.Word(setup.Options);
    buffer_.Word(600);  // horizontal resolution, dpi
    buffer_.Word(600);  // vertical resolution, dpi
    buffer_.Double(setup.HeaderMargin);
    buffer_.Double(setup.FooterMargin);
    buffer_.Word(1);  // copies
    Add(list);

    WriteDimensions(used, list);
}

int TXLSWorksheetWriter::WriteColumnInfos(IXLSWorksheet& sheet, TXLSBlobList& list) {
    const TXLSColumnList& columns = sheet.Columns();
    struct Settings {
        uint16_t Width, XF;
        uint8_t Level;
        bool Hidden;
        bool operator==(const Settings&) const = default;
    };
    auto settingsOf = [&](int32_t col) {
        const TXLSColumnInfo* info = columns.Find(col);
        if (!info) return Settings{columns.DefaultWidth(), XFWord(columns.ColumnXF(col)), 0, false};
        return Settings{info->Width, XFWord(info->XF), std::min<uint8_t>(info->OutlineLevel, 7), info->Hidden};
    };
    int outlineMax = 0;
    int32_t runStart = 0;
    Settings run = settingsOf(0);
    for (int32_t col = 1; col <= kBiffLastCol + 1; ++col) {
        Settings next{};
        const bool end = col > kBiffLastCol;
        if (!end) next = settingsOf(col);
        if (!end && next == run) continue;
        const int32_t runLast = col - 1;
        buffer_.Begin(Rec::kCOLINFO);
        buffer_.Word(static_cast<uint16_t>(runStart));
        // A run over several columns that reaches the last column is written
        // ending at 256, as other writers of this format do.
        buffer_.Word(static_cast<uint16_t>(runLast == kBiffLastCol && runLast > runStart ? 256 : runLast));
        buffer_.Word(run.Width);
        buffer_.Word(run.XF);
        buffer_.Word(static_cast<uint16_t>(((run.Level << 8) & 0x0700) | (run.Hidden ? 0x0001 : 0) | 0x0002));
        buffer_.Word(2);  // reserved
        Add(list);
        outlineMax = std::max<int>(outlineMax, run.Level);
        run = next;
        runStart = col;
    }
    return outlineMax;
}

void TXLSWorksheetWriter::WriteExternSheets(IXLSWorksheet& sheet, TXLSBlobList& list) {
    IXLSWorkSheets& sheets = workbook_.Sheets();
    WordRecord(list, Rec::kEXTERNCOUNT, static_cast<uint16_t>(sheets.Count() + 1));
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        const IXLSWorksheet* other = sheets.Items(i);
        buffer_.Begin(Rec::kEXTERNSHEET);
        if (other == &sheet) {
            buffer_.Byte(1);
            buffer_.Byte(0x02);  // the sheet itself
        } else {
            ansi_.clear();
            AppendWideToMultiByte(workbook_.CodePage(), other ? other->Name() : std::u16string(), ansi_);
            const size_t fit = FitMultiByte(workbook_.CodePage(), ansi_, 255);
            buffer_.Byte(static_cast<uint8_t>(fit));
            buffer_.Byte(0x03);  // a sheet of this workbook, by name
            buffer_.Ansi(std::string_view(ansi_).substr(0, fit));
        }
        Add(list);
    }
    buffer_.Begin(Rec::kEXTERNSHEET);
    buffer_.Byte(1);
    buffer_.Byte(0x04);  // this workbook, no particular sheet
    Add(list);
}

void TXLSWorksheetWriter::WriteDimensions(const TXLSUsedArea& used, TXLSBlobList& list) {
    uint32_t firstRow = 0, lastRowPlus1 = 0;
    uint16_t firstCol = 0, lastColPlus1 = 256;
    if (used.Any) {
        firstRow = static_cast<uint32_t>(std::min(used.FirstRow, kBiffLastRow));
        lastRowPlus1 = static_cast<uint32_t>(std::min(used.LastRow, kBiffLastRow)) + 1;
        firstCol = static_cast<uint16_t>(std::min(used.FirstCol, kBiffLastCol));
        lastColPlus1 = static_cast<uint16_t>(std::min(used.LastCol, kBiffLastCol) + 1);
    }
    buffer_.Begin(Rec::kDIMENSIONS);
    if (Biff8()) {
        buffer_.Long(firstRow);
        buffer_.Long(lastRowPlus1);
    } else {
        // BIFF5 keeps 16-bit rows; 65,536 does not fit and is kept at 65,535.
        buffer_.Word(static_cast<uint16_t>(firstRow));
        buffer_.Word(static_cast<uint16_t>(std::min<uint32_t>(lastRowPlus1, 0xFFFF)));
    }
    buffer_.Word(firstCol);
    buffer_.Word(lastColPlus1);
    buffer_.Word(0);
    Add(list);
}

// ---------------------------------------------------------------- head

void TXLSWorksheetWriter::BuildHead(int64_t bofOffset, const TXLSSheetStreamLists& lists,
                                    const TXLSCellBlockWriter& blocks, TXLSBlobList& head) {
    buffer_.Begin(Rec::kBOF);
    if (Biff8()) {
        buffer_.Word(0x0600);
        buffer_.Word(0x0010);  // worksheet substream
        buffer_.Word(0x18AF);  // build
        buffer_.Word(0x07CD);  // year
        buffer_.Long(0x000080C9);
        buffer_.Long(0x00000106);
    } else {
        buffer_.Word(0x0500);
        buffer_.Word(0x0010);
        buffer_.Word(0x096C);
        buffer_.Word(0x07C9);
    }
    Add(head);

    if (!blocks.AnyRowRecord()) return;
    const std::vector<uint32_t>& dbcells = blocks.DBCellPositions();
    const uint32_t indexSize = (Biff8() ? 20u : 16u) + 4u * static_cast<uint32_t>(dbcells.size());
    // Absolute offset of the cell list: BOF, this INDEX and the settings come before it.
    const int64_t base = bofOffset + head.Total() + indexSize + lists.Settings.Total();
    buffer_.Begin(Rec::kINDEX);
    buffer_.Long(0);
    if (Biff8()) {
        buffer_.Long(static_cast<uint32_t>(blocks.FirstRowRecord()));
        buffer_.Long(static_cast<uint32_t>(blocks.LastRowRecord() + 1));
    } else {
        buffer_.Word(static_cast<uint16_t>(blocks.FirstRowRecord()));
        buffer_.Word(static_cast<uint16_t>(std::min(blocks.LastRowRecord() + 1, 0xFFFF)));
    }
    buffer_.Long(0);  // no DEFCOLWIDTH offset
    for (uint32_t position : dbcells) buffer_.Long(static_cast<uint32_t>(base + position));
    Add(head);
}

// ---------------------------------------------------------------- tail

void TXLSWorksheetWriter::WriteHeaderFooter(uint16_t id, std::u16string_view text, TXLSBlobList& list) {
    buffer_.Begin(id);
    if (Biff8()) {
        buffer_.Word(static_cast<uint16_t>(text.size()));
        buffer_.Byte(0x01);
        buffer_.Wide(text);
    } else {
        ansi_.clear();
        AppendWideToMultiByte(workbook_.CodePage(), text, ansi_);
        const size_t fit = FitMultiByte(workbook_.CodePage(), ansi_, 255);
        buffer_.Byte(static_cast<uint8_t>(fit));
        buffer_.Ansi(std::string_view(ansi_).substr(0, fit));
    }
    Add(list);
}

void TXLSWorksheetWriter::BuildTail(IXLSWorksheet& sheet, TXLSBlobList& list) {
    const TXLSSheetPageSetup& setup = pageSetup_;
    // Each margin goes to the record that names it.
    DoubleRecord(list, Rec::kBOTTOMMARGIN, setup.BottomMargin);
    DoubleRecord(list, Rec::kTOPMARGIN, setup.TopMargin);
    DoubleRecord(list, Rec::kRIGHTMARGIN, setup.RightMargin);
    DoubleRecord(list, Rec::kLEFTMARGIN, setup.LeftMargin);
    WordRecord(list, Rec::kVCENTER, 0);
    WordRecord(list, Rec::kHCENTER, 0);
    WriteHeaderFooter(Rec::kFOOTER, u"", list);
    WriteHeaderFooter(Rec::kHEADER, u"", list);

    uint16_t options = kWindowBase | kWindowGridlines | kWindowZeros;
    if (sheet.Selected()) options |= kWindowSelected;
    if (sheet.Visibility() == TXLSSheetVisibility::Visible) options |= kWindowPaged;
    buffer_.Begin(Rec::kWINDOW2);
    buffer_.Word(options);
    buffer_.Word(0);  // top row
    buffer_.Word(0);  // left column
    if (Biff8()) {
        buffer_.Word(64);  // gridline colour: the default
        buffer_.Word(0);
        buffer_.Word(0);   // page-break-preview zoom
        buffer_.Word(0);   // normal zoom
        buffer_.Long(0);
    } else {
        buffer_.Long(0);
    }
    Add(list);

    buffer_.Begin(Rec::kSELECTION);
    buffer_.Byte(3);   // active pane: the only one
    buffer_.Word(0);   // active cell row
    buffer_.Word(0);   // active cell column
    buffer_.Word(0);   // index of the active cell's range
    buffer_.Word(1);   // one range
    buffer_.Word(0);
    buffer_.Word(0);
    buffer_.Byte(0);
    buffer_.Byte(0);
    Add(list);

    const uint16_t width = sheet.Columns().DefaultWidth();
    if (width != kDefaultColumnWidth) WordRecord(list, Rec::kSTANDARDWIDTH, width);

    buffer_.Begin(Rec::kEOF);
    Add(list);
}

}  // namespace korvel
