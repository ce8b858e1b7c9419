// The package reader on small packages whose XML is written out here: what
// each kind of cell, row and sheet setting becomes in the model, and which
// damage fails the read.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>

#include "common/TextUtil.h"
#include "tests/platform/ScratchFolder.h"
#include "tests/xls/xlsx/ReaderTestPackage.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkSheets.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

using test::ReadPackageBytes;
using test::SharedStringsXml;
using test::TestPackage;

// Value of the 1-based cell (row, col) of the first sheet.
Variant CellAt(TXLSWorkbook& workbook, int32_t row, int32_t col, int32_t sheet = 1) {
    return workbook.Sheets().Items(sheet)->GetCellValue(row - 1, col - 1);
}

TestPackage OneSheet(const std::string& data) {
    TestPackage package;
    package.sheets.push_back({"Data", data, "", "", ""});
    return package;
}

// Rows first .. last, each with its number in A and the inline text
// "<prefix> <number>" in B.
std::string NumberAndTextRows(int first, int last, const std::string& prefix) {
    std::string rows;
    for (int r = first; r <= last; ++r) {
        const std::string n = std::to_string(r);
        rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"B" + n +
                "\" t=\"inlineStr\"><is><t>" + prefix + " " + n + "</t></is></c></row>";
    }
    return rows;
}

TEST(XLSXReaderCells, NumbersWithoutSharedStrings) {
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(OneSheet(R"(<row r="3"><c r="$C$3"><v>1.5</v></c><c r="D3" t="n"><v>-2E3</v></c></row>)").Bytes(), workbook), 1);
    ASSERT_EQ(workbook.Sheets().Count(), 1);
    EXPECT_EQ(workbook.Sheets().Items(1)->Name(), u"Data");
    EXPECT_EQ(CellAt(workbook, 3, 3), Variant(1.5));
    EXPECT_EQ(CellAt(workbook, 3, 4), Variant(-2000.0));
    EXPECT_TRUE(CellAt(workbook, 1, 1).IsNull());
}

TEST(XLSXReaderCells, SharedStringsJoinRunsAndDropPhoneticText) {
    TestPackage package = OneSheet(
        R"(<row r="2"><c r="B2" t="s"><v>0</v></c><c r="C2" t="s"><v>1</v></c><c r="D2" t="s"><v>2</v></c><c r="E2" t="s"><v>7</v></c></row>)");
    package.sharedStrings = SharedStringsXml(
        R"(<si><r><rPr><b/></rPr><t>ab</t></r><r><t>cd</t></r></si>)"
        R"(<si><t>=SUM(1,2)</t><rPh sb="0" eb="1"><t>reading</t></rPh></si>)"
        R"(<si><t xml:space="preserve"> a &amp; b </t></si>)",
        R"(count="4" uniqueCount="3")");
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 2, 2), Variant(u"abcd"));
    // A text that begins with "=" stays that text.
    EXPECT_EQ(CellAt(workbook, 2, 3), Variant(u"=SUM(1,2)"));
    EXPECT_EQ(CellAt(workbook, 2, 4), Variant(u" a & b "));
    // An index beyond the table gives the empty text.
    EXPECT_EQ(CellAt(workbook, 2, 5), Variant(u""));
}

TEST(XLSXReaderCells, SharedStringsWithoutOrWithWrongUniqueCount) {
    for (const char* attributes : {"", R"(uniqueCount="1")", R"(uniqueCount="9")"}) {
        TestPackage package = OneSheet(R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c></row>)");
        package.sharedStrings = SharedStringsXml("<si><t>first</t></si><si><t>second</t></si>", attributes);
        TXLSWorkbook workbook;
        std::string failure;
        ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), 1) << attributes << ": " << failure;
        EXPECT_EQ(CellAt(workbook, 1, 1), Variant(u"first")) << attributes;
        EXPECT_EQ(CellAt(workbook, 1, 2), Variant(u"second")) << attributes;
    }
}

// Shared strings enter the string table once, cells take them by id, and the
// strings no cell took are gone once the package is read. A cell given twice
// drops its first text; a text with a line feed still wraps its cell.
TEST(XLSXReaderCells, SharedStringsAreTakenByIdAndUnusedOnesLeave) {
    TestPackage package = OneSheet(
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>0</v></c><c r="C1" t="s"><v>2</v></c>)"
        R"(<c r="C1" t="s"><v>3</v></c><c r="D1" t="s"><v>4</v></c></row>)");
    package.sharedStrings = SharedStringsXml(
        "<si><t>twice</t></si><si><t>unused</t></si><si><t>replaced</t></si>"
        "<si><t>'quoted</t></si><si><t>two&#10;lines</t></si>",
        "");
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant(u"twice"));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(u"twice"));
    EXPECT_EQ(CellAt(workbook, 1, 3), Variant(u"'quoted"));
    EXPECT_EQ(CellAt(workbook, 1, 4), Variant(u"two\nlines"));
    const TXLSStringTable& strings = workbook.StringTable();
    EXPECT_EQ(strings.UniqueCount(), 3);  // twice, 'quoted, two lines
    EXPECT_EQ(strings.TotalRefs(), 4);
    IXLSWorksheet& sheet = *workbook.Sheets().Items(1);
    EXPECT_TRUE(workbook.Styles().WrapText(sheet.CellXF(0, 3)));
    EXPECT_FALSE(workbook.Styles().WrapText(sheet.CellXF(0, 0)));
}

