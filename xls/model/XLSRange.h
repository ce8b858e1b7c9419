// TXLSRange: a rectangular, reference-counted view on a sheet's cells through
// which values are read and written as variants. Ranges are cheap: released
// objects are kept on a small free list and reused, so Item + Value per cell
// allocates nothing in the steady state. A range does not keep its sheet
// alive; the sheet must outlive every range on it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Errors.h"
#include "xls/model/Variant.h"

namespace korvel {

class IXLSWorksheet;
class TXLSRangeRef;

// Addressing a cell outside the model's limits: "Invalid row/column index".
class EXLSRangeError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EXLSRangeError"; }
};

class TXLSRange {
public:
    static constexpr int32_t kMaxRow = 0xFFFFF;     // 1,048,576 rows
    static constexpr int32_t kMaxColumn = 0x3FFF;   // 16,384 columns

    // A range over the 0-based rectangle; each pair of bounds is put in order.
    // Bounds must lie inside the model's limits (the sheet clamps them).
    static TXLSRangeRef Create(IXLSWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2, int32_t col2);

    // A single-cell range at (FirstRow + row - 1, FirstCol + col - 1): 1-based,
    // relative to this range's first cell, not limited to its rectangle.
    // Throws EXLSRangeError("Invalid row/column index") outside the model.
    TXLSRangeRef Item(int32_t row, int32_t col) const;

    // Stores the variant in every cell (rows in order, columns in order); an
    // array of 1 or 2 dimensions is spread over the range, "#N/D" filling cells
    // beyond it. Bumps the workbook's change stamp, except for arrays of other
    // ranks, which store nothing. Meant for small ranges: every cell is made.
    void SetValue(const Variant& value);
    // A single cell's value (null when absent or blank); for several cells a
    // 2-dimensional array with bounds [0..rows-1, 0..columns-1]. Meant for small
    // ranges: the whole array is built.
    Variant Value() const;
    // Gives every cell of the range a format equal to its current one with the
    // wrap-text flag set as asked.
    void SetWrapText(bool wrap);

    IXLSWorksheet& Worksheet() const { return *sheet_; }
    int32_t FirstRow() const { return firstRow_; }
    int32_t LastRow() const { return lastRow_; }
    int32_t FirstCol() const { return firstCol_; }
    int32_t LastCol() const { return lastCol_; }

    void AddRef() { ++refCount_; }
    void Release();

private:
    TXLSRange() = default;
    ~TXLSRange() = default;
    void SetArray(const VariantArray& array);
    // Value of a range of several cells. Apart, so that reading one cell, the
    // usual case, is a plain call on to the sheet.
    Variant ArrayValue() const;
    friend class TXLSRangePool;

    IXLSWorksheet* sheet_ = nullptr;
    int32_t firstRow_ = 0, lastRow_ = 0, firstCol_ = 0, lastCol_ = 0;
    uint32_t refCount_ = 0;
    TXLSRange* nextFree_ = nullptr;  // while waiting in the pool
};

// Owning reference to a range (AddRef on copy, Release on destruction).
class TXLSRangeRef {
public:
    TXLSRangeRef() = default;
    explicit TXLSRangeRef(TXLSRange* range) : range_(range) { if (range_) range_->AddRef(); }
    TXLSRangeRef(const TXLSRangeRef& other) : TXLSRangeRef(other.range_) {}
    TXLSRangeRef(TXLSRangeRef&& other) noexcept : range_(std::exchange(other.range_, nullptr)) {}
    TXLSRangeRef& operator=(TXLSRangeRef other) noexcept {
        std::swap(range_, other.range_);
        return *this;
    }
    ~TXLSRangeRef() { if (range_) range_->Release(); }

    TXLSRange* operator->() const { return range_; }
    TXLSRange& operator*() const { return *range_; }
    TXLSRange* Get() const { return range_; }
    explicit operator bool() const { return range_ != nullptr; }

private:
    TXLSRange* range_ = nullptr;
};

}  // namespace korvel
