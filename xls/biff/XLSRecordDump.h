// The record dumper shared by tools and test failure messages: one line per
// record with its stream offset, id, name, body length and body bytes in hex.
//
//   00000000  0809  BOF               16  00 06 05 00 AF 18 CD 07 ...
//
// Reads the bytes through a bounds-checked cursor: a record whose body runs
// past the end is shown with the bytes present and marked "truncated", and the
// dump stops there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvel {

inline constexpr size_t kDumpHexBytes = 32;  // body bytes shown per line by default

// One line (ending in '\n') for a record at offset with the given body.
std::string DumpRecordLine(size_t offset, uint16_t id, uint16_t length, std::span<const uint8_t> body,
                           size_t maxHexBytes = kDumpHexBytes);
// Every record of a record stream from its start, at most maxRecords lines.
std::string DumpRecords(std::span<const uint8_t> stream, size_t maxRecords = SIZE_MAX,
                        size_t maxHexBytes = kDumpHexBytes);
// The record that contains offset with up to `before` records before it and
// `after` after it (the records are found by walking from the start).
std::string DumpRecordsAround(std::span<const uint8_t> stream, size_t offset, size_t before = 3,
                              size_t after = 3, size_t maxHexBytes = kDumpHexBytes);

}  // namespace korvel
