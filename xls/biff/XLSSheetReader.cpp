#include "xls/biff/XLSSheetReader.h"

#include <algorithm>

#include "xls/biff/XLSRKEncoding.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {

namespace {

// Every cell record starts with row, column and XF index.
constexpr size_t kCellHeadSize = 6;
constexpr size_t kCellValueOffset = 6;
// Days between the 1904 and the 1900 date systems' day 0.
constexpr double kDate1904Offset = 1462;

// FORMULA: the cached result at 6; when its last word is 0xFFFF the byte at
// 6 says what kind of result it is ([MS-XLS] 2.5.133 FormulaValue).
constexpr size_t kFormulaMinSize = 14;
constexpr size_t kFormulaResultMarkerOffset = 12;
constexpr uint16_t kFormulaNonNumber = 0xFFFF;
constexpr uint8_t kFormulaResultString = 0;
constexpr uint8_t kFormulaResultBoolean = 1;
constexpr uint8_t kFormulaResultEmptyString = 3;

constexpr size_t kMulEntryRKSize = 6;
constexpr size_t kMulEntryBlankSize = 2;
constexpr size_t kRowMinSize = 16;
constexpr size_t kColInfoMinSize = 10;
constexpr size_t kMergedAreaSize = 8;
constexpr size_t kBoolErrMinSize = 8;
constexpr uint8_t kBoolErrBoolean = 0;
constexpr uint8_t kLabelCompressed = 0x00;
constexpr uint8_t kLabelWide = 0x01;

constexpr uint16_t kTABLE = 0x0236;

const std::u16string kEmptyText = u"'";

}  // namespace

TXLSSheetReader::TXLSSheetReader(IXLSWorksheet& sheet, const TXLSSheetReadSettings& settings)
    : sheet_(sheet), workbook_(sheet.Workbook()), settings_(settings) {
    text_.reserve(256);
}

void TXLSSheetReader::Dispatch(uint16_t id, const TXLSRecordGroup& group) {
    if (group.empty()) return;
    const std::span<const uint8_t> body = group.front();
    // A text result waits for its STRING record, which may only follow the
    // FORMULA (or the shared formula / table definition placed after it).
    if (id != XLSRecordId::kSTRING && id != XLSRecordId::kSHRFMLA && id != XLSRecordId::kARRAY && id != kTABLE)
        stringPending_ = false;
    switch (id) {
    case XLSRecordId::kLABELSST: ReadLabelSST(body); break;
    case XLSRecordId::kLABEL: ReadLabel(group); break;
    case XLSRecordId::kRSTRING: ReadRString(body); break;
    case XLSRecordId::kNUMBER: ReadNumber(body); break;
    case XLSRecordId::kRK: ReadRK(body); break;
    case XLSRecordId::kMULRK: ReadMulRK(body); break;
    case XLSRecordId::kBOOLERR: ReadBoolErr(body); break;
    case XLSRecordId::kBLANK: ReadBlank(body); break;
    case XLSRecordId::kMULBLANK: ReadMulBlank(body); break;
    case XLSRecordId::kFORMULA:
    case XLSRecordId::kFORMULA_BIFF4: ReadFormula(body); break;
    case XLSRecordId::kSTRING: ReadString(group); break;
    case XLSRecordId::kROW: ReadRow(body); break;
    case XLSRecordId::kCOLINFO: ReadColInfo(body); break;
    case XLSRecordId::kMERGEDCELLS: ReadMergedCells(body); break;
    default: break;
    }
}

bool TXLSSheetReader::InModel(uint32_t row, uint32_t col) {
    return row <= static_cast<uint32_t>(TXLSRange::kMaxRow) && col <= static_cast<uint32_t>(TXLSRange::kMaxColumn);
}

TXLSCellRef& TXLSSheetReader::SetXF(uint32_t row, uint32_t col, uint16_t xf) {
    return sheet_.SetCellXF(static_cast<int32_t>(row), static_cast<int32_t>(col), xf);
}

void TXLSSheetReader::SetText(uint32_t row, uint32_t col, uint16_t xf) {
    // text_ starts with the apostrophe of a literal text: stored as such,
    // without a variant copy of it.
    const std::u16string_view text = std::u16string_view(text_).substr(1);
    sheet_.SetCellLiteralText(static_cast<int32_t>(row), static_cast<int32_t>(col), text, TXLSStringTable::HashOf(text));
    workbook_.BumpChangeStamp();
    SetXF(row, col, xf);
}

void TXLSSheetReader::SetNumber(uint32_t row, uint32_t col, uint16_t xf, double value) {
    TXLSCellRef& cell = SetXF(row, col, xf);
    if (settings_.Date1904) {
        // The model holds every date in the 1900 system.
        const int32_t decisive = xf != 0 ? xf : sheet_.CellXF(static_cast<int32_t>(row), static_cast<int32_t>(col));
        if (workbook_.Styles().IsDateFormat(decisive)) value += kDate1904Offset;
    }
    sheet_.SetCellNumber(cell, value);
    workbook_.BumpChangeStamp();
}