TEST(XLSXReaderCells, EveryValueType) {
    TXLSWorkbook workbook;
    const std::string data =
        R"(<row r="1">)"
        R"(<c r="A1" t="b"><v>true</v></c><c r="B1" t="b"><v>0</v></c><c r="C1" t="b"><v>1</v></c>)"
        R"(<c r="D1" t="str"><v>plain</v></c>)"
        R"(<c r="E1" t="inlineStr"><is><r><t>in</t></r><r><t>line</t></r></is></c>)"
        R"(<c r="F1" t="e"><v>#DIV/0!</v></c>)"
        R"(<c r="G1" t="d"><v>2024-02-29T12:00:00</v></c>)"
        R"(<c r="H1" s="0"><v>abc</v></c>)"
        R"(<c r="I1" t="str"><v></v></c>)"
        R"(<c r="J1" t="inlineStr"><is><t>=1+1</t></is></c>)"
        R"(<c r="K1"/>)"
        R"(</row>)";
    ASSERT_EQ(ReadPackageBytes(OneSheet(data).Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant(true));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(false));
    EXPECT_EQ(CellAt(workbook, 1, 3), Variant(true));
    EXPECT_EQ(CellAt(workbook, 1, 4), Variant(u"plain"));
    EXPECT_EQ(CellAt(workbook, 1, 5), Variant(u"inline"));
    EXPECT_TRUE(CellAt(workbook, 1, 6).IsNull());  // error values are not kept
    EXPECT_EQ(CellAt(workbook, 1, 7), Variant::Date(45351.5));
    EXPECT_TRUE(CellAt(workbook, 1, 8).IsNull());  // not a number
    EXPECT_EQ(CellAt(workbook, 1, 10), Variant(u"=1+1"));
    EXPECT_TRUE(CellAt(workbook, 1, 11).IsNull());
}

TEST(XLSXReaderCells, FormulaCellsKeepTheirCachedValues) {
    TXLSWorkbook workbook;
    const std::string data =
        R"(<row r="1"><c r="A1"><f>6*7</f><v>42</v></c><c r="B1" t="str"><f>CONCATENATE("ab","cd")</f><v>abcd</v></c>)"
        R"(<c r="C1" t="b"><f>A1&gt;B1</f><v>0</v></c><c r="D1" t="e"><f>1/0</f><v>#DIV/0!</v></c><c r="E1"><f>A1</f></c></row>)"
        R"(<row r="2"><c r="A2"><f t="shared" ref="A2:A3" si="0">A1+1</f><v>43</v></c></row>)"
        R"(<row r="3"><c r="A3"><f t="shared" si="0"/><v>44</v></c></row>)";
    ASSERT_EQ(ReadPackageBytes(OneSheet(data).Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant(42.0));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(u"abcd"));
    EXPECT_EQ(CellAt(workbook, 1, 3), Variant(false));
    EXPECT_TRUE(CellAt(workbook, 1, 4).IsNull());
    EXPECT_TRUE(CellAt(workbook, 1, 5).IsNull());
    EXPECT_EQ(CellAt(workbook, 2, 1), Variant(43.0));
    EXPECT_EQ(CellAt(workbook, 3, 1), Variant(44.0));
}

TEST(XLSXReaderCells, RowsAndCellsWithoutReferencesFollowThePreviousOnes) {
    TXLSWorkbook workbook;
    const std::string data =
        R"(<row><c><v>1</v></c><c><v>2</v></c></row>)"            // row 1: A1, B1
        R"(<row><c><v>3</v></c><c r="D2"><v>4</v></c><c><v>5</v></c></row>)"  // row 2: A2, D2, E2
        R"(<row r="5"><c><v>6</v></c></row>)"                        // A5
        R"(<row><c r="bad"><v>7</v></c></row>)";                     // row 6, first column
    ASSERT_EQ(ReadPackageBytes(OneSheet(data).Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant(1.0));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(2.0));
    EXPECT_EQ(CellAt(workbook, 2, 1), Variant(3.0));
    EXPECT_EQ(CellAt(workbook, 2, 4), Variant(4.0));
    EXPECT_EQ(CellAt(workbook, 2, 5), Variant(5.0));
    EXPECT_EQ(CellAt(workbook, 5, 1), Variant(6.0));
    EXPECT_EQ(CellAt(workbook, 6, 1), Variant(7.0));
    EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 7u);
}

TEST(XLSXReaderCells, PositionsBeyondTheModelAreLeftOut) {
    TXLSWorkbook workbook;
    const std::string data =
        R"(<row r="1048576"><c r="XFD1048576"><v>1</v></c><c><v>2</v></c></row>)"
        R"(<row><c><v>3</v></c></row><row r="9999999"><c><v>4</v></c></row>)";
    ASSERT_EQ(ReadPackageBytes(OneSheet(data).Bytes(), workbook), 1);
    EXPECT_EQ(CellAt(workbook, 1048576, 16384), Variant(1.0));
    EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 1u);
}

