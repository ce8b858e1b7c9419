// The BIFF reader on hand-made record streams: every cell record, the shared
// string table in its CONTINUE forms, the globals that change how cells
// read, the substream states, and bodies too short for their records.
// Expected values follow the published record layouts ([MS-XLS]).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/xls/biff/reader_test_support.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

using reader_test::Body;
using reader_test::Biff8Text16;
using reader_test::CellValue;
using reader_test::ReadBytes;
using reader_test::Stream;

constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kBiff5 = 0x0500;

Body Cell(uint16_t row, uint16_t col, uint16_t xf = 15) {
    Body body;
    body.U16(row).U16(col).U16(xf);
    return body;
}

// An SST body with the given unique count, followed by raw string bytes.
Body SstHead(uint32_t unique) { return Body().U32(unique).U32(unique); }

std::vector<uint8_t> Biff8Workbook(const Stream& globals, const Stream& cells) {
    Stream s;
    s.GlobalsAndSheet(kBiff8, globals);
    s.bytes.insert(s.bytes.end(), cells.bytes.begin(), cells.bytes.end());
    s.Eof();
    return s.bytes;
}

void ExpectText(const Variant& v, const std::u16string& text) {
    ASSERT_EQ(v.Kind(), VariantKind::WideString);
    EXPECT_EQ(v.AsWide(), text);
}

void ExpectNumber(const Variant& v, double number) {
    ASSERT_EQ(v.Kind(), VariantKind::Double);
    EXPECT_EQ(v.AsDouble(), number);
}

TEST(ReaderCells, TextRecordsKeepTextsAsTexts) {
    Stream globals;
    Body sst = SstHead(3);
    const Body first = Biff8Text16(u"first");
    sst.bytes.insert(sst.bytes.end(), first.bytes.begin(), first.bytes.end());
    sst.U16(4).U8(0).Ascii("=1+1");
    sst.U16(4).U8(0).Ascii("'abc");
    globals.Rec(0x00FC, sst);
    Stream cells;
    cells.Rec(0x00FD, Cell(0, 0).U32(0));
    cells.Rec(0x00FD, Cell(0, 1).U32(1));
    cells.Rec(0x00FD, Cell(0, 2).U32(2));
    cells.Rec(0x00FD, Cell(0, 3).U32(99));                          // beyond the table
    cells.Rec(0x0204, Cell(1, 0).U16(3).U8(0).Ascii("abc"));         // compressed
    cells.Rec(0x0204, Cell(1, 1).U16(2).U8(1).Wide(u"\u00e9\u20ac"));  // UTF-16
    cells.Rec(0x0204, Cell(1, 2).U16(3).U8(9).Ascii("abc"));         // rich: not read
    cells.Rec(0x00D6, Cell(1, 3).U16(2).U8(0).Ascii("hi").U16(1).U32(0));
    cells.Rec(0x0204, Cell(1, 4).U16(1).U8(0).Ascii("\x80"));        // low byte of U+0080

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    ExpectText(CellValue(book, 1, 1, 1), u"first");
    ExpectText(CellValue(book, 1, 1, 2), u"=1+1");
    ExpectText(CellValue(book, 1, 1, 3), u"'abc");
    ExpectText(CellValue(book, 1, 1, 4), u"");
    ExpectText(CellValue(book, 1, 2, 1), u"abc");
    ExpectText(CellValue(book, 1, 2, 2), u"\u00e9\u20ac");
    ExpectText(CellValue(book, 1, 2, 3), u"");
    ExpectText(CellValue(book, 1, 2, 4), u"hi");
    ExpectText(CellValue(book, 1, 2, 5), u"\u0080");
}