void TXLSSheetReader::ReadLabelSST(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    const uint32_t index = cursor.U32();
    if (!cursor.Ok() || !InModel(row, col)) return;
    const std::vector<TXLSSharedStringRef>* strings = settings_.SharedStrings;
    if (strings && index < strings->size()) {
        const TXLSSharedStringRef& text = (*strings)[index];
        if (text.HasLineFeed) {
            // Its wrap format is made from the cell's format before the
            // record's own replaces it, in that order.
            SetSharedText(row, col, text);
            SetXF(row, col, xf);
        } else {
            // The same result, the cell being made with its format at once.
            sheet_.SetCellSharedText(SetXF(row, col, xf), text);
            workbook_.BumpChangeStamp();
        }
        return;
    }
    sheet_.SetCellValue(row, col, Variant(kEmptyText));
    workbook_.BumpChangeStamp();
    SetXF(row, col, xf);
}

void TXLSSheetReader::SetSharedText(uint32_t row, uint32_t col, const TXLSSharedStringRef& text) {
    sheet_.SetCellSharedText(static_cast<int32_t>(row), static_cast<int32_t>(col), text);
    workbook_.BumpChangeStamp();
}

void TXLSSheetReader::ReadLabel(const TXLSRecordGroup& group) {
    ByteCursor cursor(group.front());
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    const uint16_t count = cursor.U16();
    if (!cursor.Ok() || !InModel(row, col)) return;
    text_.assign(kEmptyText);
    if (settings_.Biff8) {
        const uint8_t options = cursor.U8();
        if (!cursor.Ok()) return;
        if (options == kLabelCompressed || options == kLabelWide)
            ReadContinuedChars(group, cursor.Position(), count, true, options == kLabelWide, settings_.CodePage, text_);
    } else {
        // Long BIFF5 texts go on in CONTINUE records (Gnumeric writes them).
        ReadContinuedChars(group, cursor.Position(), count, false, false, settings_.CodePage, text_);
    }
    SetText(row, col, xf);
}

void TXLSSheetReader::ReadRString(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    if (!cursor.Ok() || !InModel(row, col)) return;
    text_.assign(kEmptyText);
    const bool read = settings_.Biff8 ? ReadBiff8String(cursor, true, text_)
                                      : ReadBiff5String(cursor, true, settings_.CodePage, text_);
    if (read) SetText(row, col, xf);
}

void TXLSSheetReader::ReadNumber(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    const double value = cursor.F64();
    if (cursor.Ok() && InModel(row, col)) SetNumber(row, col, xf, value);
}

void TXLSSheetReader::ReadRK(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    const uint32_t rk = cursor.U32();
    if (cursor.Ok() && InModel(row, col)) SetNumber(row, col, xf, DecodeRK(rk));
}

void TXLSSheetReader::ReadMulRK(std::span<const uint8_t> body) {
    if (body.size() < kCellHeadSize) return;
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), first = cursor.U16();
    const size_t count = (body.size() - kCellHeadSize) / kMulEntryRKSize;
    for (size_t k = 0; k < count; ++k) {
        const uint16_t xf = cursor.U16();
        const uint32_t rk = cursor.U32();
        const uint32_t col = first + static_cast<uint32_t>(k);
        if (cursor.Ok() && InModel(row, col)) SetNumber(row, col, xf, DecodeRK(rk));
    }
}

void TXLSSheetReader::ReadBoolErr(std::span<const uint8_t> body) {
    if (body.size() < kBoolErrMinSize) return;
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    const uint8_t value = cursor.U8(), type = cursor.U8();
    if (!InModel(row, col)) return;
    // An error value has no place in the model: only the format stays. A
    // boolean's format does not depend on it, so the cell is made with its
    // format first.
    TXLSCellRef& cell = SetXF(row, col, xf);
    if (type == kBoolErrBoolean) {
        sheet_.SetCellBoolean(cell, value == 1);
        workbook_.BumpChangeStamp();
    }
}

void TXLSSheetReader::ReadBlank(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    if (!cursor.Ok() || !InModel(row, col)) return;
    sheet_.SetCellValue(row, col, Variant::Null());
    workbook_.BumpChangeStamp();
    SetXF(row, col, xf);
}

void TXLSSheetReader::ReadMulBlank(std::span<const uint8_t> body) {
    if (body.size() < kCellHeadSize) return;
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), first = cursor.U16();
    const size_t count = (body.size() - kCellHeadSize) / kMulEntryBlankSize;
    const Variant null = Variant::Null();
    for (size_t k = 0; k < count; ++k) {
        const uint16_t xf = cursor.U16();
        const uint32_t col = first + static_cast<uint32_t>(k);
        if (!cursor.Ok() || !InModel(row, col)) continue;
        sheet_.SetCellValue(row, col, null);
        workbook_.BumpChangeStamp();
        SetXF(row, col, xf);
    }
}

