// Pure text helpers: UTF-8 <-> UTF-16 without a code page, ASCII case, trims.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

// UTF-8 to UTF-16. Malformed sequences become U+FFFD; never reads past the input.
std::u16string Utf8ToUtf16(std::string_view utf8);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Appends the UTF-8 form of one code point (U+FFFD for values out of range).
void AppendUtf8(std::string& out, char32_t codePoint);

// Maps only the ASCII letters A-Z / a-z; every other byte or unit is kept.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
std::u16string AsciiLower(std::u16string_view text);
bool AsciiEqualsIgnoreCase(std::string_view a, std::string_view b);

// Removes leading and trailing characters of code 0 to 32.
std::string_view TrimControlAndBlank(std::string_view text);
std::u16string_view TrimControlAndBlank(std::u16string_view text);

// Widens ASCII / narrows for tests and fixed names (no code page involved).
std::u16string AsciiToUtf16(std::string_view ascii);

// True when text holds a line feed. Without an early exit the loop
// vectorises; the texts of cells rarely hold one.
inline bool HasLineFeed(std::u16string_view text) {
    bool found = false;
    for (char16_t unit : text) found |= unit == u'\n';
    return found;
}

}  // namespace korvel
