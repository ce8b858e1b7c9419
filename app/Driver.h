// The korvel command line: examines the one argument, answers with a message
// box or runs one of the three conversions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

enum class ArgumentKind {
    Missing,      // no argument: the usage box
    Unknown,      // neither a ".xls" nor one of the two list file names: "File error!"
    Workbook,     // extension exactly ".xls" (byte for byte), whatever the name
    ListFile,     // file name "settings.dat", ASCII letter case ignored
    Preferences,  // file name "com.velmorak.zKestra_preferences.xml", ASCII case ignored
};

constexpr std::string_view kUsageText =
    "Usage: korvel [com.velmorak.zKestra_preferences.xml | settings.dat | list.xls]";

// The kind of an argument from its text alone. The file name is what follows
// the last "/"; the extension runs from the last "." in the file name.
ArgumentKind ClassifyArgument(std::string_view argument);

// Runs the driver on the arguments after the program name (only the first is
// looked at). Returns the exit code, 0 after a message box or a completed
// conversion, 1 after the box telling that a workbook could not be read. Errors of the conversions propagate to the caller, which shows
// the failure box (see RunWithFailureBox). The executable folder must end with
// its separator; an empty one is refused with an error before any output.
int RunDriver(const std::vector<std::string>& arguments, const std::string& executableFolder);

}  // namespace korvel
