// Byte-level checks of written workbook streams: record order, offsets, the
// cell table (ROW/DBCELL/INDEX), cell record forms and the BIFF5 variants.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/xls/biff/writer_test_support.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordBuffer.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

namespace Rec = XLSRecordId;
using writer_test::FindRecord;
using writer_test::Record;
using writer_test::RecordAtOffset;
using writer_test::SplitRecords;
using writer_test::WriteStream;

std::vector<uint16_t> IdsBetween(const std::vector<Record>& records, size_t from, size_t to) {
    std::vector<uint16_t> ids;
    for (size_t i = from; i < to && i < records.size(); ++i) ids.push_back(records[i].Id);
    return ids;
}

// Records of the first worksheet substream, BOF to EOF.
std::vector<Record> FirstSheet(const std::vector<Record>& all) {
    const size_t bound = FindRecord(all, Rec::kBOUNDSHEET);
    EXPECT_LT(bound, all.size());
    const size_t bof = RecordAtOffset(all, all[bound].Long(0));
    EXPECT_LT(bof, all.size());
    const size_t eof = FindRecord(all, Rec::kEOF, bof);
    return std::vector<Record>(all.begin() + static_cast<long>(bof), all.begin() + static_cast<long>(eof) + 1);
}

std::vector<Record> CellRecords(const std::vector<Record>& sheet) {
    std::vector<Record> cells;
    for (const Record& r : sheet) {
        switch (r.Id) {
            case Rec::kLABELSST: case Rec::kLABEL: case Rec::kNUMBER: case Rec::kRK: case Rec::kMULRK:
            case Rec::kBLANK: case Rec::kMULBLANK: case Rec::kBOOLERR: case Rec::kMERGEDCELLS:
                cells.push_back(r);
                break;
            default:
                break;
        }
    }
    return cells;
}

TEST(WorkbookGlobals, NewWorkbookRecordsInOrderAndSheetAtItsOffset) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(0, 0, Variant(u"abc"));
    sheet.SetCellValue(1, 0, Variant(u"abc"));
    size_t padding = 0;
    const std::vector<uint8_t> stream = WriteStream(book, 2);
    const std::vector<Record> records = SplitRecords(stream, &padding);

    std::vector<uint16_t> expected = {Rec::kBOF, Rec::kCODEPAGE, Rec::kDSF, Rec::kWINDOW1, Rec::kBACKUP,
                                      Rec::kDATEMODE, Rec::kPRECISION, Rec::kREFMODE, Rec::kFNGROUPCOUNT,
                                      Rec::kBOOKBOOL};
    expected.insert(expected.end(), 4, Rec::kFONT);
    expected.insert(expected.end(), 4, Rec::kFORMAT);
    expected.insert(expected.end(), 21, Rec::kXF);
    expected.insert(expected.end(), 6, Rec::kSTYLE);
    for (uint16_t id : {Rec::kPALETTE, Rec::kCOUNTRY, Rec::kRECALCID, Rec::kSST, Rec::kEXTSST, Rec::kBOUNDSHEET,
                        Rec::kSUPBOOK, Rec::kEXTERNSHEET, Rec::kMSODRAWINGGROUP, Rec::kEOF, Rec::kBOF})
        expected.push_back(id);
    ASSERT_EQ(IdsBetween(records, 0, expected.size()), expected);

    const std::vector<uint8_t> bof(records[0].Body);
    EXPECT_EQ(bof, (std::vector<uint8_t>{0x00, 0x06, 0x05, 0x00, 0xAF, 0x18, 0xCD, 0x07, 0xC9, 0x80, 0x00, 0x00,
                                         0x06, 0x01, 0x00, 0x00}));
    EXPECT_EQ(records[1].Word(0), 1200);
    const Record& window1 = records[3];
    ASSERT_EQ(window1.Body.size(), 18u);
    EXPECT_EQ(window1.Word(4), 9660);
    EXPECT_EQ(window1.Word(6), 5490);
    EXPECT_EQ(window1.Word(8), 0x38);
    EXPECT_EQ(window1.Word(14), 1);  // one selected sheet
    EXPECT_EQ(window1.Word(16), 600);

    // The SST for "abc" twice: 2 references, 1 string.
    const Record& sst = records[FindRecord(records, Rec::kSST)];
    EXPECT_EQ(sst.Body, (std::vector<uint8_t>{2, 0, 0, 0, 1, 0, 0, 0, 3, 0, 1, 'a', 0, 'b', 0, 'c', 0}));

    // The BOUNDSHEET offset is the exact size of the globals substream.
    const size_t bound = FindRecord(records, Rec::kBOUNDSHEET);
    const size_t globalsEof = FindRecord(records, Rec::kEOF);
    const uint32_t offset = records[bound].Long(0);
    EXPECT_EQ(offset, records[globalsEof].Offset + 4);
    EXPECT_EQ(records[bound].Body, (std::vector<uint8_t>{uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16),
                                                         uint8_t(offset >> 24), 0, 0, 6, 1, 'S', 0, 'h', 0, 'e', 0,
                                                         'e', 0, 't', 0, '1', 0}));
    const size_t sheetBof = RecordAtOffset(records, offset);
    ASSERT_LT(sheetBof, records.size());
    EXPECT_EQ(records[sheetBof].Id, Rec::kBOF);
    EXPECT_EQ(records[sheetBof].Word(2), 0x0010);

    // Zero padding to a multiple of 512 right after the sheet's EOF.
    EXPECT_EQ(stream.size() % 512, 0u);
    EXPECT_EQ(records.back().Id, Rec::kEOF);
    EXPECT_EQ(records.back().Offset + 4 + padding, stream.size());
    EXPECT_LT(padding, 512u);
}

