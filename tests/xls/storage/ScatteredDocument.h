// Test and fuzzing helper: a compound document whose one stream "Workbook"
// lies in runs of sectors placed out of order, as a writer leaves a stream
// it grew in steps. Written from [MS-CFB] 2.2 to 2.6, independently of the
// project's compound document writer, which always lays a stream out in one
// piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvel::testing {

inline constexpr size_t kScatteredSectorSize = 512;

// A version 3 document (512-byte sectors) holding stream, which must be at
// least 4,096 bytes (smaller ones belong in the mini stream). Its sectors
// lie in runs of the given lengths (in sectors, adding up to the stream's
// sectors; empty: one run per sector), the runs placed in the file in
// reverse order, so that each run is a piece of its own. Empty when the
// runs do not fit the stream.
std::vector<uint8_t> ScatteredDocument(std::span<const uint8_t> stream, const std::vector<size_t>& runs);

}  // namespace korvel::testing
