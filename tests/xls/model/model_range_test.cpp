// Values through Cells / Item / Value: the variant-to-cell rules and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/CodePage.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {
namespace {

struct RangeFixture : ::testing::Test {
    TXLSWorkbook book;
    IXLSWorksheet* sheet = nullptr;
    void SetUp() override {
        SetSystemAnsiCodePage(1252);
        sheet = &book.Sheets().Add();
    }
    TXLSRangeRef Cell(int32_t row, int32_t col) { return sheet->Cells()->Item(row, col); }
    void Set(int32_t row, int32_t col, const Variant& v) { Cell(row, col)->SetValue(v); }
    Variant Get(int32_t row, int32_t col) { return Cell(row, col)->Value(); }
    TXLSCellRef* Stored(int32_t row, int32_t col) { return sheet->CellHeap().FindCell(row - 1, col - 1); }
};

TEST_F(RangeFixture, ItemAddressesAndLimits) {
    TXLSRangeRef a1 = Cell(1, 1);
    EXPECT_EQ(a1->FirstRow(), 0);
    EXPECT_EQ(a1->FirstCol(), 0);
    TXLSRangeRef a3 = a1->Item(3, 1);  // relative to the range, not limited by it
    EXPECT_EQ(a3->FirstRow(), 2);
    EXPECT_EQ(a3->LastRow(), 2);
    TXLSRangeRef corner = Cell(1048576, 16384);
    EXPECT_EQ(corner->FirstRow(), 1048575);
    EXPECT_EQ(corner->FirstCol(), 16383);
    struct Bad { int32_t row, col; } bad[] = {{0, 1}, {1, 0}, {1, 16385}, {1048577, 1},
                                              {INT32_MAX, 1}, {INT32_MIN, 1}, {1, INT32_MAX}};
    for (const Bad& b : bad) {
        try {
            Cell(b.row, b.col);
            ADD_FAILURE() << "accepted " << b.row << "," << b.col;
        } catch (const EXLSRangeError& e) {
            EXPECT_STREQ(e.what(), "Invalid row/column index");
        }
    }
    // Item from a range near the end of the model overflows its limit.
    EXPECT_THROW(corner->Item(2, 1), EXLSRangeError);
    EXPECT_EQ(sheet->CellHeap().CellCount(), 0u);  // addressing creates nothing
}

TEST_F(RangeFixture, RangeOfARectangleClampsAndOrdersBounds) {
    TXLSRangeRef r = sheet->Range(5, 9, -3, 20000);
    EXPECT_EQ(r->FirstRow(), 0);
    EXPECT_EQ(r->LastRow(), 4);
    EXPECT_EQ(r->FirstCol(), 8);
    EXPECT_EQ(r->LastCol(), 16383);
    TXLSRangeRef big = sheet->Range(2000000, 1, 1, 1);
    EXPECT_EQ(big->LastRow(), 1048575);
}

TEST_F(RangeFixture, TextRules) {
    Set(1, 1, Variant::Ansi("abc"));
    EXPECT_EQ(Get(1, 1), Variant(u"abc"));
    Set(1, 2, Variant::Ansi("caf\xE9"));  // code page 1252
    EXPECT_EQ(Get(1, 2), Variant(u"caf\u00E9"));
    Set(1, 3, Variant(u"123"));
    EXPECT_EQ(Get(1, 3).Kind(), VariantKind::WideString);
    Set(1, 4, Variant(u"=1+2"));  // no engine: stays text, "=" included
    EXPECT_EQ(Get(1, 4), Variant(u"=1+2"));
    EXPECT_EQ(Stored(1, 4)->Kind, TXLSCellKind::Text);
    Set(1, 5, Variant(u"'abc"));
    EXPECT_EQ(Get(1, 5), Variant(u"abc"));
    Set(1, 6, Variant(u"'=1"));
    EXPECT_EQ(Get(1, 6), Variant(u"=1"));
    Set(1, 7, Variant(u"''x"));  // only one apostrophe is removed
    EXPECT_EQ(Get(1, 7), Variant(u"'x"));
    Set(1, 8, Variant(u"'"));  // an empty text cell, not a blank one
    EXPECT_EQ(Stored(1, 8)->Kind, TXLSCellKind::Text);
    EXPECT_EQ(Get(1, 8), Variant(u""));
    EXPECT_FALSE(book.Styles().WrapText(sheet->CellXF(0, 0)));
}

TEST_F(RangeFixture, LineFeedSetsWrapText) {
    Set(2, 3, Variant(u"two\nlines"));
    int32_t xf = sheet->CellXF(1, 2);
    EXPECT_NE(xf, 15);
    EXPECT_TRUE(book.Styles().WrapText(xf));
    EXPECT_EQ(Get(2, 3), Variant(u"two\nlines"));
    Set(2, 4, Variant(u"a\nb"));
    EXPECT_EQ(sheet->CellXF(1, 3), xf);  // the same wrapped format is found again
}

TEST_F(RangeFixture, EmptyTextBlanksTheCellAndReleasesItsString) {
    Set(1, 1, Variant(u"shared"));
    Set(2, 1, Variant(u"shared"));
    TXLSStringTable& strings = book.StringTable();
    int32_t id = Stored(1, 1)->StringId;
    EXPECT_EQ(strings.RefCount(id), 2);
    Set(1, 1, Variant(u""));
    EXPECT_EQ(strings.RefCount(id), 1);
    EXPECT_EQ(Stored(1, 1)->Kind, TXLSCellKind::Blank);
    EXPECT_EQ(Stored(1, 1)->StringId, -1);
    EXPECT_TRUE(Get(1, 1).IsNull());
    Set(2, 1, Variant(2.5));  // overwriting text with a number also releases it
    EXPECT_EQ(strings.RefCount(id), 0);
    EXPECT_EQ(strings.TotalRefs(), 0);
}

TEST_F(RangeFixture, NumbersOfEveryWidthReadAsDouble) {
    const Variant inputs[] = {Variant(int8_t{-8}), Variant(int16_t{-16}), Variant(int32_t{-32}),
                              Variant(int64_t{1} << 40), Variant(uint8_t{200}), Variant(uint16_t{60000}),
                              Variant(uint32_t{4000000000u}), Variant(1.5f), Variant(123.0),
                              Variant(VariantCurrency{12345})};
    const double expected[] = {-8, -16, -32, 1099511627776.0, 200, 60000, 4000000000.0, 1.5, 123, 1.2345};
    for (size_t i = 0; i < std::size(inputs); ++i) {
        Set(3, static_cast<int32_t>(i) + 1, inputs[i]);
        Variant got = Get(3, static_cast<int32_t>(i) + 1);
        ASSERT_EQ(got.Kind(), VariantKind::Double) << i;
        EXPECT_DOUBLE_EQ(got.AsDouble(), expected[i]) << i;
    }
}

TEST_F(RangeFixture, BooleansNullsAndUnstorableKinds) {
    Set(1, 1, Variant(true));
    EXPECT_EQ(Get(1, 1), Variant(true));
    Set(1, 2, Variant(false));
    EXPECT_EQ(Get(1, 2), Variant(false));
    Set(1, 3, Variant());
    EXPECT_TRUE(Get(1, 3).IsNull());
    EXPECT_NE(Stored(1, 3), nullptr);  // writing empty still makes the cell
    Set(1, 4, Variant::Null());
    EXPECT_TRUE(Get(1, 4).IsNull());
    EXPECT_TRUE(Get(9, 9).IsNull());  // absent cell
    EXPECT_EQ(Stored(9, 9), nullptr);  // reading creates nothing

    Set(2, 1, Variant(7.0));
    Set(2, 1, Variant(VariantOther{2042}));  // a number keeps its value
    EXPECT_EQ(Get(2, 1), Variant(7.0));
    Set(2, 2, Variant(u"gone"));
    Set(2, 2, Variant(VariantOther{0}));  // a text does not
    EXPECT_TRUE(Get(2, 2).IsNull());
    EXPECT_EQ(book.StringTable().TotalRefs(), 0);
}

TEST_F(RangeFixture, DatesFollowThe1900LeapDayRule) {
    struct Row { double date, stored, readBack; } rows[] = {
        {61, 61, 61},        // 1 March 1900
        {60, 59, 60},        // 28 February 1900
        {60.5, 59.5, 60.5},
        {1, 0, 1},           // 31 December 1899
        {45000.25, 45000.25, 45000.25},
        {0.5, 0.5, 1.5},     // time only: stored as is, read back as a day-1 serial
        {-3, -3, -3},
    };
    int32_t col = 1;
    for (const Row& r : rows) {
        Set(4, col, Variant::Date(r.date));
        EXPECT_EQ(Stored(4, col)->Kind, TXLSCellKind::Date);
        EXPECT_DOUBLE_EQ(Stored(4, col)->Value, r.stored) << r.date;
        Variant got = Get(4, col);
        ASSERT_EQ(got.Kind(), VariantKind::Date);
        EXPECT_DOUBLE_EQ(got.AsDateDays(), r.readBack) << r.date;
        ++col;
    }
}

TEST_F(RangeFixture, NumberWithDateFormatReadsAsDate) {
    TXLSStyleXF dateXF = book.Styles().XF(15);
    dateXF.numFormat = 14;
    int32_t xf = book.Styles().AddXF(dateXF);
    Set(1, 1, Variant(59.0));
    sheet->SetCellXF(0, 0, xf);
    Variant got = Get(1, 1);
    ASSERT_EQ(got.Kind(), VariantKind::Date);
    EXPECT_DOUBLE_EQ(got.AsDateDays(), 60.0);
    Set(1, 2, Variant(40000.0));
    sheet->SetCellXF(0, 1, xf);
    EXPECT_EQ(Get(1, 2), Variant::Date(40000.0));
    Set(1, 3, Variant(40000.0));  // default format: a plain number
    EXPECT_EQ(Get(1, 3), Variant(40000.0));
}

TEST_F(RangeFixture, RowAndColumnFormatsKeepUseCounts) {
    TXLSStyleXFs& styles = book.Styles();
    int32_t before16 = styles.UseCount(16), before17 = styles.UseCount(17);
    sheet->SetColumnFormat(2, 16);
    sheet->SetRowFormat(4, 17);
    EXPECT_EQ(styles.UseCount(16), before16 + 1);
    EXPECT_EQ(styles.UseCount(17), before17 + 1);
    EXPECT_EQ(sheet->CellXF(0, 2), 16);
    EXPECT_EQ(sheet->CellXF(4, 2), 17);  // the row format comes first
    Set(1, 3, Variant(1.0));
    EXPECT_EQ(Stored(1, 3)->XF, 16);
    sheet->SetColumnFormat(2, 0);
    EXPECT_EQ(styles.UseCount(16), before16 + 1);  // only the cell's use is left
    EXPECT_EQ(sheet->CellXF(0, 2), 16);            // the cell keeps its own format
    EXPECT_EQ(sheet->CellXF(5, 2), 15);
    sheet->SetRowFormat(4, 0);
    EXPECT_EQ(styles.UseCount(17), before17);
    EXPECT_EQ(sheet->CellXF(4, 2), 15);
}

TEST_F(RangeFixture, OneDimensionalArraySpreadsOverRows) {
    auto array = VariantArray::Make1D(5, {Variant(1.0), Variant(u"b"), Variant(true)});
    sheet->Range(1, 1, 2, 5)->SetValue(Variant(std::shared_ptr<const VariantArray>(array)));
    for (int32_t row = 1; row <= 2; ++row) {
        EXPECT_EQ(Get(row, 1), Variant(1.0));
        EXPECT_EQ(Get(row, 2), Variant(u"b"));
        EXPECT_EQ(Get(row, 3), Variant(true));
        EXPECT_EQ(Get(row, 4), Variant(u"#N/D"));
        EXPECT_EQ(Get(row, 5), Variant(u"#N/D"));
    }
    EXPECT_TRUE(Get(3, 1).IsNull());
    EXPECT_TRUE(Get(1, 6).IsNull());

    auto single = VariantArray::Make1D(0, {Variant(u"x")});
    sheet->Range(5, 1, 6, 5)->SetValue(Variant(std::shared_ptr<const VariantArray>(single)));
    for (int32_t row = 5; row <= 6; ++row)
        for (int32_t col = 1; col <= 5; ++col) EXPECT_EQ(Get(row, col), Variant(u"x"));
}

TEST_F(RangeFixture, TwoDimensionalArrayAndReadingBack) {
    auto array = VariantArray::Make2D(1, 2, 1, 3);
    for (int32_t i = 1; i <= 2; ++i)
        for (int32_t j = 1; j <= 3; ++j) array->At(i, j) = Variant(static_cast<double>(i * 10 + j));
    sheet->Range(2, 2, 4, 5)->SetValue(Variant(std::shared_ptr<const VariantArray>(array)));
    EXPECT_EQ(Get(2, 2), Variant(11.0));
    EXPECT_EQ(Get(3, 4), Variant(23.0));
    EXPECT_EQ(Get(2, 5), Variant(u"#N/D"));  // beyond the columns
    EXPECT_EQ(Get(4, 2), Variant(u"#N/D"));  // beyond the rows

    // A column vector (N x 1) repeats its only column.
    auto column = VariantArray::Make2D(0, 2, 0, 1);
    column->At(0, 0) = Variant(u"top");
    column->At(1, 0) = Variant(u"bottom");
    sheet->Range(10, 1, 11, 3)->SetValue(Variant(std::shared_ptr<const VariantArray>(column)));
    EXPECT_EQ(Get(10, 3), Variant(u"top"));
    EXPECT_EQ(Get(11, 2), Variant(u"bottom"));

    Variant block = sheet->Range(2, 2, 3, 3)->Value();
    ASSERT_EQ(block.Kind(), VariantKind::Array);
    const VariantArray& got = block.AsArray();
    ASSERT_EQ(got.Dimensions(), 2);
    EXPECT_EQ(got.Bound(0).low, 0);
    EXPECT_EQ(got.Bound(0).count, 2);
    EXPECT_EQ(got.Bound(1).count, 2);
    EXPECT_EQ(got.At(1, 1), Variant(22.0));
    EXPECT_EQ(got.At(0, 1), Variant(12.0));

    Variant withNull = sheet->Range(20, 1, 20, 2)->Value();
    EXPECT_TRUE(withNull.AsArray().At(0, 0).IsNull());
}

TEST_F(RangeFixture, ArraysOfOtherRankStoreNothing) {
    auto cube = std::make_shared<VariantArray>(std::vector<VariantBound>{{0, 1}, {0, 1}, {0, 1}});
    int32_t stamp = book.ChangeStamp();
    sheet->Range(1, 1, 2, 2)->SetValue(Variant(std::shared_ptr<const VariantArray>(cube)));
    EXPECT_EQ(book.ChangeStamp(), stamp);
    EXPECT_EQ(sheet->CellHeap().CellCount(), 0u);
    Set(1, 1, Variant(1.0));
    EXPECT_NE(book.ChangeStamp(), stamp);
}

TEST_F(RangeFixture, MergedAreaCoveredCellsReadNullAndIgnoreWrites) {
    Set(1, 1, Variant(u"title"));
    Set(1, 2, Variant(5.0));
    ASSERT_TRUE(sheet->MergeCells(0, 0, 1, 2));
    EXPECT_EQ(Get(1, 1), Variant(u"title"));
    EXPECT_TRUE(Get(1, 2).IsNull());
    Set(2, 3, Variant(u"ignored"));
    EXPECT_TRUE(Get(2, 3).IsNull());
    EXPECT_EQ(book.StringTable().TotalRefs(), 1);
    Set(1, 1, Variant(u"new title"));
    EXPECT_EQ(Get(1, 1), Variant(u"new title"));
    Set(3, 1, Variant(1.0));  // outside the area
    EXPECT_EQ(Get(3, 1), Variant(1.0));
}

TEST_F(RangeFixture, FormulaCellsReadNullWithoutEngineAndAreReplacedCleanly) {
    // A formula cell as a reader with an engine would leave it.
    struct Probe : TXLSFormula {
        explicit Probe(int& alive) : alive_(alive) { ++alive_; }
        ~Probe() override { --alive_; }
        int& alive_;
    };
    int alive = 0;
    TXLSCellRef& cell = sheet->CellHeap().GetOrCreateCell(0, 0);
    cell.SetFormula(std::make_unique<Probe>(alive));
    EXPECT_TRUE(Get(1, 1).IsNull());  // evaluation fails: null
    Set(1, 1, Variant(2.0));
    EXPECT_EQ(alive, 0);              // the old formula is freed
    EXPECT_EQ(Stored(1, 1)->Formula(), nullptr);
    EXPECT_EQ(Get(1, 1), Variant(2.0));
}

TEST_F(RangeFixture, RangesOutliveCopiesAndAreReused) {
    TXLSRangeRef keep;
    {
        TXLSRangeRef a = Cell(7, 7);
        TXLSRangeRef b = a;
        keep = b;
    }
    EXPECT_EQ(keep->FirstRow(), 6);
    keep->SetValue(Variant(3.0));
    EXPECT_EQ(keep->Value(), Variant(3.0));
    TXLSRange* first = Cell(1, 1).Get();  // released at once, then reused
    EXPECT_EQ(Cell(2, 2).Get(), first);
}

TEST(Variant, KindsEqualityAndConversions) {
    EXPECT_TRUE(Variant().IsEmpty());
    EXPECT_FALSE(Variant() == Variant::Null());
    EXPECT_FALSE(Variant(1.0) == Variant(int32_t{1}));  // kinds differ
    EXPECT_FALSE(Variant(u"a") == Variant::Ansi("a"));
    EXPECT_DOUBLE_EQ(Variant(VariantCurrency{-15000}).NumericToDouble(), -1.5);
    EXPECT_TRUE(Variant(uint16_t{1}).IsNumeric());
    EXPECT_FALSE(Variant(true).IsNumeric());
    EXPECT_FALSE(Variant::Date(1).IsNumeric());
    auto a = VariantArray::Make1D(1, {Variant(1.0)});
    auto b = VariantArray::Make1D(0, {Variant(1.0)});
    EXPECT_FALSE(Variant(std::shared_ptr<const VariantArray>(a)) == Variant(std::shared_ptr<const VariantArray>(b)));
}

// Texts up to the inline limit live inside the variant, longer ones on the
// heap: every length up to and around the limit (short texts are copied in
// pieces of fixed sizes that overlap) must survive copies, moves and
// assignments between the two forms, the moved-from variant staying usable.
// Each text is first taken from a block of exactly its size, so that a read
// past its end shows under AddressSanitizer.
TEST(Variant, TextsAroundTheInlineLimitKeepTheirUnits) {
    auto textOf = [](size_t length, char16_t first) {
        std::u16string text;
        for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char16_t>(first + i % 50));
        return text;
    };
    const size_t limit = VariantText::kInlineUnits;
    std::vector<size_t> lengths;
    for (size_t length = 0; length <= limit + 1; ++length) lengths.push_back(length);
    lengths.insert(lengths.end(), {3 * limit, size_t{5000}});
    for (size_t length : lengths) {
        SCOPED_TRACE(length);
        const std::u16string text = textOf(length, u'a'), other = textOf(limit + 7 - length % 3, u'\u00e0');
        const auto exact = std::make_unique<char16_t[]>(length);
        std::copy(text.begin(), text.end(), exact.get());
        Variant v(std::u16string_view(exact.get(), length));
        ASSERT_EQ(v.Kind(), VariantKind::WideString);
        EXPECT_EQ(v.AsWide(), text);

        Variant copy(v);
        EXPECT_EQ(copy.AsWide(), text);
        EXPECT_NE(copy.AsWide().data(), v.AsWide().data());
        EXPECT_TRUE(copy == v);

        Variant moved(std::move(copy));
        EXPECT_EQ(moved.AsWide(), text);

        Variant target(other);
        target = v;  // copy over a text of the other form
        EXPECT_EQ(target.AsWide(), text);
        target = Variant(other);  // and back, by move
        EXPECT_EQ(target.AsWide(), other);
        target = std::move(moved);
        EXPECT_EQ(target.AsWide(), text);

        const Variant& self = target;
        target = self;
        EXPECT_EQ(target.AsWide(), text);
        Variant number(1.5);
        number = v;  // a text over another kind
        EXPECT_EQ(number.AsWide(), text);
        EXPECT_EQ(v.AsWide(), text);  // the source never changed
    }
    EXPECT_FALSE(Variant(textOf(limit, u'a')) == Variant(textOf(limit + 1, u'a')));
}

}  // namespace
}  // namespace korvel
