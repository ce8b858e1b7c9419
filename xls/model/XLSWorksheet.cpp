#include "xls/model/XLSWorksheet.h"

#include <algorithm>

#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

IXLSWorksheet::IXLSWorksheet(TXLSWorkbook& workbook, int32_t sheetId)
    : workbook_(workbook),
      sheetId_(sheetId),
      heap_(rows_, columns_, workbook.StringTable(), workbook.Styles()),
      cells_(TXLSRange::Create(*this, 0, 0, TXLSRange::kMaxRow, TXLSRange::kMaxColumn)) {}

IXLSWorksheet::~IXLSWorksheet() = default;

bool IXLSWorksheet::SetName(std::u16string_view name) { return workbook_.Sheets().RenameSheet(*this, name); }

void IXLSWorksheet::Select() { workbook_.Sheets().Select(*this); }

TXLSRangeRef IXLSWorksheet::Range(int32_t row1, int32_t col1, int32_t row2, int32_t col2) {
    auto clampRow = [](int32_t row) { return std::clamp(row, 1, TXLSRange::kMaxRow + 1) - 1; };
    auto clampCol = [](int32_t col) { return std::clamp(col, 1, TXLSRange::kMaxColumn + 1) - 1; };
    return TXLSRange::Create(*this, clampRow(row1), clampCol(col1), clampRow(row2), clampCol(col2));
}

void IXLSWorksheet::SetCellWrapText(int32_t row, int32_t col, bool wrap) {
    TXLSStyleXFs& styles = workbook_.Styles();
    SetCellXF(row, col, styles.FindOrAddWithWrap(CellXF(row, col), wrap));
}

void IXLSWorksheet::SetRowFormat(int32_t row, int32_t xf) {
    TXLSRowInfo& info = rows_.GetOrCreate(row);
    workbook_.Styles().MoveUse(info.HasFormat ? info.XF : 0, xf > 0 ? xf : 0);
    info.HasFormat = xf > 0;
    info.XF = xf > 0 ? xf : kDefaultCellXF;
}

void IXLSWorksheet::SetColumnFormat(int32_t col, int32_t xf) {
    TXLSColumnInfo& info = columns_.GetOrCreate(col);
    workbook_.Styles().MoveUse(info.HasFormat ? info.XF : 0, xf > 0 ? xf : 0);
    info.HasFormat = xf > 0;
    info.XF = xf > 0 ? xf : columns_.DefaultXF();
}

}  // namespace korvel