std::string StylesXml(const std::string& cellXfs, const std::string& numFmts = "") {
    return "<?xml version=\"1.0\"?><styleSheet xmlns=\"" + test::kMainNs + "\">" + numFmts +
           R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font>)"
           R"(<font><b/><i val="0"/><u/><sz val="14"/><color rgb="FFFF0000"/><name val="Arial"/></font></fonts>)"
           R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="solid"><fgColor rgb="FF00FF00"/></patternFill></fill></fills>)"
           R"(<borders count="2"><border/><border diagonalUp="1"><left style="thin"/><bottom style="double"><color indexed="10"/></bottom></border></borders>)"
           R"(<cellStyleXfs count="2"><xf numFmtId="0" fontId="0"/><xf numFmtId="0" fontId="1"/></cellStyleXfs>)" +
           cellXfs + R"(<cellStyles><cellStyle name="Normal" xfId="0" builtinId="0"/><cellStyle name="Mine" xfId="1"/></cellStyles>)"
           "</styleSheet>";
}

TEST(XLSXReaderStyles, CellFormatsAreNumberedAfterTheStyleFormats) {
    TestPackage package = OneSheet(R"(<row r="1"><c r="A1" s="1"><v>45351</v></c><c r="B1" s="2"><v>6</v></c><c r="C1"><v>7</v></c></row>)");
    package.styles = StylesXml(
        R"(<cellXfs count="3"><xf numFmtId="0" fontId="0" xfId="0"/>)"
        R"(<xf numFmtId="14" fontId="1" fillId="1" borderId="1" xfId="1" applyFont="1"><alignment horizontal="center" vertical="top" wrapText="1" indent="2"/><protection locked="0" hidden="1"/></xf>)"
        R"(<xf numFmtId="164" fontId="0"/></cellXfs>)",
        R"(<numFmts count="1"><numFmt numFmtId="164" formatCode="0.000&quot;x&quot;"/></numFmts>)");
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook), 1);
    IXLSWorksheet& sheet = *workbook.Sheets().Items(1);
    const TXLSStyleXFs& styles = workbook.Styles();
    // The style XF maximum is 1: cellXfs 1 is model XF 22, cellXfs 2 is 23.
    EXPECT_EQ(sheet.CellXF(0, 0), 22);
    EXPECT_EQ(sheet.CellXF(0, 1), 23);
    bool own = true;
    EXPECT_EQ(sheet.CellXF(0, 2, &own), kDefaultCellXF);
    EXPECT_FALSE(own);
    const TXLSStyleXF& dated = styles.XF(22);
    EXPECT_EQ(dated.numFormat, 14);
    EXPECT_EQ(dated.parent, 21);
    EXPECT_EQ(dated.horizontalAlign, 2);
    EXPECT_EQ(dated.verticalAlign, 0);
    EXPECT_TRUE(dated.wrap);
    EXPECT_EQ(dated.indent, 2);
    EXPECT_EQ(dated.protection, 2);
    const TXLSStyleFont& font = styles.Fonts().Font(dated.font);
    EXPECT_TRUE(font.bold);
    EXPECT_FALSE(font.italic);
    EXPECT_EQ(font.underline, 1);
    EXPECT_EQ(font.height, 280);
    EXPECT_EQ(font.name, u"Arial");
    EXPECT_EQ(font.color, TXLSStyleColor::FromRGB(0x0000FF));
    EXPECT_EQ(styles.Fills().Fill(dated.fill).pattern, 1);
    EXPECT_EQ(styles.Fills().Fill(dated.fill).foreground, TXLSStyleColor::FromRGB(0x00FF00));
    const TXLSStyleBorder& border = styles.Borders().Border(dated.border);
    EXPECT_EQ(border.left.style, 1);
    EXPECT_EQ(border.bottom.style, 6);
    EXPECT_EQ(border.bottom.color, TXLSStyleColor::FromIndex(10));
    EXPECT_TRUE(border.diagonalUp);
    EXPECT_TRUE(styles.XF(21).IsStyle());
    EXPECT_EQ(styles.XF(15).numFormat, 0);
    EXPECT_EQ(styles.NumFormats().FormatText(164), u"0.000\"x\"");
    EXPECT_TRUE(styles.IsDateFormat(22));
    EXPECT_FALSE(styles.IsDateFormat(23));
    // The date-formatted number reads as a date.
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant::Date(45351));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(6.0));
}

