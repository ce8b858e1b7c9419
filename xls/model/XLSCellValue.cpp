// The rules between variants and stored cell contents.
#include <cmath>

#include "common/TextUtil.h"
#include "platform/CodePage.h"
#include "xls/model/XLSFormula.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {

namespace {
// Day 60 of the 1900 system is the nonexistent 29 February 1900, so date
// values from 1 to 60 sit one day lower as serials than they count.
double DateToSerial(double days) { return days >= 1 && days < 61 ? days - 1 : days; }
double SerialToDate(double serial) { return serial >= 0 && serial < 60 ? serial + 1 : serial; }
}  // namespace

void IXLSWorksheet::ReleaseContent(TXLSCellRef& cell) {
    if (cell.Kind == TXLSCellKind::Text) {
        workbook_.StringTable().ReleaseString(cell.StringId);
        cell.StringId = -1;
        cell.Kind = TXLSCellKind::Blank;
    } else {
        cell.DropFormula();
    }
}

void IXLSWorksheet::StoreSharedText(TXLSCellRef& cell, std::u16string_view text) {
    cell.StringId = workbook_.StringTable().AddString(text);
    cell.Kind = TXLSCellKind::Text;
}

void IXLSWorksheet::StoreSharedText(TXLSCellRef& cell, std::u16string_view text, uint32_t hash) {
    cell.StringId = workbook_.StringTable().AddString(text, hash);
    cell.Kind = TXLSCellKind::Text;
}

void IXLSWorksheet::SetText(TXLSCellRef& cell, std::u16string_view text) {
    if (text.empty()) {
        cell.Kind = TXLSCellKind::Blank;
        return;
    }
    if (text.front() == u'=') {
        std::unique_ptr<TXLSFormula> formula = workbook_.FormulaEngine().Compile(text.substr(1), sheetId_);
        if (formula) {
            cell.SetFormula(std::move(formula));
        } else {
            StoreSharedText(cell, text);
        }
        return;
    }
    if (text.front() == u'\'') text.remove_prefix(1);
    if (HasLineFeed(text)) {
        const int32_t row = cell.Row, col = cell.Column;
        SetCellWrapText(row, col, true);
    }
    StoreSharedText(cell, text);
}

void IXLSWorksheet::SetCellValue(int32_t row, int32_t col, const Variant& value) {
    TXLSCellRef& cell = heap_.GetOrCreateCell(row, col);
    if (cell.IsMergeCovered()) return;
    ReleaseContent(cell);
    switch (value.Kind()) {
    case VariantKind::Empty:
    case VariantKind::Null:
        cell.Kind = TXLSCellKind::Blank;
        break;
    case VariantKind::Date:
        cell.Value = DateToSerial(value.AsDateDays());
        cell.Kind = TXLSCellKind::Date;
        break;
    case VariantKind::Boolean:
        cell.Value = value.AsBool() ? 1.0 : 0.0;
        cell.Kind = TXLSCellKind::Boolean;
        break;
    case VariantKind::WideString:
        SetText(cell, value.AsWide());
        break;
    case VariantKind::AnsiString:
        SetText(cell, AnsiToWide(value.AsAnsi()));
        break;
    case VariantKind::Array:
    case VariantKind::Other:
        break;  // not storable: the cell keeps what ReleaseContent left
    default:
        cell.Value = value.NumericToDouble();
        cell.Kind = TXLSCellKind::Number;
        break;
    }
}

void IXLSWorksheet::StoreScalar(TXLSCellRef& cell, double value, TXLSCellKind kind) {
    if (cell.IsMergeCovered()) return;
    ReleaseContent(cell);
    cell.Value = value;
    cell.Kind = kind;
}

void IXLSWorksheet::SetCellSharedText(TXLSCellRef& cell, const TXLSSharedStringRef& text) {
    if (cell.IsMergeCovered()) return;
    TXLSStringTable& strings = workbook_.StringTable();
    if (cell.Kind != TXLSCellKind::Blank || text.HasLineFeed) {
        std::u16string literal = u"'";
        literal.append(strings.GetString(text.Id));
        SetCellValue(cell.Row, cell.Column, Variant(std::move(literal)));
        return;
    }
    cell.Kind = TXLSCellKind::Text;
    cell.StringId = text.Id;
    strings.AddReference(text.Id);
}

void IXLSWorksheet::SetCellLiteralText(TXLSCellRef& cell, std::u16string_view text, uint32_t hash) {
    if (cell.IsMergeCovered()) return;
    ReleaseContent(cell);
    if (HasLineFeed(text)) SetCellWrapText(cell.Row, cell.Column, true);
    StoreSharedText(cell, text, hash);
}

Variant IXLSWorksheet::GetCellValue(int32_t row, int32_t col) {
    const TXLSCellRef* cell = heap_.FindCell(row, col);
    if (cell == nullptr || cell->IsMergeCovered()) return Variant::Null();
    // Tests in turn rather than a jump table: along a row the kinds follow
    // the columns, a pattern that conditional branches learn.
    const TXLSCellKind kind = cell->Kind;
    if (kind == TXLSCellKind::Text) return Variant(workbook_.StringTable().GetString(cell->StringId));
    if (kind == TXLSCellKind::Number) return NumberValue(*cell, cell->Value);
    if (kind == TXLSCellKind::Boolean) return Variant(cell->Value > 0);
    if (kind == TXLSCellKind::Date) return Variant::Date(SerialToDate(cell->Value));
    if (kind == TXLSCellKind::Formula) return FormulaValue(*cell);
    return Variant::Null();
}

// The cell is at hand: without a format of its own it takes the row's or the
// column's, with no second search for it.
Variant IXLSWorksheet::NumberValue(const TXLSCellRef& cell, double number) const {
    const int32_t xf = cell.XF > 0 ? static_cast<int32_t>(cell.XF) : heap_.InheritedXF(cell.Row, cell.Column);
    if (workbook_.Styles().IsDateFormat(xf)) return Variant::Date(SerialToDate(number));
    return Variant(number);
}

// Apart from the stored kinds, so that their path stays short.
Variant IXLSWorksheet::FormulaValue(const TXLSCellRef& cell) {
    if (!cell.Formula()) return Variant::Null();
    std::optional<Variant> result =
        workbook_.FormulaEngine().Evaluate(*cell.Formula(), index_, cell.Row, cell.Column, workbook_.ChangeStamp());
    if (!result) return Variant::Null();
    if (result->Kind() != VariantKind::Double) return *result;
    return NumberValue(cell, result->AsDouble());
}

}  // namespace korvel