TEST(WorkbookGlobals, SavingTwiceGivesTheSameBytes) {
    TXLSWorkbook book;
    IXLSWorksheet& one = book.Sheets().Add();
    book.Sheets().Add();
    one.SetCellValue(0, 0, Variant(1.25));
    one.SetCellValue(3, 2, Variant(u"text"));
    const std::vector<uint8_t> first = WriteStream(book, 2);
    const std::vector<uint8_t> second = WriteStream(book, 2);
    EXPECT_EQ(first, second);
    const std::vector<Record> records = SplitRecords(second);
    EXPECT_EQ(records[FindRecord(records, Rec::kWINDOW1)].Word(14), 1);
}

TEST(WorkbookGlobals, WorkbookWithoutSheetsGetsOne) {
    TXLSWorkbook book;
    ASSERT_EQ(book.Sheets().Count(), 0);
    const std::vector<Record> records = SplitRecords(WriteStream(book, 2));
    EXPECT_EQ(book.Sheets().Count(), 1);
    const size_t bound = FindRecord(records, Rec::kBOUNDSHEET);
    ASSERT_LT(bound, records.size());
    EXPECT_EQ(FindRecord(records, Rec::kBOUNDSHEET, bound + 1), records.size());
    EXPECT_EQ(FindRecord(records, Rec::kSST), records.size()) << "no text, no SST";
}

TEST(WorkbookGlobals, DrawingGroupIsAMinimalValidContainer) {
    TXLSWorkbook book;
    book.Sheets().Add();
    const std::vector<Record> records = SplitRecords(WriteStream(book, 2));
    const Record& group = records[FindRecord(records, Rec::kMSODRAWINGGROUP)];
    // OfficeArtDggContainer (0xF000) holding an FDGG block (0xF006) and an FOPT (0xF00B).
    ASSERT_EQ(group.Body.size(), 58u);
    EXPECT_EQ(group.Word(0), 0x000F);
    EXPECT_EQ(group.Word(2), 0xF000);
    EXPECT_EQ(group.Long(4), 50u);
    EXPECT_EQ(group.Word(10), 0xF006);
    EXPECT_EQ(group.Long(12), 16u);
    EXPECT_EQ(group.Long(20), 1u);  // cidcl
    EXPECT_EQ(group.Word(32), 0x0033);  // version 3, three properties
    EXPECT_EQ(group.Word(34), 0xF00B);
    EXPECT_EQ(group.Long(36), 18u);
}

