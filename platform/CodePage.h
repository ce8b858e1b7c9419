// Code-page conversion between 8-bit text and UTF-16, with the Windows rules:
// a character that has no form in the target becomes the code page's default
// character ('?' for the single-byte pages), and a bounded conversion never
// writes past its buffer. Code page 1200 is UTF-16LE, 65001 UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// The system ANSI code page: set explicitly (tests) or taken from the locale's
// codeset on first use (UTF-8 gives 65001, anything else 1252).
uint32_t SystemAnsiCodePage();
void SetSystemAnsiCodePage(uint32_t codePage);

// 8-bit text in the given code page to UTF-16. Undecodable bytes become U+FFFD
// (or the page's own mapping); never throws.
std::u16string MultiByteToWide(uint32_t codePage, std::string_view bytes);
// UTF-16 to 8-bit text; unmappable characters become the default character.
std::string WideToMultiByte(uint32_t codePage, std::u16string_view text);

// Shorthands for the system ANSI code page.
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view text);

// Converts into a caller's buffer of capacity units (never written past);
// whole characters only (a surrogate pair or multi-byte sequence that does not
// fit is left out). Returns the number of units written.
size_t WideToMultiByteBounded(uint32_t codePage, std::u16string_view text, char* out, size_t capacity);
size_t MultiByteToWideBounded(uint32_t codePage, std::string_view bytes, char16_t* out, size_t capacity);

}  // namespace korvel
