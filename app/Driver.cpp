#include "app/Driver.h"

#include "app/Conversions.h"
#include "app/FileNames.h"
#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace korvel {

namespace {
constexpr char kPathSeparator = '/';

void ShowDriverMessage(const char* caption, std::string_view text) { ShowMessageBox(caption, std::string(text)); }
}  // namespace

ArgumentKind ClassifyArgument(std::string_view argument) {
    size_t slash = argument.rfind(kPathSeparator);
    std::string_view fileName = slash == std::string_view::npos ? argument : argument.substr(slash + 1);
    size_t dot = fileName.rfind('.');
    std::string_view extension = dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
    if (extension == kWorkbookExtension) return ArgumentKind::Workbook;
    if (AsciiEqualsIgnoreCase(fileName, kListFileName)) return ArgumentKind::ListFile;
    if (AsciiEqualsIgnoreCase(fileName, kPreferencesFileName)) return ArgumentKind::Preferences;
    return ArgumentKind::Unknown;
}

int RunDriver(const std::vector<std::string>& arguments, const std::string& executableFolder) {
    if (arguments.empty()) {
        ShowDriverMessage("Warning", kUsageText);
        return 0;
    }
    const std::string& argument = arguments.front();
    ArgumentKind kind = ClassifyArgument(argument);
    if (kind == ArgumentKind::Unknown) {
        ShowDriverMessage("ERROR", "File error!");
        return 0;
    }
    if (!FileExists(argument)) {
        ShowDriverMessage("ERROR", "File not found !");
        return 0;
    }
    if (executableFolder.empty()) throw EKorvelError("Cannot determine the folder of the executable");
    switch (kind) {
    case ArgumentKind::Workbook: return ConvertWorkbookToMobile(argument, executableFolder);
    case ArgumentKind::ListFile: ConvertListFileToWorkbook(argument, executableFolder); break;
    case ArgumentKind::Preferences: ConvertPreferencesToWorkbook(argument, executableFolder); break;
    case ArgumentKind::Missing:
    case ArgumentKind::Unknown: break;
    }
    return 0;
}

}  // namespace korvel