// Cells written compactly are taken whole by the reader's fast path; the
// same cells laid out on lines are read node by node. Both must give the
// same values and formats, cell for cell.
TEST(XLSXReaderCells, CompactAndLaidOutCellsReadTheSame) {
    std::string compact;
    for (int r = 1; r <= 40; ++r) {
        const std::string n = std::to_string(r);
        compact += "<row r=\"" + n + "\">";
        compact += "<c r=\"A" + n + "\"><v>" + n + ".5</v></c>";
        compact += "<c r=\"B" + n + "\" t=\"s\"><v>" + std::to_string(r % 4) + "</v></c>";  // index 3 is beyond the table
        compact += "<c r=\"C" + n + "\" t=\"str\" s=\"1\"><v>text " + n + "</v></c>";
        compact += "<c t=\"b\"><v>" + std::to_string(r % 2) + "</v></c>";  // D, after C
        compact += "<c r=\"E" + n + "\" t=\"d\"><v>2024-02-" + (r < 10 ? "0" + n : std::string("10")) + "</v></c>";
        compact += "<c r=\"F" + n + "\" t=\"e\"><v>#N/A</v></c>";
        compact += "<c r=\"G" + n + "\"><f>A" + n + "*2</f><v>" + std::to_string(2 * r + 1) + "</v></c>";
        compact += "<c r=\"H" + n + "\" s=\"1\"/>";
        compact += "<c r=\"I" + n + "\" t=\"inlineStr\"><is>inline " + n + "</is></c>";
        compact += "<c r=\"J" + n + "\"><v>1</v><v>2</v></c>";
        compact += "<c r=\"K" + n + "\" t=\"n\"><v>not a number</v></c>";
        // Inline strings as most writers put them: the "is" makes the cell a
        // text whatever its type says.
        compact += "<c r=\"L" + n + "\" t=\"inlineStr\" s=\"1\"><is><t>cam " + n + " (spare)</t></is></c>";
        compact += "<c r=\"M" + n + "\" t=\"s\"><is><t>" + n + "</t></is></c>";
        compact += "</row>";
    }
    std::string laidOut;
    for (char c : compact) {
        if (c == '<' && !laidOut.empty() && laidOut.back() == '>') laidOut += "\n  ";
        laidOut += c;
    }
    Variant values[2][41][14];
    int32_t formats[2][41][14] = {};
    for (int way = 0; way < 2; ++way) {
        TestPackage package = OneSheet(way == 0 ? compact : laidOut);
        package.sharedStrings = SharedStringsXml("<si><t>zero</t></si><si><t>one</t></si><si><t>two\nlines</t></si>");
        package.styles = StylesXml(R"(<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs>)");
        TXLSWorkbook workbook;
        std::string failure;
        ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), 1) << failure;
        IXLSWorksheet& sheet = *workbook.Sheets().Items(1);
        for (int32_t r = 1; r <= 40; ++r) {
            for (int32_t c = 1; c <= 13; ++c) {
                values[way][r][c] = CellAt(workbook, r, c);
                formats[way][r][c] = sheet.CellXF(r - 1, c - 1);
            }
        }
    }
    for (int32_t r = 1; r <= 40; ++r) {
        for (int32_t c = 1; c <= 13; ++c) {
            EXPECT_EQ(values[0][r][c], values[1][r][c]) << r << " " << c;
            EXPECT_EQ(formats[0][r][c], formats[1][r][c]) << r << " " << c;
        }
    }
    // A few by hand, so that both ways cannot be wrong alike.
    EXPECT_EQ(values[0][3][1], Variant(3.5));
    EXPECT_EQ(values[0][2][2], Variant(u"two\nlines"));
    EXPECT_EQ(values[0][3][2], Variant(u""));
    EXPECT_EQ(values[0][4][2], Variant(u"zero"));
    EXPECT_EQ(values[0][3][3], Variant(u"text 3"));
    EXPECT_EQ(values[0][3][4], Variant(true));
    EXPECT_EQ(values[0][3][5], Variant::Date(45351 - 26));
    EXPECT_TRUE(values[0][3][6].IsNull());
    EXPECT_EQ(values[0][3][7], Variant(7.0));
    EXPECT_TRUE(values[0][3][8].IsNull());
    EXPECT_EQ(values[0][3][9], Variant(u"inline 3"));
    EXPECT_EQ(values[0][3][10], Variant(2.0));  // the last v counts
    EXPECT_TRUE(values[0][3][11].IsNull());
    EXPECT_EQ(values[0][3][12], Variant(u"cam 3 (spare)"));
    EXPECT_EQ(values[0][3][13], Variant(u"3"));
}

// An empty inline string is an empty text, in the form the fast path takes
// ("<t></t>") as in the forms left to the general path.
TEST(XLSXReaderCells, EmptyInlineStringsAreEmptyTexts) {
    const std::string data =
        R"(<row r="1">)"
        R"(<c r="A1" t="inlineStr"><is><t></t></is></c>)"
        R"(<c r="B1" t="inlineStr"><is><t/></is></c>)"
        R"(<c r="C1" t="inlineStr"><is></is></c>)"
        R"(<c r="D1" t="inlineStr"><is><t></t></is><v>1</v></c>)"  // the v after it does not count
        R"(</row>)";
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(OneSheet(data).Bytes(), workbook), 1);
    for (int32_t c = 1; c <= 4; ++c) EXPECT_EQ(CellAt(workbook, 1, c), Variant(u"")) << c;
}

TEST(XLSXReaderStyles, Date1904NumbersWithDateFormatsGain1462Days) {
    TestPackage package = OneSheet(
        R"(<row r="1"><c r="A1" s="1"><v>0</v></c><c r="B1"><v>0</v></c><c r="C1" t="str"><v>0</v></c><c r="D1" t="d"><v>2024-02-29</v></c></row>)"
        R"(<row r="2" s="1" customFormat="1"><c r="A2"><v>1</v></c></row>)");
    package.workbookExtra = R"(<workbookPr date1904="1"/>)";
    package.styles = StylesXml(R"(<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs>)");
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook), 1);
    EXPECT_TRUE(workbook.Date1904());
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant::Date(1462));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(0.0));
    EXPECT_EQ(CellAt(workbook, 1, 3), Variant(u"0"));
    // An ISO date is a date whatever the date system.
    EXPECT_EQ(CellAt(workbook, 1, 4), Variant::Date(45351));
    // A cell without a format of its own takes its row's date format.
    EXPECT_EQ(CellAt(workbook, 2, 1), Variant::Date(1463));
}

