// Windows code page 1252 <-> UTF-16 without the platform layer: BIFF strings
// stored as single bytes are defined to be in this page when no CODEPAGE says
// otherwise, and record builders need it on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// The UTF-16 unit of one code page 1252 byte. The five bytes the page leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 control of the same value.
char16_t Cp1252ToUnit(uint8_t byte);
// Appends the UTF-16 form of count bytes to out.
void AppendCp1252(std::u16string& out, const uint8_t* bytes, size_t count);
// The code page 1252 byte of one UTF-16 unit, or '?' when the page has none.
uint8_t UnitToCp1252(char16_t unit);
std::string Utf16ToCp1252(std::u16string_view text);

}  // namespace korvel
