// Result codes of the compound document layer.
//
// Every public operation of xls/storage returns one of these and never throws
// for a bad or missing document. Callers above (the BIFF writer and reader)
// map them onto their own codes.
#pragma once

#include <cstdint>

namespace korvel {

// The operation did what it was asked.
inline constexpr int32_t kStorageOk = 1;
// The bytes do not begin with a compound document header (wrong signature, or
// shorter than one header). Readers use this to fall back to a plain stream.
inline constexpr int32_t kStorageNotCompound = -10;
// The header is a compound document's, but its structure is inconsistent:
// a sector number out of range, a chain that loops or ends early, a directory
// cycle, a size larger than the file can hold.
inline constexpr int32_t kStorageCorrupt = -11;
// No element of that name (compared without regard to case) exists.
inline constexpr int32_t kStorageNotFound = -12;
// The element exists but is a stream where a storage was asked for, or the reverse.
inline constexpr int32_t kStorageWrongType = -13;
// The name is empty, longer than 31 UTF-16 units, or holds '/', '\', ':' or '!'.
inline constexpr int32_t kStorageInvalidName = -14;
// A file could not be opened, read, written or renamed.
inline constexpr int32_t kStorageFileError = -15;
// The document would exceed what the format can address (a stream of 4 GB or
// more in a version 3 file, or more sectors than a sector number can name).
inline constexpr int32_t kStorageTooLarge = -16;
// The object was used before a successful open.
inline constexpr int32_t kStorageNotOpen = -17;

// Readable name of a result, for diagnostics and test messages.
const char* StorageResultName(int32_t result);

}  // namespace korvel
