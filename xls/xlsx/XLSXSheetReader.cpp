#include "xls/xlsx/XLSXSheetReader.h"

#include <algorithm>
#include <cmath>

#include "xls/model/XLSRange.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XLSXStyles.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {

namespace {

// Days between the 1904 and the 1900 date systems' day 0.
constexpr double kDate1904Offset = 1462;
constexpr int32_t kMaxRow = TXLSRange::kMaxRow;
constexpr int32_t kMaxColumn = TXLSRange::kMaxColumn;
// Column settings a sheet may make in all: a few times every column, so
// that a part repeating wide `col` ranges cannot keep the reader busy.
constexpr int64_t kMaxColumnAssignments = 16 * (kMaxColumn + 1);
constexpr double kTwipsPerPoint = 20;
constexpr double kWidthUnitsPerCharacter = 256;

// The cell's text variant, reused: its string is rewritten in place (the
// variant object itself is not const, so this is well defined).
std::u16string& TextOf(Variant& variant) { return const_cast<std::u16string&>(variant.AsWide()); }

uint16_t ToUnit16(double value) { return static_cast<uint16_t>(std::clamp(std::lround(value), 0L, 0x7FFFL)); }

}  // namespace

TXLSXSheetReader::TXLSXSheetReader(IXLSWorksheet& sheet, const TXLSXSheetSettings& settings)
    : sheet_(sheet), workbook_(sheet.Workbook()), settings_(settings), text_(std::u16string(u"'")),
      emptyText_(std::u16string(u"'")) {
    value_.reserve(256);
    TextOf(text_).reserve(256);
}

void TXLSXSheetReader::Read(TXMLReader& reader) {
    bool have = reader.Next();
    while (have) {
        if (reader.NodeType() != TXMLNodeType::StartTag) {
            have = reader.Next();
            continue;
        }
        switch (ElementCode(reader.Name())) {
        case TXLSXElement::SheetData: ReadSheetData(reader); break;
        case TXLSXElement::Cols: ReadCols(reader); break;
        case TXLSXElement::MergeCells: ReadMergeCells(reader); break;
        case TXLSXElement::SheetFormatPr: ReadSheetFormat(reader); break;
        case TXLSXElement::SheetPr:
        case TXLSXElement::PageSetup:
        case TXLSXElement::Dimension:
        case TXLSXElement::SheetViews:
        case TXLSXElement::PageMargins:
        case TXLSXElement::ColBreaks:
        case TXLSXElement::RowBreaks:
        case TXLSXElement::PrintOptions:
        case TXLSXElement::HeaderFooter:
        case TXLSXElement::Hyperlinks:
        case TXLSXElement::SheetProtection:
            // Nothing of these reaches the model.
            have = reader.SkipElement();
            continue;
        default:
            break;
        }
        have = reader.Next();
    }
}

void TXLSXSheetReader::ReadSheetData(TXMLReader& reader) {
    row_ = -1;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "row") return TXLSXChildAction::Skip;
        ReadRow(reader);
        return TXLSXChildAction::Continue;
    });
}

void TXLSXSheetReader::ReadRow(TXMLReader& reader) {
    int64_t number = 0;
    const TXMLAttribute* r = reader.FindAttribute("r");
    const bool numbered = r != nullptr && ParseXmlInt(r->Value, number) && number >= 1 && number <= kMaxRow + 1;
    const int64_t row = numbered ? number - 1 : int64_t{row_} + 1;
    if (row > kMaxRow) {
        // Beyond the model: neither the row nor its cells can be kept.
        row_ = kMaxRow + 1;
        return;
    }
    row_ = static_cast<int32_t>(row);
    lastCol_ = -1;
    ReadRowSettings(reader, row_);
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "c") return TXLSXChildAction::Skip;
        ReadCell(reader);
        return TXLSXChildAction::Continue;
    });
}

