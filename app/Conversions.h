// The three conversions the driver runs. Each takes the argument (the input
// file, known to exist) and the executable's folder (with its trailing
// separator), below which it writes its outputs. Failures are raised as
// errors (EInOutError and the like) for the failure box at the top of main.
#pragma once

#include <string>

namespace korvel {

// "settings.dat" -> folder + "list.xls".
void ConvertListFileToWorkbook(const std::string& argument, const std::string& executableFolder);
// The preferences file -> folder + "list.xls".
void ConvertPreferencesToWorkbook(const std::string& argument, const std::string& executableFolder);
// A ".xls" workbook -> folder + "android/..." and folder + "iphone/settings.dat".
// Returns the exit code: 0 when converted; 1 when the workbook cannot be read
// or has no sheet, which is told in an "ERROR" box before any output exists.
int ConvertWorkbookToMobile(const std::string& argument, const std::string& executableFolder);

}  // namespace korvel
