// The RK number form of BIFF cell records ([MS-XLS] 2.5.218 RkNumber): a
// 32-bit value that holds either a 30-bit integer or the high 30 bits of a
// binary64, each optionally divided by 100 when read back.
#pragma once

#include <cstdint>

namespace korvel {

// Finds the RK form of value. Returns true and stores the 32-bit RK value in
// rk when a reader that decodes it (integer or high 30 bits of a binary64,
// then / 100 when bit 0 is set) gets back exactly value, bit for bit; false
// when value has no such form and must be written as a full binary64
// (NUMBER record). Tried in order: integer, integer / 100, the binary64's
// high bits, the high bits of value x 100. |value| >= 2^31 never has an RK form.
// -0.0 keeps its sign (high-bits form); NaN is never encoded as RK.
bool EncodeRK(double value, uint32_t& rk);

// The value a reader obtains from an RK value (the inverse of EncodeRK).
double DecodeRK(uint32_t rk);

}  // namespace korvel
