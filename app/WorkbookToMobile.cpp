// A ".xls" workbook -> both mobile files. Sheet 1 is read row by row, at most
// 1000 rows, up to the first row without a name. Every value used is first
// trimmed and written back into the sheet as text, and the value read back
// afterwards is the one that goes into the files.
#include "app/Conversions.h"

#include "app/CellText.h"
#include "app/DeviceWorkbook.h"
#include "app/FileNames.h"
#include "app/MobileListWriter.h"
#include "common/TextUtil.h"
#include "platform/MessageBox.h"

namespace korvel {

namespace {
constexpr int32_t kMaxRows = 1000;
constexpr int kWorkbookUnreadableExitCode = 1;

// Trims the text of the cell's value and writes it back; `text` then holds
// the text of the value read back. False when the cell has no value, before
// or after the write-back (a value of blanks only is emptied by it).
bool TakeTrimmedText(TXLSRange& cell, std::string& text) {
    Variant value = cell.Value();
    if (!CellHasValue(value)) return false;
    CellValueToAnsi(value, text);
    cell.SetValue(ExactTextVariant(TrimControlAndBlank(text)));
    value = cell.Value();
    if (!CellHasValue(value)) return false;
    CellValueToAnsi(value, text);
    return true;
}

void ShowUnreadable(const std::string& argument, const std::string& reason) {
    ShowMessageBox("ERROR", "The workbook \"" + argument + "\" could not be read: " + reason + ".");
}

void WriteDevices(TXLSRange& cells, TMobileListWriter& out) {
    constexpr DeviceKey kKeys[] = {DeviceKey::U, DeviceKey::P, DeviceKey::S};
    std::string text;
    for (int32_t row = 1; row <= kMaxRows; ++row) {
        if (!TakeTrimmedText(*cells.Item(row, 1), text)) break;
        out.BeginDevice(text);
        for (int32_t i = 0; i < 3; ++i) {
            if (TakeTrimmedText(*cells.Item(row, 2 + i), text)) out.AddValue(kKeys[i], text);
        }
        out.EndDevice();
    }
}
}  // namespace

int ConvertWorkbookToMobile(const std::string& argument, const std::string& executableFolder) {
    // The workbook is read before any output is made, so a workbook that
    // cannot be read leaves the mobile files as they were.
    TXLSWorkbook workbook;
    const int32_t result = workbook.Open(WorkbookFileName(argument));
    if (result != kXLSOk) {
        ShowUnreadable(argument, OpenFailureReason(result));
        return kWorkbookUnreadableExitCode;
    }
    IXLSWorksheet* sheet = workbook.Sheets().Items(1);
    if (sheet == nullptr) {
        ShowUnreadable(argument, "it holds no worksheet");
        return kWorkbookUnreadableExitCode;
    }

    TMobileListWriter out;
    out.Create(executableFolder + std::string(kAndroidOutputName), executableFolder + std::string(kIphoneOutputName));
    TXLSRangeRef cells = sheet->Cells();
    WriteDevices(*cells, out);
    out.Finish();
    return 0;
}

}  // namespace korvel
