// Result codes of the BIFF writers (workbook globals, worksheet substreams).
// The save entry points pass them up unchanged.
#pragma once

#include <cstdint>

namespace korvel {

inline constexpr int32_t kXLSWriteOk = 1;
// A stream write took fewer bytes than offered, the "Workbook"/"Book" stream
// could not be created, or the workbook has no sheet to write.
inline constexpr int32_t kXLSWriteFailed = -1;
// A cell lies outside the model's limits (rows 0-1,048,575, columns 0-16,383).
inline constexpr int32_t kXLSWriteCellOutOfRange = -2;

}  // namespace korvel