TEST(WorksheetCells, ThousandRowsOfTextMakeThirtyTwoBlocks) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    for (int32_t row = 0; row < 1000; ++row)
        for (int32_t col = 0; col < 4; ++col)
            sheet.SetCellValue(row, col, Variant(std::u16string{u'r', char16_t(u'a' + col)}));
    const std::vector<Record> all = SplitRecords(WriteStream(book, 2));
    const std::vector<Record> records = FirstSheet(all);
    writer_test::CheckCellTable(all, RecordAtOffset(all, records[0].Offset));

    ASSERT_EQ(records[1].Id, Rec::kINDEX);
    const Record& index = records[1];
    EXPECT_EQ(index.Body.size(), 16u + 4 * 32);
    EXPECT_EQ(index.Long(4), 0u);
    EXPECT_EQ(index.Long(8), 1000u);

    // Every block: its ROW records, then four LABELSST per row, then its DBCELL.
    size_t i = FindRecord(records, Rec::kROW);
    for (int block = 0; block < 32; ++block) {
        const int rows = block < 31 ? 32 : 8;
        for (int r = 0; r < rows; ++r, ++i) {
            ASSERT_EQ(records[i].Id, Rec::kROW);
            EXPECT_EQ(records[i].Word(0), block * 32 + r);
            EXPECT_EQ(records[i].Word(2), 0);
            EXPECT_EQ(records[i].Word(4), 4);
        }
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 4; ++c, ++i) {
                ASSERT_EQ(records[i].Id, Rec::kLABELSST);
                EXPECT_EQ(records[i].Word(0), block * 32 + r);
                EXPECT_EQ(records[i].Word(2), c);
                EXPECT_EQ(records[i].Word(4), 15) << "a new cell takes the default cell format";
                EXPECT_EQ(records[i].Long(6), static_cast<uint32_t>(c)) << "four distinct strings";
            }
        }
        ASSERT_EQ(records[i].Id, Rec::kDBCELL);
        ++i;
    }
    const Record& dims = records[FindRecord(records, Rec::kDIMENSIONS)];
    EXPECT_EQ(dims.Long(0), 0u);
    EXPECT_EQ(dims.Long(4), 1000u);
    EXPECT_EQ(dims.Word(8), 0);
    EXPECT_EQ(dims.Word(10), 4);
}

TEST(WorksheetCells, SparseRowsKeepDbcellAndIndexConsistent) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    const int32_t rows[] = {5, 6, 40, 41, 100, 2000, 65535};
    for (int32_t row : rows) {
        sheet.SetCellValue(row, 1, Variant(double(row)));
        sheet.SetCellValue(row, 2, Variant(double(row) + 0.5));
        sheet.SetCellValue(row, 200, Variant(u"far"));
    }
    sheet.Rows().GetOrCreate(7).Hidden = true;  // settings only, no cells
    const std::vector<Record> all = SplitRecords(WriteStream(book, 2));
    const std::vector<Record> records = FirstSheet(all);
    writer_test::CheckCellTable(all, RecordAtOffset(all, records[0].Offset));
    const Record& index = records[1];
    ASSERT_EQ(index.Id, Rec::kINDEX);
    EXPECT_EQ(index.Long(4), 5u);
    EXPECT_EQ(index.Long(8), 65536u);
    const size_t hidden = FindRecord(records, Rec::kROW);
    ASSERT_LT(hidden + 2, records.size());
    EXPECT_EQ(records[hidden + 2].Word(0), 7);
    EXPECT_EQ(records[hidden + 2].Word(12) & 0x0020, 0x0020);
}

