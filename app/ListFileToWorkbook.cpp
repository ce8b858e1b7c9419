// "settings.dat" -> "list.xls": one row per 210-byte record, columns name, U,
// P and S, saved only once every record has been read.
#include "app/Conversions.h"

#include "app/DeviceWorkbook.h"
#include "app/FileNames.h"
#include "app/ListFileReader.h"

namespace korvel {

void ConvertListFileToWorkbook(const std::string& argument, const std::string& executableFolder) {
    TListFileReader reader;
    reader.Open(argument);

    TXLSWorkbook workbook;
    TXLSRangeRef cells = FirstSheetOf(workbook).Cells();
    TDeviceFields device;
    for (int32_t row = 1; reader.Next(device); ++row) {
        RequireDeviceRow(row, argument);
        cells->Item(row, 1)->SetValue(ExactTextVariant(device.name));
        cells->Item(row, 2)->SetValue(ExactTextVariant(device.u));
        cells->Item(row, 3)->SetValue(ExactTextVariant(device.p));
        cells->Item(row, 4)->SetValue(ExactTextVariant(device.s));
    }
    reader.Close();

    SaveWorkbook(workbook, executableFolder + std::string(kWorkbookOutputName));
}

}  // namespace korvel
