// The failure box: how an error that nothing below handles ends the run.
// Caption "Application Error", text
//   "Exception <kind> in module <executable file name> at <step>.\r\n<message>.\r\n"
// where <step> is eight upper-case hexadecimal digits naming the failing step
// and the final full stop is added unless the message already ends with one.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace korvel {

constexpr const char* kFailureCaption = "Application Error";
constexpr int kFailureExitCode = 1;

std::string FormatFailureText(std::string_view kind, std::string_view module, uint32_t step,
                              std::string_view message);

// Shows the failure box for `error`: an EKorvelError gives its Kind() and
// Step() (or, when it names no step, a stable hash of kind and message); any
// other exception shows as kind "Exception".
void ShowFailureBox(const std::exception& error);

// Runs body and returns its result; an exception escaping it is shown with the
// failure box and gives kFailureExitCode. The top of main runs through this.
int RunWithFailureBox(const std::function<int()>& body);

}  // namespace korvel
