// What our writer writes, our reader reads back unchanged: random sheets of
// texts (long ones that the SST must continue, characters outside the BMP),
// numbers of every RK and NUMBER form, booleans and blanks, in BIFF8 and BIFF5.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

struct CellSpec {
    int32_t row, col;
    Variant value;
};

std::u16string RandomText(std::mt19937& rng, bool wideChars, size_t maxLength) {
    static const char16_t kWide[] = u"a\u00e9\u20ac\u4e2d\uac00=' \n";
    static const char16_t kNarrow[] = u"aZ9 \u00e9\u00fc'=-";
    std::uniform_int_distribution<size_t> length(1, maxLength);
    std::u16string text;
    const size_t n = length(rng);
    for (size_t i = 0; i < n; ++i) {
        if (wideChars && rng() % 50 == 0) {
            text += u"\U0001F600";  // a surrogate pair
            continue;
        }
        const char16_t* pool = wideChars ? kWide : kNarrow;
        const size_t poolSize = wideChars ? std::size(kWide) - 1 : std::size(kNarrow) - 1;
        text += pool[rng() % poolSize];
    }
    if (text.front() == u'=' || text.front() == u'\'') text.insert(text.begin(), u'x');
    return text;
}

double RandomNumber(std::mt19937& rng) {
    switch (rng() % 7) {
    case 0: return static_cast<double>(static_cast<int32_t>(rng() % 1000000) - 500000);      // RK integer
    case 1: return static_cast<double>(static_cast<int32_t>(rng() % 100000) - 50000) / 100;  // RK integer / 100
    case 2: return 1.5 * static_cast<double>(1 << (rng() % 20));                             // RK float high bits
    case 3: return std::ldexp(static_cast<double>(rng()), -static_cast<int>(rng() % 60));    // NUMBER
    case 4: return -1e300 * (rng() % 3 + 1);
    case 5: return 536870912.0 * ((rng() % 2) ? 1 : -1) - 1;  // beyond 30-bit integers
    default: return 0.1 * (rng() % 1000);
    }
}

