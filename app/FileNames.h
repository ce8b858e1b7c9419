// The fixed names of the driver: inputs it recognises and outputs it writes
// below the executable's folder.
#pragma once

#include <string_view>

namespace korvel {

constexpr std::string_view kPreferencesFileName = "com.velmorak.zKestra_preferences.xml";
constexpr std::string_view kListFileName = "settings.dat";
constexpr std::string_view kWorkbookExtension = ".xls";
constexpr std::string_view kWorkbookOutputName = "list.xls";
// Outputs of the workbook-to-mobile conversion; their folders must exist.
constexpr std::string_view kAndroidOutputName = "android/com.velmorak.zKestra_preferences.xml";
constexpr std::string_view kIphoneOutputName = "iphone/settings.dat";

}  // namespace korvel
