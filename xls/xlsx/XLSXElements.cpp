#include "xls/xlsx/XLSXElements.h"

#include <array>
#include <utility>

#include "xls/xlsx/XLSXReaderError.h"
#include "xls/xlsx/XLSXValues.h"

namespace korvel {

namespace {

using E = TXLSXElement;

constexpr std::array<std::pair<std::string_view, TXLSXElement>, 32> kElementCodes{{
    {"sheets", E::Sheets}, {"bookViews", E::BookViews}, {"calcPr", E::CalcPr},
    {"workbookPr", E::WorkbookPr}, {"definedNames", E::DefinedNames},
    {"externalReferences", E::ExternalReferences}, {"fileSharing", E::FileSharing},
    {"fileVersion", E::FileVersion}, {"workbookProtection", E::WorkbookProtection},
    {"numFmts", E::NumFmts}, {"fonts", E::Fonts}, {"fills", E::Fills}, {"borders", E::Borders},
    {"cellStyleXfs", E::CellStyleXfs}, {"cellXfs", E::CellXfs}, {"cellStyles", E::CellStyles},
    {"colors", E::Colors},
    {"sheetPr", E::SheetPr}, {"pageSetup", E::PageSetup}, {"dimension", E::Dimension},
    {"sheetViews", E::SheetViews}, {"sheetFormatPr", E::SheetFormatPr}, {"pageMargins", E::PageMargins},
    {"cols", E::Cols}, {"sheetData", E::SheetData}, {"mergeCells", E::MergeCells},
    {"colBreaks", E::ColBreaks}, {"rowBreaks", E::RowBreaks}, {"printOptions", E::PrintOptions},
    {"headerFooter", E::HeaderFooter}, {"hyperlinks", E::Hyperlinks}, {"sheetProtection", E::SheetProtection},
}};

const TXMLAttribute& RequiredAttribute(const TXMLReader& reader, std::string_view name) {
    if (!reader.HasAttributes()) throw EXLSXReaderError(kXLSXTextNoAttributes);
    const TXMLAttribute* attribute = reader.FindAttribute(name);
    if (attribute == nullptr) throw MissingAttributeError(name);
    return *attribute;
}

}  // namespace

TXLSXElement ElementCode(std::string_view name) {
    name = LocalName(name);
    for (const auto& [elementName, code] : kElementCodes)
        if (elementName == name) return code;
    return TXLSXElement::None;
}

void ThrowUnexpectedEOF() { throw EXLSXReaderError(kXLSXTextUnexpectedEOF); }

int64_t OptionalInt(const TXMLReader& reader, std::string_view name, int64_t fallback) {
    return AttributeInt(reader.FindAttribute(name), fallback);
}

int64_t AttributeInt(const TXMLAttribute* attribute, int64_t fallback) {
    return attribute != nullptr ? ValueInt(attribute->Value, fallback) : fallback;
}

int64_t ValueInt(std::string_view text, int64_t fallback) {
    int64_t value = 0;
    if (ParseXmlInt(text, value)) return value;
    // Some writers put a number with a fraction ("2.0") where an integer belongs.
    double number = 0;
    if (ParseXmlDouble(text, number) && number >= -9.0e18 && number <= 9.0e18) return static_cast<int64_t>(number);
    return fallback;
}

double OptionalDouble(const TXMLReader& reader, std::string_view name, double fallback) {
    const TXMLAttribute* attribute = reader.FindAttribute(name);
    double value = 0;
    return attribute != nullptr && ParseXmlDouble(attribute->Value, value) ? value : fallback;
}

bool OptionalBool(const TXMLReader& reader, std::string_view name, bool fallback) {
    const TXMLAttribute* attribute = reader.FindAttribute(name);
    return attribute != nullptr ? XmlTrue(attribute->Value) : fallback;
}

std::string_view OptionalText(const TXMLReader& reader, std::string_view name, std::string_view fallback) {
    const TXMLAttribute* attribute = reader.FindAttribute(name);
    return attribute != nullptr ? attribute->Value : fallback;
}

std::string_view RequiredText(const TXMLReader& reader, std::string_view name) {
    return RequiredAttribute(reader, name).Value;
}

int64_t RequiredInt(const TXMLReader& reader, std::string_view name) {
    const TXMLAttribute& attribute = RequiredAttribute(reader, name);
    int64_t value = 0;
    if (!ParseXmlInt(attribute.Value, value))
        throw EXLSXReaderError("Attribute \"" + std::string(name) + "\" is not an integer");
    return value;
}

void ReadTextBelow(TXMLReader& reader, std::string& out, std::string_view skipName) {
    out.clear();
    if (reader.IsEmptyOrNotStart()) return;
    std::string_view plain;
    if (reader.TakePlainTextContent(plain)) {
        out.assign(plain);
        return;
    }
    const int depth = reader.Depth();
    bool have = reader.Next();
    for (;;) {
        if (!have) ThrowUnexpectedEOF();
        switch (reader.NodeType()) {
        case TXMLNodeType::Text:
        case TXMLNodeType::CData:
            out.append(reader.ValueUtf8());
            break;
        case TXMLNodeType::EndTag:
            if (reader.Depth() == depth) return;
            break;
        case TXMLNodeType::StartTag:
            if (!skipName.empty() && LocalName(reader.Name()) == skipName) {
                have = reader.SkipElement();
                continue;
            }
            break;
        default:
            break;
        }
        have = reader.Next();
    }
}

}  // namespace korvel
