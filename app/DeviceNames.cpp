#include "app/DeviceNames.h"

namespace korvel {

namespace {
bool NeedsQuotes(std::string_view name) {
    for (char c : name) {
        if (static_cast<unsigned char>(c) <= 32 || c == '"') return true;
    }
    return false;
}
}  // namespace

void AppendQuotedDeviceName(std::string& out, std::string_view name) {
    if (!NeedsQuotes(name)) {
        out.append(name);
        return;
    }
    out.push_back('"');
    for (char c : name) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::string JoinDeviceNames(const std::vector<std::string>& names) {
    std::string joined;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) joined.push_back('\n');
        AppendQuotedDeviceName(joined, names[i]);
    }
    return joined;
}

std::vector<std::string> SplitDeviceNames(std::string_view text) {
    if (size_t zero = text.find('\0'); zero != std::string_view::npos) text = text.substr(0, zero);
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            names.emplace_back(text.substr(start));
            break;
        }
        names.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return names;
}

}  // namespace korvel
