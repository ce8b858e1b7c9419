// One cell record of the cell store, and the pooled storage of cell records.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BulkMemory.h"
#include "xls/model/XLSFormula.h"

namespace korvel {

enum class TXLSCellKind : uint8_t { Blank = 0, Text = 1, Number = 2, Date = 3, Boolean = 4, Formula = 5 };

// Flags of a cell's merged-area membership. The area itself (its size) is
// kept by the sheet (IXLSWorksheet::FindMergedArea).
enum : uint8_t {
    kCellMerged = 0x01,       // the cell lies in a merged area
    kCellMergeMaster = 0x02,  // ... and is its top-left cell
};

// 24 bytes: the fields are packed because a sheet may hold millions of cells.
// A formula cell keeps its formula where other cells keep their number; the
// cell owns it, so cells are not copied.
struct TXLSCellRef {
    int32_t Row = 0;                       // 0-based
    uint16_t Column = 0;                   // 0-based, <= 16383
    TXLSCellKind Kind = TXLSCellKind::Blank;  // set to Formula only through SetFormula
    uint8_t MergeFlags = 0;
    int32_t XF = 0;                        // 0: the row's or column's format applies
    int32_t StringId = -1;                 // shared string id of a text cell, -1 otherwise
    union {
        double Value = 0;                  // number, date serial, or 1.0/0.0 for a boolean
        TXLSFormula* OwnedFormula;         // a formula cell's formula: read it through Formula()
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
static_assert(sizeof(TXLSCellRef) == 24);

// Slab storage for cell records: chunks of bulk memory that never move, so a cell's address
// stays valid until it is freed; freed records are reused. Handles are 1-based
// (0 means no cell) so a block slot needs only 32 bits.
class TXLSCellPool {
public:
    TXLSCellPool() = default;
    ~TXLSCellPool();
    TXLSCellPool(const TXLSCellPool&) = delete;
    TXLSCellPool& operator=(const TXLSCellPool&) = delete;

    uint32_t Allocate();                  // a reset record's handle
    void Free(uint32_t handle);           // resets the record (drops its formula)
    TXLSCellRef& At(uint32_t handle) {
        return static_cast<TXLSCellRef*>(chunks_[(handle - 1) >> kChunkShift]->Data())[(handle - 1) & (kChunkSize - 1)];
    }
    const TXLSCellRef& At(uint32_t handle) const {
        return static_cast<const TXLSCellRef*>(chunks_[(handle - 1) >> kChunkShift]->Data())[(handle - 1) & (kChunkSize - 1)];
    }
    size_t LiveCount() const { return used_ - freeHandles_.size(); }

private:
    // A power of two, so a handle splits into chunk and place by shifting:
    // 65,536 records, 1.5 MiB, in a piece of one large page.
    static constexpr uint32_t kChunkShift = 16;
    static constexpr uint32_t kChunkSize = 1u << kChunkShift;
    // Records are made in place as their handles are first handed out.
    std::vector<std::unique_ptr<TBulkMemory>> chunks_;
    uint32_t used_ = 0;                   // handles handed out so far (live or free)
    std::vector<uint32_t> freeHandles_;
};

}  // namespace korvel