TEST(XLSXReaderStyles, PackageWithoutStylesKeepsTheDefaults) {
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(OneSheet(R"(<row r="1"><c r="A1" s="3"><v>1</v></c></row>)").Bytes(), workbook), 1);
    EXPECT_EQ(workbook.Styles().Count(), TXLSStyleXFs::kDefaultCount);
    EXPECT_EQ(workbook.Styles().Fonts().Font(0).name, u"Arial");
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant(1.0));
}

TEST(XLSXReaderSheets, SheetSettings) {
    TestPackage package;
    package.sheets.push_back({"One", R"(<row r="2" ht="30" customHeight="1" hidden="1" outlineLevel="2"><c r="A2"><v>1</v></c></row>)",
                              R"(<mergeCells count="2"><mergeCell ref="B3:C4"/><mergeCell ref="bad"/></mergeCells>)",
                              R"(<sheetFormatPr defaultRowHeight="15"/><cols><col min="2" max="4" width="20.5" hidden="1" customWidth="1"/></cols>)",
                              ""});
    package.sheets.push_back({"Two", R"(<row r="3"><c r="B3"><v>9</v></c><c r="C3"><v>8</v></c></row>)", "", "", R"(state="veryHidden")"});
    package.sheets.push_back({"Three", "", "", "", R"(state="hidden")"});
    package.bookViews = R"(<bookViews><workbookView activeTab="1"/></bookViews>)";
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook), 1);
    ASSERT_EQ(workbook.Sheets().Count(), 3);
    IXLSWorksheet& one = *workbook.Sheets().Items(1);
    EXPECT_EQ(one.Visibility(), TXLSSheetVisibility::Visible);
    EXPECT_EQ(workbook.Sheets().Items(2)->Visibility(), TXLSSheetVisibility::VeryHidden);
    EXPECT_EQ(workbook.Sheets().Items(3)->Visibility(), TXLSSheetVisibility::Hidden);
    EXPECT_EQ(workbook.ActiveSheet(), workbook.Sheets().Items(2));
    const TXLSRowInfo* row = one.Rows().Find(1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Height, 600);
    EXPECT_TRUE(row->Hidden);
    EXPECT_EQ(row->OutlineLevel, 2);
    EXPECT_EQ(one.Rows().DefaultHeight(), 300);
    for (int32_t col : {1, 2, 3}) {
        const TXLSColumnInfo* info = one.Columns().Find(col);
        ASSERT_NE(info, nullptr) << col;
        EXPECT_EQ(info->Width, 5248) << col;
        EXPECT_TRUE(info->Hidden) << col;
    }
    EXPECT_EQ(one.Columns().Find(4), nullptr);
    ASSERT_EQ(one.CellHeap().MergedAreas().size(), 1u);
    const TXLSMergedArea& area = one.CellHeap().MergedAreas()[0];
    EXPECT_EQ(area.FirstRow, 2);
    EXPECT_EQ(area.FirstCol, 1);
    EXPECT_EQ(area.LastRow, 3);
    EXPECT_EQ(area.LastCol, 2);
    EXPECT_EQ(CellAt(workbook, 3, 2, 2), Variant(9.0));
}

TEST(XLSXReaderSheets, SheetWithoutRelationshipStaysEmpty) {
    TestPackage package = OneSheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)");
    std::vector<test::ZipMember> members = package.Members();
    for (auto& member : members)
        if (member.name == "xl/workbook.xml")
            member.data = "<workbook xmlns:r=\"" + test::kRelNs + "\"><sheets><sheet name=\"Orphan\" r:id=\"rId9\"/>"
                          "<sheet name=\"Data\" r:id=\"rId1\"/></sheets></workbook>";
    TXLSWorkbook workbook;
    ASSERT_EQ(ReadPackageBytes(test::BuildZip(members).bytes, workbook), 1);
    ASSERT_EQ(workbook.Sheets().Count(), 2);
    EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 0u);
    EXPECT_EQ(CellAt(workbook, 1, 1, 2), Variant(1.0));
}

TEST(XLSXReaderSheets, PrefixedElementsAbsoluteTargetsAndPartsUnderOtherNames) {
    const std::string ns = test::kMainNs, rn = test::kRelNs;
    const std::vector<test::ZipMember> members = {
        {"xl/workbook.xml", "<x:workbook xmlns:x=\"" + ns + "\" xmlns:rel=\"" + rn +
                                "\"><x:workbookPr date1904=\"true\"/><x:sheets><x:sheet name=\"P\" sheetId=\"1\" rel:id=\"s1\"/></x:sheets></x:workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"s1\" Type=\"" + rn + "/worksheet\" Target=\"/xl/sheets/first.xml\"/>"
         "<Relationship Id=\"t\" Type=\"" + rn + "/sharedStrings\" Target=\"./strings/table.xml\"/></Relationships>"},
        {"xl/strings/table.xml", "<x:sst xmlns:x=\"" + ns + "\"><x:si><x:t>shared</x:t></x:si></x:sst>"},
        {"xl/sheets/first.xml", "<x:worksheet xmlns:x=\"" + ns + "\"><x:sheetData><x:row r=\"4\"><x:c r=\"B4\" t=\"s\"><x:v>0</x:v></x:c>"
                                "<x:c r=\"C4\"><x:v>2</x:v></x:c></x:row></x:sheetData></x:worksheet>"},
    };
    TXLSWorkbook workbook;
    std::string failure;
    ASSERT_EQ(ReadPackageBytes(test::BuildZip(members).bytes, workbook, &failure), 1) << failure;
    EXPECT_TRUE(workbook.Date1904());
    EXPECT_EQ(workbook.Sheets().Items(1)->Name(), u"P");
    EXPECT_EQ(CellAt(workbook, 4, 2), Variant(u"shared"));
    EXPECT_EQ(CellAt(workbook, 4, 3), Variant(2.0));
}

