// libFuzzer target for the workbook reader: opens arbitrary bytes through
// OpenStream and reads every cell of every sheet.
//
// The first input byte chooses how the rest is presented: bit 0 set puts it
// as the "Workbook" stream into a new compound document (so the fuzzer works
// on records, not on the container), with bit 2 also set into one whose
// every sector lies apart (padded with zeros to the 4,096 bytes such a
// stream needs), so that records straddle the pieces; bit 1 set opens with a
// password, so that encrypted seeds decrypt and their records get explored
// too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Stream.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "tests/xls/storage/ScatteredDocument.h"
#include "xls/storage/CompoundDocumentWriter.h"

namespace {

constexpr uint8_t kWrapInCompoundDocument = 0x01;
constexpr uint8_t kUsePassword = 0x02;
constexpr uint8_t kScatterSectors = 0x04;
constexpr size_t kScatteredMinimum = 4096;

std::vector<uint8_t> WrapInCompoundDocument(const uint8_t* data, size_t size) {
    korvel::TCompoundDocumentWriter writer;
    korvel::TCompoundStreamWriter* stream = nullptr;
    std::vector<uint8_t> bytes;
    if (writer.Root().CreateStream(u"Workbook", stream) != korvel::kStorageOk) return bytes;
    stream->Write(data, size);
    writer.SaveToBytes(bytes);
    return bytes;
}

void TouchEveryCell(korvel::TXLSWorkbook& workbook) {
    korvel::IXLSWorkSheets& sheets = workbook.Sheets();
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        korvel::IXLSWorksheet& sheet = *sheets.Items(i);
        korvel::TXLSCellHeap& heap = sheet.CellHeap();
        for (int32_t row = sheet.Rows().FirstRow(); row >= 0; row = sheet.Rows().NextRow(row))
            for (korvel::TXLSCellRef* cell = heap.FirstCellInRow(row); cell; cell = heap.NextCellInRow(*cell))
                (void)sheet.Cells()->Item(row + 1, cell->Column + 1)->Value();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0];
    std::vector<uint8_t> bytes;
    if ((mode & kWrapInCompoundDocument) && (mode & kScatterSectors)) {
        std::vector<uint8_t> records(data + 1, data + size);
        if (records.size() < kScatteredMinimum) records.resize(kScatteredMinimum);
        bytes = korvel::testing::ScatteredDocument(records, {});
    } else if (mode & kWrapInCompoundDocument) {
        bytes = WrapInCompoundDocument(data + 1, size - 1);
    } else {
        bytes.assign(data + 1, data + size);
    }
    korvel::TMemoryStream stream(std::move(bytes));
    korvel::TXLSWorkbook workbook;
    workbook.OpenStream(stream, (mode & kUsePassword) ? u"0123456789abcde" : u"");
    TouchEveryCell(workbook);
    return 0;
}
