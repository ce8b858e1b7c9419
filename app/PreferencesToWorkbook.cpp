// The preferences file -> "list.xls": the devices named by the "seq" entry,
// one per row, with the U, P and S entries found for each.
#include "app/Conversions.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "app/DeviceWorkbook.h"
#include "app/FileNames.h"
#include "app/PreferencesReader.h"
#include "xml/KRXMLParser.h"

namespace korvel {

namespace {
void SetOptionalText(TXLSRange& cells, int32_t row, int32_t col, const std::optional<std::string>& text) {
    if (text) cells.Item(row, col)->SetValue(ExactTextVariant(*text));
}
}  // namespace

void ConvertPreferencesToWorkbook(const std::string& argument, const std::string& executableFolder) {
    TXLSWorkbook workbook;
    TXLSRangeRef cells = FirstSheetOf(workbook).Cells();

    TKRXMLParser parser;
    parser.LoadFromFile(argument);
    std::vector<TPreferencesDevice> devices = ReadPreferencesDevices(parser.RootItem());
    RequireDeviceRow(static_cast<int32_t>(std::min<size_t>(devices.size(), kMaxWorkbookDevices + 1)), argument);

    int32_t row = 1;
    for (const TPreferencesDevice& device : devices) {
        cells->Item(row, 1)->SetValue(ExactTextVariant(device.name));
        SetOptionalText(*cells, row, 2, device.u);
        SetOptionalText(*cells, row, 3, device.p);
        SetOptionalText(*cells, row, 4, device.s);
        ++row;
    }

    SaveWorkbook(workbook, executableFolder + std::string(kWorkbookOutputName));
}

}  // namespace korvel