void TXLSSheetReader::ReadFormula(std::span<const uint8_t> body) {
    if (body.size() < kFormulaMinSize) return;
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16(), col = cursor.U16(), xf = cursor.U16();
    if (!InModel(row, col)) return;
    // There is no formula engine to compile the tokens (nor the shared and
    // array formulas of SHRFMLA and ARRAY records, which are skipped), so the
    // cell takes the result the file caches for it; an error result leaves
    // the cell empty.
    ByteCursor result(body);
    if (result.U16At(kFormulaResultMarkerOffset) != kFormulaNonNumber) {
        SetNumber(row, col, xf, result.F64At(kCellValueOffset));
        return;
    }
    switch (result.U8At(kCellValueOffset)) {
    case kFormulaResultString:
        stringPending_ = true;
        stringRow_ = row;
        stringCol_ = col;
        break;
    case kFormulaResultBoolean:
        sheet_.SetCellBoolean(row, col, result.U8At(kCellValueOffset + 2) != 0);
        workbook_.BumpChangeStamp();
        break;
    case kFormulaResultEmptyString:
        text_.assign(kEmptyText);
        sheet_.SetCellValue(row, col, Variant(text_));
        workbook_.BumpChangeStamp();
        break;
    default:
        break;
    }
    SetXF(row, col, xf);
}

void TXLSSheetReader::ReadString(const TXLSRecordGroup& group) {
    if (!stringPending_) return;
    stringPending_ = false;
    ByteCursor cursor(group.front());
    const uint16_t count = cursor.U16();
    text_.assign(kEmptyText);
    if (settings_.Biff8) {
        const uint8_t options = cursor.U8();
        if (!cursor.Ok()) return;
        ReadContinuedChars(group, cursor.Position(), count, true, (options & 0x01) != 0, settings_.CodePage, text_);
    } else {
        if (!cursor.Ok()) return;
        ReadContinuedChars(group, cursor.Position(), count, false, false, settings_.CodePage, text_);
    }
    sheet_.SetCellValue(static_cast<int32_t>(stringRow_), static_cast<int32_t>(stringCol_), Variant(text_));
    workbook_.BumpChangeStamp();
}

void TXLSSheetReader::ReadRow(std::span<const uint8_t> body) {
    if (body.size() < kRowMinSize) return;
    ByteCursor cursor(body);
    const uint16_t row = cursor.U16At(0);
    const uint16_t height = cursor.U16At(6);
    const uint32_t options = cursor.U32At(12);
    TXLSRowInfo& info = sheet_.Rows().GetOrCreate(row);
    const bool hasFormat = (options & 0x80) != 0;
    const int32_t xf = static_cast<int32_t>((options >> 16) & 0x0FFF);
    workbook_.Styles().MoveUse(info.HasFormat ? info.XF : 0, hasFormat ? xf : 0);
    info.Height = height & 0x7FFF;
    info.HeightSet = (height & 0x8000) == 0;
    info.CustomHeight = (options & 0x40) != 0;
    // The level as stored (0-7), which is what the writer writes back.
    info.OutlineLevel = static_cast<uint8_t>(options & 0x07);
    info.Hidden = (options & 0x20) != 0;
    info.HasFormat = hasFormat;
    if (hasFormat) info.XF = xf;
}

void TXLSSheetReader::ReadColInfo(std::span<const uint8_t> body) {
    if (body.size() < kColInfoMinSize) return;
    ByteCursor cursor(body);
    const uint16_t first = cursor.U16(), last = cursor.U16(), width = cursor.U16(), xf = cursor.U16();
    const uint16_t options = cursor.U16();
    if (last < first || first > TXLSColumnList::kMaxColumn) return;
    const int32_t end = std::min<int32_t>(last, TXLSColumnList::kMaxColumn);
    for (int32_t col = first; col <= end; ++col) {
        const TXLSColumnInfo* before = sheet_.Columns().Find(col);
        const int32_t previousXF = before ? before->XF : 0;
        TXLSColumnInfo& info = sheet_.Columns().GetOrCreate(col);
        workbook_.Styles().MoveUse(previousXF, xf);
        info.Width = width;
        info.XF = xf;
        info.OutlineLevel = static_cast<uint8_t>((options >> 8) & 0x07);
        info.Hidden = (options & 0x01) != 0;
    }
}

void TXLSSheetReader::ReadMergedCells(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t count = cursor.U16();
    for (uint16_t k = 0; k < count && cursor.Has(kMergedAreaSize); ++k) {
        const uint16_t firstRow = cursor.U16(), lastRow = cursor.U16();
        const uint16_t firstCol = cursor.U16(), lastCol = cursor.U16();
        if (InModel(firstRow, firstCol) && InModel(lastRow, lastCol))
            sheet_.MergeCells(firstRow, firstCol, lastRow, lastCol);
    }
}

}  // namespace korvel
