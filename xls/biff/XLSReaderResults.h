// Result codes of the BIFF reading path (record stream, workbook reader and
// sheet handlers). Like every result of the library they are returned, never
// thrown; Open hands them to its caller. Decryption codes (-1001 ..) are in
// CryptoResults.h, the format detection codes in xls/model/XLSModelResults.h.
#pragma once

#include <cstdint>

namespace korvel {

inline constexpr int32_t kXLSReadOk = 1;
// ReadHeader: fewer than 4 bytes left. The whole read: the stream ended
// inside a substream (after a BOF and before its EOF).
inline constexpr int32_t kXLSReadEndOfStream = 100;
// A record body shorter than its header says; a BOF with an unsupported BIFF
// version (or a substream before any workbook globals); a malformed FONT; a
// file that cannot be opened.
inline constexpr int32_t kXLSReadFailed = -1;
// A compound document without a "workbook" or "book" stream; or a file that
// is no compound document and does not start with a BOF header of 4 to 30
// bytes.
inline constexpr int32_t kXLSReadNoRecordStream = -3;

}  // namespace korvel
