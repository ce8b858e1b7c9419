// Workbooks written by us, read back by independent readers: xlrd (through
// tests/tools/oracle-dump.py) must find exactly the values that were stored,
// and olefile must accept the compound document. The expected dumps are built
// from the values put into the model, never from our own reading.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "common/TextUtil.h"
#include "tests/xls/biff/writer_test_support.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

using writer_test::OraclePython;
using writer_test::OracleScript;
using writer_test::RunCommand;
using writer_test::TempPath;

std::string JsonString(std::u16string_view text) {
    std::string out = "\"";
    for (unsigned char c : Utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    std::string out = text;
    // A JSON reader takes "-0" for the integer 0: keep the sign of zero.
    if (out.find_first_of(".en") == std::string::npos) out += ".0";
    return out;
}

// The cells a reader must find, in oracle-dump's JSON-lines format.
class ExpectedDump {
public:
    int DateMode = 0;

    void AddSheet(std::u16string name) {
        sheets_.push_back(std::move(name));
        cells_.emplace_back();
    }
    void Text(int sheet, int row, int col, std::u16string_view text) {
        Put(sheet, row, col, "\"type\":\"text\",\"value\":" + JsonString(text));
    }
    void Number(int sheet, int row, int col, double value) {
        Put(sheet, row, col, "\"type\":\"number\",\"value\":" + JsonNumber(value));
    }
    void Bool(int sheet, int row, int col, bool value) {
        Put(sheet, row, col, std::string("\"type\":\"bool\",\"value\":") + (value ? "true" : "false"));
    }

    std::string Dump() const {
        std::string out = "{\"sheets\":[";
        for (size_t s = 0; s < sheets_.size(); ++s) {
            if (s) out += ",";
            out += JsonString(sheets_[s]);
        }
        out += "],\"datemode\":" + std::to_string(DateMode) + "}\n";
        for (size_t s = 0; s < sheets_.size(); ++s) {
            const std::string prefix =
                "{\"sheet\":" + std::to_string(s + 1) + ",\"name\":" + JsonString(sheets_[s]) + ",\"row\":";
            for (const auto& [place, value] : cells_[s]) {
                out += prefix + std::to_string(place.first + 1) + ",\"col\":" + std::to_string(place.second + 1) +
                       "," + value + "}\n";
            }
        }
        return out;
    }

private:
    void Put(int sheet, int row, int col, std::string value) { cells_[sheet][{row, col}] = std::move(value); }

    std::vector<std::u16string> sheets_;
    std::vector<std::map<std::pair<int, int>, std::string>> cells_;
};

// Saves the workbook to a file, dumps it with xlrd and compares with expected.
void ExpectOracleAgrees(TXLSWorkbook& book, int32_t format, const ExpectedDump& expected, const std::string& name) {
    const std::string path = TempPath(name);
    ASSERT_EQ(book.SaveAsFormat(Utf8ToUtf16(path), nullptr, format), 1);
    std::string out;
    EXPECT_EQ(RunCommand(OraclePython() + " " + OracleScript() + " --cfb " + path + " 2>&1", out), 0) << out;
    const std::string expectedPath = path + ".expected.jsonl";
    const std::string actualPath = path + ".actual.jsonl";
    writer_test::WriteFile(expectedPath, expected.Dump());
    ASSERT_EQ(RunCommand(OraclePython() + " " + OracleScript() + " " + path + " > " + actualPath + " 2>&1", out), 0)
        << "xlrd could not read " << path;
    const int differences = RunCommand(OraclePython() + " " + OracleScript() + " --compare --dates-as-numbers " +
                                           expectedPath + " " + actualPath + " 2>&1",
                                       out);
    EXPECT_EQ(differences, 0) << out.substr(0, 4000);
}

#define SKIP_WITHOUT_ORACLE()                                                   \
    if (OraclePython().empty()) GTEST_SKIP() << "/usr/bin/python3 lacks xlrd, olefile or openpyxl"

// Numbers covering each RK form, the 30-bit edges and values that need NUMBER.
std::vector<double> InterestingNumbers() {
    return {0.0,           1.0,          -1.0,          1.5,           0.1,           0.5,         -2.5,
            536870911.0,   -536870912.0, 536870912.0,   -536870913.0,  5368709.11,    -5368709.12, 1.0 / 1024,
            -0.0,          2147483648.0, -2147483648.0, 2147483647.0,  1e9,           1.0 / 3,     M_PI,
            1e300,         -1e-300,      5e-324,        1e-5,          123456789.123, 4e14 + 0.25,  -7.0 / 3,
            std::ldexp(1.0, -1050)};
}

// Fills the "Types" sheet: numbers alone and in runs, texts, booleans, blanks, dates.
void FillTypes(TXLSWorkbook& book, IXLSWorksheet& sheet, int s, ExpectedDump& expected, bool biff8) {
    const std::vector<double> numbers = InterestingNumbers();
    for (size_t k = 0; k < numbers.size(); ++k) {
        const int col = static_cast<int>(k);
        sheet.SetCellValue(0, col, Variant(numbers[k]));  // one run across the row
        expected.Number(s, 0, col, numbers[k]);
        sheet.SetCellValue(1 + col, 2 * (col % 3), Variant(numbers[k]));  // alone
        expected.Number(s, 1 + col, 2 * (col % 3), numbers[k]);
    }
    int row = 40;
    const std::vector<std::u16string> texts =
        biff8 ? std::vector<std::u16string>{u"plain", u"  blanks around  ", u"line\nfeed", u"tab\there",
                                            u"quote \" and \\ back", u"caf\u00e9 \u00dc\u00df",
                                            u"\u65e5\u672c\u8a9e", u"smile \U0001F600 and \U00010348", u"123",
                                            u"=1+", u"\u20ac"}
              : std::vector<std::u16string>{u"plain", u"  blanks around  ", u"line\nfeed", u"caf\u00e9 \u00dc\u00df",
                                            u"123", u"\u20ac and \u2019"};
    for (const std::u16string& text : texts) {
        sheet.SetCellValue(row, 0, Variant(text));
        expected.Text(s, row, 0, text);
        sheet.SetCellValue(row, 1, Variant(text));  // the same text again: one shared string
        expected.Text(s, row, 1, text);
        ++row;
    }
    sheet.SetCellValue(row, 0, Variant(u"'"));  // an apostrophe alone stores the empty text
    expected.Text(s, row, 0, u"");
    sheet.SetCellValue(row, 1, Variant(u"'=1"));
    expected.Text(s, row, 1, u"=1");
    ++row;
    sheet.SetCellValue(row, 0, Variant(true));
    expected.Bool(s, row, 0, true);
    sheet.SetCellValue(row, 1, Variant(false));
    expected.Bool(s, row, 1, false);
    sheet.SetCellValue(row, 2, Variant());        // blank: no line in the dump
    sheet.SetCellValue(row, 3, Variant::Null());
    sheet.SetCellValue(row, 4, Variant(7.0));
    expected.Number(s, row, 4, 7.0);
    ++row;

    TXLSStyleXF dateFormat = book.Styles().XF(15);
    dateFormat.numFormat = 14;
    const int32_t dateXF = book.Styles().AddXF(dateFormat);
    dateFormat.numFormat = 22;
    const int32_t dateTimeXF = book.Styles().AddXF(dateFormat);
    const double shift = book.Date1904() ? 1462.0 : 0.0;
    // Dates: the model stores d - 1 for 1 <= d < 61 (the 1900 leap-day gap).
    const struct {
        double date;
        double stored;
    } dates[] = {{45000.0, 45000.0}, {45000.75, 45000.75}, {61.0, 61.0}, {60.0, 59.0}, {1.0, 0.0}, {2000.5, 2000.5}};
    for (const auto& d : dates) {
        sheet.SetCellXF(row, 0, dateXF);
        sheet.SetCellValue(row, 0, Variant::Date(d.date));
        sheet.SetCellXF(row, 1, dateTimeXF);
        sheet.SetCellValue(row, 1, Variant(d.stored));  // a number in a date format
        const double written = d.stored < shift ? 0.0 : d.stored - shift;
        expected.Number(s, row, 0, written);
        expected.Number(s, row, 1, written);
        ++row;
    }
}

TEST(WriterOracle, XlrdReadsEveryValueOfABiff8Workbook) {
    SKIP_WITHOUT_ORACLE();
    TXLSWorkbook book;
    ExpectedDump expected;
    IXLSWorksheet& types = book.Sheets().Add();
    ASSERT_TRUE(types.SetName(u"Types"));
    expected.AddSheet(u"Types");
    FillTypes(book, types, 0, expected, true);

    IXLSWorksheet& wide = book.Sheets().Add();
    ASSERT_TRUE(wide.SetName(u"Wide \u00e9"));
    expected.AddSheet(u"Wide \u00e9");
    for (int col = 0; col <= 256; ++col) {
        wide.SetCellValue(0, col, Variant(double(col)));
        wide.SetCellValue(2, col, Variant(std::u16string(u"c").append(Utf8ToUtf16(std::to_string(col)))));
        if (col < 256) {  // column 256 exists only in the model
            expected.Number(1, 0, col, col);
            expected.Text(1, 2, col, std::u16string(u"c").append(Utf8ToUtf16(std::to_string(col))));
        }
    }

    IXLSWorksheet& tall = book.Sheets().Add();
    ASSERT_TRUE(tall.SetName(u"Tall"));
    expected.AddSheet(u"Tall");
    for (int row = 0; row <= 65536; ++row) {
        tall.SetCellValue(row, 0, Variant(double(row) / 4));
        if (row < 65536) expected.Number(2, row, 0, double(row) / 4);
        if (row % 1000 == 0) {
            tall.SetCellValue(row, 1, Variant(u"row " + Utf8ToUtf16(std::to_string(row))));
            if (row < 65536) expected.Text(2, row, 1, u"row " + Utf8ToUtf16(std::to_string(row)));
        }
    }

    IXLSWorksheet& texts = book.Sheets().Add();
    ASSERT_TRUE(texts.SetName(u"Long texts"));
    expected.AddSheet(u"Long texts");
    std::u16string longText;
    for (int i = 0; i < 10000; ++i) longText.push_back(static_cast<char16_t>(u'A' + i % 26));
    std::u16string supplementary;
    for (int i = 0; i < 3000; ++i) supplementary += u"\U0001F600x";  // pairs fall on CONTINUE edges
    const std::u16string texts4[] = {longText, supplementary, std::u16string(4106, u'q'), std::u16string(4107, u'r')};
    for (int k = 0; k < 4; ++k) {
        texts.SetCellValue(k, 0, Variant(texts4[k]));
        expected.Text(3, k, 0, texts4[k]);
    }

    ExpectOracleAgrees(book, 2, expected, "biff8-all.xls");
}

TEST(WriterOracle, XlrdReadsABiff5Workbook) {
    SKIP_WITHOUT_ORACLE();
    TXLSWorkbook book;
    ExpectedDump expected;
    IXLSWorksheet& types = book.Sheets().Add();
    expected.AddSheet(u"Sheet1");
    FillTypes(book, types, 0, expected, false);
    IXLSWorksheet& tall = book.Sheets().Add();
    ASSERT_TRUE(tall.SetName(u"H\u00f6he"));
    expected.AddSheet(u"H\u00f6he");
    // xlrd reads no row past 16,383 in a BIFF5 file, the row limit of that format's readers.
    for (int row = 0; row < 16384; row += 3) {
        tall.SetCellValue(row, 255, Variant(double(row)));
        expected.Number(1, row, 255, row);
    }
    tall.SetCellValue(1, 0, Variant(std::u16string(400, u'\u00e4')));
    expected.Text(1, 1, 0, std::u16string(255, u'\u00e4'));  // BIFF5 texts end at 255 characters
    ExpectOracleAgrees(book, 1, expected, "biff5.xls");
}

TEST(WriterOracle, Date1904WorkbookShiftsDates) {
    SKIP_WITHOUT_ORACLE();
    TXLSWorkbook book;
    book.SetDate1904(true);
    ExpectedDump expected;
    expected.DateMode = 1;
    IXLSWorksheet& sheet = book.Sheets().Add();
    expected.AddSheet(u"Sheet1");
    FillTypes(book, sheet, 0, expected, true);
    ExpectOracleAgrees(book, 2, expected, "date1904.xls");
}

TEST(WriterOracle, BenchContentAndDeviceList) {
    SKIP_WITHOUT_ORACLE();
    TXLSWorkbook book;
    ExpectedDump expected;
    IXLSWorksheet& wide = book.Sheets().Add();
    ASSERT_TRUE(wide.SetName(u"wide"));
    expected.AddSheet(u"wide");
    std::array<bench::BenchCell, bench::kWideCols> cells;
    for (int32_t row = 0; row < bench::kWideRows; ++row) {
        bench::WideRow(row, cells);
        for (int col = 0; col < bench::kWideCols; ++col) {
            const bench::BenchCell& cell = cells[col];
            switch (cell.Kind) {
                case bench::BenchCell::Kind::Text:
                    wide.SetCellValue(row, col, Variant(cell.Text));
                    expected.Text(0, row, col, cell.Text);
                    break;
                case bench::BenchCell::Kind::Number:
                    wide.SetCellValue(row, col, Variant(cell.Number));
                    expected.Number(0, row, col, cell.Number);
                    break;
                case bench::BenchCell::Kind::Boolean:
                    wide.SetCellValue(row, col, Variant(cell.Flag));
                    expected.Bool(0, row, col, cell.Flag);
                    break;
                case bench::BenchCell::Kind::None:
                    break;
            }
        }
    }
    IXLSWorksheet& devices = book.Sheets().Add();
    ASSERT_TRUE(devices.SetName(u"devices"));
    expected.AddSheet(u"devices");
    std::array<std::u16string, 4> device;
    for (int32_t row = 0; row < bench::kDeviceRows; ++row) {
        bench::DeviceRow(row, device);
        for (int col = 0; col < 4; ++col) {
            devices.SetCellValue(row, col, Variant(device[col]));
            expected.Text(1, row, col, device[col]);
        }
    }
    ExpectOracleAgrees(book, 2, expected, "bench.xls");
    std::string out;
    RunCommand("stat -c %s " + TempPath("bench.xls"), out);
    EXPECT_GT(std::stoll(out), 7 * 1024 * 1024) << "the document must need DIFAT-free large FAT chains";
}

TEST(WriterOracle, TinyDocumentsPassTheCompoundChecks) {
    SKIP_WITHOUT_ORACLE();
    for (int32_t format : {1, 2}) {
        TXLSWorkbook book;
        const std::string path = TempPath("tiny-" + std::to_string(format) + ".xls");
        ASSERT_EQ(book.SaveAsFormat(Utf8ToUtf16(path), nullptr, format), 1);
        std::string out;
        EXPECT_EQ(RunCommand(OraclePython() + " " + OracleScript() + " --cfb " + path + " 2>&1", out), 0) << out;
        EXPECT_NE(out.find(format == 1 ? "\"Book\"" : "\"Workbook\""), std::string::npos) << out;
        ExpectedDump expected;
        expected.AddSheet(u"Sheet1");
        const std::string expectedPath = path + ".expected.jsonl";
        writer_test::WriteFile(expectedPath, expected.Dump());
        EXPECT_EQ(RunCommand(OraclePython() + " " + OracleScript() + " " + path + " | " + OraclePython() + " " +
                                 OracleScript() + " --compare " + expectedPath + " - 2>&1",
                             out),
                  0)
            << out;
    }
}

}  // namespace
}  // namespace korvel
