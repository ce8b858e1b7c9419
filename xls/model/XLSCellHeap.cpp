#include "xls/model/XLSCellHeap.h"

#include <algorithm>
#include <new>

#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"

namespace korvel {

namespace {
constexpr int32_t kMaxRow = TXLSRowList::kMaxRow;
constexpr int32_t kMaxCol = TXLSColumnList::kMaxColumn;

TXLSCellBlock& AsBlock(TAVLNode* node) { return *static_cast<TXLSCellBlock*>(node); }

// What a cell's format field can hold: ids beyond it (or below 0) mean no format of its own.
int32_t StorableXF(int32_t xf) { return xf > 0 && xf <= kMaxCellXF ? xf : 0; }
}  // namespace

TXLSCellHeap::TXLSCellHeap(TXLSRowList& rows, TXLSColumnList& columns, TXLSStringTable& strings,
                           TXLSStyleXFs& styles)
    : rows_(rows), columns_(columns), strings_(strings), styles_(styles) {}

// The pools own every block and cell: the tree only has to let go of them.
TXLSCellHeap::~TXLSCellHeap() { Forget(); }

TXLSCellBlock* TXLSCellBlockPool::Allocate() {
    if (!freeBlocks_.empty()) {
        TXLSCellBlock* block = freeBlocks_.back();
        freeBlocks_.pop_back();
        return block;
    }
    if (usedInLastChunk_ == lastChunkBlocks_) {
        // A small first chunk fills page by page; the later ones fill a 2 MiB piece each.
        const bool first = chunks_.empty();
        lastChunkBlocks_ = first ? kFirstChunkBlocks : kChunkBlocks;
        chunks_.push_back(std::make_unique<TBulkMemory>(lastChunkBlocks_ * sizeof(TXLSCellBlock), !first));
        usedInLastChunk_ = 0;
    }
    return new (static_cast<TXLSCellBlock*>(chunks_.back()->Data()) + usedInLastChunk_++) TXLSCellBlock();
}

void TXLSCellBlockPool::Free(TXLSCellBlock* block) {
    *block = TXLSCellBlock{};
    freeBlocks_.push_back(block);
}

TAVLNode* TXLSCellHeap::CreateNode(int32_t key) {
    TXLSCellBlock* block = blocks_.Allocate();
    block->Key = key;
    return block;
}

// Cells stay in the pool, which frees them with the store; blocks go back
// to theirs.
void TXLSCellHeap::FreeNode(TAVLNode* node) { blocks_.Free(static_cast<TXLSCellBlock*>(node)); }

TXLSCellRef& TXLSCellHeap::GetOrCreateCell(int32_t row, int32_t col) {
    TXLSCellBlock& block = AsBlock(FindOrInsert(BlockKey(row, col)));
    uint32_t& slot = block.Slots[col & kCellBlockColumnMask];
    if (slot != 0) return pool_.At(slot);
    return CreateCell(block, slot, row, col, kInheritedXF);
}

// A new cell in an empty slot of block. Its format is xf, or with
// kInheritedXF the row's or the column's; one use of it is taken.
TXLSCellRef& TXLSCellHeap::CreateCell(TXLSCellBlock& block, uint32_t& slot, int32_t row, int32_t col, int32_t xf) {
    uint32_t handle = pool_.Allocate();
    TXLSCellRef& cell = pool_.At(handle);
    TXLSRowInfo& info = rows_.GetOrCreate(row);
    if (xf == kInheritedXF) xf = info.HasFormat ? info.XF : columns_.ColumnXF(col);
    xf = StorableXF(xf);
    if (xf > 0) styles_.MoveUse(0, xf);
    // The fields share one word: set one after another, they are written to
    // it together rather than each reading back the last.
    const uint8_t mergeFlags = MergeFlagsFor(row, col);
    cell.Row = row;
    cell.Column = static_cast<uint16_t>(col);
    cell.XF = xf;
    cell.MergeFlags = mergeFlags;

    if (row < firstRow_ || rowCount_ == 0) {
        firstRow_ = row;
        rowCount_ = lastRow_ - row + 1;
    }
    if (row > lastRow_ || rowCount_ == 0) {
        lastRow_ = row;
        rowCount_ = row - firstRow_ + 1;
    }
    if (col < firstCol_ || colCount_ == 0) {
        firstCol_ = col;
        colCount_ = lastCol_ - col + 1;
    }
    if (col > lastCol_ || colCount_ == 0) {
        lastCol_ = col;
        colCount_ = col - firstCol_ + 1;
    }

    if (info.FirstCol == -1 || info.FirstCol > col) info.FirstCol = col;
    if (info.LastCol < col) info.LastCol = col;

    slot = handle;
    ++block.UsedCount;
    return cell;
}

void TXLSCellHeap::DeleteCell(int32_t row, int32_t col) {
    const int32_t key = BlockKey(row, col);
    TAVLNode* node = Find(key);
    if (node == nullptr) return;
    TXLSCellBlock& block = AsBlock(node);
    uint32_t handle = block.Slots[col & kCellBlockColumnMask];
    if (handle == 0) return;

    block.Slots[col & kCellBlockColumnMask] = 0;
    --block.UsedCount;
    TXLSCellRef& cell = pool_.At(handle);
    if (cell.Kind == TXLSCellKind::Text) strings_.ReleaseString(cell.StringId);
    if (cell.XF > 0) styles_.MoveUse(cell.XF, 0);
    pool_.Free(handle);
    if (block.UsedCount == 0) FreeNode(Delete(key));

    bool rowEmptied = false;
    ShrinkRowAfterDelete(row, col, rowEmptied);
    if (rowEmptied && rowCount_ > 0) ShrinkRowsAfterDelete(row);
    if (rowCount_ > 0) ShrinkColumnsAfterDelete(col);
}

void TXLSCellHeap::ShrinkRowAfterDelete(int32_t row, int32_t col, bool& rowEmptied) {
    TXLSRowInfo* info = rows_.Find(row);
    if (info == nullptr) return;
    if (info->FirstCol == col && info->LastCol == col) {
        rowEmptied = true;
        if (rows_.IsDefault(*info)) {
            rows_.Remove(row);
        } else {
            info->FirstCol = info->LastCol = -1;
        }
    } else if (info->FirstCol == col) {
        // The row's entry still names the deleted column: search the tree.
        TAVLNode* node = Ceiling(BlockKey(row, col));
        TXLSCellRef* first = node != nullptr && RowOfKey(node->Key) == row ? FirstOccupied(AsBlock(node), 0) : nullptr;
        info->FirstCol = first != nullptr ? first->Column : -1;
    } else if (info->LastCol == col) {
        info->LastCol = PreviousUsedColumn(row, col, info->FirstCol);
    }
}

// The nearest used column left of col in the row, not below stopCol; -1 when none.
int32_t TXLSCellHeap::PreviousUsedColumn(int32_t row, int32_t col, int32_t stopCol) {
    for (int32_t c = col - 1; c >= stopCol && c >= 0;) {
        TAVLNode* node = Find(BlockKey(row, c));
        if (node == nullptr) {
            c = (c & ~kCellBlockColumnMask) - 1;  // skip the whole missing block
            continue;
        }
        if (AsBlock(node).Slots[c & kCellBlockColumnMask] != 0) return c;
        --c;
    }
    return -1;
}

void TXLSCellHeap::ShrinkRowsAfterDelete(int32_t row) {
    if (row == firstRow_ && row == lastRow_) {
        firstRow_ = lastRow_ = rowCount_ = 0;
        firstCol_ = lastCol_ = colCount_ = 0;
        return;
    }
    auto hasCells = [this](int32_t r) {
        const TXLSRowInfo* info = rows_.Find(r);
        return info != nullptr && info->FirstCol >= 0;
    };
    if (row == firstRow_) {
        int32_t r = rows_.NextRow(row);
        while (r >= 0 && r <= lastRow_ && !hasCells(r)) r = rows_.NextRow(r);
        firstRow_ = r;
    } else if (row == lastRow_) {
        int32_t r = rows_.PreviousRow(row);
        while (r >= 0 && r >= firstRow_ && !hasCells(r)) r = rows_.PreviousRow(r);
        lastRow_ = r;
    }
    rowCount_ = lastRow_ - firstRow_ + 1;
}

void TXLSCellHeap::ShrinkColumnsAfterDelete(int32_t col) {
    if (col == firstCol_) {
        int32_t smallest = kMaxCol + 1;
        for (int32_t r = firstRow_; r >= 0 && r <= lastRow_; r = rows_.NextRow(r)) {
            const TXLSRowInfo* info = rows_.Find(r);
            if (info == nullptr || info->FirstCol < 0) continue;
            smallest = std::min(smallest, info->FirstCol);
            if (smallest == col) break;
        }
        if (smallest > firstCol_ && smallest <= kMaxCol) firstCol_ = smallest;
    }
    if (col == lastCol_) {
        int32_t largest = -1;
        for (int32_t r = firstRow_; r >= 0 && r <= lastRow_; r = rows_.NextRow(r)) {
            const TXLSRowInfo* info = rows_.Find(r);
            if (info == nullptr || info->LastCol < 0) continue;
            largest = std::max(largest, info->LastCol);
            if (largest == col) break;
        }
        if (largest >= 0 && largest < lastCol_) lastCol_ = largest;
    }
    colCount_ = lastCol_ - firstCol_ + 1;
}

TXLSCellRef* TXLSCellHeap::FirstOccupied(TXLSCellBlock& block, int from) {
    for (int slot = from; slot < kCellBlockWidth; ++slot)
        if (block.Slots[slot] != 0) return &pool_.At(block.Slots[slot]);
    return nullptr;
}

// The row list knows each row's first used column, so a walk along a row
// starts with one lookup; the next steps stay in the block or follow the
// blocks' key-order links, which never leave the row unnoticed.
TXLSCellRef* TXLSCellHeap::FirstCellInRow(int32_t row) {
    const TXLSRowInfo* info = rows_.Find(row);
    if (info == nullptr || info->FirstCol < 0) return nullptr;
    TAVLNode* node = Find(BlockKey(row, info->FirstCol));
    if (node == nullptr) return nullptr;
    return FirstOccupied(AsBlock(node), info->FirstCol & kCellBlockColumnMask);
}

TXLSCellRef* TXLSCellHeap::NextCellInRow(const TXLSCellRef& cell) {
    const int32_t row = cell.Row, col = cell.Column;
    const int32_t key = BlockKey(row, col);
    TAVLNode* node = Find(key);
    if (node == nullptr) return nullptr;
    const int slot = col & kCellBlockColumnMask;
    if (slot < kCellBlockColumnMask) {
        if (TXLSCellRef* next = FirstOccupied(AsBlock(node), slot + 1)) return next;
    }
    // Blocks hold at least one cell while they exist.
    TAVLNode* following = node->Next;
    if (following == nullptr || RowOfKey(following->Key) != row) return nullptr;
    return FirstOccupied(AsBlock(following), 0);
}

int32_t TXLSCellHeap::CellXF(int32_t row, int32_t col, bool* own) {
    if (own != nullptr) *own = false;
    if (TXLSCellRef* cell = FindCell(row, col); cell != nullptr && cell->XF > 0) {
        if (own != nullptr) *own = true;
        return cell->XF;
    }
    return InheritedXF(row, col);
}

int32_t TXLSCellHeap::InheritedXF(int32_t row, int32_t col) const {
    if (const TXLSRowInfo* info = rows_.Find(row); info != nullptr && info->HasFormat) return info->XF;
    return columns_.ColumnXF(col);
}

TXLSCellRef& TXLSCellHeap::SetCellXF(int32_t row, int32_t col, int32_t xf) {
    TXLSCellBlock& block = AsBlock(FindOrInsert(BlockKey(row, col)));
    uint32_t& slot = block.Slots[col & kCellBlockColumnMask];
    xf = StorableXF(xf);
    if (slot == 0) {
        // Made with its own format at once: the same uses as making it with
        // the inherited one and moving that use.
        return CreateCell(block, slot, row, col, xf);
    }
    TXLSCellRef& cell = pool_.At(slot);
    styles_.MoveUse(cell.XF, xf);
    cell.XF = xf;
    return cell;
}

uint8_t TXLSCellHeap::MergeFlagsFor(int32_t row, int32_t col) const {
    if (merged_.Empty()) return 0;
    const TXLSMergedArea* area = merged_.Find(row, col);
    if (area == nullptr) return 0;
    bool master = area->FirstRow == row && area->FirstCol == col;
    return static_cast<uint8_t>(kCellMerged | (master ? kCellMergeMaster : 0));
}

bool TXLSCellHeap::MergeCells(int32_t row1, int32_t col1, int32_t row2, int32_t col2) {
    TXLSMergedArea area{std::min(row1, row2), std::min(col1, col2), std::max(row1, row2), std::max(col1, col2)};
    if (area.FirstRow < 0 || area.LastRow > kMaxRow || area.FirstCol < 0 || area.LastCol > kMaxCol) return false;
    if (area.FirstRow == area.LastRow && area.FirstCol == area.LastCol) return false;
    if (!merged_.Add(area)) return false;
    // Mark the cells that already exist: only the rows that hold cells, and in
    // them only the blocks that overlap the area.
    for (int32_t r = area.FirstRow; r >= 0 && r <= area.LastRow; r = rows_.NextRow(r)) {
        for (TAVLNode* node = Ceiling(BlockKey(r, area.FirstCol));
             node != nullptr && RowOfKey(node->Key) == r && FirstColumnOfKey(node->Key) <= area.LastCol;
             node = node->Next) {
            TXLSCellBlock& block = AsBlock(node);
            const int32_t base = FirstColumnOfKey(node->Key);
            for (int slot = 0; slot < kCellBlockWidth; ++slot) {
                const int32_t col = base + slot;
                if (block.Slots[slot] == 0 || col < area.FirstCol || col > area.LastCol) continue;
                const bool master = r == area.FirstRow && col == area.FirstCol;
                pool_.At(block.Slots[slot]).MergeFlags = static_cast<uint8_t>(kCellMerged | (master ? kCellMergeMaster : 0));
            }
        }
    }
    return true;
}

}  // namespace korvel
