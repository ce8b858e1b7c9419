#include "xml/XMLEntities.h"

namespace korvel {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    size_t at = text.find(from);
    if (at == std::string::npos) return;
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (; at != std::string::npos; at = text.find(from, done)) {
        out.append(text, done, at - done);
        out.append(to);
        done = at + from.size();
    }
    out.append(text, done, std::string::npos);
    text.swap(out);
}

}  // namespace

std::string DecodeXMLEntities(std::string_view text) {
    std::string out(text);
    if (out.find('&') == std::string::npos) return out;
    ReplaceAll(out, "&lt;", "<");
    ReplaceAll(out, "&gt;", ">");
    ReplaceAll(out, "&quot;", "\"");
    ReplaceAll(out, "&amp;", "&");
    return out;
}

std::string EncodeXMLEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') {
                    out += "<br/>";
                    ++i;
                } else {
                    out += c;
                }
                break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace korvel
