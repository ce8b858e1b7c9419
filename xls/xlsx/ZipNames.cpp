#include "xls/xlsx/ZipNames.h"

#include <algorithm>

#include "common/TextUtil.h"

namespace korvel {

std::string NormaliseZipName(std::string_view name) {
    std::string result(name);
    std::replace(result.begin(), result.end(), '\\', '/');
    size_t drive = result.find(":/");
    if (drive != std::string::npos && drive >= 1) result.erase(0, drive + 2);
    if (!result.empty() && result.front() == '/') result.erase(0, 1);
    return result;
}

std::string ZipIndexKey(std::string_view name) {
    return AsciiLower(NormaliseZipName(name));
}

}  // namespace korvel
