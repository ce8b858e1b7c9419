#include "app/DeviceWorkbook.h"

#include "common/TextUtil.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/biff/XLSWriterResults.h"
#include "xls/model/XLSModelResults.h"

namespace korvel {

IXLSWorksheet& FirstSheetOf(TXLSWorkbook& workbook) {
    if (workbook.Sheets().Count() < 1) workbook.Sheets().Add();
    return *workbook.Sheets().Items(1);
}

Variant ExactTextVariant(std::string_view ansi) {
    if (!ansi.empty() && (ansi.front() == '\'' || ansi.front() == '=')) {
        std::string quoted;
        quoted.reserve(ansi.size() + 1);
        quoted.push_back('\'');
        quoted.append(ansi);
        return Variant::Ansi(std::move(quoted));
    }
    return Variant::Ansi(std::string(ansi));
}

void RequireDeviceRow(int32_t row, const std::string& source) {
    if (row <= kMaxWorkbookDevices) return;
    EConversionError error("\"" + source + "\" holds more than 65536 devices, more than a workbook sheet can take");
    error.SetStep(kStepTooManyDevices);
    throw error;
}

std::u16string WorkbookFileName(const std::string& path) { return Utf8ToUtf16(path); }

namespace {
std::string SaveFailureReason(int32_t result) {
    switch (result) {
    case kXLSCannotCreateFile: return "the file could not be created or written";
    case kXLSCannotCreateMemoryStorage: return "the workbook could not be built in memory";
    case kXLSWriteFailed: return "the workbook could not be written";
    default: return "the workbook writer failed with code " + std::to_string(result);
    }
}
}  // namespace

void SaveWorkbook(TXLSWorkbook& workbook, const std::string& path) {
    const int32_t result = workbook.SaveAs(WorkbookFileName(path));
    if (result == kXLSOk) return;
    EConversionError error("Cannot save \"" + path + "\": " + SaveFailureReason(result));
    error.SetStep(kStepWorkbookSave);
    throw error;
}

std::string OpenFailureReason(int32_t result) {
    switch (result) {
    case kXLSCannotOpen: return "the file cannot be opened, or it is damaged";
    case kXLSReadNoRecordStream: return "it is not a workbook (it holds no workbook stream)";
    case kXLSUnknownFormat: return "it is not a workbook";
    case kXLSHtmlFile: return "it is an HTML file, not a workbook";
    case kXLSXmlFile: return "it is an XML file, not a workbook";
    case kXLSReadEndOfStream: return "it is damaged: it ends in the middle of a sheet";
    case kDecryptBadFilePass: return "it is damaged: its encryption header is malformed";
    case kDecryptUnknownType:
    case kDecryptUnsupportedMethod: return "it is encrypted with a method this program does not support";
    case kDecryptPasswordNeeded: return "it is protected by a password (password needed)";
    case kDecryptPasswordTooLong: return "its password is too long for its encryption method";
    case kDecryptWrongPassword: return "the password does not open it";
    default: return "it is damaged or of an unknown kind (code " + std::to_string(result) + ")";
    }
}

}  // namespace korvel
