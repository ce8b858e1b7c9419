#include "xls/xlsx/XLSXStyles.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "xls/model/XLSStyles.h"
#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {

namespace {

template <size_t N>
uint8_t NameToCode(std::string_view name, const std::pair<std::string_view, uint8_t> (&table)[N], uint8_t fallback) {
    for (const auto& [text, code] : table)
        if (text == name) return code;
    return fallback;
}

// [MS-XLS] fill pattern numbers by ST_PatternType name.
constexpr std::pair<std::string_view, uint8_t> kPatterns[] = {
    {"none", 0}, {"solid", 1}, {"mediumGray", 2}, {"darkGray", 3}, {"lightGray", 4},
    {"darkHorizontal", 5}, {"darkVertical", 6}, {"darkDown", 7}, {"darkUp", 8}, {"darkGrid", 9},
    {"darkTrellis", 10}, {"lightHorizontal", 11}, {"lightVertical", 12}, {"lightDown", 13},
    {"lightUp", 14}, {"lightGrid", 15}, {"lightTrellis", 16}, {"gray125", 17}, {"gray0625", 18},
};
// Border line styles by ST_BorderStyle name.
constexpr std::pair<std::string_view, uint8_t> kLineStyles[] = {
    {"none", 0}, {"thin", 1}, {"medium", 2}, {"dashed", 3}, {"dotted", 4}, {"thick", 5}, {"double", 6},
    {"hair", 7}, {"mediumDashed", 8}, {"dashDot", 9}, {"mediumDashDot", 10}, {"dashDotDot", 11},
    {"mediumDashDotDot", 12}, {"slantDashDot", 13},
};
// Underline styles as FONT records carry them.
constexpr std::pair<std::string_view, uint8_t> kUnderlines[] = {
    {"none", 0}, {"single", 1}, {"double", 2}, {"singleAccounting", 0x21}, {"doubleAccounting", 0x22},
};
constexpr std::pair<std::string_view, uint8_t> kHorizontal[] = {
    {"general", 0}, {"left", 1}, {"center", 2}, {"right", 3}, {"fill", 4}, {"justify", 5},
    {"centerContinuous", 6}, {"distributed", 7},
};
constexpr std::pair<std::string_view, uint8_t> kVertical[] = {
    {"top", 0}, {"center", 1}, {"bottom", 2}, {"justify", 3}, {"distributed", 4},
};

// Used-attribute bits of an XF (the value the record shifts left by 2).
constexpr uint8_t kUsedNumber = 0x01, kUsedFont = 0x02, kUsedAlignment = 0x04, kUsedBorder = 0x08,
                  kUsedFill = 0x10, kUsedProtection = 0x20;

constexpr int64_t kMaxTableIndex = 65000;

uint8_t Clamp8(int64_t value, int64_t high) { return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, high)); }

// A colour element (color, fgColor, bgColor, rgbColor): rgb "AARRGGBB" or
// "RRGGBB", indexed, theme with tint, or auto.
TXLSStyleColor ReadColor(const TXMLReader& reader) {
    uint32_t argb = 0;
    if (const TXMLAttribute* rgb = reader.FindAttribute("rgb"); rgb && ParseHex32(rgb->Value, argb)) {
        const uint32_t red = (argb >> 16) & 0xFF, green = (argb >> 8) & 0xFF, blue = argb & 0xFF;
        return TXLSStyleColor::FromRGB(red | (green << 8) | (blue << 16));
    }
    if (reader.HasAttribute("indexed"))
        return TXLSStyleColor::FromIndex(static_cast<uint16_t>(std::clamp<int64_t>(OptionalInt(reader, "indexed", 0), 0, 0x7FFF)));
    if (reader.HasAttribute("theme"))
        return TXLSStyleColor::FromTheme(static_cast<uint32_t>(std::clamp<int64_t>(OptionalInt(reader, "theme", 0), 0, 255)),
                                         OptionalDouble(reader, "tint", 0.0));
    return TXLSStyleColor::FromIndex(kXLSColorAutomatic);
}

