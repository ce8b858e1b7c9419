// Walking the parts of a package with TXMLReader: the element codes the
// reader acts on, the attribute helpers, and the child walk every handler
// uses.
//
// Element names are compared without their namespace prefix ("x:row" is
// "row"), so packages written with a prefixed main namespace read too.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "xls/xlsx/XMLReader.h"

namespace korvel {

// The elements that have a handler. Workbook part 1-9, styles part 101-108,
// worksheet part 1001-1015.
enum class TXLSXElement : int32_t {
    None = 0,
    Sheets = 1, BookViews = 2, CalcPr = 3, WorkbookPr = 4, DefinedNames = 5, ExternalReferences = 6,
    FileSharing = 7, FileVersion = 8, WorkbookProtection = 9,
    NumFmts = 101, Fonts = 102, Fills = 103, Borders = 104, CellStyleXfs = 105, CellXfs = 106,
    CellStyles = 107, Colors = 108,
    SheetPr = 1001, PageSetup = 1002, Dimension = 1003, SheetViews = 1004, SheetFormatPr = 1005,
    PageMargins = 1006, Cols = 1007, SheetData = 1008, MergeCells = 1009, ColBreaks = 1010,
    RowBreaks = 1011, PrintOptions = 1012, HeaderFooter = 1013, Hyperlinks = 1014, SheetProtection = 1015,
};

// The code of an element name (prefix ignored); None for names without one.
TXLSXElement ElementCode(std::string_view name);
// The name without its namespace prefix.
inline std::string_view LocalName(std::string_view name) {
    // Names are short: a plain loop beats a library search call per element.
    for (size_t i = 0; i < name.size(); ++i)
        if (name[i] == ':') return name.substr(i + 1);
    return name;
}

// Attribute helpers; all read the current start tag.
//   Optional*: the default when the tag has no such attribute (or, for the
//   numbers, when its value is not one).
//   Required*: throw "Current tag doesn't have attributes" when the tag has
//   none, and "Attribute "NAME" not found" when that one is missing.
int64_t OptionalInt(const TXMLReader& reader, std::string_view name, int64_t fallback);
// OptionalInt's rule for an attribute already found (nullptr: none).
int64_t AttributeInt(const TXMLAttribute* attribute, int64_t fallback);
// The same rule for an attribute value already at hand.
int64_t ValueInt(std::string_view text, int64_t fallback);
double OptionalDouble(const TXMLReader& reader, std::string_view name, double fallback);
// True for "1" and "true".
bool OptionalBool(const TXMLReader& reader, std::string_view name, bool fallback);
std::string_view OptionalText(const TXMLReader& reader, std::string_view name, std::string_view fallback);
std::string_view RequiredText(const TXMLReader& reader, std::string_view name);
int64_t RequiredInt(const TXMLReader& reader, std::string_view name);

// A row height in points as the model keeps it: twips, rounded, 0..32767.
inline uint16_t RowHeightTwips(double points) {
    return static_cast<uint16_t>(std::clamp(std::lround(points * 20), 0L, 0x7FFFL));
}

// Throws "Unexpected EOF".
[[noreturn]] void ThrowUnexpectedEOF();

// What a child handler asks of the walk.
enum class TXLSXChildAction { Continue, Skip };

// From a start tag: calls visit for every child start tag (the reader on
// it) until the element's end tag, which is left current. visit may read
// the child's whole subtree, read nothing of it (Continue: deeper nodes are
// passed over), or ask for it to be skipped without building texts (Skip).
// An empty start tag has no children. Throws "Unexpected EOF" when the part
// ends inside the element.
template <typename Visit>
void ForEachChild(TXMLReader& reader, Visit visit) {
    if (reader.IsEmptyOrNotStart()) return;
    const int depth = reader.Depth();
    bool have = reader.Next();
    for (;;) {
        if (!have) ThrowUnexpectedEOF();
        const TXMLNodeType type = reader.NodeType();
        if (type == TXMLNodeType::EndTag && reader.Depth() == depth) return;
        if (type == TXMLNodeType::StartTag && reader.Depth() == depth + 1 &&
            visit() == TXLSXChildAction::Skip) {
            have = reader.SkipElement();
            continue;
        }
        have = reader.Next();
    }
}

// Every text and CDATA node below the current start tag, concatenated
// (UTF-8) into out, leaving the element's end tag current. Subtrees of
// elements named `skipName` (e.g. phonetic runs) are left out when given.
void ReadTextBelow(TXMLReader& reader, std::string& out, std::string_view skipName = {});

}  // namespace korvel
