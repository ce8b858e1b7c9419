#include "xls/xlsx/XLSXSheetDataParser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "xls/model/XLSRange.h"
#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XLSXPlainCell.h"
#include "xls/xlsx/XLSXStyles.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {

namespace {

constexpr int32_t kMaxRow = TXLSRange::kMaxRow;
constexpr int32_t kMaxColumn = TXLSRange::kMaxColumn;

}  // namespace

TXLSXSheetDataParser::TXLSXSheetDataParser(size_t sharedStrings, int32_t styleXFMaximum)
    : sharedStrings_(sharedStrings), styleXFMaximum_(styleXFMaximum) {
    value_.reserve(256);
}

void TXLSXSheetDataParser::Read(TXMLReader& reader, const TPut& put, std::unique_ptr<TXLSXCellOpBlock>& block) {
    put_ = &put;
    block_ = &block;
    row_ = -1;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "row") return TXLSXChildAction::Skip;
        ReadRow(reader);
        return TXLSXChildAction::Continue;
    });
    if (!block->ops.empty()) put(block);
}

TXLSXCellOp& TXLSXSheetDataParser::AddOp() {
    if ((*block_)->Full()) (*put_)(*block_);
    return (*block_)->ops.emplace_back();
}

void TXLSXSheetDataParser::ReadRow(TXMLReader& reader) {
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
    ReadRowSettings(reader);
    // The child walk of ForEachChild, where each step to the next node
    // first takes the plain cells in one go (any other plain child is
    // passed over whole, as the walk would skip it).
    if (reader.IsEmptyOrNotStart()) return;
    const int depth = reader.Depth();
    const auto next = [&] {
        for (;;) {
            TakePlainCells(reader);
            if (!reader.TakePlainElement(plain_)) break;
            if (LocalName(plain_.Name) == "c") ReadPlainCell(plain_);
        }
        return reader.Next();
    };
    bool have = next();
    for (;;) {
        if (!have) ThrowUnexpectedEOF();
        const TXMLNodeType type = reader.NodeType();
        if (type == TXMLNodeType::EndTag && reader.Depth() == depth) return;
        if (type == TXMLNodeType::StartTag && reader.Depth() == depth + 1) {
            if (LocalName(reader.Name()) != "c") {
                have = reader.SkipElement();
                continue;
            }
            ReadCell(reader);  // leaves the cell's end tag current
        }
        have = next();
    }
}

void TXLSXSheetDataParser::ReadRowSettings(const TXMLReader& reader) {
    // Most rows carry only "r" (and "spans"): one pass tells, before the
    // searches for each setting.
    bool any = false;
    for (size_t i = 0; i < reader.AttributeCount() && !any; ++i) {
        const std::string_view name = reader.Attribute(i).Name;
        any = name == "ht" || name == "customHeight" || name == "customFormat" || name == "hidden" || name == "outlineLevel";
    }
    if (!any) return;
    const double height = OptionalDouble(reader, "ht", -1);
    const bool customHeight = OptionalBool(reader, "customHeight", false);
    const bool customFormat = OptionalBool(reader, "customFormat", false);
    const bool hidden = OptionalBool(reader, "hidden", false);
    const int64_t level = OptionalInt(reader, "outlineLevel", 0);
    // Rows that only hold cells need no settings of their own.
    if (height <= 0 && !customHeight && !customFormat && !hidden && level <= 0) return;
    TXLSXCellOp& op = AddOp();
    op.Kind = TXLSXCellOpKind::RowSettings;
    op.Row = row_;
    if (height > 0) {
        op.Flags |= kRowHeightGiven;
        op.Height = RowHeightTwips(height);
    }
    if (customHeight) op.Flags |= kRowCustomHeight;
    if (hidden) op.Flags |= kRowHidden;
    op.OutlineLevel = static_cast<uint8_t>(std::clamp<int64_t>(level, 0, 7));
    if (customFormat) {
        op.Flags |= kRowCustomFormat;
        const int64_t style = OptionalInt(reader, "s", 0);
        op.XF = style >= 0 && style <= kXLSXMaxXFIndex ? CellXFEntryId(style, styleXFMaximum_) : TXLSStyleXFs::kDefaultCellXF;
    }
}

template <typename Attributes>
void TXLSXSheetDataParser::BeginCell(const Attributes& attributes, size_t count) {
    // One pass over the attributes rather than a search for each; the first
    // of a name counts, as with FindAttribute.
    const std::string_view* r = nullptr;
    const std::string_view* s = nullptr;
    const std::string_view* t = nullptr;
    for (size_t i = 0; i < count; ++i) {
        const std::string_view name = attributes[i].Name;
        if (name.size() != 1) continue;
        const std::string_view** slot = name[0] == 'r' ? &r : name[0] == 's' ? &s : name[0] == 't' ? &t : nullptr;
        if (slot != nullptr && *slot == nullptr) *slot = &attributes[i].Value;
    }
    BeginCell(r, s, t);
}

void TXLSXSheetDataParser::BeginCell(const std::string_view* r, const std::string_view* s, const std::string_view* t) {
    TXLSXCellPos pos;
    if (r == nullptr || !references_.Parse(*r, pos)) pos = TXLSXCellPos{row_, lastCol_ + 1};
    BeginCellAt(pos, s, t);
}