// A font property element whose presence means on unless val says otherwise.
bool FlagElement(const TXMLReader& reader) { return OptionalBool(reader, "val", true); }

TXLSStyleFont ReadFont(TXMLReader& reader) {
    TXLSStyleFont font;
    font.name = u"Calibri";
    ForEachChild(reader, [&] {
        const std::string_view name = LocalName(reader.Name());
        if (name == "name") {
            font.name.clear();
            AppendUtf8AsUtf16(OptionalText(reader, "val", "Calibri"), font.name);
        } else if (name == "sz") {
            const double points = OptionalDouble(reader, "val", 10.0);
            if (points > 0 && points < 3276) font.height = static_cast<uint16_t>(std::lround(points * 20));
        } else if (name == "family") {
            font.family = Clamp8(OptionalInt(reader, "val", 0), 255);
        } else if (name == "charset") {
            font.charSet = Clamp8(OptionalInt(reader, "val", 0), 255);
        } else if (name == "b") {
            font.bold = FlagElement(reader);
        } else if (name == "i") {
            font.italic = FlagElement(reader);
        } else if (name == "strike") {
            font.strikeout = FlagElement(reader);
        } else if (name == "outline") {
            font.outline = FlagElement(reader);
        } else if (name == "shadow") {
            font.shadow = FlagElement(reader);
        } else if (name == "u") {
            font.underline = NameToCode(OptionalText(reader, "val", "single"), kUnderlines, 1);
        } else if (name == "vertAlign") {
            const std::string_view value = OptionalText(reader, "val", "baseline");
            font.superscript = value == "superscript";
            font.subscript = value == "subscript";
        } else if (name == "color") {
            font.color = ReadColor(reader);
        }
        return TXLSXChildAction::Skip;
    });
    return font;
}

TXLSStyleFill ReadFill(TXMLReader& reader) {
    TXLSStyleFill fill;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "patternFill") return TXLSXChildAction::Skip;  // gradients: no pattern
        fill.pattern = NameToCode(OptionalText(reader, "patternType", "none"), kPatterns, 0);
        ForEachChild(reader, [&] {
            const std::string_view name = LocalName(reader.Name());
            if (name == "fgColor") fill.foreground = ReadColor(reader);
            else if (name == "bgColor") fill.background = ReadColor(reader);
            return TXLSXChildAction::Skip;
        });
        return TXLSXChildAction::Continue;
    });
    return fill;
}

TXLSStyleBorder ReadBorder(TXMLReader& reader) {
    TXLSStyleBorder border;
    border.diagonalUp = OptionalBool(reader, "diagonalUp", false);
    border.diagonalDown = OptionalBool(reader, "diagonalDown", false);
    ForEachChild(reader, [&] {
        const std::string_view name = LocalName(reader.Name());
        TXLSStyleBorderLine* line = name == "left" || name == "start"  ? &border.left
                                    : name == "right" || name == "end" ? &border.right
                                    : name == "top"                    ? &border.top
                                    : name == "bottom"                 ? &border.bottom
                                    : name == "diagonal"               ? &border.diagonal
                                                                       : nullptr;
        if (line == nullptr) return TXLSXChildAction::Skip;
        line->style = NameToCode(OptionalText(reader, "style", "none"), kLineStyles, 0);
        ForEachChild(reader, [&] {
            if (LocalName(reader.Name()) == "color") line->color = ReadColor(reader);
            return TXLSXChildAction::Skip;
        });
        return TXLSXChildAction::Continue;
    });
    return border;
}

void ReadAlignment(const TXMLReader& reader, TXLSStyleXF& xf) {
    xf.horizontalAlign = NameToCode(OptionalText(reader, "horizontal", "general"), kHorizontal, 0);
    xf.verticalAlign = NameToCode(OptionalText(reader, "vertical", "bottom"), kVertical, 2);
    xf.indent = Clamp8(OptionalInt(reader, "indent", 0), 15);
    xf.readingOrder = Clamp8(OptionalInt(reader, "readingOrder", 0), 3);
    xf.shrinkToFit = OptionalBool(reader, "shrinkToFit", false);
    xf.rotation = Clamp8(OptionalInt(reader, "textRotation", 0), 255);
    xf.wrap = OptionalBool(reader, "wrapText", false);
}

}  // namespace

