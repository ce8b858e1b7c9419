// Reading the shared strings of an SST record group (the SST body and its
// CONTINUE bodies) in every layout producers write: strings whose characters
// continue in the next record behind a fresh option byte (which may change
// the character width), rich-text runs and extended data that spill into the
// next record, and headers that end a record exactly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "xls/biff/XLSRecordText.h"

namespace korvel {

// Hands each string of the group, in order, to `each`. Reads at most as many
// strings as the SST's unique count says, and never more than the bytes
// hold: a count that lies high ends with the last whole header; a string cut
// by the end of the group is kept with the characters present. A string
// header that does not fit its record ends the reading.
void ReadSSTGroup(const TXLSRecordGroup& group, const std::function<void(std::u16string_view)>& each);

// The number of strings ReadSSTGroup can hand out at most: the unique count,
// but no more than the group's bytes can hold (every string takes a header
// of at least three bytes), so a hostile count reserves nothing unreasonable.
uint64_t SSTStringCountBound(const TXLSRecordGroup& group);

}  // namespace korvel