void TXLSXSheetDataParser::BeginCellAt(TXLSXCellPos pos, const std::string_view* s, const std::string_view* t) {
    cell_.pos = pos;
    lastCol_ = pos.Col;
    const int64_t style = s != nullptr ? ValueInt(*s, 0) : 0;
    cell_.xf = style > 0 && style <= kXLSXMaxXFIndex ? CellStyleAttributeXF(style, styleXFMaximum_) : 0;
    const std::string_view type = t != nullptr ? *t : std::string_view("n");
    cell_.type = type == "n"           ? TCellType::Number
                 : type == "s"         ? TCellType::Shared
                 : type == "str"       ? TCellType::Text
                 : type == "inlineStr" ? TCellType::InlineText
                 : type == "b"         ? TCellType::Boolean
                 : type == "d"         ? TCellType::Date
                 : type == "e"         ? TCellType::Error
                                       : TCellType::Unknown;
    cell_.haveValue = cell_.inlineText = cell_.formula = false;
    value_.clear();
}

void TXLSXSheetDataParser::EndCell(std::string_view value) {
    if (cell_.formula) ++formulaCount_;
    const TXLSXCellPos pos = cell_.pos;
    if (pos.Row > kMaxRow || pos.Col > kMaxColumn || pos.Row < 0 || pos.Col < 0) return;
    TXLSXCellOp& op = AddOp();
    op.Row = pos.Row;
    op.Col = static_cast<uint16_t>(pos.Col);  // within the model's columns, checked above
    op.XF = cell_.xf;
    if (cell_.haveValue) AddValue(op, cell_.type, cell_.inlineText, value);
}

void TXLSXSheetDataParser::TakePlainCells(TXMLReader& reader) {
    const std::string_view ahead = reader.PlainBytesAhead();
    TXLSXPlainCell cell;
    size_t taken = 0, lastTagAt = 0;
    bool lastEmpty = false;
    // The values stay in the scanner's buffer until the cells are taken.
    while (const size_t length = MatchPlainCell(ahead.substr(taken), cell)) {
        const std::string_view* const s = cell.S.data() != nullptr ? &cell.S : nullptr;
        const std::string_view* const t = cell.T.data() != nullptr ? &cell.T : nullptr;
        if (cell.HasPosition) BeginCellAt(cell.Position, s, t);
        else BeginCell(cell.R.data() != nullptr ? &cell.R : nullptr, s, t);
        cell_.haveValue = cell.HasValue;
        cell_.inlineText = cell.InlineText;
        EndCell(cell.Value);
        lastTagAt = taken + cell.LastTagAt;
        lastEmpty = cell.Empty;
        taken += length;
    }
    if (taken > 0) reader.TakeMatchedElements(taken, lastTagAt, lastEmpty);
}

// The same cell as ReadCell reads it, from an element taken whole: its
// children hold one plain text each, so "is" has no runs or phonetic parts.
void TXLSXSheetDataParser::ReadPlainCell(const TXMLPlainElement& element) {
    BeginCell(element.Attributes, element.AttributeCount);
    // The value stays in the scanner's buffer until the next element is taken.
    std::string_view value;
    for (size_t i = 0; i < element.ChildCount; ++i) {
        const std::string_view name = LocalName(element.Children[i].Name);
        if (name == "v" && !cell_.inlineText) {
            value = element.Children[i].Text;
            cell_.haveValue = true;
        } else if (name == "is") {
            value = element.Children[i].Text;
            cell_.haveValue = cell_.inlineText = true;
        } else if (name == "f") {
            cell_.formula = true;
        }
    }
    EndCell(value);
}

void TXLSXSheetDataParser::ReadCell(TXMLReader& reader) {
    BeginCell(reader.AttributeCount() > 0 ? &reader.Attribute(0) : nullptr, reader.AttributeCount());
    ForEachChild(reader, [&] {
        const std::string_view name = LocalName(reader.Name());
        if (name == "v" && !cell_.inlineText) {
            ReadTextBelow(reader, value_);
            cell_.haveValue = true;
            return TXLSXChildAction::Continue;
        }
        if (name == "is") {
            // Phonetic runs are reading aids, not part of the text.
            ReadTextBelow(reader, value_, "rPh");
            cell_.haveValue = cell_.inlineText = true;
            return TXLSXChildAction::Continue;
        }
        if (name == "f") cell_.formula = true;
        return TXLSXChildAction::Skip;
    });
    EndCell(value_);
}

void TXLSXSheetDataParser::AddValue(TXLSXCellOp& op, TCellType type, bool inlineText, std::string_view value) {
    if (inlineText) type = TCellType::InlineText;
    int64_t index = 0;
    switch (type) {
    case TCellType::Number:
        if (ParseXmlDouble(value, op.Number)) op.Kind = TXLSXCellOpKind::Number;
        break;
    case TCellType::Boolean:
        op.Kind = TXLSXCellOpKind::Boolean;
        op.Number = XmlTrue(value) ? 1 : 0;
        break;
    case TCellType::Shared:
        if (!ParseXmlInt(value, index)) break;
        if (index >= 0 && static_cast<uint64_t>(index) < sharedStrings_) {
            op.Kind = TXLSXCellOpKind::SharedText;
            op.Index = static_cast<int32_t>(index);
        } else {
            op.Kind = TXLSXCellOpKind::EmptyText;
        }
        break;
    case TCellType::Text:
    case TCellType::InlineText: {
        std::string& texts = (*block_)->texts;
        // Offsets are 32-bit; a text that would pass them is more than
        // memory holds anyway.
        if (value.size() > UINT32_MAX - texts.size()) throw std::length_error("Cell text too long");
        op.Kind = TXLSXCellOpKind::Text;
        op.Text = {static_cast<uint32_t>(texts.size()), static_cast<uint32_t>(value.size())};
        texts.append(value);
        break;
    }
    case TCellType::Date:
        if (ParseIsoDate(value, op.Number)) op.Kind = TXLSXCellOpKind::Date;
        break;
    case TCellType::Error:
    case TCellType::Unknown:
        break;  // error values have no place in the model
    }
}

}  // namespace korvel
