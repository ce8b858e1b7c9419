// xlsx_read_bench FILE [RUNS]: opens an .xlsx through the workbook's Open and
// reads every value of every sheet through the cell interface, RUNS times
// (default 1) in one process. Prints, per run, the wall time and a content
// checksum in the form of the benchmark folder's read_openpyxl.py
// ("cells=... str=... num=... bool=... other=... chars=... numsum=..."), so
// that the two readers can be seen to read the same values; dates count as
// numbers (their 1900 serials), as openpyxl's are datetimes ("other").
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "common/TextUtil.h"
#include "xls/model/XLSWorkSheets.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace {

using namespace korvel;

struct Tally {
    long cells = 0, strings = 0, numbers = 0, booleans = 0, other = 0, chars = 0;
    double numberSum = 0;
};

void TouchSheet(IXLSWorksheet& sheet, Tally& tally) {
    TXLSCellHeap& heap = sheet.CellHeap();
    for (int32_t row = sheet.Rows().FirstRow(); row >= 0; row = sheet.Rows().NextRow(row)) {
        for (TXLSCellRef* cell = heap.FirstCellInRow(row); cell != nullptr; cell = heap.NextCellInRow(*cell)) {
            const Variant value = sheet.GetCellValue(cell->Row, cell->Column);
            switch (value.Kind()) {
            case VariantKind::Null: break;
            case VariantKind::WideString:
                ++tally.strings;
                tally.chars += static_cast<long>(value.AsWide().size());
                break;
            case VariantKind::Boolean: ++tally.booleans; break;
            case VariantKind::Double:
                ++tally.numbers;
                tally.numberSum += value.AsDouble();
                break;
            case VariantKind::Date:
                ++tally.numbers;
                tally.numberSum += value.AsDateDays();
                break;
            default: ++tally.other; break;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: xlsx_read_bench FILE [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        TXLSWorkbook workbook;
        const int32_t result = workbook.Open(Utf8ToUtf16(argv[1]));
        if (result != kXLSOk) {
            std::fprintf(stderr, "xlsx_read_bench: cannot read %s: result %d\n", argv[1], static_cast<int>(result));
            return 1;
        }
        const auto opened = std::chrono::steady_clock::now();
        Tally tally;
        for (int32_t i = 1; i <= workbook.Sheets().Count(); ++i) TouchSheet(*workbook.Sheets().Items(i), tally);
        tally.cells = tally.strings + tally.numbers + tally.booleans + tally.other;
        const auto done = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(done - start).count();
        std::fprintf(stderr, "open %.3f s, values %.3f s\n", std::chrono::duration<double>(opened - start).count(),
                     std::chrono::duration<double>(done - opened).count());
        std::printf("cells=%ld str=%ld num=%ld bool=%ld other=%ld chars=%ld numsum=%.9e wall=%.4f\n", tally.cells,
                    tally.strings, tally.numbers, tally.booleans, tally.other, tally.chars, tally.numberSum, seconds);
    }
    return 0;
}
