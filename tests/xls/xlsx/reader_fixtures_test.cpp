// Packages written by independent programs (LibreOffice, Gnumeric, openpyxl,
// SheetJS) read through the workbook's Open must give the cells openpyxl
// found in them (tests/data/xlsx/*.expected.jsonl), compared by
// tests/tools/oracle-dump.py. Our dump holds dates as 1900 serials and has
// no error values, and openpyxl does not report empty texts: the compare
// options say so.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cctype>
#include <fstream>
#include <string>

#include "common/TextUtil.h"
#include "tools/XLSCellDump.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {
namespace {

int RunShell(const std::string& command, std::string& out) {
    out.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class XLSXFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(XLSXFixture, ReadsLikeOpenpyxl) {
    const std::string dir = std::string(KORVEL_TEST_DATA) + "/xlsx/";
    const std::string file = dir + GetParam();
    TXLSWorkbook workbook;
    ASSERT_EQ(workbook.Open(Utf8ToUtf16(file)), kXLSOk);
    EXPECT_EQ(workbook.LoadedFormat(), kXLSFormatXlsx);
    std::string dump;
    AppendCellDump(workbook, dump);
    ASSERT_GT(dump.size(), 40u);

    std::string out;
    if (RunShell("/usr/bin/python3 -c 'import json' 2>/dev/null", out) != 0) GTEST_SKIP() << "no /usr/bin/python3";
    const std::string ours = ::testing::TempDir() + "xlsx-reader-" + GetParam() + ".jsonl";
    std::ofstream(ours, std::ios::binary) << dump;
    const std::string command = "/usr/bin/python3 " + std::string(KORVEL_SOURCE_DIR) +
                                "/tests/tools/oracle-dump.py --compare --dates-as-numbers --model-dates --no-errors "
                                "--empty-text-as-blank '" + file + ".expected.jsonl' '" + ours + "' 2>&1";
    EXPECT_EQ(RunShell(command, out), 0) << out;
}

INSTANTIATE_TEST_SUITE_P(Producers, XLSXFixture,
                         ::testing::Values("xlsx-libreoffice.xlsx", "xlsx-gnumeric.xlsx", "xlsx-openpyxl.xlsx",
                                           "xlsx-sheetjs.xlsx", "xlsx-sheetjs-sst.xlsx", "date1904-openpyxl.xlsx"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace korvel
