#include "xls/xlsx/XLSXSheetReader.h"

#include <algorithm>
#include <cmath>

#include "platform/BlockPipe.h"
#include "platform/BulkMemory.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XLSXSheetDataParser.h"
#include "xls/xlsx/XLSXStyles.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {

namespace {

// Days between the 1904 and the 1900 date systems' day 0.
constexpr double kDate1904Offset = 1462;
constexpr int32_t kMaxColumn = TXLSRange::kMaxColumn;
// Column settings a sheet may make in all: a few times every column, so
// that a part repeating wide `col` ranges cannot keep the reader busy.
constexpr int64_t kMaxColumnAssignments = 16 * (kMaxColumn + 1);
// How far ahead Store asks for a text's hash chain head and first entry.
constexpr size_t kChainHeadAhead = 16;
constexpr size_t kChainStartAhead = 8;
constexpr double kWidthUnitsPerCharacter = 256;


}  // namespace

TXLSXSheetReader::TXLSXSheetReader(IXLSWorksheet& sheet, const TXLSXSheetSettings& settings)
    : sheet_(sheet), workbook_(sheet.Workbook()), settings_(settings) {}

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
    const std::vector<TXLSSharedStringRef>* strings = settings_.SharedStrings;
    TXLSXSheetDataParser parser(strings != nullptr ? strings->size() : 0, settings_.StyleXFMaximum);
    // The parser touches only the reader and its blocks; the model is
    // changed here alone, in the order the part gives. While the storing
    // falls behind, the parser makes the model's next 2 MiB piece present
    // (clearing fresh memory is slow on a virtual machine); a piece left
    // over goes back when the cells are in, or the reading failed.
    struct TDropAhead {
        ~TDropAhead() { DropBulkAhead(); }
    } dropAhead;
    RunBlockPipe<TXLSXCellOpBlock>(
        settings_.ParseAside,
        [&](const TXLSXSheetDataParser::TPut& put, std::unique_ptr<TXLSXCellOpBlock>& block) {
            parser.Read(reader, put, block);
        },
        [&](const TXLSXCellOpBlock& block) { Store(block); }, PrepareBulkAhead);
    formulaCount_ += parser.FormulaCount();
}

// All of a block's texts first, so that the hashes are known ahead of the
// cells that store them.
void TXLSXSheetReader::WidenTexts(const TXLSXCellOpBlock& block) {
    const size_t count = block.ops.size();
    wideTexts_.clear();
    if (wideOf_.size() < count) wideOf_.resize(count);
    const std::string_view bytes = block.texts;
    for (size_t i = 0; i < count; ++i) {
        const TXLSXCellOp& op = block.ops[i];
        if (op.Kind != TXLSXCellOpKind::Text) continue;
        // A text has no more units than bytes, so the offsets fit as the
        // parser's did.
        TWideText& wide = wideOf_[i];
        wide.Start = static_cast<uint32_t>(wideTexts_.size());
        AppendUtf8AsUtf16(bytes.substr(op.Text.Start, op.Text.Length), wideTexts_);
        wide.Length = static_cast<uint32_t>(wideTexts_.size() - wide.Start);
        wide.Hash = TXLSStringTable::HashOf(std::u16string_view(wideTexts_).substr(wide.Start, wide.Length));
    }
}

void TXLSXSheetReader::Store(const TXLSXCellOpBlock& block) {
    WidenTexts(block);
    const std::vector<TXLSSharedStringRef>* strings = settings_.SharedStrings;
    const TXLSStringTable& table = workbook_.StringTable();
    const size_t count = block.ops.size();
    for (size_t i = 0; i < count; ++i) {
        // A text's chain in the string table is far in memory: its head is
        // loaded some operations ahead, its first entry a few.
        if (i + kChainHeadAhead < count && block.ops[i + kChainHeadAhead].Kind == TXLSXCellOpKind::Text)
            table.PrefetchChainHead(wideOf_[i + kChainHeadAhead].Hash);
        if (i + kChainStartAhead < count && block.ops[i + kChainStartAhead].Kind == TXLSXCellOpKind::Text)
            table.PrefetchChainStart(wideOf_[i + kChainStartAhead].Hash);
        const TXLSXCellOp& op = block.ops[i];
        if (op.Kind == TXLSXCellOpKind::RowSettings) {
            StoreRowSettings(op);
            continue;
        }
        TXLSCellRef& cell = sheet_.SetCellXF(op.Row, op.Col, op.XF);
        switch (op.Kind) {
        case TXLSXCellOpKind::Format:
        case TXLSXCellOpKind::RowSettings:
            continue;
        case TXLSXCellOpKind::Number:
            StoreNumber(op, cell);
            break;
        case TXLSXCellOpKind::Boolean:
            sheet_.SetCellBoolean(cell, op.Number != 0);
            break;
        case TXLSXCellOpKind::SharedText:
            // The parser checked the index against the table's size.
            sheet_.SetCellSharedText(cell, (*strings)[static_cast<size_t>(op.Index)]);
            break;
        case TXLSXCellOpKind::EmptyText:
            sheet_.SetCellLiteralText(cell, {}, emptyTextHash_);
            break;
        case TXLSXCellOpKind::Text:
            sheet_.SetCellLiteralText(
                cell, std::u16string_view(wideTexts_).substr(wideOf_[i].Start, wideOf_[i].Length), wideOf_[i].Hash);
            break;
        case TXLSXCellOpKind::Date:
            sheet_.SetCellValue(op.Row, op.Col, Variant::Date(op.Number));
            break;
        }
        workbook_.BumpChangeStamp();
    }
}

void TXLSXSheetReader::StoreRowSettings(const TXLSXCellOp& op) {
    TXLSRowInfo& info = sheet_.Rows().GetOrCreate(op.Row);
    if ((op.Flags & kRowHeightGiven) != 0) {
        const bool custom = (op.Flags & kRowCustomHeight) != 0;
        info.Height = op.Height;
        info.HeightSet = custom;
        info.CustomHeight = custom;
    }
    info.Hidden = (op.Flags & kRowHidden) != 0;
    info.OutlineLevel = op.OutlineLevel;
    if ((op.Flags & kRowCustomFormat) != 0) sheet_.SetRowFormat(op.Row, op.XF);
}

void TXLSXSheetReader::StoreNumber(const TXLSXCellOp& op, TXLSCellRef& cell) {
    double value = op.Number;
    if (settings_.Date1904) {
        // The model holds every date in the 1900 system.
        const int32_t decisive = op.XF != 0 ? op.XF : sheet_.CellXF(op.Row, op.Col);
        if (workbook_.Styles().IsDateFormat(decisive)) value += kDate1904Offset;
    }
    sheet_.SetCellNumber(cell, value);
}

int32_t TXLSXSheetReader::RowColumnXF(int64_t style) const {
    return style >= 0 && style <= kXLSXMaxXFIndex ? CellXFEntryId(style, settings_.StyleXFMaximum) : kDefaultCellXF;
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
    if (height > 0) sheet_.Rows().SetDefaultHeight(RowHeightTwips(height));
    const double width = OptionalDouble(reader, "defaultColWidth", -1);
    if (width > 0) sheet_.Columns().SetDefaultWidth(static_cast<uint16_t>(std::clamp(std::lround(width * kWidthUnitsPerCharacter), 0L, 0xFFFFL)));
}

}  // namespace korvel
