// The cell store of a worksheet: an AVL tree of blocks, each holding the 16
// neighbouring cells of one row (block key = row * 1024 + column / 16), so an
// in-order walk visits cells row by row, left to right. The store keeps the
// used rectangle of the sheet, each row's first and last used column (in the
// sheet's row list), one shared-string reference per text cell and one format
// use per cell with a format.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/BulkMemory.h"
#include "xls/model/AVLTree.h"
#include "xls/model/XLSCellRef.h"
#include "xls/model/XLSColumnList.h"
#include "xls/model/XLSMergedAreas.h"
#include "xls/model/XLSRowList.h"

namespace korvel {

class TXLSStringTable;
class TXLSStyleXFs;

// 16 columns per block: narrow sheets (the usual device list has a handful
// of columns) waste little on empty slots, wide ones get a few more blocks.
inline constexpr int32_t kCellBlockColumnBits = 4;
inline constexpr int32_t kCellBlockWidth = 1 << kCellBlockColumnBits;
inline constexpr int32_t kCellBlockColumnMask = kCellBlockWidth - 1;
// Bits of a block key below the row: 16,384 columns / 16 per block.
inline constexpr int32_t kCellBlockRowShift = 14 - kCellBlockColumnBits;

struct TXLSCellBlock : TAVLNode {
    uint8_t UsedCount = 0;                  // occupied slots, 1 .. 16 while the block exists
    uint32_t Slots[kCellBlockWidth] = {};   // cell handles in the store's pool, 0 when empty
};
static_assert(std::is_trivially_destructible_v<TXLSCellBlock>);
// UsedCount sits in the node's padding: a block per row of a long sheet adds up.
static_assert(sizeof(TXLSCellBlock) == 96);

// Slab storage for the blocks: a sheet of many rows makes one block per row,
// and single heap allocations would cost a header each and a call per row.
class TXLSCellBlockPool {
public:
    TXLSCellBlock* Allocate();
    void Free(TXLSCellBlock* block);

private:
    // 64 KiB of blocks first, then as many as fit in one 2 MiB piece.
    static constexpr size_t kFirstChunkBlocks = 65536 / sizeof(TXLSCellBlock);
    static constexpr size_t kChunkBlocks = kBulkPiece / sizeof(TXLSCellBlock);
    // Blocks are made in place as they are first handed out.
    std::vector<std::unique_ptr<TBulkMemory>> chunks_;
    size_t lastChunkBlocks_ = 0;
    size_t usedInLastChunk_ = 0;
    std::vector<TXLSCellBlock*> freeBlocks_;
};

class TXLSCellHeap : public TAVLTree {
public:
    // The row and column lists belong to the sheet; the string table and the
    // format list to the workbook. All must outlive the store.
    TXLSCellHeap(TXLSRowList& rows, TXLSColumnList& columns, TXLSStringTable& strings, TXLSStyleXFs& styles);
    // Frees every block and cell without releasing string references.
    ~TXLSCellHeap() override;

    static int32_t BlockKey(int32_t row, int32_t col) {
        return (row << kCellBlockRowShift) | (col >> kCellBlockColumnBits);
    }
    static int32_t RowOfKey(int32_t key) { return key >> kCellBlockRowShift; }
    static int32_t FirstColumnOfKey(int32_t key) {
        return (key & ((1 << kCellBlockRowShift) - 1)) << kCellBlockColumnBits;
    }

    // All (row, col) arguments are 0-based; the cell operations require
    // 0 <= row <= 1,048,575 and 0 <= col <= 16,383 (the range layer checks).

    // The cell at (row, col), or nullptr. Inline: reading values asks it for
    // every cell, mostly in the block it asked last.
    TXLSCellRef* FindCell(int32_t row, int32_t col) {
        TAVLNode* node = Find(BlockKey(row, col));
        if (node == nullptr) return nullptr;
        const uint32_t handle = static_cast<TXLSCellBlock*>(node)->Slots[col & kCellBlockColumnMask];
        return handle != 0 ? &pool_.At(handle) : nullptr;
    }
    // The cell at (row, col), made blank when missing: its format is the row's
    // or column's (one use taken), the dimensions and the row's used columns
    // grow to include it, and it joins a merged area that covers it.
    TXLSCellRef& GetOrCreateCell(int32_t row, int32_t col);
    // Removes and frees the cell (releasing its string and its format use) and
    // shrinks the dimensions and the row's used columns. Nothing when absent.
    void DeleteCell(int32_t row, int32_t col);
    // Leftmost cell of a row / next cell to the right in the same row; nullptr when none.
    TXLSCellRef* FirstCellInRow(int32_t row);
    TXLSCellRef* NextCellInRow(const TXLSCellRef& cell);

    // The effective format of (row, col): the cell's own when it exists with a
    // format above 0 (own = true), else the row's format when the row has one,
    // else the column's. `own` may be nullptr.
    int32_t CellXF(int32_t row, int32_t col, bool* own = nullptr);
    // The format a cell without its own takes at (row, col): the row's when
    // the row has one, else the column's.
    int32_t InheritedXF(int32_t row, int32_t col) const;
    // Gives the cell (made when missing) the format xf, moving one format use
    // from its previous own format (or none) to xf. Returns the cell.
    TXLSCellRef& SetCellXF(int32_t row, int32_t col, int32_t xf);

    // Merges the rectangle (0-based, bounds in any order). Refused (false) for a
    // single cell, bounds outside the model, or overlap with an existing area.
    // Existing cells of the area are marked; cells made later are marked when made.
    bool MergeCells(int32_t row1, int32_t col1, int32_t row2, int32_t col2);
    // The merged area containing (row, col), or nullptr.
    const TXLSMergedArea* FindMergedArea(int32_t row, int32_t col) const { return merged_.Find(row, col); }
    // In the order merged.
    const std::vector<TXLSMergedArea>& MergedAreas() const { return merged_.Items(); }

    // Used rectangle; all 0 while the store is empty (RowCount() == 0).
    int32_t FirstRow() const { return firstRow_; }
    int32_t LastRow() const { return lastRow_; }
    int32_t RowCount() const { return rowCount_; }
    int32_t FirstCol() const { return firstCol_; }
    int32_t LastCol() const { return lastCol_; }
    int32_t ColCount() const { return colCount_; }
    size_t CellCount() const { return pool_.LiveCount(); }

protected:
    TAVLNode* CreateNode(int32_t key) override;
    void FreeNode(TAVLNode* node) override;

private:
    static constexpr int32_t kInheritedXF = -1;
    TXLSCellRef& CreateCell(TXLSCellBlock& block, uint32_t& slot, int32_t row, int32_t col, int32_t xf);
    TXLSCellRef* FirstOccupied(TXLSCellBlock& block, int from);
    int32_t PreviousUsedColumn(int32_t row, int32_t col, int32_t stopCol);
    void ShrinkRowAfterDelete(int32_t row, int32_t col, bool& rowEmptied);
    void ShrinkRowsAfterDelete(int32_t row);
    void ShrinkColumnsAfterDelete(int32_t col);
    uint8_t MergeFlagsFor(int32_t row, int32_t col) const;

    TXLSRowList& rows_;
    TXLSColumnList& columns_;
    TXLSStringTable& strings_;
    TXLSStyleXFs& styles_;
    TXLSCellPool pool_;
    TXLSCellBlockPool blocks_;
    TXLSMergedAreas merged_;
    int32_t firstRow_ = 0, lastRow_ = 0, rowCount_ = 0;
    int32_t firstCol_ = 0, lastCol_ = 0, colCount_ = 0;
};

}  // namespace korvel
