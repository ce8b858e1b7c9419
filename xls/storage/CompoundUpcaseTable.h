// The table behind CompoundUpcase (generated from the Unicode Character Database).
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvel {

// Units First..Last (stepping by Stride) map to unit + Delta. Sorted by First,
// runs do not overlap.
struct TUpcaseRun {
    uint16_t First;
    uint16_t Last;
    int32_t Delta;
    uint16_t Stride;
};

extern const TUpcaseRun kUpcaseRuns[];
extern const size_t kUpcaseRunCount;

}  // namespace korvel