// Cells that share an SST entry share one string; the string of an entry
// that every cell gave up may be reused for another text meanwhile.
TEST(ReaderCells, SharedStringsAcrossCells) {
    Stream globals;
    globals.Rec(0x00FC, SstHead(2).U16(3).U8(0).Ascii("abc").U16(3).U8(0).Ascii("xyz"));
    Stream cells;
    cells.Rec(0x00FD, Cell(0, 0).U32(0));
    cells.Rec(0x0203, Cell(0, 0).F64(7));  // "abc" loses its only cell
    cells.Rec(0x00FD, Cell(1, 0).U32(1));  // "xyz" may take its place in the table
    cells.Rec(0x00FD, Cell(2, 0).U32(0));
    cells.Rec(0x00FD, Cell(3, 0).U32(0));
    cells.Rec(0x00FD, Cell(3, 0).U32(1));  // a cell written twice
    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    ExpectNumber(CellValue(book, 1, 1, 1), 7);
    ExpectText(CellValue(book, 1, 2, 1), u"xyz");
    ExpectText(CellValue(book, 1, 3, 1), u"abc");
    ExpectText(CellValue(book, 1, 4, 1), u"xyz");
    EXPECT_EQ(book.StringTable().TotalRefs(), 3);
    EXPECT_EQ(book.StringTable().UniqueCount(), 2);
}

// A cell takes its record's format whatever its text: a line feed in a
// text read from a file does not turn wrapping on, and a text landing on a
// cell that already holds a value keeps the record's format too.
TEST(ReaderCells, TextCellsKeepTheirRecordsFormat) {
    Stream globals;
    globals.Rec(0x00FC, SstHead(2).U16(9).U8(0).Ascii("two\nlines").U16(5).U8(0).Ascii("plain"));
    for (int i = 0; i < 17; ++i) {  // XF 16: a cell format with its own font
        const uint16_t type = i < 15 ? 0xFFF5 : 0x0001;
        globals.Rec(0x00E0, Body().U16(i == 16 ? 1 : 0).U16(0).U16(type).U8(0x20).U8(0).U8(0).U8(0)
                                .U32(0).U32(0).U16(0x20C0));
    }
    Stream cells;
    cells.Rec(0x00FD, Cell(0, 0, 15).U32(0));
    cells.Rec(0x00FD, Cell(0, 1, 16).U32(0));
    cells.Rec(0x00FD, Cell(0, 2, 16).U32(1));
    cells.Rec(0x0203, Cell(1, 0, 15).F64(5));
    cells.Rec(0x00FD, Cell(1, 0, 16).U32(1));  // over a number
    cells.Rec(0x0203, Cell(1, 1, 15).F64(5));
    cells.Rec(0x00FD, Cell(1, 1, 16).U32(0));  // over a number, with a line feed

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    TXLSCellHeap& heap = book.Sheets().Items(1)->CellHeap();
    const TXLSStyleXFs& styles = book.Styles();
    ASSERT_FALSE(styles.WrapText(15));
    ASSERT_FALSE(styles.WrapText(16));
    const struct {
        int32_t row, col, xf;
        std::u16string text;
    } expected[] = {{0, 0, 15, u"two\nlines"}, {0, 1, 16, u"two\nlines"}, {0, 2, 16, u"plain"},
                    {1, 0, 16, u"plain"},       {1, 1, 16, u"two\nlines"}};
    for (const auto& e : expected) {
        SCOPED_TRACE(testing::Message() << e.row << "," << e.col);
        ExpectText(CellValue(book, 1, e.row + 1, e.col + 1), e.text);
        EXPECT_EQ(heap.CellXF(e.row, e.col), e.xf);
        EXPECT_FALSE(styles.WrapText(heap.CellXF(e.row, e.col)));
    }
}

