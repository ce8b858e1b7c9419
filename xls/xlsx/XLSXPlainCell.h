// MatchPlainCell: a worksheet cell element in the form nearly every writer
// uses, matched in one pass over the XML bytes, for the sheet parser's fast
// path:
//   <c r="B7" s="3" t="str"><v>text</v></c>   <c r="B7"></c>   <c r="B7" s="3"/>
//   <c r="B7" t="inlineStr"><is><t>text</t></is></c>
// Attributes (at most as many as an element taken whole may have) are
// separated by spaces, quoted either way, and hold no markup, entity or line
// feed; the value text holds no entity or line feed and does not start with
// white space. Anything else (other children, formulas, runs of rich text,
// attributes on "t", prefixes, line breaks) is left to the general XML path,
// which gives the same result for these forms.
#pragma once

#include <cstddef>
#include <string_view>

#include "xls/xlsx/XLSXValues.h"

namespace korvel {

struct TXLSXPlainCell {
    // The first r, s and t attribute values; data() is null when absent.
    std::string_view R, S, T;
    std::string_view Value;  // the v element's text, or the inline string's
    bool HasValue = false;
    bool InlineText = false; // the value is an inline string ("<is><t>")
    bool Empty = false;      // "<c .../>"
    size_t LastTagAt = 0;    // where "</c>" starts, or "<c" when Empty
    // Set when R was parsed on the way (the usual "<c r="B7"..." form): the
    // position ParseCellReference gives for R. Otherwise the caller parses R.
    bool HasPosition = false;
    TXLSXCellPos Position;
};

// The length of the cell element that bytes start with, filling cell, or 0
// when they do not start with a whole one in the form above.
size_t MatchPlainCell(std::string_view bytes, TXLSXPlainCell& cell);

}  // namespace korvel
