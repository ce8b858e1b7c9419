// Texts of BIFF record bodies, and the record group that a record forms with
// its CONTINUE records. All reads are bounds-checked: a text that runs past
// its bytes is reported as such, never read beyond them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/ByteCursor.h"

namespace korvel {

// The body of a record followed by the bodies of its CONTINUE records, as
// views into the record stream's buffer. An empty record is an empty view.
using TXLSRecordGroup = std::vector<std::span<const uint8_t>>;

// Appends 8-bit characters converted with the code page (1252 for 0 and
// 1200); a zero byte ends the text, as the conversion takes the bytes as a
// zero-terminated string.
void AppendCodePageChars(std::span<const uint8_t> bytes, uint32_t codePage, std::u16string& out);
// Appends the compressed characters of a BIFF8 string: each byte is the low
// byte of a UTF-16 code unit whose high byte is 0 ([MS-XLS] XLUnicodeString).
void AppendCompressedChars(std::span<const uint8_t> bytes, std::u16string& out);
// Appends UTF-16LE code units (bytes.size() / 2 of them).
void AppendWideChars(std::span<const uint8_t> bytes, std::u16string& out);

// The code page 8-bit texts of a workbook are converted with: 1252 when the
// CODEPAGE record gave 0 or 1200 (UTF-16, which 8-bit texts cannot be in).
uint32_t EffectiveCodePage(uint32_t codePage);

// Reads a BIFF8 string at the cursor: a character count of 16 bits (or 8
// when count16 is false), an option byte (bit 0: UTF-16, else compressed),
// a rich-text run count (bit 3) and an extended-data size (bit 2) when
// flagged, and the characters; runs and extended data are skipped. Appends
// the text to out. False (the cursor failed) when the body ends early.
bool ReadBiff8String(ByteCursor& cursor, bool count16, std::u16string& out);
// Reads a BIFF5 string: a count of 16 or 8 bits and that many 8-bit
// characters in the code page. False when the body ends early.
bool ReadBiff5String(ByteCursor& cursor, bool count16, uint32_t codePage, std::u16string& out);

// A text whose characters continue from a record into its CONTINUE records
// (LABEL, STRING). BIFF8: each CONTINUE body starts with an option byte that
// gives the width of the characters after it; BIFF5: the 8-bit characters
// simply go on. Reads count characters starting at offset `at` of the first
// body with the given width (BIFF8), appending to out. Stops quietly where the
// group ends. Returns the number of characters read.
size_t ReadContinuedChars(const TXLSRecordGroup& group, size_t at, size_t count, bool biff8, bool wide,
                          uint32_t codePage, std::u16string& out);

}  // namespace korvel
