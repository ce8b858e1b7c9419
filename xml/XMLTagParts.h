// Takes a start or empty-element tag apart: its name and its attributes.
#pragma once

#include <string>
#include <string_view>

#include "xml/XMLParams.h"

namespace korvel {

// The element name of a tag text such as "<string name=\"x\">": the text after
// the "<" up to the first blank; without a blank, up to the first "/"; without
// either, all but the final ">".
std::string XMLTagName(std::string_view tagText);

// Fills params (cleared first) from the attributes of a tag text. The part
// after the first blank, up to the ">" (or the "/" of "/>"), is split at blanks,
// CRs and LFs that stand outside double quotes. Each piece is name "=" value:
// the value is trimmed of bytes 0 to 32; when longer than two bytes, a leading
// and a trailing double quote are dropped; it is trimmed again and
// entity-decoded. An empty value removes the attribute of that name; a repeated
// name replaces the earlier value. A piece without "=" is kept as a name with
// an empty value. Single quotes do not quote.
void ParseXMLTagAttributes(std::string_view tagText, TXMLParams& params);

}  // namespace korvel