TEST(WorksheetCells, NumbersTakeRKMulRKOrNumber) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(0, 0, Variant(1.0));
    sheet.SetCellValue(0, 2, Variant(1.5));
    sheet.SetCellValue(0, 4, Variant(0.1));
    sheet.SetCellValue(0, 6, Variant(2147483648.0));
    sheet.SetCellValue(1, 0, Variant(1.0));
    sheet.SetCellValue(1, 1, Variant(2.0));
    sheet.SetCellValue(1, 2, Variant(3.0));
    const std::vector<Record> cells = CellRecords(FirstSheet(SplitRecords(WriteStream(book, 2))));
    ASSERT_EQ(cells.size(), 5u);
    const uint32_t rks[] = {6, 603, 43};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(cells[k].Id, Rec::kRK);
        EXPECT_EQ(cells[k].Word(2), 2 * k);
        EXPECT_EQ(cells[k].Long(6), rks[k]);
    }
    EXPECT_EQ(cells[3].Id, Rec::kNUMBER);
    EXPECT_EQ(cells[3].Double(6), 2147483648.0);
    const Record& mulrk = cells[4];
    EXPECT_EQ(mulrk.Id, Rec::kMULRK);
    EXPECT_EQ(mulrk.Body, (std::vector<uint8_t>{1, 0, 0, 0, 15, 0, 6, 0, 0, 0, 15, 0, 10, 0, 0, 0, 15, 0, 14, 0, 0, 0,
                                                2, 0}));
}

TEST(WorksheetCells, RunsNeverReachAcrossOtherCells) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(0, 0, Variant());
    sheet.SetCellValue(0, 1, Variant(3.141592653589793));
    sheet.SetCellValue(0, 2, Variant());
    sheet.SetCellValue(1, 0, Variant(1.0));
    sheet.SetCellValue(1, 1, Variant(u"t"));
    sheet.SetCellValue(1, 2, Variant(2.0));
    sheet.SetCellValue(1, 3, Variant(true));
    sheet.SetCellValue(1, 4, Variant(5.0));
    const std::vector<Record> cells = CellRecords(FirstSheet(SplitRecords(WriteStream(book, 2))));
    const std::vector<std::pair<uint16_t, uint16_t>> expected = {
        {Rec::kBLANK, 0}, {Rec::kNUMBER, 1}, {Rec::kBLANK, 2},  {Rec::kRK, 0},
        {Rec::kLABELSST, 1}, {Rec::kRK, 2},  {Rec::kBOOLERR, 3}, {Rec::kRK, 4}};
    ASSERT_EQ(cells.size(), expected.size());
    for (size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(cells[k].Id, expected[k].first) << k;
        EXPECT_EQ(cells[k].Word(2), expected[k].second) << k;
    }
    EXPECT_EQ(cells[6].Body[6], 1);  // true
    EXPECT_EQ(cells[6].Body[7], 0);  // a boolean, not an error
}

TEST(WorksheetCells, BlanksWithoutFormat) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.Columns().SetDefaultXF(0);  // cells made from now on carry no format
    sheet.SetCellValue(0, 0, Variant());
    sheet.SetCellValue(1, 0, Variant());
    sheet.SetCellValue(1, 1, Variant());
    sheet.SetCellValue(2, 5, Variant::Null());
    sheet.SetCellXF(2, 5, 15);
    const std::vector<Record> cells = CellRecords(FirstSheet(SplitRecords(WriteStream(book, 2))));
    ASSERT_EQ(cells.size(), 2u) << "a lone blank without format gives no record";
    EXPECT_EQ(cells[0].Id, Rec::kMULBLANK);
    EXPECT_EQ(cells[0].Body, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(cells[1].Id, Rec::kBLANK);
    EXPECT_EQ(cells[1].Body, (std::vector<uint8_t>{2, 0, 5, 0, 15, 0}));
}

