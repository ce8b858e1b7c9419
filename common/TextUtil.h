// Pure text helpers: UTF-8 <-> UTF-16 without a code page, ASCII case, trims.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// True when text holds a line feed. Called for every text stored in a cell,
// which is short and rarely holds one: eight units are compared at a time,
// the last eight (overlapping) for the rest, and only texts of fewer than
// eight units go unit by unit.
inline bool HasLineFeed(std::u16string_view text) {
    const char16_t* const data = text.data();
    const size_t size = text.size();
#if defined(__SSE2__)
    if (size >= 8) {
        const __m128i lineFeed = _mm_set1_epi16(u'\n');
        const auto at = [data](size_t i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)); };
        __m128i hits = _mm_cmpeq_epi16(at(size - 8), lineFeed);
        for (size_t i = 0; i + 8 <= size; i += 8) hits = _mm_or_si128(hits, _mm_cmpeq_epi16(at(i), lineFeed));
        return _mm_movemask_epi8(hits) != 0;
    }
#endif
    for (size_t i = 0; i < size; ++i)
        if (data[i] == u'\n') return true;
    return false;
}

}  // namespace korvel
