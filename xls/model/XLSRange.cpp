#include "xls/model/XLSRange.h"

#include <algorithm>
#include <vector>

#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {

// Released ranges wait here for reuse: callers make several single-cell
// ranges per cell, so this keeps Item allocation-free in steady use. The
// list is linked through the ranges themselves and holds only plain values,
// so it needs no construction guard and is never destroyed: ranges released
// during static destruction still find it. One thread uses the model at a
// time (the model is not thread-safe anyway).
class TXLSRangePool {
public:
    static TXLSRange* Take() {
        TXLSRange* range = free_;
        if (range == nullptr) return new TXLSRange;
        free_ = range->nextFree_;
        --count_;
        return range;
    }
    static void Give(TXLSRange* range) {
        if (count_ < kKeep) {
            range->nextFree_ = free_;
            free_ = range;
            ++count_;
        } else {
            delete range;
        }
    }

private:
    static constexpr size_t kKeep = 64;
    static constinit inline TXLSRange* free_ = nullptr;
    static constinit inline size_t count_ = 0;
};

namespace {
const char kInvalidIndex[] = "Invalid row/column index";
const char16_t kNotAvailable[] = u"#N/D";
}  // namespace

TXLSRangeRef TXLSRange::Create(IXLSWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2, int32_t col2) {
    TXLSRange* range = TXLSRangePool::Take();
    range->sheet_ = &sheet;
    range->firstRow_ = std::min(row1, row2);
    range->lastRow_ = std::max(row1, row2);
    range->firstCol_ = std::min(col1, col2);
    range->lastCol_ = std::max(col1, col2);
    range->refCount_ = 0;
    return TXLSRangeRef(range);
}

void TXLSRange::Release() {
    if (--refCount_ == 0) TXLSRangePool::Give(this);
}

TXLSRangeRef TXLSRange::Item(int32_t row, int32_t col) const {
    // 64-bit so that huge arguments cannot wrap into the valid range.
    const int64_t r = static_cast<int64_t>(firstRow_) + row - 1;
    const int64_t c = static_cast<int64_t>(firstCol_) + col - 1;
    if (r < 0 || r > kMaxRow || c < 0 || c > kMaxColumn) throw EXLSRangeError(kInvalidIndex);
    return Create(*sheet_, static_cast<int32_t>(r), static_cast<int32_t>(c), static_cast<int32_t>(r),
                  static_cast<int32_t>(c));
}

void TXLSRange::SetValue(const Variant& value) {
    if (value.Kind() == VariantKind::Array) {
        const VariantArray& array = value.AsArray();
        if (array.Dimensions() != 1 && array.Dimensions() != 2) return;
        SetArray(array);
    } else {
        for (int32_t row = firstRow_; row <= lastRow_; ++row)
            for (int32_t col = firstCol_; col <= lastCol_; ++col) sheet_->SetCellValue(row, col, value);
    }
    sheet_->Workbook().BumpChangeStamp();
}

// Element offset along one dimension for a range offset: the offset itself
// inside the array, the only element of a one-element dimension, else none.
static bool ElementOffset(int32_t offset, int32_t count, int32_t& element) {
    if (offset < count) {
        element = offset;
        return true;
    }
    if (count == 1) {
        element = 0;
        return true;
    }
    return false;
}

void TXLSRange::SetArray(const VariantArray& array) {
    const Variant notAvailable(kNotAvailable);
    const VariantBound rows = array.Dimensions() == 2 ? array.Bound(0) : VariantBound{0, 1};
    const VariantBound cols = array.Dimensions() == 2 ? array.Bound(1) : array.Bound(0);
    for (int32_t row = firstRow_; row <= lastRow_; ++row) {
        for (int32_t col = firstCol_; col <= lastCol_; ++col) {
            int32_t i = 0, j = 0;
            bool inside = ElementOffset(col - firstCol_, cols.count, j);
            if (array.Dimensions() == 2) inside = ElementOffset(row - firstRow_, rows.count, i) && inside;
            if (!inside) {
                sheet_->SetCellValue(row, col, notAvailable);
            } else if (array.Dimensions() == 2) {
                sheet_->SetCellValue(row, col, array.At(rows.low + i, cols.low + j));
            } else {
                sheet_->SetCellValue(row, col, array.At(cols.low + j));
            }
        }
    }
}

Variant TXLSRange::Value() const {
    if (firstRow_ == lastRow_ && firstCol_ == lastCol_) return sheet_->GetCellValue(firstRow_, firstCol_);
    return ArrayValue();
}

Variant TXLSRange::ArrayValue() const {
    auto array = VariantArray::Make2D(0, lastRow_ - firstRow_ + 1, 0, lastCol_ - firstCol_ + 1);
    for (int32_t row = firstRow_; row <= lastRow_; ++row)
        for (int32_t col = firstCol_; col <= lastCol_; ++col)
            array->At(row - firstRow_, col - firstCol_) = sheet_->GetCellValue(row, col);
    return Variant(std::shared_ptr<const VariantArray>(std::move(array)));
}

void TXLSRange::SetWrapText(bool wrap) {
    for (int32_t row = firstRow_; row <= lastRow_; ++row)
        for (int32_t col = firstCol_; col <= lastCol_; ++col) sheet_->SetCellWrapText(row, col, wrap);
}

}  // namespace korvel
