// The device names list as the preferences file keeps it: the text of the
// "seq" entry, one name per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvel {

// Appends one name in its joined form: a name holding any character of code
// 0 to 32 or a double quote is enclosed in double quotes with each inner
// double quote doubled; any other name is appended as it is.
void AppendQuotedDeviceName(std::string& out, std::string_view name);

// The names in order, each in its joined form, separated by a line feed with
// none after the last; an empty list gives the empty text.
std::string JoinDeviceNames(const std::vector<std::string>& names);

// Splits the text of the "seq" entry into names. A line ends at a line feed,
// a carriage return, or a carriage return followed by a line feed (one
// break); a break at the very end adds no empty line; an empty line between
// two breaks is an empty name; a zero character ends the text. Quotes are
// kept as they are.
std::vector<std::string> SplitDeviceNames(std::string_view text);

}  // namespace korvel
