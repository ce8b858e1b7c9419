// What the conversions need of a workbook beyond the model's own operations:
// sheet 1 made sure of, device texts stored exactly, a save whose failure is
// reported, and plain words for a workbook that cannot be read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Errors.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

// A conversion that cannot complete for a reason of its own (not a file
// operation): the workbook could not be saved, or the list does not fit one.
class EConversionError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EConversionError"; }
};

// Steps named in the failure box.
constexpr uint32_t kStepWorkbookSave = 0x00420010;
constexpr uint32_t kStepTooManyDevices = 0x00420020;

// A BIFF8 sheet holds rows 1 to 65,536; the writer leaves out any row after
// that, so a longer device list is refused instead of being cut.
constexpr int32_t kMaxWorkbookDevices = 65536;

// Sheet 1 of the workbook, added when the workbook has no sheet.
IXLSWorksheet& FirstSheetOf(TXLSWorkbook& workbook);

// The variant that stores `ansi` in a cell as exactly that text. The cell
// rule takes a leading "'" away and reads a leading "=" as a formula, so such
// a text gets one apostrophe in front, which the rule removes again.
Variant ExactTextVariant(std::string_view ansi);

// Throws EConversionError (step kStepTooManyDevices) when device number `row`
// (1-based) no longer fits a sheet; `source` names the input in the message.
void RequireDeviceRow(int32_t row, const std::string& source);

// File names for Open and SaveAs. This build's file layer turns UTF-16 names
// back into UTF-8 path bytes, so the path is widened as UTF-8 whatever the
// ANSI code page, and reaches the file system byte for byte.
std::u16string WorkbookFileName(const std::string& path);

// SaveAs to `path`; any result but 1 throws EConversionError (step
// kStepWorkbookSave) with "Cannot save "<path>": <reason>", and the file at
// `path` is then left as it was (the writer replaces it only when complete).
void SaveWorkbook(TXLSWorkbook& workbook, const std::string& path);

// The reason, in plain words, for a result of Open other than 1
// ("it needs a password", "it is not a workbook", ...).
std::string OpenFailureReason(int32_t result);

}  // namespace korvel
