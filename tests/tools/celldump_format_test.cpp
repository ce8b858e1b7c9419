// The number and text forms of the cell dump must be exactly those of the
// independent tool's dump (Python's repr and its JSON rules); the expected
// strings below are what Python 3.11 prints for the same values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tools/XLSCellDump.h"

namespace korvel {
namespace {

TEST(CellDumpFormat, NumbersAsPythonRepr) {
    const struct {
        double value;
        const char* repr;
    } cases[] = {
        {1.0, "1.0"},
        {0.1, "0.1"},
        {1e16, "1e+16"},
        {1e-05, "1e-05"},
        {2147483648.0, "2147483648.0"},
        {-0.0, "-0.0"},
        {0.0, "0.0"},
        {1.2345678901234568e+17, "1.2345678901234568e+17"},
        {5e-324, "5e-324"},
        {1.7976931348623157e+308, "1.7976931348623157e+308"},
        {0.0001, "0.0001"},
        {1e15, "1000000000000000.0"},
        {9999999999999998.0, "9999999999999998.0"},
        {-1e-300, "-1e-300"},
        {3.141592653589793, "3.141592653589793"},
        {1234.56, "1234.56"},
        {-2.75, "-2.75"},
        {123456789.0, "123456789.0"},
        {0.00015, "0.00015"},
        {100.0, "100.0"},
        {1e22, "1e+22"},
        {-7.466108948025751e-301, "-7.466108948025751e-301"},
    };
    for (const auto& c : cases) EXPECT_EQ(PythonFloatRepr(c.value), c.repr) << c.repr;
    EXPECT_EQ(PythonFloatRepr(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(PythonFloatRepr(-std::numeric_limits<double>::infinity()), "-Infinity");
}

TEST(CellDumpFormat, JsonStringEscapes) {
    const struct {
        std::u16string text;
        std::string json;
    } cases[] = {
        {u"plain", "\"plain\""},
        {u"a\"b\\c", "\"a\\\"b\\\\c\""},
        {u"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {std::u16string(u"\x01\x1f", 2), "\"\\u0001\\u001f\""},
        {u"\u20ac\u00fc", "\"\xE2\x82\xAC\xC3\xBC\""},
        {u"\U0001F600", "\"\xF0\x9F\x98\x80\""},
        {std::u16string(1, char16_t(0xD83D)) + u"x", "\"\\ud83dx\""},
        {std::u16string(1, char16_t(0xDE00)), "\"\\ude00\""},
        {u"\x7f<&>'", "\"\x7f<&>'\""},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendJsonString(c.text, out);
        EXPECT_EQ(out, c.json);
    }
}

}  // namespace
}  // namespace korvel
