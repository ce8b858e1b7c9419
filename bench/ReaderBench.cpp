// Whole-process reader benchmark: korvel_reader_bench FILE [--password P]
// opens the workbook and touches every value through Cells, Item and Value,
// then prints the same content checksum as the peers' read scripts
// (cells, texts, numbers, booleans, characters, sum of numbers), so that a run
// can be timed from outside like theirs and checked against them.
// Dates count as numbers, with their serials in the 1900 date system.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/TextUtil.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace {

struct Totals {
    long texts = 0, numbers = 0, booleans = 0, chars = 0;
    double sum = 0;
};

void Touch(const korvel::Variant& value, Totals& totals) {
    switch (value.Kind()) {
    case korvel::VariantKind::WideString:
        ++totals.texts;
        totals.chars += static_cast<long>(value.AsWide().size());
        break;
    case korvel::VariantKind::Double:
        ++totals.numbers;
        totals.sum += value.AsDouble();
        break;
    case korvel::VariantKind::Date: {
        const double days = value.AsDateDays();
        ++totals.numbers;
        totals.sum += days >= 1 && days < 61 ? days - 1 : days;
        break;
    }
    case korvel::VariantKind::Boolean:
        ++totals.booleans;
        break;
    default:
        break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvel_reader_bench FILE [--password P]\n");
        return 2;
    }
    std::u16string password;
    if (argc >= 4 && std::strcmp(argv[2], "--password") == 0) password = korvel::Utf8ToUtf16(argv[3]);
    const auto start = std::chrono::steady_clock::now();
    korvel::TXLSWorkbook workbook;
    const int32_t result = workbook.Open(korvel::Utf8ToUtf16(argv[1]), password);
    if (result != korvel::kXLSOk) {
        std::fprintf(stderr, "cannot read %s: result %d\n", argv[1], static_cast<int>(result));
        return 1;
    }
    const auto opened = std::chrono::steady_clock::now();
    Totals totals;
    korvel::IXLSWorkSheets& sheets = workbook.Sheets();
    for (int32_t s = 1; s <= sheets.Count(); ++s) {
        korvel::IXLSWorksheet& sheet = *sheets.Items(s);
        korvel::TXLSRangeRef cells = sheet.Cells();
        korvel::TXLSCellHeap& heap = sheet.CellHeap();
        for (int32_t row = sheet.Rows().FirstRow(); row >= 0; row = sheet.Rows().NextRow(row))
            for (korvel::TXLSCellRef* cell = heap.FirstCellInRow(row); cell; cell = heap.NextCellInRow(*cell))
                Touch(cells->Item(row + 1, cell->Column + 1)->Value(), totals);
    }
    const auto done = std::chrono::steady_clock::now();
    std::printf("cells=%ld str=%ld num=%ld bool=%ld other=0 chars=%ld numsum=%.9e\n",
                totals.texts + totals.numbers + totals.booleans, totals.texts, totals.numbers, totals.booleans,
                totals.chars, totals.sum);
    std::fprintf(stderr, "open %.3f s, values %.3f s\n", std::chrono::duration<double>(opened - start).count(),
                 std::chrono::duration<double>(done - opened).count());
    return 0;
}