void TXLSXStylesReader::Read(TXMLReader& reader) {
    while (reader.Next()) {
        if (reader.NodeType() != TXMLNodeType::StartTag) continue;
        switch (ElementCode(reader.Name())) {
        case TXLSXElement::NumFmts: ReadNumFmts(reader); break;
        case TXLSXElement::Fonts: ReadFonts(reader); break;
        case TXLSXElement::Fills: ReadFills(reader); break;
        case TXLSXElement::Borders: ReadBorders(reader); break;
        case TXLSXElement::CellStyleXfs: ReadXfs(reader, false); break;
        case TXLSXElement::CellXfs: ReadXfs(reader, true); break;
        case TXLSXElement::CellStyles: ReadCellStyles(reader); break;
        case TXLSXElement::Colors: ReadColors(reader); break;
        default: break;
        }
    }
    StoreCellXfs();
}

void TXLSXStylesReader::ReadNumFmts(TXMLReader& reader) {
    std::u16string code;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) == "numFmt") {
            const int64_t id = OptionalInt(reader, "numFmtId", -1);
            code.clear();
            AppendUtf8AsUtf16(OptionalText(reader, "formatCode", ""), code);
            if (id >= 0 && id <= TXLSNumFormatList::kMaxIndex && !code.empty()) styles_.AddFormat(static_cast<int32_t>(id), code);
        }
        return TXLSXChildAction::Skip;
    });
}

void TXLSXStylesReader::ReadFonts(TXMLReader& reader) {
    int32_t count = 0;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "font" || count >= kMaxTableIndex) return TXLSXChildAction::Skip;
        styles_.Fonts().SetFont(count++, ReadFont(reader));
        return TXLSXChildAction::Continue;
    });
    if (count > 0) styles_.SetFontCount(count);
}

void TXLSXStylesReader::ReadFills(TXMLReader& reader) {
    fillIds_.clear();
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "fill" || fillIds_.size() >= kMaxTableIndex) return TXLSXChildAction::Skip;
        fillIds_.push_back(styles_.Fills().FindOrAdd(ReadFill(reader)));
        return TXLSXChildAction::Continue;
    });
}

void TXLSXStylesReader::ReadBorders(TXMLReader& reader) {
    borderIds_.clear();
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "border" || borderIds_.size() >= kMaxTableIndex) return TXLSXChildAction::Skip;
        borderIds_.push_back(styles_.Borders().FindOrAdd(ReadBorder(reader)));
        return TXLSXChildAction::Continue;
    });
}

int32_t TXLSXStylesReader::FillId(int64_t index) const {
    return index >= 0 && static_cast<size_t>(index) < fillIds_.size() ? fillIds_[index] : 0;
}

int32_t TXLSXStylesReader::BorderId(int64_t index) const {
    return index >= 0 && static_cast<size_t>(index) < borderIds_.size() ? borderIds_[index] : 0;
}

