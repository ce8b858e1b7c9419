// Code-page conversion between 8-bit text and UTF-16, with the Windows rules:
// a character that has no form in the target becomes the code page's default
// character ('?'), and a bounded conversion never writes past its buffer nor
// splits a character. Code page 1200 is UTF-16LE, 65001 UTF-8.
//
// Supported pages: 437, 850, 874, 932, 936, 949, 950, 1250-1258, 10000, 1200
// and 65001. Any other number is converted as 1252, so text is never dropped
// (workbooks carry values such as 367 or 32769 that name a Latin page).
//
// Single-byte pages run from tables built once per page; the double-byte pages
// go through cached conversion descriptors. Pure-ASCII text never leaves the
// fast path. None of these functions throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

constexpr uint32_t kCodePageUtf16Le = 1200;
constexpr uint32_t kCodePageUtf8 = 65001;
constexpr uint32_t kCodePageLatin1 = 1252;
constexpr char kDefaultChar = '?';

// The system ANSI code page: set explicitly (tests, callers that know better)
// or taken from the locale's codeset on first use (UTF-8 gives 65001, anything
// else 1252).
uint32_t SystemAnsiCodePage();
void SetSystemAnsiCodePage(uint32_t codePage);

// 8-bit text in the given code page to UTF-16. Bytes that do not decode become
// U+FFFD (1252 keeps its five unassigned bytes as U+0081, U+008D, ...).
std::u16string MultiByteToWide(uint32_t codePage, std::string_view bytes);
// Same, appending to out (lets hot loops reuse one buffer).
void AppendMultiByteToWide(uint32_t codePage, std::string_view bytes, std::u16string& out);
// UTF-16 to 8-bit text; a character without a form in the page (and an
// unpaired surrogate) becomes kDefaultChar, once per code point.
std::string WideToMultiByte(uint32_t codePage, std::u16string_view text);
void AppendWideToMultiByte(uint32_t codePage, std::u16string_view text, std::string& out);

// Shorthands for the system ANSI code page.
std::u16string AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::u16string_view text);

// Converts into a caller's buffer of `capacity` units, never written past.
// Whole characters only: a multi-byte sequence or surrogate pair that does not
// fit is left out together with everything after it. Returns the units written.
size_t WideToMultiByteBounded(uint32_t codePage, std::u16string_view text, char* out, size_t capacity);
size_t MultiByteToWideBounded(uint32_t codePage, std::string_view bytes, char16_t* out, size_t capacity);

// The length of the longest prefix of `bytes` that is at most `capacity`
// bytes long and ends on a character boundary of the code page (a double-byte
// lead is never separated from its trail, a UTF-8 sequence never cut).
size_t FitMultiByte(uint32_t codePage, std::string_view bytes, size_t capacity);

// The longest prefix of `text` of at most `capacity` units that does not end
// between the two halves of a surrogate pair.
size_t FitWide(std::u16string_view text, size_t capacity);

}  // namespace korvel
