// libFuzzer target for opening encrypted workbooks: the FILEPASS record, the
// password and the records after it reach the reader through OpenStream, and
// every cell read is touched.
//
// Input: flags (1 byte), password length in UTF-16 units (1 byte), password
// (UTF-16LE), then the stream. Flag bit 0 puts the stream as "Workbook" into
// a compound document. Flag bit 1 builds the stream around the input instead:
// a globals BOF, a FILEPASS whose body is the next (2-byte length, body)
// field, then the rest of the input as the records that follow; so the
// fuzzer varies FILEPASS bodies without having to find the record framing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "platform/Stream.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkSheets.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/storage/CompoundDocumentWriter.h"

using namespace korvel;

namespace {

constexpr uint8_t kWrapInCompoundDocument = 0x01;
constexpr uint8_t kBuildAroundFilePass = 0x02;
// BIFF8 globals BOF: version 0x0600, type 5, build, year, history, lowest version.
constexpr uint8_t kGlobalsBof[] = {0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00, 0x00, 0x00,
                                   0xCC, 0x07, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00};

std::vector<uint8_t> WrapInCompoundDocument(std::vector<uint8_t> content) {
    TCompoundDocumentWriter writer;
    TCompoundStreamWriter* stream = nullptr;
    std::vector<uint8_t> bytes;
    if (writer.Root().CreateStream(u"Workbook", stream) != kStorageOk) return bytes;
    stream->Write(content.data(), content.size());
    writer.SaveToBytes(bytes);
    return bytes;
}

// The stream of a kBuildAroundFilePass input; empty when the length field is missing.
std::vector<uint8_t> BuildAroundFilePass(ByteCursor& in) {
    std::vector<uint8_t> stream(kGlobalsBof, kGlobalsBof + sizeof kGlobalsBof);
    const uint16_t size = in.U16();
    if (!in.Ok()) return {};
    const size_t bodySize = std::min<size_t>(size, in.Remaining());
    const uint8_t header[4] = {0x2F, 0x00, static_cast<uint8_t>(bodySize), static_cast<uint8_t>(bodySize >> 8)};
    stream.insert(stream.end(), header, header + 4);
    const uint8_t* body = in.Data() + in.Position();
    stream.insert(stream.end(), body, body + bodySize);
    in.Skip(bodySize);
    stream.insert(stream.end(), in.Data() + in.Position(), in.Data() + in.Position() + in.Remaining());
    return stream;
}

void TouchEveryCell(TXLSWorkbook& workbook) {
    IXLSWorkSheets& sheets = workbook.Sheets();
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        IXLSWorksheet& sheet = *sheets.Items(i);
        TXLSCellHeap& heap = sheet.CellHeap();
        for (int32_t row = sheet.Rows().FirstRow(); row >= 0; row = sheet.Rows().NextRow(row))
            for (TXLSCellRef* cell = heap.FirstCellInRow(row); cell; cell = heap.NextCellInRow(*cell))
                (void)sheet.Cells()->Item(row + 1, cell->Column + 1)->Value();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteCursor in(data, size);
    const uint8_t flags = in.U8();
    const uint8_t passwordLength = in.U8();
    std::u16string password;
    for (uint8_t i = 0; i < passwordLength && in.Ok(); ++i) password.push_back(static_cast<char16_t>(in.U16()));
    if (!in.Ok()) return 0;
    std::vector<uint8_t> stream;
    if (flags & kBuildAroundFilePass) stream = BuildAroundFilePass(in);
    else stream.assign(in.Data() + in.Position(), in.Data() + in.Position() + in.Remaining());
    if (flags & kWrapInCompoundDocument) stream = WrapInCompoundDocument(std::move(stream));
    TMemoryStream memory(std::move(stream));
    TXLSWorkbook workbook;
    workbook.OpenStream(memory, password);
    TouchEveryCell(workbook);
    return 0;
}