TXLSStyleXF TXLSXStylesReader::ReadXf(TXMLReader& reader, bool styleXf) {
    TXLSStyleXF xf;
    xf.font = static_cast<int32_t>(std::clamp<int64_t>(OptionalInt(reader, "fontId", 0), 0, kMaxTableIndex));
    xf.numFormat = static_cast<int32_t>(std::clamp<int64_t>(OptionalInt(reader, "numFmtId", 0), 0, TXLSNumFormatList::kMaxIndex));
    xf.fill = FillId(OptionalInt(reader, "fillId", 0));
    xf.border = BorderId(OptionalInt(reader, "borderId", 0));
    const int64_t parent = OptionalInt(reader, "xfId", 0);
    xf.parent = styleXf ? -1 : (parent >= 0 && parent <= kXLSXMaxXFIndex ? StyleXFId(parent) : 0);
    // A cell format marks the attributes it sets itself; a style format
    // marks those that cells based on it do not take from it.
    const std::pair<std::string_view, uint8_t> applies[] = {
        {"applyNumberFormat", kUsedNumber}, {"applyFont", kUsedFont}, {"applyAlignment", kUsedAlignment},
        {"applyBorder", kUsedBorder}, {"applyFill", kUsedFill}, {"applyProtection", kUsedProtection}};
    xf.usedAttributes = 0;
    for (const auto& [name, bit] : applies) {
        const bool applied = OptionalBool(reader, name, styleXf);
        if (applied != styleXf) xf.usedAttributes |= bit;
    }
    ForEachChild(reader, [&] {
        const std::string_view name = LocalName(reader.Name());
        if (name == "alignment") {
            ReadAlignment(reader, xf);
        } else if (name == "protection") {
            xf.protection = static_cast<uint8_t>((OptionalBool(reader, "locked", true) ? 1 : 0) |
                                                 (OptionalBool(reader, "hidden", false) ? 2 : 0));
        }
        return TXLSXChildAction::Skip;
    });
    return xf;
}

void TXLSXStylesReader::ReadXfs(TXMLReader& reader, bool cellXfs) {
    int64_t k = 0;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "xf") return TXLSXChildAction::Skip;
        if (k > kXLSXMaxXFIndex) return TXLSXChildAction::Skip;
        const TXLSStyleXF xf = ReadXf(reader, !cellXfs);
        if (cellXfs) {
            cellEntries_.push_back(xf);
        } else {
            styles_.SetXF(StyleXFId(k), xf);
            styleMax_ = std::max<int32_t>(styleMax_, static_cast<int32_t>(k));
        }
        ++k;
        return TXLSXChildAction::Continue;
    });
}

void TXLSXStylesReader::StoreCellXfs() {
    for (size_t k = 0; k < cellEntries_.size(); ++k) styles_.SetXF(CellXFEntryId(static_cast<int64_t>(k), styleMax_), cellEntries_[k]);
    cellEntries_.clear();
}

void TXLSXStylesReader::ReadCellStyles(TXMLReader& reader) {
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "cellStyle") return TXLSXChildAction::Skip;
        const int64_t xfId = OptionalInt(reader, "xfId", 0);
        if (xfId < 0 || xfId > kXLSXMaxXFIndex) return TXLSXChildAction::Skip;
        TXLSStyle style;
        style.xf = StyleXFId(xfId);
        const int64_t builtIn = OptionalInt(reader, "builtinId", -1);
        if (builtIn >= 0 && builtIn <= 9) {
            style.builtInId = static_cast<int32_t>(builtIn);
            // Only the outline styles (RowLevel 1, ColLevel 2) carry a level.
            if (builtIn == 1 || builtIn == 2) style.outlineLevel = static_cast<int32_t>(std::clamp<int64_t>(OptionalInt(reader, "iLevel", 0), 0, 6));
        } else {
            AppendUtf8AsUtf16(OptionalText(reader, "name", ""), style.name);
            if (style.name.empty()) return TXLSXChildAction::Skip;
        }
        styles_.RegisterStyle(style);
        styles_.MarkAsStyle(style.xf);
        return TXLSXChildAction::Skip;
    });
}

void TXLSXStylesReader::ReadColors(TXMLReader& reader) {
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "indexedColors") return TXLSXChildAction::Skip;
        int32_t index = 0;
        ForEachChild(reader, [&] {
            if (LocalName(reader.Name()) == "rgbColor") {
                const TXLSStyleColor colour = ReadColor(reader);
                // Entries 0-7 are fixed; 8-63 are the writable palette colours 1-56.
                if (index >= TXLSColorManager::kFirstWritable && index < TXLSColorManager::kEntries &&
                    colour.kind == TXLSStyleColor::Kind::RGB)
                    styles_.SetPaletteColor(index - TXLSColorManager::kFirstWritable + 1, colour.value);
                ++index;
            }
            return TXLSXChildAction::Skip;
        });
        return TXLSXChildAction::Continue;
    });
}

}  // namespace korvel