std::vector<CellSpec> RandomCells(std::mt19937& rng, bool biff8, int32_t count) {
    std::vector<CellSpec> cells;
    for (int32_t i = 0; i < count; ++i) {
        CellSpec cell{static_cast<int32_t>(rng() % 3000), static_cast<int32_t>(rng() % 256), Variant()};
        switch (rng() % 5) {
        case 0: cell.value = Variant(RandomText(rng, biff8, 40)); break;
        case 1: cell.value = Variant(RandomNumber(rng)); break;
        case 2: cell.value = Variant(rng() % 2 == 0); break;
        case 3: cell.value = Variant::Null(); break;
        default: cell.value = Variant(RandomText(rng, biff8, biff8 ? 9000 : 255)); break;
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

void CheckRoundTrip(int32_t format, uint32_t seed) {
    std::mt19937 rng(seed);
    const bool biff8 = format == kXLSFormatBiff8;
    TXLSWorkbook written;
    std::vector<std::vector<CellSpec>> sheets;
    for (int s = 0; s < 3; ++s) {
        IXLSWorksheet& sheet = written.Sheets().Add();
        sheets.push_back(RandomCells(rng, biff8, 400));
        for (const CellSpec& cell : sheets.back()) sheet.Cells()->Item(cell.row + 1, cell.col + 1)->SetValue(cell.value);
    }
    TMemoryStream stream;
    ASSERT_EQ(written.SaveToStream(stream, format), 1);

    TXLSWorkbook read;
    ASSERT_EQ(read.OpenStream(stream), 1) << "seed " << seed;
    EXPECT_EQ(read.FileFormat(), format);
    ASSERT_EQ(read.Sheets().Count(), 3);
    for (int32_t s = 1; s <= 3; ++s) {
        IXLSWorksheet& expected = *written.Sheets().Items(s);
        IXLSWorksheet& actual = *read.Sheets().Items(s);
        EXPECT_EQ(actual.Name(), expected.Name());
        for (const CellSpec& cell : sheets[s - 1]) {
            const Variant want = expected.Cells()->Item(cell.row + 1, cell.col + 1)->Value();
            const Variant got = actual.Cells()->Item(cell.row + 1, cell.col + 1)->Value();
            ASSERT_EQ(got, want) << "format " << format << " seed " << seed << " sheet " << s << " cell " << cell.row
                                 << "," << cell.col;
        }
    }
}

TEST(ReaderRoundTrip, Biff8RandomSheets) {
    for (uint32_t seed = 1; seed <= 4; ++seed) CheckRoundTrip(kXLSFormatBiff8, seed);
}

TEST(ReaderRoundTrip, Biff5RandomSheets) {
    for (uint32_t seed = 11; seed <= 13; ++seed) CheckRoundTrip(kXLSFormatBiff5, seed);
}

TEST(ReaderRoundTrip, EveryRkAndNumberForm) {
    const double values[] = {0,      1,        -1,          0.01,         -0.01,      536870911,  -536870912,
                             536870912, 5368709.11, 1.5,         -2.75,        0.1,        1e300,      -1e-300,
                             5e-324, 2147483648.0, 3.141592653589793, 123456.78, 1e15,  -0.0};
    TXLSWorkbook written;
    IXLSWorksheet& sheet = written.Sheets().Add();
    for (size_t i = 0; i < std::size(values); ++i) {
        sheet.Cells()->Item(1, static_cast<int32_t>(i) + 1)->SetValue(Variant(values[i]));
        sheet.Cells()->Item(static_cast<int32_t>(i) + 2, 1)->SetValue(Variant(values[i]));  // single RK records
    }
    for (int32_t format : {kXLSFormatBiff8, kXLSFormatBiff5}) {
        TMemoryStream stream;
        ASSERT_EQ(written.SaveToStream(stream, format), 1);
        TXLSWorkbook read;
        ASSERT_EQ(read.OpenStream(stream), 1);
        IXLSWorksheet& back = *read.Sheets().Items(1);
        for (size_t i = 0; i < std::size(values); ++i) {
            for (const Variant& got : {back.Cells()->Item(1, static_cast<int32_t>(i) + 1)->Value(),
                                       back.Cells()->Item(static_cast<int32_t>(i) + 2, 1)->Value()}) {
                ASSERT_EQ(got.Kind(), VariantKind::Double) << values[i];
                EXPECT_EQ(got.AsDouble(), values[i]);
                EXPECT_EQ(std::signbit(got.AsDouble()), std::signbit(values[i])) << values[i];
            }
        }
    }
}

TEST(ReaderRoundTrip, LongTextsAcrossSstContinueRecords) {
    // 4,106 UTF-16 characters fill an SST record; longer texts are split, and
    // a surrogate pair at the limit moves whole into the next record.
    const std::u16string texts[] = {std::u16string(4106, u'a'), std::u16string(4107, u'b'),
                                    std::u16string(4105, u'c') + u"\U0001F600" + u"d", std::u16string(30000, u'\u20ac'),
                                    u"", u"short"};
    TXLSWorkbook written;
    IXLSWorksheet& sheet = written.Sheets().Add();
    for (size_t i = 0; i < std::size(texts); ++i)
        sheet.Cells()->Item(static_cast<int32_t>(i) + 1, 1)->SetValue(Variant(u"'" + texts[i]));
    TMemoryStream stream;
    ASSERT_EQ(written.SaveToStream(stream, kXLSFormatBiff8), 1);
    TXLSWorkbook read;
    ASSERT_EQ(read.OpenStream(stream), 1);
    for (size_t i = 0; i < std::size(texts); ++i) {
        const Variant got = read.Sheets().Items(1)->Cells()->Item(static_cast<int32_t>(i) + 1, 1)->Value();
        ASSERT_EQ(got.Kind(), VariantKind::WideString) << i;
        EXPECT_EQ(got.AsWide(), texts[i]) << i;
    }
}

}  // namespace
}  // namespace korvel