TEST(ReaderCells, NumbersFromNumberRkAndMulRk) {
    const struct {
        uint32_t rk;
        double value;
    } rks[] = {{0x00000002, 0}, {0x00000006, 1}, {0xFFFFFFFE, -1}, {0x3FF00000, 1.0},
               {0x3FF00001, 0.01}, {0x00000193, 1}};
    Stream cells;
    cells.Rec(0x0203, Cell(0, 0).F64(1.5));
    cells.Rec(0x0203, Cell(0, 1).F64(-1e-300));
    for (uint16_t i = 0; i < std::size(rks); ++i) cells.Rec(0x027E, Cell(1, i).U32(rks[i].rk));
    // Three entries: columns 2, 3, 4 of row 3, each with its own XF; the
    // last column word follows.
    cells.Rec(0x00BD, Body().U16(2).U16(2).U16(15).U32(0x00000006).U16(16).U32(0x0000000A).U16(17).U32(0x3FF00001).U16(4));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1);
    ExpectNumber(CellValue(book, 1, 1, 1), 1.5);
    ExpectNumber(CellValue(book, 1, 1, 2), -1e-300);
    for (uint16_t i = 0; i < std::size(rks); ++i) ExpectNumber(CellValue(book, 1, 2, i + 1), rks[i].value);
    ExpectNumber(CellValue(book, 1, 3, 3), 1);
    ExpectNumber(CellValue(book, 1, 3, 4), 2);
    ExpectNumber(CellValue(book, 1, 3, 5), 0.01);
    EXPECT_TRUE(CellValue(book, 1, 3, 6).IsNull());
    IXLSWorksheet& sheet = *book.Sheets().Items(1);
    EXPECT_EQ(sheet.CellXF(2, 2), 15);
    EXPECT_EQ(sheet.CellXF(2, 3), 16);
    EXPECT_EQ(sheet.CellXF(2, 4), 17);
}

TEST(ReaderCells, BooleansBlanksAndErrors) {
    Stream cells;
    cells.Rec(0x0205, Cell(0, 0).U8(1).U8(0));
    cells.Rec(0x0205, Cell(0, 1).U8(0).U8(0));
    cells.Rec(0x0205, Cell(0, 2).U8(7).U8(1));          // #DIV/0!: no value
    cells.Rec(0x0205, Cell(0, 3).U8(1).U8(0).U8(0));    // 9-byte body
    cells.Rec(0x0201, Cell(0, 4, 17));
    cells.Rec(0x00BE, Body().U16(1).U16(0).U16(16).U16(17).U16(1));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1);
    EXPECT_EQ(CellValue(book, 1, 1, 1), Variant(true));
    EXPECT_EQ(CellValue(book, 1, 1, 2), Variant(false));
    EXPECT_TRUE(CellValue(book, 1, 1, 3).IsNull());
    EXPECT_EQ(CellValue(book, 1, 1, 4), Variant(true));
    EXPECT_TRUE(CellValue(book, 1, 1, 5).IsNull());
    IXLSWorksheet& sheet = *book.Sheets().Items(1);
    EXPECT_NE(sheet.CellHeap().FindCell(0, 4), nullptr);
    EXPECT_EQ(sheet.CellXF(0, 4), 17);
    EXPECT_EQ(sheet.CellXF(1, 0), 16);
    EXPECT_EQ(sheet.CellXF(1, 1), 17);
}

// No formula engine: a formula cell holds the result the file caches.
TEST(ReaderCells, FormulaCellsTakeTheirCachedResults) {
    auto formula = [](uint16_t row, uint16_t col, Body result) {
        Body body = Cell(row, col);
        body.bytes.insert(body.bytes.end(), result.bytes.begin(), result.bytes.end());
        body.U16(0).U32(0).U16(3).Raw({0x1E, 0x2A, 0x00});  // tokens: the integer 42
        return body;
    };
    Stream cells;
    cells.Rec(0x0006, formula(0, 0, Body().F64(42)));
    cells.Rec(0x0006, formula(0, 1, Body().U8(1).U8(0).U8(1).U8(0).U16(0).U16(0xFFFF)));
    cells.Rec(0x0006, formula(0, 2, Body().U8(0).U8(0).U8(0).U8(0).U16(0).U16(0xFFFF)));
    cells.Rec(0x0207, Biff8Text16(u"abcd"));
    cells.Rec(0x0006, formula(0, 3, Body().U8(3).U8(0).U8(0).U8(0).U16(0).U16(0xFFFF)));
    cells.Rec(0x0006, formula(0, 4, Body().U8(2).U8(0).U8(7).U8(0).U16(0).U16(0xFFFF)));
    // A text result whose STRING never comes leaves the cell empty, and a
    // STRING without a formula before it sets nothing.
    cells.Rec(0x0006, formula(0, 5, Body().U8(0).U8(0).U8(0).U8(0).U16(0).U16(0xFFFF)));
    cells.Rec(0x0203, Cell(0, 6).F64(1));
    cells.Rec(0x0207, Biff8Text16(u"stray"));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1);
    ExpectNumber(CellValue(book, 1, 1, 1), 42);
    EXPECT_EQ(CellValue(book, 1, 1, 2), Variant(true));
    ExpectText(CellValue(book, 1, 1, 3), u"abcd");
    ExpectText(CellValue(book, 1, 1, 4), u"");
    EXPECT_TRUE(CellValue(book, 1, 1, 5).IsNull());
    EXPECT_TRUE(CellValue(book, 1, 1, 6).IsNull());
    ExpectNumber(CellValue(book, 1, 1, 7), 1);
}