TEST(WorksheetCells, CellsBeyondTheFormatLimitsAreNotWritten) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(2, 3, Variant(u"in"));
    sheet.SetCellValue(2, 300, Variant(u"column 300"));
    sheet.SetCellValue(70000, 0, Variant(7.0));
    const std::vector<Record> records = FirstSheet(SplitRecords(WriteStream(book, 2)));
    const std::vector<Record> cells = CellRecords(records);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].Word(0), 2);
    EXPECT_EQ(cells[0].Word(2), 3);
    const Record& dims = records[FindRecord(records, Rec::kDIMENSIONS)];
    EXPECT_EQ(dims.Body, (std::vector<uint8_t>{2, 0, 0, 0, 3, 0, 0, 0, 3, 0, 4, 0, 0, 0}));
    for (const Record& r : records) EXPECT_FALSE(r.Id == Rec::kROW && r.Word(0) > 2) << "row " << r.Word(0);
}

TEST(WorksheetCells, EmptySheet) {
    TXLSWorkbook book;
    book.Sheets().Add();
    const std::vector<Record> records = FirstSheet(SplitRecords(WriteStream(book, 2)));
    EXPECT_EQ(FindRecord(records, Rec::kINDEX), records.size());
    const Record& dims = records[FindRecord(records, Rec::kDIMENSIONS)];
    EXPECT_EQ(dims.Body, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
    const size_t dbcell = FindRecord(records, Rec::kDBCELL);
    ASSERT_LT(dbcell, records.size());
    EXPECT_EQ(records[dbcell].Body, (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(FindRecord(records, Rec::kDBCELL, dbcell + 1), records.size());
}

TEST(WorksheetCells, Date1904ShiftsDatesAndDateFormattedNumbers) {
    TXLSWorkbook book;
    book.SetDate1904(true);
    IXLSWorksheet& sheet = book.Sheets().Add();
    TXLSStyleXF dateFormat = book.Styles().XF(15);
    dateFormat.numFormat = 14;
    const int32_t dateXF = book.Styles().AddXF(dateFormat);
    sheet.SetCellValue(0, 0, Variant::Date(1000.0));
    sheet.SetCellValue(0, 2, Variant::Date(40000.0));
    sheet.SetCellValue(0, 4, Variant(40000.0));  // a plain number stays
    sheet.SetCellXF(0, 6, dateXF);
    sheet.SetCellValue(0, 6, Variant(40000.5));
    const std::vector<Record> all = SplitRecords(WriteStream(book, 2));
    EXPECT_EQ(all[FindRecord(all, Rec::kDATEMODE)].Word(0), 1);
    const std::vector<Record> cells = CellRecords(FirstSheet(all));
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[0].Long(6), 0u * 4 + 2) << "below 1462 becomes 0";
    EXPECT_EQ(cells[1].Long(6), (40000u - 1462u) * 4 + 2);
    EXPECT_EQ(cells[2].Long(6), 40000u * 4 + 2);
    EXPECT_EQ(cells[3].Long(6), (3853850u << 2) | 3u);
}

TEST(WorksheetCells, MergedAreaWritesAnchorBlanksAndMergedCells) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(0, 0, Variant(u"title"));
    ASSERT_TRUE(sheet.MergeCells(0, 0, 1, 2));
    sheet.SetCellValue(0, 3, Variant(4.0));
    const std::vector<Record> cells = CellRecords(FirstSheet(SplitRecords(WriteStream(book, 2))));
    ASSERT_EQ(cells.size(), 8u);
    EXPECT_EQ(cells[0].Id, Rec::kLABELSST);
    const uint16_t blanks[][2] = {{0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(cells[1 + k].Id, Rec::kBLANK);
        EXPECT_EQ(cells[1 + k].Word(0), blanks[k][0]);
        EXPECT_EQ(cells[1 + k].Word(2), blanks[k][1]);
        EXPECT_EQ(cells[1 + k].Word(4), 15);
    }
    EXPECT_EQ(cells[6].Id, Rec::kMERGEDCELLS);
    EXPECT_EQ(cells[6].Body, (std::vector<uint8_t>{1, 0, 0, 0, 1, 0, 0, 0, 2, 0}));
    EXPECT_EQ(cells[7].Id, Rec::kRK);
}

TEST(WorksheetSettings, NewSheetRecordsInOrder) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetCellValue(0, 0, Variant(1.0));
    const std::vector<Record> records = FirstSheet(SplitRecords(WriteStream(book, 2)));
    const std::vector<uint16_t> expected = {
        Rec::kBOF, Rec::kINDEX, Rec::kCALCMODE, Rec::kCALCCOUNT, Rec::kREFMODE, Rec::kITERATION, Rec::kDELTA,
        Rec::kSAVERECALC, Rec::kDEFCOLWIDTH, Rec::kCOLINFO, Rec::kDEFAULTROWHEIGHT, Rec::kPRINTHEADERS,
        Rec::kPRINTGRIDLINES, Rec::kGRIDSET, Rec::kGUTS, Rec::kWSBOOL, Rec::kSETUP, Rec::kDIMENSIONS, Rec::kROW,
        Rec::kRK, Rec::kDBCELL, Rec::kBOTTOMMARGIN, Rec::kTOPMARGIN, Rec::kRIGHTMARGIN, Rec::kLEFTMARGIN,
        Rec::kVCENTER, Rec::kHCENTER, Rec::kFOOTER, Rec::kHEADER, Rec::kWINDOW2, Rec::kSELECTION, Rec::kEOF};
    ASSERT_EQ(IdsBetween(records, 0, records.size()), expected);
    const Record& colinfo = records[9];
    EXPECT_EQ(colinfo.Body, (std::vector<uint8_t>{0, 0, 0, 1, 0x24, 0x09, 15, 0, 2, 0, 2, 0}));
    const Record& window2 = records[29];
    EXPECT_EQ(window2.Body.size(), 18u);
    EXPECT_EQ(window2.Word(0), 0x06B6);
    EXPECT_EQ(window2.Word(6), 64);
    EXPECT_EQ(records[34 - 4].Body.size(), 15u);  // SELECTION
    EXPECT_EQ(records[27].Body, (std::vector<uint8_t>{0, 0, 1}));  // empty FOOTER
    const Record& row = records[18];
    EXPECT_EQ(row.Body, (std::vector<uint8_t>{0, 0, 0, 0, 1, 0, 0xFF, 0x80, 0, 0, 0, 0, 0, 1, 15, 0}));
    EXPECT_DOUBLE_EQ(records[21].Double(0), 1.0);   // bottom margin
    EXPECT_DOUBLE_EQ(records[24].Double(0), 0.75);  // left margin
}

TEST(WorksheetBiff5, RecordsOfTheOlderFormat) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    IXLSWorksheet& other = book.Sheets().Add();
    ASSERT_TRUE(other.SetName(u"Zweite"));
    sheet.SetCellValue(0, 0, Variant(u"caf\u00e9"));
    sheet.SetCellValue(0, 1, Variant(std::u16string(300, u'x')));
    sheet.SetCellValue(1, 0, Variant(2.5));
    const std::vector<Record> all = SplitRecords(WriteStream(book, 1));
    EXPECT_EQ(all[0].Body, (std::vector<uint8_t>{0x00, 0x05, 0x05, 0x00, 0x6C, 0x09, 0xC9, 0x07}));
    EXPECT_EQ(all[1].Id, Rec::kCODEPAGE);
    EXPECT_EQ(all[1].Word(0), 1252);
    EXPECT_EQ(all[2].Id, Rec::kEXTERNCOUNT);
    EXPECT_EQ(all[2].Word(0), 3);
    EXPECT_EQ(all[3].Body, (std::vector<uint8_t>{6, 3, 'S', 'h', 'e', 'e', 't', '1'}));
    EXPECT_EQ(all[5].Body, (std::vector<uint8_t>{1, 4}));
    for (uint16_t absent : {Rec::kSST, Rec::kDSF, Rec::kSUPBOOK, Rec::kMSODRAWINGGROUP, Rec::kCOUNTRY})
        EXPECT_EQ(FindRecord(all, absent), all.size()) << std::hex << absent;
    const size_t bound = FindRecord(all, Rec::kBOUNDSHEET);
    EXPECT_EQ(all[bound].Body.size(), 4u + 3 + 6);
    EXPECT_EQ(all[bound + 1].Body.size(), 4u + 3 + 6);
    EXPECT_EQ(all[bound + 2].Id, Rec::kEOF);
    EXPECT_EQ(all[bound].Long(0), all[bound + 2].Offset + 4);

    const std::vector<Record> records = FirstSheet(all);
    writer_test::CheckCellTable(all, RecordAtOffset(all, records[0].Offset));
    EXPECT_EQ(records[0].Body.size(), 8u);
    EXPECT_EQ(records[1].Id, Rec::kINDEX);
    EXPECT_EQ(records[1].Body.size(), 12u + 4);
    EXPECT_EQ(records[1].Word(4), 0);
    EXPECT_EQ(records[1].Word(6), 2);
    const std::vector<Record> cells = CellRecords(records);
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].Id, Rec::kLABEL);
    EXPECT_EQ(cells[0].Body, (std::vector<uint8_t>{0, 0, 0, 0, 15, 0, 4, 0, 'c', 'a', 'f', 0xE9}));
    EXPECT_EQ(cells[1].Word(6), 255) << "texts are cut to 255 characters";
    EXPECT_EQ(cells[1].Body.size(), 8u + 255);
    const Record& dims = records[FindRecord(records, Rec::kDIMENSIONS)];
    EXPECT_EQ(dims.Body, (std::vector<uint8_t>{0, 0, 2, 0, 0, 0, 2, 0, 0, 0}));
    EXPECT_EQ(records[FindRecord(records, Rec::kWINDOW2)].Body.size(), 10u);
    const size_t externCount = FindRecord(records, Rec::kEXTERNCOUNT);
    ASSERT_LT(externCount + 3, records.size());
    EXPECT_EQ(records[externCount + 1].Body, (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(records[externCount + 2].Body, (std::vector<uint8_t>{6, 3, 'Z', 'w', 'e', 'i', 't', 'e'}));
    EXPECT_EQ(records[externCount + 3].Body, (std::vector<uint8_t>{1, 4}));
}

TEST(RecordBuffer, LongBodiesContinueInContinueRecords) {
    const struct {
        uint32_t body;
        std::vector<uint16_t> pieces;
    } cases[] = {
        {8224, {8224}},
        {8225, {8224, 1}},
        {3 * 8224 + 10, {8224, 8224, 8224, 10}},
        {0, {0}},
    };
    for (const auto& c : cases) {
        TXLSRecordBuffer buffer;
        TXLSBlobList list;
        buffer.Begin(0x00EB);
        for (uint32_t i = 0; i < c.body; ++i) buffer.Byte(static_cast<uint8_t>(i * 7));
        const uint32_t written = buffer.AddTo(list, 8224);
        EXPECT_EQ(written, 4 * c.pieces.size() + c.body);
        EXPECT_EQ(list.Total(), written);
        EXPECT_EQ(TXLSRecordBuffer::SplitSize(c.body, 8224), written);
        TXLSBlob all;
        ASSERT_EQ(list.ReadRangeNew(0, written, all), 1);
        std::vector<uint8_t> bytes(all.Data(), all.Data() + all.Length());
        const std::vector<Record> records = SplitRecords(bytes);
        ASSERT_EQ(records.size(), c.pieces.size());
        uint32_t k = 0;
        for (size_t p = 0; p < records.size(); ++p) {
            EXPECT_EQ(records[p].Id, p == 0 ? 0x00EB : 0x003C);
            ASSERT_EQ(records[p].Body.size(), c.pieces[p]);
            for (uint8_t b : records[p].Body) EXPECT_EQ(b, static_cast<uint8_t>(k++ * 7));
        }
    }
}

}  // namespace
}  // namespace korvel