void TXLSXSheetReader::ReadRowSettings(const TXMLReader& reader, int32_t row) {
    const double height = OptionalDouble(reader, "ht", -1);
    const bool customHeight = OptionalBool(reader, "customHeight", false);
    const bool customFormat = OptionalBool(reader, "customFormat", false);
    const bool hidden = OptionalBool(reader, "hidden", false);
    const int64_t level = OptionalInt(reader, "outlineLevel", 0);
    // Rows that only hold cells need no settings of their own.
    if (height <= 0 && !customHeight && !customFormat && !hidden && level <= 0) return;
    TXLSRowInfo& info = sheet_.Rows().GetOrCreate(row);
    if (height > 0) {
        info.Height = ToUnit16(height * kTwipsPerPoint);
        info.HeightSet = customHeight;
        info.CustomHeight = customHeight;
    }
    info.Hidden = hidden;
    info.OutlineLevel = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 7));
    if (customFormat) sheet_.SetRowFormat(row, RowColumnXF(OptionalInt(reader, "s", 0)));
}

int32_t TXLSXSheetReader::RowColumnXF(int64_t style) const {
    return style >= 0 && style <= kXLSXMaxXFIndex ? CellXFEntryId(style, settings_.StyleXFMaximum) : kDefaultCellXF;
}

void TXLSXSheetReader::ReadCell(TXMLReader& reader) {
    // One pass over the attributes rather than a search for each; the first
    // of a name counts, as with FindAttribute.
    const TXMLAttribute* r = nullptr;
    const TXMLAttribute* s = nullptr;
    const TXMLAttribute* typeAttribute = nullptr;
    for (size_t i = 0; i < reader.AttributeCount(); ++i) {
        const TXMLAttribute& attribute = reader.Attribute(i);
        if (attribute.Name.size() != 1) continue;
        const TXMLAttribute** slot = attribute.Name[0] == 'r'   ? &r
                                     : attribute.Name[0] == 's' ? &s
                                     : attribute.Name[0] == 't' ? &typeAttribute
                                                                : nullptr;
        if (slot != nullptr && *slot == nullptr) *slot = &attribute;
    }
    TXLSXCellPos pos;
    if (r == nullptr || !ParseCellReference(r->Value, pos)) {
        pos.Row = row_;
        pos.Col = lastCol_ + 1;
    }
    lastCol_ = pos.Col;
    const int64_t style = AttributeInt(s, 0);
    const int32_t xf = style > 0 && style <= kXLSXMaxXFIndex ? CellStyleAttributeXF(style, settings_.StyleXFMaximum) : 0;
    const std::string_view t = typeAttribute != nullptr ? typeAttribute->Value : std::string_view("n");
    const TCellType type = t == "n"           ? TCellType::Number
                           : t == "s"         ? TCellType::Shared
                           : t == "str"       ? TCellType::Text
                           : t == "inlineStr" ? TCellType::InlineText
                           : t == "b"         ? TCellType::Boolean
                           : t == "d"         ? TCellType::Date
                           : t == "e"         ? TCellType::Error
                                              : TCellType::Unknown;
    bool haveValue = false, inlineText = false, formula = false;
    value_.clear();
    ForEachChild(reader, [&] {
        const std::string_view name = LocalName(reader.Name());
        if (name == "v" && !inlineText) {
            ReadTextBelow(reader, value_);
            haveValue = true;
            return TXLSXChildAction::Continue;
        }
        if (name == "is") {
            // Phonetic runs are reading aids, not part of the text.
            ReadTextBelow(reader, value_, "rPh");
            haveValue = inlineText = true;
            return TXLSXChildAction::Continue;
        }
        if (name == "f") formula = true;
        return TXLSXChildAction::Skip;
    });
    if (formula) ++formulaCount_;
    if (pos.Row > kMaxRow || pos.Col > kMaxColumn || pos.Row < 0) return;
    sheet_.SetCellXF(pos.Row, pos.Col, xf);
    if (haveValue) StoreValue(pos.Row, pos.Col, xf, type, inlineText);
}

