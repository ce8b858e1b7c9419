// One cell record of the cell store, and the pooled storage of cell records.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "xls/model/XLSFormula.h"

namespace korvel {

enum class TXLSCellKind : uint8_t { Blank = 0, Text = 1, Number = 2, Date = 3, Boolean = 4, Formula = 5 };

// Flags of a cell's merged-area membership. The area itself (its size) is
// kept by the sheet (IXLSWorksheet::FindMergedArea).
enum : uint8_t {
    kCellMerged = 0x01,       // the cell lies in a merged area
    kCellMergeMaster = 0x02,  // ... and is its top-left cell
};

// 32 bytes: the fields are packed because a sheet may hold millions of cells.
struct TXLSCellRef {
    int32_t Row = 0;                       // 0-based
    uint16_t Column = 0;                   // 0-based, <= 16383
    TXLSCellKind Kind = TXLSCellKind::Blank;
    uint8_t MergeFlags = 0;
    int32_t XF = 0;                        // 0: the row's or column's format applies
    int32_t StringId = -1;                 // shared string id of a text cell, -1 otherwise
    double Value = 0;                      // number, date serial, or 1.0/0.0 for a boolean
    std::unique_ptr<TXLSFormula> Formula;  // set only for a formula cell

    bool IsMerged() const { return (MergeFlags & kCellMerged) != 0; }
    bool IsMergeMaster() const { return (MergeFlags & kCellMergeMaster) != 0; }
    // Lies in a merged area and is not its top-left cell.
    bool IsMergeCovered() const { return MergeFlags == kCellMerged; }
};

// Slab storage for cell records: chunks that never move, so a cell's address
// stays valid until it is freed; freed records are reused. Handles are 1-based
// (0 means no cell) so a block slot needs only 32 bits.
class TXLSCellPool {
public:
    uint32_t Allocate();                  // a reset record's handle
    void Free(uint32_t handle);           // resets the record (drops its formula)
    TXLSCellRef& At(uint32_t handle) {
        return chunks_[(handle - 1) >> kChunkShift][(handle - 1) & (kChunkSize - 1)];
    }
    const TXLSCellRef& At(uint32_t handle) const {
        return chunks_[(handle - 1) >> kChunkShift][(handle - 1) & (kChunkSize - 1)];
    }
    size_t LiveCount() const { return used_ - freeHandles_.size(); }

private:
    static constexpr uint32_t kChunkShift = 10;
    static constexpr uint32_t kChunkSize = 1u << kChunkShift;
    std::vector<std::unique_ptr<TXLSCellRef[]>> chunks_;
    uint32_t used_ = 0;                   // handles handed out so far (live or free)
    std::vector<uint32_t> freeHandles_;
};

}  // namespace korvel
