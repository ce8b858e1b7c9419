// One cell record of the cell store, and the pooled storage of cell records.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "xls/model/BulkArray.h"
#include "xls/model/XLSFormula.h"

namespace korvel {

enum class TXLSCellKind : uint8_t { Blank = 0, Text = 1, Number = 2, Date = 3, Boolean = 4, Formula = 5 };

// Flags of a cell's merged-area membership. The area itself (its size) is
// kept by the sheet (IXLSWorksheet::FindMergedArea).
enum : uint8_t {
    kCellMerged = 0x01,       // the cell lies in a merged area
    kCellMergeMaster = 0x02,  // ... and is its top-left cell
};

// The largest format id a cell keeps: far more formats than a workbook holds
// (a BIFF8 cell names one of 65,536, an .xlsx one of about 130,000).
inline constexpr int32_t kMaxCellXF = (1 << 25) - 1;

// 16 bytes: a sheet may hold millions of cells, so the position, kind, merge
// flags and format share one word, and the content is one of a number, a
// string id or a formula. A formula cell owns its formula, so cells are not
// copied.
struct TXLSCellRef {
    uint64_t Row : 20 = 0;                      // 0-based, <= 1,048,575
    uint64_t Column : 14 = 0;                   // 0-based, <= 16,383
    TXLSCellKind Kind : 3 = TXLSCellKind::Blank;  // set to Formula only through SetFormula
    uint64_t MergeFlags : 2 = 0;
    uint64_t XF : 25 = 0;                       // 0: the row's or column's format applies; <= kMaxCellXF
    union {
        double Value = 0;                       // number, date serial, or 1.0/0.0 for a boolean
        int32_t StringId;                       // a text cell's shared string id
        TXLSFormula* OwnedFormula;              // a formula cell's formula: read it through Formula()
    };

    TXLSCellRef() = default;
    TXLSCellRef(const TXLSCellRef&) = delete;
    TXLSCellRef& operator=(const TXLSCellRef&) = delete;
    ~TXLSCellRef() { DropFormula(); }

    // The formula of a formula cell, else nullptr.
    TXLSFormula* Formula() const { return Kind == TXLSCellKind::Formula ? OwnedFormula : nullptr; }
    // Makes the cell a formula cell that owns formula (freeing a previous one).
    void SetFormula(std::unique_ptr<TXLSFormula> formula);
    // A formula cell frees its formula and becomes blank; other cells are left alone.
    void DropFormula();
    // Back to a fresh record.
    void Reset();

    bool IsMerged() const { return (MergeFlags & kCellMerged) != 0; }
    bool IsMergeMaster() const { return (MergeFlags & kCellMergeMaster) != 0; }
    // Lies in a merged area and is not its top-left cell.
    bool IsMergeCovered() const { return MergeFlags == kCellMerged; }
};
static_assert(sizeof(TXLSCellRef) == 16);

// Slab storage for cell records in bulk memory that never moves, so a cell's
// address stays valid until it is freed; freed records are reused. Handles are
// 1-based (0 means no cell) so a block slot needs only 32 bits.
class TXLSCellPool {
public:
    TXLSCellPool() = default;
    ~TXLSCellPool();
    TXLSCellPool(const TXLSCellPool&) = delete;
    TXLSCellPool& operator=(const TXLSCellPool&) = delete;

    // A reset record's handle. Inline for the usual case of a new record in
    // room already made: readers take one per cell.
    uint32_t Allocate() {
        if (!freeHandles_.empty() || used_ == capacity_) return AllocateSlow();
        const uint32_t handle = ++used_;
        new (&At(handle)) TXLSCellRef();
        return handle;
    }
    void Free(uint32_t handle);           // resets the record (drops its formula)
    TXLSCellRef& At(uint32_t handle) { return *records_.Slot(handle - 1); }
    const TXLSCellRef& At(uint32_t handle) const { return *records_.Slot(handle - 1); }
    size_t LiveCount() const { return used_ - freeHandles_.size(); }

private:
    uint32_t AllocateSlow();  // a freed record, or room made first

    // 4,096 records (64 KiB) before the first 2 MiB piece. Records are made
    // in place as their handles are first handed out.
    TBulkArray<TXLSCellRef, 12> records_;
    uint32_t used_ = 0;                   // handles handed out so far (live or free)
    size_t capacity_ = 0;                 // records_.Capacity(), kept at hand
    std::vector<uint32_t> freeHandles_;
};

}  // namespace korvel
