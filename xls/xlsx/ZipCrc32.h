// The CRC-32 of zip members (the reflected polynomial 0x04C11DB7), with the
// same meaning as zlib's crc32: ZipCrc32(ZipCrc32(0, a), b) is the CRC-32 of
// a followed by b. Long runs are folded 64 bytes at a time with carry-less
// multiplication where the processor has it; the rest goes to zlib.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

uint32_t ZipCrc32(uint32_t crc, const uint8_t* bytes, size_t count);

}  // namespace korvel
