// Reading the device list out of a loaded preferences file: the root item is
// the map element, its children the entries; an entry's key is its "name"
// attribute and its value its Text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "xml/KRXMLParser.h"

namespace korvel {

struct TPreferencesDevice {
    std::string name;
    // Absent when the file has no entry for the key. The file keeps values
    // in UTF-8 (the writer encodes all three so), so each is decoded from
    // UTF-8 to ANSI; a character without an ANSI form becomes '?'.
    std::optional<std::string> u;
    std::optional<std::string> p;
    std::optional<std::string> s;
};

// The devices in the order of the names list, which is the Text of the first
// child keyed exactly "seq", split into lines (SplitDeviceNames); no such
// child gives no devices. The entries of name n are keyed n + "U", n + "P"
// and n + "S", compared exactly; of several entries with one key the last in
// the file counts. Names keep any quotes, so a quoted name finds no entries.
std::vector<TPreferencesDevice> ReadPreferencesDevices(const TXMLItem& root);

}  // namespace korvel
