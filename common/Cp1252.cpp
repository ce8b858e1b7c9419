#include "common/Cp1252.h"

namespace korvel {

namespace {

// Bytes 0x80-0x9F; the rest of the page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char16_t Cp1252ToUnit(uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

void AppendCp1252(std::u16string& out, const uint8_t* bytes, size_t count) {
    out.reserve(out.size() + count);
    for (size_t i = 0; i < count; ++i) out.push_back(Cp1252ToUnit(bytes[i]));
}

uint8_t UnitToCp1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<uint8_t>(unit);
    for (uint8_t i = 0; i < 32; ++i)
        if (kHighControls[i] == unit) return static_cast<uint8_t>(0x80 + i);
    return '?';
}

std::string Utf16ToCp1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) out.push_back(static_cast<char>(UnitToCp1252(unit)));
    return out;
}

}  // namespace korvel