TEST(ReaderCells, RowsColumnsAndMergedAreas) {
    Stream cells;
    // Row 5: height 300 twips, level 2, hidden, custom height, format XF 16.
    cells.Rec(0x0208, Body().U16(4).U16(0).U16(1).U16(300).U16(0).U16(0).U32(0x00100000u | 0x80 | 0x40 | 0x20 | 0x02));
    cells.Rec(0x007D, Body().U16(0).U16(255).U16(5000).U16(17).U16(0x0201).U16(0));
    cells.Rec(0x007D, Body().U16(9).U16(3).U16(1).U16(15).U16(0).U16(0));  // last < first
    cells.Rec(0x0203, Cell(0, 0).F64(1));
    cells.Rec(0x0203, Cell(0, 1).F64(2));
    cells.Rec(0x00E5, Body().U16(1).U16(0).U16(1).U16(0).U16(1));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1);
    IXLSWorksheet& sheet = *book.Sheets().Items(1);
    const TXLSRowInfo* row = sheet.Rows().Find(4);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Height, 300);
    EXPECT_TRUE(row->HeightSet);
    EXPECT_TRUE(row->CustomHeight);
    EXPECT_TRUE(row->Hidden);
    EXPECT_EQ(row->OutlineLevel, 2);
    EXPECT_TRUE(row->HasFormat);
    EXPECT_EQ(row->XF, 16);
    for (int32_t col : {0, 100, 255}) {
        const TXLSColumnInfo* info = sheet.Columns().Find(col);
        ASSERT_NE(info, nullptr) << col;
        EXPECT_EQ(info->Width, 5000);
        EXPECT_EQ(info->XF, 17);
        EXPECT_EQ(info->OutlineLevel, 2);
        EXPECT_TRUE(info->Hidden);
    }
    EXPECT_EQ(sheet.Columns().Find(256), nullptr);
    ExpectNumber(CellValue(book, 1, 1, 1), 1);
    EXPECT_TRUE(CellValue(book, 1, 1, 2).IsNull());  // covered by the merged area
    ASSERT_EQ(sheet.CellHeap().MergedAreas().size(), 1u);
    EXPECT_EQ(sheet.CellHeap().MergedAreas()[0].LastRow, 1);
    EXPECT_EQ(sheet.CellHeap().MergedAreas()[0].LastCol, 1);
}