TEST(XLSXReaderSheets, DataDescriptorsAndStoredMembersReadCompletely) {
    const std::string rows = NumberAndTextRows(1, 2000, "text");
    for (uint16_t method : {uint16_t(0), uint16_t(8)}) {
        TestPackage package = OneSheet(rows);
        package.dataDescriptors = true;
        package.method = method;
        TXLSWorkbook workbook;
        std::string failure;
        ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), 1) << failure;
        EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 4000u) << method;
        EXPECT_EQ(CellAt(workbook, 2000, 1), Variant(2000.0)) << method;
        EXPECT_EQ(CellAt(workbook, 2000, 2), Variant(u"text 2000")) << method;
    }
}

// A worksheet part of more than a mebibyte reads the same stored (read
// straight into the XML reader) or deflated (inflated ahead on a helper
// thread), and damage to it is still reported.
TEST(XLSXReaderSheets, LargePartsReadTheSameAndReportDamage) {
    const std::string rows = NumberAndTextRows(1, 16000, "camera");
    ASSERT_GT(rows.size(), size_t(1) << 20);
    for (uint16_t method : {uint16_t(0), uint16_t(8)}) {
        TestPackage package = OneSheet(rows);
        package.method = method;
        TXLSWorkbook workbook;
        std::string failure;
        ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), 1) << failure;
        EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 32000u) << method;
        EXPECT_EQ(CellAt(workbook, 12345, 1), Variant(12345.0)) << method;
        EXPECT_EQ(CellAt(workbook, 16000, 2), Variant(u"camera 16000")) << method;
    }
    // One digit changed in the stored part: the XML stays well formed, only
    // the CRC-32 at its end tells.
    std::vector<uint8_t> bytes = [&] {
        TestPackage package = OneSheet(rows);
        package.method = 0;
        return package.Bytes();
    }();
    const std::string value = "<v>9999</v>";
    auto at = std::search(bytes.begin(), bytes.end(), value.begin(), value.end());
    ASSERT_NE(at, bytes.end());
    at[3] = '8';
    TXLSWorkbook workbook;
    std::string failure;
    EXPECT_EQ(ReadPackageBytes(bytes, workbook, &failure), kXLSXReadFailed);
    EXPECT_EQ(failure.rfind("Damaged zip entry", 0), 0u) << failure;
}

// A part of more than 1 MiB has its cells parsed on a helper thread: the
// rules that read or change the styles (the 1904 correction by the cell's
// or the row's format, the wrap format of a text with a line feed) and the
// row settings still hold, before and after a block's worth of cells; and a
// malformed end still fails the read.
TEST(XLSXReaderSheets, LargePartsKeepEveryCellRule) {
    const std::string special =
        R"(<c r="A1" s="1"><v>0</v></c><c r="B1"><v>0</v></c><c r="C1" t="s"><v>0</v></c>)"
        R"(<c r="D1" t="str"><v>two&#10;lines</v></c><c r="E1" t="s"><v>5</v></c><c r="F1" t="b"><v>1</v></c></row>)";
    const std::string rowWithFormat = R"(" s="1" customFormat="1" ht="30" customHeight="1" hidden="1">)";
    const std::string sheet = "<row r=\"1\">" + special + NumberAndTextRows(2, 9000, "camera") +
                              "<row r=\"9001" + rowWithFormat + R"(<c r="A9001"><v>1</v></c><c r="B9001" t="s"><v>1</v></c></row>)" +
                              NumberAndTextRows(9002, 16000, "camera");
    ASSERT_GT(sheet.size(), size_t(1) << 20);
    TestPackage package = OneSheet(sheet);
    package.workbookExtra = R"(<workbookPr date1904="1"/>)";
    package.styles = StylesXml(R"(<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14"/></cellXfs>)");
    package.sharedStrings = SharedStringsXml("<si><t>shared</t></si><si><t>a&#10;b</t></si>");
    TXLSWorkbook workbook;
    std::string failure;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), 1) << failure;
    IXLSWorksheet& sheetModel = *workbook.Sheets().Items(1);
    EXPECT_EQ(CellAt(workbook, 1, 1), Variant::Date(1462));
    EXPECT_EQ(CellAt(workbook, 1, 2), Variant(0.0));
    EXPECT_EQ(CellAt(workbook, 1, 3), Variant(u"shared"));
    EXPECT_EQ(CellAt(workbook, 1, 4), Variant(u"two\nlines"));
    EXPECT_TRUE(workbook.Styles().WrapText(sheetModel.CellXF(0, 3)));
    EXPECT_FALSE(workbook.Styles().WrapText(sheetModel.CellXF(0, 2)));
    EXPECT_EQ(CellAt(workbook, 1, 5), Variant(u""));  // index beyond the table
    EXPECT_EQ(CellAt(workbook, 1, 6), Variant(true));
    EXPECT_EQ(CellAt(workbook, 8999, 2), Variant(u"camera 8999"));
    EXPECT_EQ(CellAt(workbook, 9001, 1), Variant::Date(1463));  // the row's date format
    EXPECT_EQ(CellAt(workbook, 9001, 2), Variant(u"a\nb"));
    EXPECT_TRUE(workbook.Styles().WrapText(sheetModel.CellXF(9000, 1)));
    const TXLSRowInfo* row = sheetModel.Rows().Find(9000);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Height, 600);
    EXPECT_TRUE(row->Hidden);
    EXPECT_EQ(CellAt(workbook, 16000, 1), Variant(16000.0));
    EXPECT_EQ(sheetModel.CellHeap().CellCount(), 6u + 2 * 15999u);
    EXPECT_EQ(workbook.StringTable().RefCount(1), 1);  // "shared", held by C1 alone

    TestPackage damaged = OneSheet(sheet + "<row><c><v>&bad;</v></c></row>");
    TXLSWorkbook other;
    EXPECT_EQ(ReadPackageBytes(damaged.Bytes(), other, &failure), kXLSXReadFailed);
    EXPECT_FALSE(failure.empty());
}

