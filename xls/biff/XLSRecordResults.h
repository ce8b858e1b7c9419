// Result codes of the record layer (blobs, record lists, the record writer).
#pragma once

#include <cstdint>

namespace korvel {

inline constexpr int32_t kXLSRecordOk = 1;       // the operation did all it was asked
inline constexpr int32_t kXLSRecordFailed = -1;  // short stream write, range outside the stored bytes,
                                                 // or a record fed more or fewer bytes than declared

}  // namespace korvel