TEST(ReaderSST, ContinueForms) {
    // "abcdef": 3 compressed characters in the SST record, the other 3 as
    // UTF-16 behind a new option byte in a CONTINUE record; its 2 rich-text
    // runs (8 bytes) spill into the next CONTINUE record and are skipped.
    Stream globals;
    globals.Rec(0x00FC, SstHead(4).U16(6).U8(0x08).U16(2).Ascii("abc"));
    globals.Rec(0x003C, Body().U8(1).Wide(u"def").Raw({1, 0, 0, 0}));
    globals.Rec(0x003C, Body().Raw({2, 0, 0, 0}).U16(2).U8(0).Ascii("xy").U16(3).U8(1));
    // The header of "uvw" ends its record: the characters follow in the next
    // one behind their option byte (compressed there).
    globals.Rec(0x003C, Body().U8(0).Ascii("uvw").U16(1).U8(0x04).U32(3).Ascii("z"));
    globals.Rec(0x003C, Body().Raw({9, 9, 9}));  // extended data of "z"
    Stream cells;
    for (uint16_t i = 0; i < 5; ++i) cells.Rec(0x00FD, Cell(0, i).U32(i));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    ExpectText(CellValue(book, 1, 1, 1), u"abcdef");
    ExpectText(CellValue(book, 1, 1, 2), u"xy");
    ExpectText(CellValue(book, 1, 1, 3), u"uvw");
    // The unique count says 4: "z" is the fourth string.
    ExpectText(CellValue(book, 1, 1, 4), u"z");
    ExpectText(CellValue(book, 1, 1, 5), u"");
}

TEST(ReaderSST, CountsThatLie) {
    const struct {
        const char* name;
        uint32_t unique;
        std::u16string second;
    } cases[] = {
        {"count below the strings present stops there", 1, u""},
        {"count above the strings present reads what is there", 1000000, u"two"},
        {"the largest count reads what is there", 0xFFFFFFFF, u"two"},
    };
    for (const auto& c : cases) {
        Stream globals;
        Body sst = SstHead(c.unique);
        sst.U16(3).U8(0).Ascii("one").U16(3).U8(0).Ascii("two");
        globals.Rec(0x00FC, sst);
        Stream cells;
        cells.Rec(0x00FD, Cell(0, 0).U32(0));
        cells.Rec(0x00FD, Cell(0, 1).U32(1));
        TXLSWorkbook book;
        ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1) << c.name;
        ExpectText(CellValue(book, 1, 1, 1), u"one");
        ExpectText(CellValue(book, 1, 1, 2), c.second);
        // Room for the strings is made from what the bytes can hold, not
        // from the count: 20 bytes hold no more than 6 strings.
        EXPECT_LE(book.StringTable().BucketCount(), 8u) << c.name;
    }
}

TEST(ReaderSST, TinyFirstBodyAndCutStrings) {
    // The SST record holds only its counts; the strings are in CONTINUE. The
    // last string claims 50 characters but the group ends after 2.
    Stream globals;
    globals.Rec(0x00FC, SstHead(2));
    globals.Rec(0x003C, Body().U16(2).U8(1).Wide(u"\u4e2d\u6587").U16(50).U8(0).Ascii("ab"));
    Stream cells;
    cells.Rec(0x00FD, Cell(0, 0).U32(0));
    cells.Rec(0x00FD, Cell(0, 1).U32(1));
    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    ExpectText(CellValue(book, 1, 1, 1), u"\u4e2d\u6587");
    ExpectText(CellValue(book, 1, 1, 2), u"ab");
}

TEST(ReaderGlobals, Biff5CodePageAndContinuedLabel) {
    Stream globals;
    globals.Rec(0x0042, Body().U16(1200));  // 8-bit texts are then read as 1252
    std::string longText(2100, 'x');
    longText[0] = '\xE9';
    longText[2099] = '\x80';
    Stream cells;
    Body label = Cell(0, 0).U16(static_cast<uint16_t>(longText.size())).Ascii(longText.substr(0, 2000));
    cells.Rec(0x0204, label);
    cells.Rec(0x003C, Body().Ascii(longText.substr(2000)));
    Stream s;
    s.GlobalsAndSheet(kBiff5, globals, {u"Blatt"});
    s.bytes.insert(s.bytes.end(), cells.bytes.begin(), cells.bytes.end());
    s.Eof();

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, s.bytes), 1);
    EXPECT_EQ(book.FileFormat(), 1);
    EXPECT_EQ(book.Sheets().Items(1)->Name(), u"Blatt");
    std::u16string expected(2100, u'x');
    expected[0] = u'\u00e9';
    expected[2099] = u'\u20ac';
    ExpectText(CellValue(book, 1, 1, 1), expected);
}

