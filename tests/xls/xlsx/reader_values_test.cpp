// The text conversions of the package reader: cell references, numbers,
// ISO dates and UTF-8. Expected date serials were computed with Python's
// datetime (days since 1899-12-30), not with this code.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "xls/xlsx/XLSXValues.h"

namespace korvel {
namespace {

TEST(XLSXValues, CellReferences) {
    struct Row {
        const char* text;
        bool ok;
        int32_t row, col;
    };
    const Row rows[] = {
        {"A1", true, 0, 0},          {"B2", true, 1, 1},          {"$C$3", true, 2, 2},
        {"c3", true, 2, 2},          {"$Z20", true, 19, 25},      {"IV1000", true, 999, 255},
        {"AA1", true, 0, 26},        {"XFD1048576", true, 1048575, 16383},
        {"XFE1", false, 0, 0},       {"A1048577", false, 0, 0},   {"A0", false, 0, 0},
        {"A", false, 0, 0},          {"1", false, 0, 0},          {"", false, 0, 0},
        {"A1 ", false, 0, 0},        {"A1B", false, 0, 0},        {"$$A1", false, 0, 0},
        {"A$$1", false, 0, 0},       {"A-1", false, 0, 0},        {"AAAAAAAAAAAAAAAA1", false, 0, 0},
        {"A99999999999999999999", false, 0, 0},
        // The bytes next to the letters and digits in ASCII are none of them.
        {"zz5", true, 4, 701},       {"@1", false, 0, 0},         {"[1", false, 0, 0},
        {"`1", false, 0, 0},         {"{1", false, 0, 0},         {"A/", false, 0, 0},
        {"A:", false, 0, 0},         {"\xC1" "1", false, 0, 0},
        // Leading zeros count for nothing; the limits hold at every length.
        {"A0001", true, 0, 0},       {"$B$000000000012", true, 11, 1}, {"XFD01048576", true, 1048575, 16383},
        {"A000", false, 0, 0},       {"A10485760", false, 0, 0},  {"A99999999", false, 0, 0},
        {"AAAA1", false, 0, 0},      {"ZZZZZ1", false, 0, 0},     {"XFD1048577", false, 0, 0},
    };
    for (const Row& r : rows) {
        TXLSXCellPos pos{-7, -7};
        EXPECT_EQ(ParseCellReference(r.text, pos), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(pos.Row, r.row) << r.text;
            EXPECT_EQ(pos.Col, r.col) << r.text;
        }
    }
}

// The parser that remembers the last row part must agree with the plain one
// on every reference, whatever came before: the same row part with other
// letters, written another way ("$7", "07"), or failing.
TEST(XLSXValues, ReferencesInOrderParseAsAlone) {
    const char* const texts[] = {
        "A",     "A7",   "B7",     "XFE7", "C07",   "D7",  "$E$7", "F7 ", "G$7",  "7",    "H7",   "I70",
        "J7",    "K0",   "L0",     "M1",   "N1",    "$1",  "O1",   "P",   "Q1048576", "R1048576", "S1048577",
        "T1048577", "U99999999", "V99999999", "W12345678", "X12345678", "Y1", "zz1", "AAAA1", "AB1",
        "\xC1" "1", "AC1", "",    "AD1",  "AD12",  "AE12", "AE121", "AE12",
    };
    TXLSXCellReferenceParser parser;
    for (int round = 0; round < 2; ++round) {
        for (const char* text : texts) {
            TXLSXCellPos alone{-7, -7}, inOrder{-7, -7};
            const bool ok = ParseCellReference(text, alone);
            ASSERT_EQ(parser.Parse(text, inOrder), ok) << text;
            if (ok) {
                EXPECT_EQ(inOrder.Row, alone.Row) << text;
                EXPECT_EQ(inOrder.Col, alone.Col) << text;
            }
        }
    }
}

TEST(XLSXValues, RangeReferences) {
    TXLSXCellPos first, last;
    ASSERT_TRUE(ParseRangeReference("B2:D5", first, last));
    EXPECT_EQ(first.Row, 1);
    EXPECT_EQ(first.Col, 1);
    EXPECT_EQ(last.Row, 4);
    EXPECT_EQ(last.Col, 3);
    ASSERT_TRUE(ParseRangeReference("C3", first, last));
    EXPECT_EQ(last.Row, 2);
    EXPECT_EQ(last.Col, 2);
    EXPECT_FALSE(ParseRangeReference("A1:", first, last));
    EXPECT_FALSE(ParseRangeReference(":B2", first, last));
    EXPECT_FALSE(ParseRangeReference("A1:B2:C3", first, last));
}

TEST(XLSXValues, Numbers) {
    struct Row {
        const char* text;
        bool ok;
        double value;
    };
    const Row rows[] = {
        {"1.5", true, 1.5},   {"-2.75", true, -2.75}, {"0.1", true, 0.1},     {"1e300", true, 1e300},
        {"-1E-300", true, -1e-300}, {"+3", true, 3}, {" 42 ", true, 42},      {"2147483648", true, 2147483648.0},
        {"", false, 0},       {"abc", false, 0},      {"1.5x", false, 0},     {"0x10", false, 0},
        {"inf", false, 0},    {"1,5", false, 0},      {"1e999", false, 0},
        // Around the short-decimal path: up to 15 digits, else the general way.
        {"723", true, 723},   {"-9038.49", true, -9038.49}, {"0.3", true, 0.3}, {"5.", true, 5},
        {".5", true, 0.5},    {"-.25", true, -0.25},  {"123456789012345", true, 123456789012345.0},
        {"123456.789012345", true, 123456.789012345}, {"0.000000000000001", true, 1e-15},
        {"9007199254740993", true, 9007199254740993.0}, {"-347884361387449.44", true, -347884361387449.44},
        {"1.2.3", false, 0},  {".", false, 0},        {"-", false, 0},        {"--5", false, 0},
        {"5-", false, 0},
    };
    for (const Row& r : rows) {
        double value = -99;
        EXPECT_EQ(ParseXmlDouble(r.text, value), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(value, r.value) << r.text;
        }
    }
    double value = 0;
    ASSERT_TRUE(ParseXmlDouble("-0", value));
    EXPECT_TRUE(std::signbit(value));
    ASSERT_TRUE(ParseXmlDouble("-INF", value));
    EXPECT_EQ(value, -std::numeric_limits<double>::infinity());
    ASSERT_TRUE(ParseXmlDouble("NaN", value));
    EXPECT_TRUE(std::isnan(value));

    int64_t integer = 0;
    EXPECT_TRUE(ParseXmlInt("-12", integer));
    EXPECT_EQ(integer, -12);
    EXPECT_FALSE(ParseXmlInt("1.0", integer));
    EXPECT_FALSE(ParseXmlInt("99999999999999999999", integer));
    // Plain digits around the length where 64 bits may run out.
    EXPECT_TRUE(ParseXmlInt("999999999999999999", integer));
    EXPECT_EQ(integer, 999999999999999999);
    EXPECT_TRUE(ParseXmlInt("9223372036854775807", integer));
    EXPECT_EQ(integer, INT64_MAX);
    EXPECT_FALSE(ParseXmlInt("9223372036854775808", integer));
    EXPECT_TRUE(ParseXmlInt("007", integer));
    EXPECT_EQ(integer, 7);
    EXPECT_TRUE(ParseXmlInt(" 8 ", integer));
    EXPECT_EQ(integer, 8);
    EXPECT_TRUE(ParseXmlInt("+9", integer));
    EXPECT_EQ(integer, 9);
    EXPECT_FALSE(ParseXmlInt("", integer));
    EXPECT_FALSE(ParseXmlInt("1 2", integer));
    EXPECT_FALSE(ParseXmlInt("12a", integer));
    uint32_t hash = 0;
    EXPECT_TRUE(ParseHex32("CC3D", hash));
    EXPECT_EQ(hash, 0xCC3Du);
    EXPECT_FALSE(ParseHex32("123456789", hash));
    EXPECT_TRUE(XmlTrue("1"));
    EXPECT_TRUE(XmlTrue("true"));
    EXPECT_FALSE(XmlTrue("0"));
    EXPECT_FALSE(XmlTrue("yes"));
}

TEST(XLSXValues, IsoDates) {
    struct Row {
        const char* text;
        bool ok;
        double days;
    };
    const Row rows[] = {
        {"2024-02-29", true, 45351.0},
        {"1999-12-31T23:59:59", true, 36525.99998842592},
        {"1900-01-15", true, 16.0},
        {"1900-03-01T00:00:00Z", true, 61.0},
        {"2024-02-29T12:00:00.5", true, 45351.500005787035},
        {"2024-02-29T12:00:00+02:00", true, 45351.5},
        {"9999-12-31", true, 2958465.0},
        {"23:59:59", true, 0.999988425925926},
        {"2023-02-29", false, 0},
        {"2024-13-01", false, 0},
        {"2024-02-30", false, 0},
        {"2024-2-3", false, 0},
        {"2024-02-29T25", false, 0},
        {"2024-02-29T12:00:00junk", false, 0},
        {"", false, 0},
    };
    for (const Row& r : rows) {
        double days = -1;
        EXPECT_EQ(ParseIsoDate(r.text, days), r.ok) << r.text;
        if (r.ok) {
            EXPECT_NEAR(days, r.days, 1e-9) << r.text;
        }
    }
}

TEST(XLSXValues, Utf8AppendsAsUtf16) {
    std::u16string out = u"'";
    AppendUtf8AsUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", out);  // a é € 😀
    EXPECT_EQ(out, u"'a\u00E9\u20AC\U0001F600");
    std::u16string name(1, u'\'');
    AppendUtf8AsUtf16("cam-000123 \xC3\xA9t\xC3\xA9 ok", name);  // an ASCII run, then more
    EXPECT_EQ(name, u"'cam-000123 \u00E9t\u00E9 ok");
    // Runs of 16 bytes and more, with the first non-ASCII byte at either
    // side of a 16-byte boundary.
    out.clear();
    AppendUtf8AsUtf16("0123456789abcdef\xC3\xA9", out);
    EXPECT_EQ(out, u"0123456789abcdef\u00E9");
    out.clear();
    AppendUtf8AsUtf16("0123456789abcde\xC3\xA9" "f", out);
    EXPECT_EQ(out, u"0123456789abcde\u00E9f");
    std::u16string longer(1, u'x');
    AppendUtf8AsUtf16("roof bullet 537 (backup unit) fa\xC3\xA7" "ade", longer);
    EXPECT_EQ(longer, u"xroof bullet 537 (backup unit) fa\u00E7ade");
    out.clear();
    // A lone continuation byte, a cut sequence, an overlong form and an encoded surrogate.
    AppendUtf8AsUtf16("\x80x\xE2\x82", out);
    EXPECT_EQ(out, u"\uFFFDx\uFFFD\uFFFD");
    out.clear();
    AppendUtf8AsUtf16("\xC0\xAF\xED\xA0\x80", out);
    EXPECT_EQ(out.find(u'/'), std::u16string::npos);
    for (char16_t c : out) EXPECT_TRUE(c == u'\uFFFD' || c < 0x80) << int(c);
}

}  // namespace
}  // namespace korvel
