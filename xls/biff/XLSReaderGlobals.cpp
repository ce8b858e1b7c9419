// The workbook-globals records of TXLSReader.
#include "xls/biff/XLSReader.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSSSTReader.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

namespace {

constexpr uint8_t kSheetTypeWorksheet = 0;
constexpr uint8_t kSheetTypeChart = 2;
constexpr size_t kBoundSheetVisibilityOffset = 4;
constexpr size_t kBoundSheetNameOffset = 6;
constexpr size_t kWindow1MinSize = 16;
constexpr size_t kWindow1ActiveTabOffset = 10;
// Records that carry one 16-bit value are read only when it is there whole.
constexpr size_t kWordRecordMinSize = 2;

}  // namespace

int32_t TXLSReader::DispatchGlobals(uint16_t id, const TXLSRecordGroup& group) {
    const std::span<const uint8_t> body = group.front();
    switch (id) {
    case XLSRecordId::kPROTECT: ReadProtect(body); break;
    case XLSRecordId::kPASSWORD: ReadPassword(body); break;
    case XLSRecordId::kDATEMODE: ReadDateMode(body); break;
    case XLSRecordId::kFILEPASS: return stream_.StartDecryption(body);
    case XLSRecordId::kFONT: return ReadFont(body);
    case XLSRecordId::kWINDOW1: ReadWindow1(body); break;
    case XLSRecordId::kCODEPAGE: ReadCodePage(body); break;
    case XLSRecordId::kBOUNDSHEET: ReadBoundSheet(body); break;
    case XLSRecordId::kPALETTE: ReadPalette(body); break;
    case XLSRecordId::kXF: ReadXF(body); break;
    case XLSRecordId::kSST: ReadSST(group); break;
    case XLSRecordId::kSTYLE: ReadStyle(body); break;
    case XLSRecordId::kFORMAT: ReadFormat(body); break;
    // REFMODE, CODENAME, EXTERNSHEET, NAME, SUPBOOK, EXTERNNAME and the
    // drawing group have no place in the model and are skipped with every
    // record this reader does not know.
    default: break;
    }
    return kXLSReadOk;
}

bool TXLSReader::ReadText(ByteCursor& cursor, bool count16, std::u16string& out) const {
    return Biff8() ? ReadBiff8String(cursor, count16, out) : ReadBiff5String(cursor, count16, codePage_, out);
}

void TXLSReader::ReadBoundSheet(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint8_t visibility = cursor.U8At(kBoundSheetVisibilityOffset);
    const uint8_t type = cursor.U8At(kBoundSheetVisibilityOffset + 1);
    if (!cursor.Ok() || (type != kSheetTypeWorksheet && type != kSheetTypeChart)) return;
    std::u16string name;
    cursor.Seek(kBoundSheetNameOffset);
    if (!ReadText(cursor, false, name)) return;
    if (workbook_.Sheets().Count() >= 0x7FFF) return;
    IXLSWorksheet& sheet = workbook_.Sheets().Add();
    // A name the collection refuses (a duplicate, a forbidden character)
    // leaves the sheet its default name.
    sheet.SetName(name);
    if (visibility <= static_cast<uint8_t>(TXLSSheetVisibility::VeryHidden))
        sheet.SetVisibility(static_cast<TXLSSheetVisibility>(visibility));
}

void TXLSReader::ReadCodePage(std::span<const uint8_t> body) {
    if (body.size() < kWordRecordMinSize) return;
    ByteCursor cursor(body);
    codePage_ = static_cast<uint16_t>(EffectiveCodePage(cursor.U16()));
}

void TXLSReader::ReadDateMode(std::span<const uint8_t> body) {
    if (body.size() < kWordRecordMinSize) return;
    ByteCursor cursor(body);
    date1904_ = cursor.U16() == 1;
    workbook_.SetDate1904(date1904_);
}

void TXLSReader::ReadWindow1(std::span<const uint8_t> body) {
    if (body.size() < kWindow1MinSize) return;
    ByteCursor cursor(body);
    activeTab_ = cursor.U16At(kWindow1ActiveTabOffset);
}

void TXLSReader::ReadProtect(std::span<const uint8_t> body) {
    if (body.size() < kWordRecordMinSize) return;
    ByteCursor cursor(body);
    if (cursor.U16() == 1) workbook_.Protection().Protected = true;
}

void TXLSReader::ReadPassword(std::span<const uint8_t> body) {
    if (body.size() < kWordRecordMinSize) return;
    ByteCursor cursor(body);
    workbook_.Protection().PasswordHash = cursor.U16();
}

// Every string goes into the workbook's string table at once, where the
// reader holds one reference to it until the stream is read: cells then take
// their strings by id, and strings no cell took leave the table at the end.
void TXLSReader::ReadSST(const TXLSRecordGroup& group) {
    TXLSStringTable& table = workbook_.StringTable();
    const uint64_t count = SSTStringCountBound(group);
    table.ExpectStrings(count);
    sharedStrings_.reserve(sharedStrings_.size() + count);
    ReadSSTGroup(group, [&](std::u16string_view text) {
        table.HoldSharedString(text, sharedStrings_);
    });
}

}  // namespace korvel