TEST(ReaderGlobals, FontsXFsAndDates1904) {
    Stream globals;
    globals.Rec(0x0022, Body().U16(1));
    for (int i = 0; i < 6; ++i) {
        const uint16_t height = static_cast<uint16_t>(200 + 20 * i);
        globals.Rec(0x0031, Body().U16(height).U16(0x0002).U16(0x7FFF).U16(700).U16(0).U8(1).U8(0).U8(0).U8(0)
                                .U8(5).U8(0).Ascii("Font" + std::to_string(i)));
    }
    globals.Rec(0x041E, Body().U16(164).U16(10).U8(0).Ascii("yyyy-mm-dd"));
    // 17 XFs: XF 16 uses font number 5 (the sixth FONT record, stored at 4)
    // and the date format 164; XF 15 uses font number 3.
    for (int i = 0; i < 17; ++i) {
        const uint16_t font = i == 16 ? 5 : (i == 15 ? 3 : 0);
        const uint16_t format = i == 16 ? 164 : 0;
        const uint16_t type = i < 15 ? 0xFFF5 : 0x0001;
        globals.Rec(0x00E0, Body().U16(font).U16(format).U16(type).U8(0x08).U8(0).U8(0).U8(0)
                                .U32(0x00400001).U32(0x04000000 | (10 << 7)).U16(0x20C0));
    }
    Stream cells;
    cells.Rec(0x0203, Cell(0, 0, 16).F64(0));
    cells.Rec(0x0203, Cell(0, 1, 15).F64(0));
    cells.Rec(0x027E, Cell(0, 2, 16).U32(0x00000006));
    cells.Rec(0x0204, Cell(0, 3, 16).U16(1).U8(0).Ascii("0"));

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(globals, cells)), 1);
    EXPECT_TRUE(book.Date1904());
    const TXLSStyleXFs& styles = book.Styles();
    EXPECT_EQ(styles.XF(16).font, 4);
    EXPECT_EQ(styles.XF(15).font, 3);
    EXPECT_EQ(styles.Fonts().Font(4).name, u"Font4");
    EXPECT_EQ(styles.Fonts().Font(4).height, 280);
    EXPECT_TRUE(styles.Fonts().Font(4).italic);
    EXPECT_TRUE(styles.Fonts().Font(4).bold);
    EXPECT_EQ(styles.Fonts().Font(5).name, u"Font5") << "the last FONT record is kept";
    EXPECT_TRUE(styles.XF(16).wrap);
    EXPECT_FALSE(styles.XF(16).IsStyle());
    EXPECT_TRUE(styles.XF(3).IsStyle());
    EXPECT_EQ(styles.Borders().Border(styles.XF(16).border).left.style, 1);
    EXPECT_EQ(styles.Fills().Fill(styles.XF(16).fill).pattern, 1);
    EXPECT_TRUE(styles.IsDateFormat(16));
    // Dates move from the 1904 to the 1900 system; other numbers and texts stay.
    const Variant date = CellValue(book, 1, 1, 1);
    ASSERT_EQ(date.Kind(), VariantKind::Date);
    EXPECT_EQ(date.AsDateDays(), 1462);
    ExpectNumber(CellValue(book, 1, 1, 2), 0);
    EXPECT_EQ(CellValue(book, 1, 1, 3).AsDateDays(), 1463);
    ExpectText(CellValue(book, 1, 1, 4), u"0");
}