// The texts of a large part reach the storing side as the part's UTF-8 and
// are widened there, a block at a time: each text keeps its own characters
// whatever its form of cell, its encoding, its length or where a block ends.
TEST(XLSXReaderSheets, LargePartsKeepEveryText) {
    // "é", "€", U+1D11E and a stray continuation byte, which reads as U+FFFD.
    const std::string mixed = "cam\xC3\xA9ra \xE2\x82\xAC \xF0\x9D\x84\x9E \x80";
    const std::u16string mixedWide = u"cam\u00E9ra \u20AC \U0001D11E \uFFFD";
    // Longer than half of what a block's texts hold before it is handed on.
    const std::string longText(700000, 'x');
    constexpr int kRows = 12000;
    std::string sheet;
    for (int r = 1; r <= kRows; ++r) {
        const std::string n = std::to_string(r);
        const std::string text = (r % 5000 == 0 ? longText : mixed) + n;
        sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c>";
        sheet += r % 2 == 0 ? "<c r=\"B" + n + "\" t=\"str\"><v>" + text + "</v></c>"
                            : "<c r=\"B" + n + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c>";
        sheet += "</row>";
    }
    ASSERT_GT(sheet.size(), size_t(1) << 20);
    TXLSWorkbook workbook;
    std::string failure;
    ASSERT_EQ(ReadPackageBytes(OneSheet(sheet).Bytes(), workbook, &failure), 1) << failure;
    const std::u16string longWide(longText.begin(), longText.end());
    for (int r = 1; r <= kRows; ++r) {
        const std::string n = std::to_string(r);
        const std::u16string expected = (r % 5000 == 0 ? longWide : mixedWide) + std::u16string(n.begin(), n.end());
        ASSERT_EQ(CellAt(workbook, r, 2), Variant(expected)) << "row " << r;
        ASSERT_EQ(CellAt(workbook, r, 1), Variant(double(r))) << "row " << r;
    }
}

TEST(XLSXReaderFailures, DamageThatStopsTheRead) {
    struct Case {
        const char* name;
        const char* dropMember;     // member left out, or nullptr
        const char* replaceMember;  // member whose data is replaced
        std::string data;
        const char* failure;
    };
    const std::string sheetHead = "<worksheet><sheetData>";
    const Case cases[] = {
        {"no workbook part", "xl/workbook.xml", nullptr, "", "Can't to open /xl/workbook.xml"},
        {"no relationships", "xl/_rels/workbook.xml.rels", nullptr, "", "Can't to open /xl/_rels/workbook.xml.rels"},
        {"no worksheet part", "xl/worksheets/sheet1.xml", nullptr, "", "Can't to open /xl/worksheets/sheet1.xml"},
        {"sheet without name", nullptr, "xl/workbook.xml",
         "<workbook xmlns:r=\"" + test::kRelNs + "\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>", "Attribute \"name\" not found"},
        {"sheet without attributes", nullptr, "xl/workbook.xml", "<workbook><sheets><sheet/></sheets></workbook>",
         "Current tag doesn't have attributes"},
        {"relationship without target", nullptr, "xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId1\" Type=\"t\"/></Relationships>", "Attribute \"Target\" not found"},
        {"shared strings without sst", nullptr, "xl/sharedStrings.xml", "<other/>", "ParseSST: 'sst' tag not found!"},
        {"worksheet cut short", nullptr, "xl/worksheets/sheet1.xml", sheetHead + "<row r=\"1\"><c r=\"A1\"><v>1", nullptr},
        {"malformed worksheet", nullptr, "xl/worksheets/sheet1.xml", sheetHead + "<row r=\"1\"></sheetData>&bad;", nullptr},
    };
    for (const Case& c : cases) {
        TestPackage package = OneSheet(R"(<row r="1"><c r="A1"><v>1</v></c></row>)");
        package.sharedStrings = SharedStringsXml("<si><t>x</t></si>");
        std::vector<test::ZipMember> members;
        for (auto& member : package.Members()) {
            if (c.dropMember && member.name == c.dropMember) continue;
            if (c.replaceMember && member.name == c.replaceMember) member.data = c.data;
            members.push_back(member);
        }
        TXLSWorkbook workbook;
        std::string failure;
        EXPECT_EQ(ReadPackageBytes(test::BuildZip(members).bytes, workbook, &failure), kXLSXReadFailed) << c.name;
        if (c.failure) {
            EXPECT_EQ(failure, c.failure) << c.name;
        } else {
            EXPECT_FALSE(failure.empty()) << c.name;
        }
    }
}

