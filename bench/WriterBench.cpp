// Whole-process benchmark of writing .xls files, for timing from outside the
// way the peer tools (xlwt, SheetJS) are timed: generate the benchmark content
// into a new workbook, save it, exit.
//
//   korvel_writer_bench wide|devices OUT.xls [biff5]
//
// Prints the phases' wall times on stderr; exit code 0 on success.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/BenchData.h"
#include "common/TextUtil.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

using namespace korvel;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void FillWide(IXLSWorksheet& sheet) {
    std::array<bench::BenchCell, bench::kWideCols> cells;
    for (int32_t row = 0; row < bench::kWideRows; ++row) {
        bench::WideRow(row, cells);
        for (int32_t col = 0; col < bench::kWideCols; ++col) {
            bench::BenchCell& cell = cells[static_cast<size_t>(col)];
            switch (cell.Kind) {
                case bench::BenchCell::Kind::Text: sheet.SetCellValue(row, col, Variant(std::move(cell.Text))); break;
                case bench::BenchCell::Kind::Number: sheet.SetCellValue(row, col, Variant(cell.Number)); break;
                case bench::BenchCell::Kind::Boolean: sheet.SetCellValue(row, col, Variant(cell.Flag)); break;
                case bench::BenchCell::Kind::None: break;
            }
        }
    }
}

void FillDevices(IXLSWorksheet& sheet) {
    std::array<std::u16string, 4> device;
    for (int32_t row = 0; row < bench::kDeviceRows; ++row) {
        bench::DeviceRow(row, device);
        for (int32_t col = 0; col < 4; ++col) sheet.SetCellValue(row, col, Variant(std::move(device[size_t(col)])));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "wide") != 0 && std::strcmp(argv[1], "devices") != 0)) {
        std::fprintf(stderr, "usage: %s wide|devices OUT.xls [biff5]\n", argv[0]);
        return 2;
    }
    const bool wide = std::strcmp(argv[1], "wide") == 0;
    const int32_t format = argc > 3 && std::strcmp(argv[3], "biff5") == 0 ? 1 : 2;
    const auto start = std::chrono::steady_clock::now();
    // Like the converter, the benchmark frees nothing before the process ends.
    TXLSWorkbook& book = *new TXLSWorkbook;
    IXLSWorksheet& sheet = book.Sheets().Add();
    sheet.SetName(wide ? u"wide" : u"devices");
    if (wide) FillWide(sheet);
    else FillDevices(sheet);
    const double filled = Seconds(start);
    const int32_t result = book.SaveAsFormat(Utf8ToUtf16(argv[2]), nullptr, format);
    const double total = Seconds(start);
    std::fprintf(stderr, "fill %.3f s, save %.3f s, total %.3f s, result %d\n", filled, total - filled, total, result);
    return result == 1 ? 0 : 1;
}