TEST(ReaderGlobals, SheetDirectoryAndActiveSheet) {
    Stream globals;
    globals.Rec(0x003D, Body().U16(0).U16(0).U16(100).U16(100).U16(0x38).U16(1).U16(0).U16(1).U16(600));
    Stream s;
    s.Bof(kBiff8, 0x0005);
    s.bytes.insert(s.bytes.end(), globals.bytes.begin(), globals.bytes.end());
    s.Rec(0x0085, Body().U32(0).U8(0).U8(0).U8(3).U8(0).Ascii("One"));
    s.Rec(0x0085, Body().U32(0).U8(0).U8(1).U8(5).U8(0).Ascii("Macro"));  // macro sheet: no sheet
    s.Rec(0x0085, Body().U32(0).U8(1).U8(0).U8(3).U8(0).Ascii("Two"));
    s.Rec(0x0085, Body().U32(0).U8(0).U8(0).U8(3).U8(0).Ascii("One"));    // duplicate name refused
    s.Eof();
    s.Bof(kBiff8, 0x0010).Rec(0x0203, Cell(0, 0).F64(1)).Eof();
    s.Bof(kBiff8, 0x0040).Rec(0x0203, Cell(0, 0).F64(99)).Eof();  // macro sheet substream: skipped
    s.Bof(kBiff8, 0x0010).Rec(0x0203, Cell(0, 0).F64(2));
    s.Bof(kBiff8, 0x0020).Rec(0x0203, Cell(0, 0).F64(77)).Eof();  // embedded chart
    s.Rec(0x0203, Cell(0, 1).F64(3)).Eof();

    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, s.bytes), 1);
    ASSERT_EQ(book.Sheets().Count(), 3);
    EXPECT_EQ(book.Sheets().Items(1)->Name(), u"One");
    EXPECT_EQ(book.Sheets().Items(2)->Name(), u"Two");
    EXPECT_EQ(book.Sheets().Items(2)->Visibility(), TXLSSheetVisibility::Hidden);
    EXPECT_EQ(book.Sheets().Items(3)->Name(), u"Sheet3");
    ExpectNumber(CellValue(book, 1, 1, 1), 1);
    ExpectNumber(CellValue(book, 2, 1, 1), 2);
    ExpectNumber(CellValue(book, 2, 1, 2), 3);
    EXPECT_EQ(book.ActiveSheet(), book.Sheets().Items(2));
}

TEST(ReaderStream, WholeReadResults) {
    auto sheet = [](Stream s) { return s.Rec(0x0203, Cell(0, 0).F64(1)); };
    Stream endsAfterGlobals;
    endsAfterGlobals.Bof(kBiff8, 0x0005).Eof();
    Stream endsInSheet = sheet(Stream().GlobalsAndSheet(kBiff8));
    Stream truncatedBody = Stream().GlobalsAndSheet(kBiff8);
    truncatedBody.Rec(0x0203, Cell(0, 0).F64(1));
    truncatedBody.bytes.resize(truncatedBody.bytes.size() - 3);
    Stream partialHeader = Stream().GlobalsAndSheet(kBiff8).Eof();
    partialHeader.bytes.insert(partialHeader.bytes.end(), {0x09, 0x08});
    Stream oldVersion;
    oldVersion.Bof(0x0400, 0x0005).Eof();
    Stream sheetFirst;
    sheetFirst.Bof(kBiff8, 0x0010).Eof();
    Stream strayContinue = Stream().GlobalsAndSheet(kBiff8);
    strayContinue.Rec(0x003C, {1, 2, 3}).Eof();
    Body bigBofBody;
    bigBofBody.U16(kBiff8).U16(5).bytes.resize(31);
    Stream bigBof;
    bigBof.Rec(0x0809, bigBofBody);
    Stream tinyBof;
    tinyBof.Rec(0x0809, {0, 6, 5});

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t result;
    } cases[] = {
        {"ends after the globals", endsAfterGlobals.bytes, 1},
        {"ends inside a worksheet", endsInSheet.bytes, 100},
        {"body shorter than its header", truncatedBody.bytes, -1},
        {"two bytes of a header at the end", partialHeader.bytes, 1},
        {"unsupported BIFF version", oldVersion.bytes, -1},
        {"worksheet before the globals", sheetFirst.bytes, -1},
        {"CONTINUE after no record", strayContinue.bytes, 1},
        {"first BOF of 31 bytes", bigBof.bytes, -3},
        {"first BOF of 3 bytes", tinyBof.bytes, -3},
    };
    for (const auto& c : cases) {
        TXLSWorkbook book;
        EXPECT_EQ(ReadBytes(book, c.bytes), c.result) << c.name;
    }
}

