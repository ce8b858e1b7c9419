// The workbook, its sheet collection and the load/save dispatch.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Stream.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {
namespace {

std::vector<std::u16string> Names(TXLSWorkbook& book) {
    std::vector<std::u16string> names;
    for (int32_t i = 1; i <= book.Sheets().Count(); ++i) names.push_back(book.Sheets().Items(i)->Name());
    return names;
}

TEST(Workbook, NewWorkbookDefaults) {
    TXLSWorkbook book;
    EXPECT_EQ(book.Sheets().Count(), 0);
    EXPECT_EQ(book.Sheets().Items(1), nullptr);
    EXPECT_EQ(book.ActiveSheet(), nullptr);
    EXPECT_EQ(book.CodePage(), 1252);
    EXPECT_FALSE(book.Date1904());
    EXPECT_EQ(book.DefaultSaveFormat(), 2);
    EXPECT_EQ(book.FileFormat(), 0);
    EXPECT_EQ(book.LoadedFormat(), 0);
    EXPECT_EQ(book.ChangeStamp(), 1);
    EXPECT_TRUE(book.FileName().empty());
    EXPECT_EQ(book.DefaultSheetName(), u"Sheet");
    EXPECT_FALSE(book.Protection().Protected);
    EXPECT_EQ(book.Styles().Count(), 21);
}

TEST(Workbook, AddNamesSelectsAndNumbersSheets) {
    TXLSWorkbook book;
    IXLSWorksheet& first = book.Sheets().Add();
    EXPECT_EQ(first.Name(), u"Sheet1");
    EXPECT_EQ(first.Index(), 1);
    EXPECT_EQ(first.SheetId(), 1);
    EXPECT_TRUE(first.Selected());
    EXPECT_EQ(book.ActiveSheet(), &first);
    IXLSWorksheet& second = book.Sheets().Add();
    IXLSWorksheet& third = book.Sheets().Add();
    EXPECT_EQ(Names(book), (std::vector<std::u16string>{u"Sheet1", u"Sheet2", u"Sheet3"}));
    EXPECT_EQ(second.SheetId(), 2);
    EXPECT_EQ(third.SheetId(), 3);
    EXPECT_FALSE(second.Selected());  // only the first sheet is selected on Add
    EXPECT_EQ(book.ActiveSheet(), &first);
}

TEST(Workbook, InsertMovesLaterSheetsAndKeepsIds) {
    TXLSWorkbook book;
    IXLSWorksheet& s1 = book.Sheets().Add();
    IXLSWorksheet& s2 = book.Sheets().Add();
    IXLSWorksheet* front = book.Sheets().Insert(1);
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->Name(), u"Sheet3");
    EXPECT_EQ(front->Index(), 1);
    EXPECT_EQ(front->SheetId(), 3);
    EXPECT_EQ(s1.Index(), 2);
    EXPECT_EQ(s2.Index(), 3);
    EXPECT_EQ(s1.SheetId(), 1);
    EXPECT_EQ(book.Sheets().Items(2), &s1);
    EXPECT_EQ(book.ActiveSheet(), &s1);
    EXPECT_EQ(book.Sheets().PositionOfSheetId(2), 3);
    EXPECT_EQ(book.Sheets().PositionOfSheetId(9), -1);
    EXPECT_EQ(book.Sheets().Insert(0), nullptr);  // outside 1 .. Count + 1
    EXPECT_EQ(book.Sheets().Insert(5), nullptr);
    EXPECT_EQ(book.Sheets().Count(), 3);
}

TEST(Workbook, DefaultNameSkipsTakenNames) {
    TXLSWorkbook book;
    IXLSWorksheet& a = book.Sheets().Add();
    IXLSWorksheet& b = book.Sheets().Add();
    ASSERT_TRUE(a.SetName(u"x"));
    ASSERT_TRUE(b.SetName(u"Sheet3"));
    EXPECT_EQ(book.Sheets().Add().Name(), u"Sheet4");
}

