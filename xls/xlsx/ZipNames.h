// Name forms used to find archive members regardless of how a writer spelled
// the path: "xl\workbook.xml", "/xl/workbook.xml" and "XL/Workbook.xml" all
// find the member stored as "xl/workbook.xml".
#pragma once

#include <string>
#include <string_view>

namespace korvel {

// Backslashes become "/"; when ":/" occurs after the first character,
// everything up to and including it is dropped (a drive prefix such as
// "C:/"); then one leading "/" is dropped.
std::string NormaliseZipName(std::string_view name);

// The index key: the normalised name with ASCII letters lower-cased.
std::string ZipIndexKey(std::string_view name);

}  // namespace korvel