// Every cell and row record cut at every length short of its fields: the
// read succeeds and no cell gets a value it cannot hold.
TEST(ReaderBadInput, ShortBodiesAreSkipped) {
    const struct {
        uint16_t id;
        Body full;
        size_t needed;  // bytes the record needs for its value
    } records[] = {
        {0x00FD, Cell(0, 0).U32(0), 10},
        {0x0204, Cell(0, 0).U16(3).U8(0).Ascii("abc"), 9},
        {0x00D6, Cell(0, 0).U16(3).U8(0).Ascii("abc"), 12},
        {0x0203, Cell(0, 0).F64(5), 14},
        {0x027E, Cell(0, 0).U32(0x0000000A), 10},
        {0x00BD, Body().U16(0).U16(0).U16(15).U32(0x0000000A).U16(0), 12},
        {0x0205, Cell(0, 0).U8(1).U8(0), 8},
        {0x0006, Cell(0, 0).F64(5).U16(0).U32(0).U16(0), 14},
        {0x0208, Body().U16(0).U16(0).U16(1).U16(300).U16(0).U16(0).U32(0x100), 16},
        {0x007D, Body().U16(0).U16(0).U16(5000).U16(15).U16(0).U16(0), 10},
        {0x00E5, Body().U16(1).U16(0).U16(1).U16(0).U16(1), 10},
    };
    for (const auto& r : records) {
        for (size_t size = 0; size < r.full.bytes.size(); ++size) {
            Body cut;
            cut.bytes.assign(r.full.bytes.begin(), r.full.bytes.begin() + static_cast<std::ptrdiff_t>(size));
            Stream cells;
            cells.Rec(r.id, cut);
            TXLSWorkbook book;
            ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1) << std::hex << r.id << " size " << size;
            if (size < r.needed) {
                const VariantKind kind = CellValue(book, 1, 1, 1).Kind();
                EXPECT_TRUE(kind != VariantKind::Double && kind != VariantKind::Boolean)
                    << std::hex << r.id << " size " << std::dec << size;
            }
        }
    }
    // Globals records cut short: skipped, except FONT, whose malformation
    // ends the read.
    for (uint16_t id : {0x00FC, 0x00E0, 0x0293, 0x041E, 0x0092, 0x0085, 0x0042, 0x0022, 0x003D}) {
        Stream globals;
        globals.Rec(id, {0x05});
        TXLSWorkbook book;
        EXPECT_EQ(ReadBytes(book, Biff8Workbook(globals, Stream())), 1) << std::hex << id;
    }
    Stream badFont;
    badFont.Rec(0x0031, Body().U16(200).U16(0).U16(0x7FFF).U16(400).U16(0).U8(0).U8(0).U8(0).U8(0).U8(9).U8(0).Ascii("Ari"));
    TXLSWorkbook book;
    EXPECT_EQ(ReadBytes(book, Biff8Workbook(badFont, Stream())), -1);
}

TEST(ReaderBadInput, CellsOutsideTheModelAreLeftOut) {
    Stream cells;
    cells.Rec(0x0203, Cell(0, 20000).F64(1));
    cells.Rec(0x00BD, Body().U16(1).U16(16383).U16(15).U32(6).U16(15).U32(10).U16(16384));
    cells.Rec(0x007D, Body().U16(16000).U16(65535).U16(5000).U16(15).U16(0).U16(0));
    cells.Rec(0x00E5, Body().U16(2).U16(0).U16(1).U16(16383).U16(16400).U16(0).U16(1).U16(0).U16(1));
    TXLSWorkbook book;
    ASSERT_EQ(ReadBytes(book, Biff8Workbook(Stream(), cells)), 1);
    IXLSWorksheet& sheet = *book.Sheets().Items(1);
    EXPECT_EQ(sheet.CellHeap().FindCell(0, 20000 & 0x3FFF), nullptr);
    ExpectNumber(CellValue(book, 1, 2, 16384), 1);
    EXPECT_NE(sheet.Columns().Find(16383), nullptr);
    EXPECT_EQ(sheet.CellHeap().MergedAreas().size(), 1u);
}

}  // namespace
}  // namespace korvel
