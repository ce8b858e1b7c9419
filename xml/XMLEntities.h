// The few entities the element tree knows. No other entity and no character
// reference is recognised; they pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

// "&lt;" -> "<", then "&gt;" -> ">", then "&quot;" -> '"', then "&amp;" -> "&",
// each replacement one left-to-right pass over the result of the previous one.
// So "&amp;lt;" decodes to "&lt;", not to "<".
std::string DecodeXMLEntities(std::string_view text);

// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;", '"' -> "&quot;", and each
// CR LF pair -> "<br/>" (which the loader turns back into CR LF).
std::string EncodeXMLEntities(std::string_view text);

}  // namespace korvel
