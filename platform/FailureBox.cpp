#include "platform/FailureBox.h"

#include <cstdio>

#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace korvel {

namespace {
// FNV-1a: a stable number for errors that do not name their step.
uint32_t HashStep(std::string_view kind, std::string_view message) {
    uint32_t hash = 2166136261u;
    auto mix = [&hash](std::string_view text) {
        for (char c : text) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    };
    mix(kind);
    mix("|");
    mix(message);
    return hash;
}
}  // namespace

std::string FormatFailureText(std::string_view kind, std::string_view module, uint32_t step,
                              std::string_view message) {
    char address[9];
    std::snprintf(address, sizeof address, "%08X", static_cast<unsigned>(step));
    std::string text = "Exception ";
    text.append(kind).append(" in module ").append(module).append(" at ").append(address).append(".\r\n");
    text.append(message);
    if (message.empty() || message.back() != '.') text.push_back('.');
    text.append("\r\n");
    return text;
}

void ShowFailureBox(const std::exception& error) {
    std::string_view kind = "Exception";
    uint32_t step = 0;
    if (const auto* own = dynamic_cast<const EKorvelError*>(&error)) {
        kind = own->Kind();
        step = own->Step();
    }
    std::string_view message = error.what();
    if (step == 0) step = HashStep(kind, message);
    ShowMessageBox(kFailureCaption, FormatFailureText(kind, ExecutableFileName(), step, message));
}

int RunWithFailureBox(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        ShowFailureBox(error);
    } catch (...) {
        ShowFailureBox(EKorvelError("Unknown error"));
    }
    return kFailureExitCode;
}

}  // namespace korvel