// Cells taken whole ahead of a damaged one move the reader's line and
// position on as reading them node by node would: the error names the place.
TEST(XLSXReaderFailures, DamageAfterCellsTakenWholeIsPlacedExactly) {
    const std::string data = R"(<row r="1"><c r="A1"><v>1</v></c><c r="B1" t="str"><v>x</v></c><c r="C1" s="0"/>)"
                             R"(<c r="D1"><v>&bad;</v></c></row>)";
    const TestPackage package = OneSheet(data);
    const std::string sheet = package.WorksheetXml(package.sheets[0]);
    const size_t lineStart = sheet.rfind('\n') + 1;
    const size_t entityEnd = sheet.find("&bad;") + 5;
    TXLSWorkbook workbook;
    std::string failure;
    ASSERT_EQ(ReadPackageBytes(package.Bytes(), workbook, &failure), kXLSXReadFailed);
    EXPECT_EQ(failure, "Invalid entity at line 2 at position " + std::to_string(entityEnd - lineStart) +
                           " context: \"&bad;\"");
}

TEST(XLSXReaderFailures, NotAZipArchiveAndNoWorkbook) {
    const std::vector<uint8_t> junk = {'P', 'K', 3, 4, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    TXLSWorkbook workbook;
    std::string failure;
    EXPECT_EQ(ReadPackageBytes(junk, workbook, &failure), kXLSXReadFailed);
    EXPECT_EQ(failure, "Can't open zip archive");

    const std::vector<uint8_t> bytes = OneSheet("").Bytes();
    TSpanStream stream(bytes);
    TXLSXReader reader(nullptr, u"");
    EXPECT_EQ(reader.ReadPackage(stream), kXLSXReadFailed);
    EXPECT_EQ(reader.Failure(), "Workbook is not asssigned");
}

// Open reads a package file through the file rather than its mapping, and
// a pipe (whose bytes can be read only once) from the bytes already read:
// both give every cell, and damage found by the CRC-32 still fails Open.
TEST(XLSXReaderOpen, PackagesReadFromTheirFileOrFromAPipe) {
    const std::string rows = NumberAndTextRows(1, 16000, "camera");
    TestPackage package = OneSheet(rows);
    package.method = 0;
    const std::vector<uint8_t> bytes = package.Bytes();
    const std::string content(bytes.begin(), bytes.end());
    const auto expectEveryCell = [](TXLSWorkbook& workbook, const char* how) {
        ASSERT_EQ(workbook.Sheets().Count(), 1) << how;
        EXPECT_EQ(workbook.Sheets().Items(1)->CellHeap().CellCount(), 32000u) << how;
        EXPECT_EQ(CellAt(workbook, 16000, 2), Variant(u"camera 16000")) << how;
        EXPECT_EQ(workbook.FileFormat(), kXLSFormatXlsx) << how;
    };
    testing::ScratchFolder scratch;
    {
        TXLSWorkbook workbook;
        ASSERT_EQ(workbook.Open(Utf8ToUtf16(scratch.Write("list.xlsx", content))), kXLSOk);
        expectEveryCell(workbook, "file");
    }
    {
        const pid_t child = scratch.ServeThroughPipe("pipe.xlsx", content);
        ASSERT_GE(child, 0);
        TXLSWorkbook workbook;
        const int32_t result = workbook.Open(Utf8ToUtf16(scratch / "pipe.xlsx"));
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_EQ(result, kXLSOk);
        expectEveryCell(workbook, "pipe");
    }
    std::string damaged = content;
    const size_t at = damaged.find("<v>9999</v>");
    ASSERT_NE(at, std::string::npos);
    damaged[at + 3] = '8';
    TXLSWorkbook workbook;
    EXPECT_EQ(workbook.Open(Utf8ToUtf16(scratch.Write("damaged.xlsx", damaged))), kXLSXReadFailed);
}

TEST(XLSXReaderOpen, OpenReadsPackagesAndRemembersTheFormat) {
    const std::vector<uint8_t> bytes = OneSheet(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>name</t></is></c></row>)").Bytes();
    TMemoryStream stream(bytes);
    TXLSWorkbook workbook;
    workbook.Sheets().Add();
    workbook.Sheets().Add();
    ASSERT_EQ(workbook.OpenStream(stream), kXLSOk);
    EXPECT_EQ(workbook.FileFormat(), kXLSFormatXlsx);
    EXPECT_EQ(workbook.LoadedFormat(), kXLSFormatXlsx);
    ASSERT_EQ(workbook.Sheets().Count(), 1);  // the earlier sheets are gone
    EXPECT_EQ(workbook.Sheets().Items(1)->Cells()->Item(1, 1)->Value(), Variant(u"name"));
}

}  // namespace
}  // namespace korvel