void TXLSXSheetReader::StoreValue(int32_t row, int32_t col, int32_t xf, TCellType type, bool inlineText) {
    if (inlineText) {
        SetText(row, col, value_);
        return;
    }
    double number = 0;
    int64_t index = 0;
    switch (type) {
    case TCellType::Number:
        if (ParseXmlDouble(value_, number)) SetNumber(row, col, xf, number);
        break;
    case TCellType::Boolean:
        sheet_.SetCellValue(row, col, Variant(XmlTrue(value_)));
        workbook_.BumpChangeStamp();
        break;
    case TCellType::Shared: {
        if (!ParseXmlInt(value_, index)) break;
        const std::vector<TXLSSharedStringRef>* strings = settings_.SharedStrings;
        if (strings != nullptr && index >= 0 && static_cast<uint64_t>(index) < strings->size())
            sheet_.SetCellSharedText(row, col, (*strings)[static_cast<size_t>(index)]);
        else
            sheet_.SetCellValue(row, col, emptyText_);
        workbook_.BumpChangeStamp();
        break;
    }
    case TCellType::Text:
    case TCellType::InlineText:
        SetText(row, col, value_);
        break;
    case TCellType::Date:
        if (ParseIsoDate(value_, number)) {
            sheet_.SetCellValue(row, col, Variant::Date(number));
            workbook_.BumpChangeStamp();
        }
        break;
    case TCellType::Error:
    case TCellType::Unknown:
        break;  // error values have no place in the model
    }
}

void TXLSXSheetReader::SetNumber(int32_t row, int32_t col, int32_t xf, double value) {
    if (settings_.Date1904) {
        // The model holds every date in the 1900 system.
        const int32_t decisive = xf != 0 ? xf : sheet_.CellXF(row, col);
        if (workbook_.Styles().IsDateFormat(decisive)) value += kDate1904Offset;
    }
    sheet_.SetCellValue(row, col, Variant(value));
    workbook_.BumpChangeStamp();
}

void TXLSXSheetReader::SetText(int32_t row, int32_t col, std::string_view utf8) {
    std::u16string& text = TextOf(text_);
    text.resize(1);  // keeps the leading apostrophe: the text is never a formula
    AppendUtf8AsUtf16(utf8, text);
    sheet_.SetCellValue(row, col, text_);
    workbook_.BumpChangeStamp();
}

void TXLSXSheetReader::ReadCols(TXMLReader& reader) {
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "col") return TXLSXChildAction::Skip;
        const int64_t first = std::max<int64_t>(OptionalInt(reader, "min", 1), 1);
        const int64_t last = std::min<int64_t>(OptionalInt(reader, "max", first), kMaxColumn + 1);
        if (last < first || columnAssignments_ > kMaxColumnAssignments) return TXLSXChildAction::Skip;
        columnAssignments_ += last - first + 1;
        const double width = OptionalDouble(reader, "width", -1);
        const bool hidden = OptionalBool(reader, "hidden", false);
        const uint8_t level = static_cast<uint8_t>(std::clamp<int64_t>(OptionalInt(reader, "outlineLevel", 0), 0, 7));
        const bool styled = reader.HasAttribute("style");
        const int32_t xf = RowColumnXF(OptionalInt(reader, "style", 0));
        for (int64_t c = first; c <= last; ++c) {
            const int32_t col = static_cast<int32_t>(c - 1);
            if (styled) sheet_.SetColumnFormat(col, xf);
            TXLSColumnInfo& info = sheet_.Columns().GetOrCreate(col);
            if (width >= 0) info.Width = static_cast<uint16_t>(std::clamp(std::lround(width * kWidthUnitsPerCharacter), 0L, 0xFFFFL));
            info.Hidden = hidden;
            info.OutlineLevel = level;
        }
        return TXLSXChildAction::Skip;
    });
}

void TXLSXSheetReader::ReadMergeCells(TXMLReader& reader) {
    ForEachChild(reader, [&] {
        TXLSXCellPos first, last;
        if (LocalName(reader.Name()) == "mergeCell" && ParseRangeReference(OptionalText(reader, "ref", ""), first, last))
            sheet_.MergeCells(first.Row, first.Col, last.Row, last.Col);
        return TXLSXChildAction::Skip;
    });
}

void TXLSXSheetReader::ReadSheetFormat(const TXMLReader& reader) {
    const double height = OptionalDouble(reader, "defaultRowHeight", -1);
    if (height > 0) sheet_.Rows().SetDefaultHeight(ToUnit16(height * kTwipsPerPoint));
    const double width = OptionalDouble(reader, "defaultColWidth", -1);
    if (width > 0) sheet_.Columns().SetDefaultWidth(static_cast<uint16_t>(std::clamp(std::lround(width * kWidthUnitsPerCharacter), 0L, 0xFFFFL)));
}

}  // namespace korvel