TEST(Workbook, SheetNameRules) {
    TXLSWorkbook book;
    IXLSWorksheet& one = book.Sheets().Add();
    IXLSWorksheet& two = book.Sheets().Add();
    struct Case { const char16_t* name; bool stored; } cases[] = {
        {u"1234567890123456789012345678901", true},    // 31 code units
        {u"12345678901234567890123456789012", false},  // 32
        {u"a:b", false}, {u"a[b", false}, {u"a]b", false}, {u"a*b", false},
        {u"a?b", false}, {u"a/b", false}, {u"a\\b", false},
        {u"Sheet1", false},   // another sheet's name, same case
        {u"sheet1", true},    // differs in case only
        {u"Sheet2", true},    // its own name
        {u"", true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(two.SetName(u"Sheet2"));
        EXPECT_EQ(two.SetName(c.name), c.stored) << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
        EXPECT_EQ(two.Name(), c.stored ? std::u16string(c.name) : std::u16string(u"Sheet2"));
    }
    ASSERT_TRUE(two.SetName(u"Sheet2"));
    EXPECT_EQ(one.Name(), u"Sheet1");
    EXPECT_EQ(book.Sheets().IndexOfName(u"Sheet1"), 1);
    EXPECT_EQ(book.Sheets().IndexOfName(u"sheet1"), -1);  // case-sensitive
    EXPECT_FALSE(book.Sheets().IsValidSheetName(0, u"Sheet2"));
    EXPECT_TRUE(book.Sheets().IsValidSheetName(2, u"Sheet2"));
    EXPECT_EQ(book.SheetNameAt(2), u"Sheet2");
    EXPECT_EQ(book.SheetNameAt(3), u"");
    EXPECT_EQ(book.SheetCountPlusOne(), 3);
}

TEST(Workbook, ManySheetsKeepUniqueNamesAndPositions) {
    // Name checks must not compare with every sheet: 40,000 adds would take
    // billions of comparisons otherwise.
    TXLSWorkbook book;
    for (int i = 0; i < 40000; ++i) book.Sheets().Add();
    EXPECT_EQ(book.Sheets().Count(), 40000);
    IXLSWorksheet* last = book.Sheets().Items(40000);
    EXPECT_EQ(last->Name(), u"Sheet40000");
    EXPECT_EQ(last->Index(), 40000);  // past the 16-bit range, still positive
    EXPECT_FALSE(last->SetName(u"Sheet7"));
    EXPECT_TRUE(book.Sheets().Items(7)->SetName(u"free"));
    EXPECT_TRUE(last->SetName(u"Sheet7"));  // released by the rename
    EXPECT_EQ(book.Sheets().Add().Name(), u"Sheet40001");
    EXPECT_TRUE(book.Sheets().Items(40001)->SetName(u"Sheet40000"));  // released as well
}

TEST(Workbook, SelectMakesTheOnlySelectedSheetActive) {
    TXLSWorkbook book;
    IXLSWorksheet& a = book.Sheets().Add();
    IXLSWorksheet& b = book.Sheets().Add();
    b.Select();
    EXPECT_TRUE(b.Selected());
    EXPECT_FALSE(a.Selected());
    EXPECT_EQ(book.ActiveSheet(), &b);
    // Selecting an already selected sheet keeps the others' flags.
    a.SetSelected(true);
    b.Select();
    EXPECT_TRUE(a.Selected());
    EXPECT_EQ(book.ActiveSheet(), &b);
}

TEST(Workbook, EveryValueSetBumpsTheChangeStampOnce) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.Cells()->Item(1, 1)->SetValue(Variant(1.0));
    EXPECT_EQ(book.ChangeStamp(), 2);
    sheet.Range(1, 1, 3, 3)->SetValue(Variant(u"nine cells, one bump"));
    EXPECT_EQ(book.ChangeStamp(), 3);
    sheet.Cells()->Item(1, 1)->SetValue(Variant());
    EXPECT_EQ(book.ChangeStamp(), 4);
}

TEST(Workbook, ClearKeepsFileSettingsAndDropsContent) {
    TXLSWorkbook book;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.Cells()->Item(1, 1)->SetValue(Variant(u"text"));
    sheet.Cells()->Item(1, 2)->SetValue(Variant(u"a\nb"));  // adds a wrapped XF
    book.SetCodePage(1251);
    book.SetDate1904(true);
    book.SetFileName(u"x.xls");
    book.SetFileFormat(1);
    book.SetLoadedFormat(1);
    book.SetDefaultSaveFormat(1);
    book.Protection().Protected = true;
    book.KeptMacroStorage() = std::make_unique<TXLSKeptObject>();
    ASSERT_GT(book.Styles().Count(), 21);

    book.Clear();
    EXPECT_EQ(book.Sheets().Count(), 0);
    EXPECT_EQ(book.ActiveSheet(), nullptr);
    EXPECT_EQ(book.StringTable().TotalRefs(), 0);
    EXPECT_EQ(book.Styles().Count(), 21);
    EXPECT_FALSE(book.Protection().Protected);
    EXPECT_EQ(book.KeptMacroStorage(), nullptr);
    EXPECT_EQ(book.CodePage(), 1251);
    EXPECT_TRUE(book.Date1904());
    EXPECT_EQ(book.FileName(), u"x.xls");
    EXPECT_EQ(book.FileFormat(), 1);
    EXPECT_EQ(book.LoadedFormat(), 1);
    EXPECT_EQ(book.DefaultSaveFormat(), 1);
    // The id counter starts again.
    EXPECT_EQ(book.Sheets().Add().SheetId(), 1);
}

TEST(Workbook, SaveDispatchResults) {
    TXLSWorkbook book;
    EXPECT_EQ(book.Save(), -4);  // never opened or saved
    const std::u16string blanks[] = {u"", u"   ", u" \t\r\n "};
    for (const std::u16string& name : blanks) {
        EXPECT_EQ(book.SaveAs(name), -1);
        EXPECT_EQ(book.FileFormat(), 2);  // set before the name check
    }
    EXPECT_EQ(book.SaveAsFormat(u"", nullptr, 9), -1);
    EXPECT_EQ(book.FileFormat(), 9);
    for (int32_t format : {3, 4, 5, 6, 7, 8}) EXPECT_EQ(book.SaveAsFormat(u"out", nullptr, format), -1);
    EXPECT_TRUE(book.FileName().empty());
    book.SetFileName(u"book.xls");
    book.SetFileFormat(9);
    EXPECT_EQ(book.Save(), -4);  // format outside 1 .. 3
}

TEST(Workbook, OpenFailureKeepsNameAndLoadedFormat) {
    TXLSWorkbook book;
    book.Sheets().Add();
    book.SetFileName(u"before.xls");
    TMemoryStream garbage(std::vector<uint8_t>{'n', 'o', 'p', 'e'});
    int32_t result = book.OpenStream(garbage);
    EXPECT_NE(result, 1);
    EXPECT_EQ(book.FileName(), u"before.xls");
    EXPECT_EQ(book.LoadedFormat(), 0);
    EXPECT_NE(book.Open(u"/nonexistent/dir/none.xls"), 1);
    EXPECT_EQ(book.FileName(), u"before.xls");
}

}  // namespace
}  // namespace korvel
