// Cell values as the texts the device files get: numbers as printf's "%.15G"
// writes them, dates, booleans, errors and texts.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "app/CellText.h"
#include "platform/CodePage.h"

namespace korvel {
namespace {

std::string NumberText(double number) {
    std::string out;
    AppendNumberText(out, number);
    return out;
}

std::string DateText(double days) {
    std::string out;
    AppendDateText(out, days);
    return out;
}

// The C library in the "C" locale is the reference for "%.15G".
std::string Printf15G(double number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", number);
    return buffer;
}

TEST(NumberText, StatedForms) {
    struct Row {
        double number;
        const char* text;
    } rows[] = {
        {1234, "1234"}, {0.1, "0.1"}, {1e20, "1E+20"}, {0, "0"}, {-0.0, "-0"}, {-2.75, "-2.75"},
        {3.141592653589793, "3.14159265358979"}, {1e15, "1E+15"}, {999999999999999, "999999999999999"},
        {999999999999999.9, "1E+15"}, {0.0001, "0.0001"}, {0.00001, "1E-05"}, {1e300, "1E+300"},
        {-1e-300, "-1E-300"}, {2147483648.0, "2147483648"}, {1.0 / 3, "0.333333333333333"},
        {std::numeric_limits<double>::infinity(), "INF"}, {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::nan(""), "NAN"},
    };
    for (const Row& row : rows) EXPECT_EQ(NumberText(row.number), row.text) << row.text;
}

TEST(NumberText, AgreesWithPrintfOverTheWholeRange) {
    std::vector<double> numbers = {DBL_MIN, DBL_MAX, DBL_TRUE_MIN, -DBL_MAX, 0.5, 1e14, 1e-4, 9.5e-5,
                                   123456789012345678.0, 0.000123456789012345678};
    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<int> exponent(-330, 310);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    for (int i = 0; i < 20000; ++i) numbers.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    for (int i = 0; i < 5000; ++i) numbers.push_back(std::round(mantissa(random) * 1e6) / 1e3);  // typed-in values
    for (double number : numbers) ASSERT_EQ(NumberText(number), Printf15G(number)) << number;
}

TEST(DateText, DaysSince30December1899) {
    struct Row {
        double days;
        const char* text;
    } rows[] = {
        {45351, "2024-02-29"},
        {36525.99998842592, "1999-12-31 23:59:59"},
        {17, "1900-01-16"},
        {60, "1900-02-28"},
        {61, "1900-03-01"},
        {0, "1899-12-30"},
        {0.5, "1899-12-30 12:00:00"},
        {-1.25, "1899-12-29 06:00:00"},  // the fraction still counts forwards
        {45351.9999999, "2024-03-01"},   // rounds up to the next midnight
        {45351.000001, "2024-02-29"},    // a tenth of a second is no time of day
        {45351 + 13.5 / 24, "2024-02-29 13:30:00"},
        {2958465, "9999-12-31"},
        {-693593, "0001-01-01"},
        {2958466, "2958466"},  // past the year 9999: the number
        {-693594, "-693594"},
    };
    for (const Row& row : rows) EXPECT_EQ(DateText(row.days), row.text) << row.days;
}

TEST(CellValueToAnsi, EveryKindOfValue) {
    uint32_t saved = SystemAnsiCodePage();
    SetSystemAnsiCodePage(1252);
    struct Row {
        Variant value;
        const char* text;
    } rows[] = {
        {Variant(u"K\u00fcche \u4e2d"), "K\xfc" "che ?"},
        {Variant::Ansi("as is \xff"), "as is \xff"},
        {Variant(1234.0), "1234"},
        {Variant(int32_t{-7}), "-7"},
        {Variant(VariantCurrency{12345}), "1.2345"},
        {Variant(true), "TRUE"},
        {Variant(false), "FALSE"},
        {Variant::Date(45351.5), "2024-02-29 12:00:00"},
        {Variant(VariantOther{0x07}), "#DIV/0!"},
        {Variant(VariantOther{0x2A}), "#N/A"},
        {Variant::Null(), ""},
        {Variant(), ""},
    };
    std::string text = "stale";
    for (const Row& row : rows) {
        CellValueToAnsi(row.value, text);
        EXPECT_EQ(text, row.text);
    }
    EXPECT_FALSE(CellHasValue(Variant::Null()));
    EXPECT_FALSE(CellHasValue(Variant()));
    EXPECT_TRUE(CellHasValue(Variant(std::u16string())));
    SetSystemAnsiCodePage(saved);
}

}  // namespace
}  // namespace korvel
