// Writing the Android preferences file that carries the device list:
//
//   <?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n
//   <map>\n
//   <string name="NAMEU">value</string>\n        one line per present U, P, S
//   <string name="seq">joined names</string>\n   (a line per device)
//   </map>                                       (no line feed after it)
//
// Names are written as ANSI bytes, values as UTF-8 converted from ANSI. The
// app reads the file with a real XML parser, so "&", "<" and ">" in names,
// values and the joined names, and a double quote in the name attribute, are
// written as character references; nothing else is escaped.
#pragma once

#include <string>
#include <string_view>

#include "platform/CheckedFile.h"

namespace korvel {

constexpr std::string_view kPreferencesHeaderLine = "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>";
constexpr std::string_view kPreferencesMapOpen = "<map>";
constexpr std::string_view kPreferencesMapClose = "</map>";
constexpr std::string_view kPreferencesNamesKey = "seq";

// Appends text with "&", "<", ">" escaped, and '"' too when `inAttribute`.
void AppendXmlEscaped(std::string& out, std::string_view text, bool inAttribute);

// Appends one entry line: <string name="{name}{key}">{value}</string> and a
// line feed; `key` is 'U', 'P' or 'S', the value is ANSI and goes out as UTF-8.
void AppendPreferencesEntry(std::string& out, std::string_view name, char key, std::string_view ansiValue);

// Writes the file through a checked file in the order and with the flushes
// the device-list export needs: every write below is followed by a flush, so
// an interrupted export leaves the entries done so far on disk.
class TPreferencesWriter {
public:
    explicit TPreferencesWriter(TCheckedFile& file) : file_(file) {}

    // The header line and "<map>", each with its line feed.
    void WriteHeader();
    void WriteEntry(std::string_view name, char key, std::string_view ansiValue);
    // The "seq" entry in three writes: opening tag, joined names (ANSI, see
    // JoinDeviceNames), closing tag with its line feed.
    void WriteNames(std::string_view joinedNames);
    // "</map>" without a line feed. Closing the file is the owner's business.
    void WriteEnd();

private:
    void WriteFlushed(std::string_view text);

    TCheckedFile& file_;
    std::string line_;  // reused for every entry
};

}  // namespace korvel
