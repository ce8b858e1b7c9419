// Element names of a compound document: validity, case folding and the order
// [MS-CFB] 2.6.4 prescribes for the red-black tree of a storage's children.
#pragma once

#include <string_view>

namespace korvel {

// The simple upper-case mapping of one UTF-16 unit (surrogates map to themselves).
char16_t CompoundUpcase(char16_t unit);

// [MS-CFB] order: the shorter name is smaller; names of equal length compare
// unit by unit after upper-casing. Returns <0, 0 or >0.
int CompareCompoundNames(std::u16string_view a, std::u16string_view b);

// True when both names are the same element name (equal without regard to case).
inline bool SameCompoundName(std::u16string_view a, std::u16string_view b) {
    return CompareCompoundNames(a, b) == 0;
}

// True for a name a new element may carry: 1 to 31 units, none of them zero
// and none of '/', '\', ':' or '!'.
bool IsValidCompoundName(std::u16string_view name);

}  // namespace korvel
