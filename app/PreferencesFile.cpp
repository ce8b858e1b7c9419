#include "app/PreferencesFile.h"

#include "common/TextUtil.h"
#include "platform/CodePage.h"

namespace korvel {

void AppendXmlEscaped(std::string& out, std::string_view text, bool inAttribute) {
    for (char c : text) {
        switch (c) {
        case '&': out.append("&amp;"); break;
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        case '"':
            if (inAttribute) out.append("&quot;");
            else out.push_back(c);
            break;
        default: out.push_back(c);
        }
    }
}

void AppendPreferencesEntry(std::string& out, std::string_view name, char key, std::string_view ansiValue) {
    out.append("<string name=\"");
    AppendXmlEscaped(out, name, true);
    out.push_back(key);
    out.append("\">");
    AppendXmlEscaped(out, Utf16ToUtf8(AnsiToWide(ansiValue)), false);
    out.append("</string>\n");
}

void TPreferencesWriter::WriteFlushed(std::string_view text) {
    file_.Write(text);
    file_.Flush();
}

void TPreferencesWriter::WriteHeader() {
    line_.assign(kPreferencesHeaderLine).push_back('\n');
    WriteFlushed(line_);
    line_.assign(kPreferencesMapOpen).push_back('\n');
    WriteFlushed(line_);
}

void TPreferencesWriter::WriteEntry(std::string_view name, char key, std::string_view ansiValue) {
    line_.clear();
    AppendPreferencesEntry(line_, name, key, ansiValue);
    WriteFlushed(line_);
}

void TPreferencesWriter::WriteNames(std::string_view joinedNames) {
    line_.assign("<string name=\"").append(kPreferencesNamesKey).append("\">");
    WriteFlushed(line_);
    line_.clear();
    AppendXmlEscaped(line_, joinedNames, false);
    WriteFlushed(line_);
    WriteFlushed("</string>\n");
}

void TPreferencesWriter::WriteEnd() { WriteFlushed(kPreferencesMapClose); }

}  // namespace korvel
