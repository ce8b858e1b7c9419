// The cell store: the documented edge cases, and a long random run of
// get-or-create and delete checked after every step against std::map.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "xls/model/XLSCellHeap.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"

namespace korvel {
namespace {

struct HeapFixture : ::testing::Test {
    TXLSRowList rows;
    TXLSColumnList columns;
    TXLSStringTable strings;
    TXLSStyleXFs styles;
    TXLSCellHeap heap{rows, columns, strings, styles};

    struct Dims {
        int32_t firstRow, lastRow, rowCount, firstCol, lastCol, colCount;
        bool operator==(const Dims&) const = default;
    };
    Dims Dimensions() const {
        return {heap.FirstRow(), heap.LastRow(), heap.RowCount(), heap.FirstCol(), heap.LastCol(), heap.ColCount()};
    }
};

std::ostream& operator<<(std::ostream& out, const HeapFixture::Dims& d) {
    return out << "rows " << d.firstRow << ".." << d.lastRow << " (" << d.rowCount << ") cols " << d.firstCol
               << ".." << d.lastCol << " (" << d.colCount << ")";
}

TEST_F(HeapFixture, EmptyAndSingleCellDimensions) {
    EXPECT_EQ(Dimensions(), (Dims{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(heap.FindCell(5, 3), nullptr);
    TXLSCellRef& cell = heap.GetOrCreateCell(5, 3);
    EXPECT_EQ(cell.Row, 5);
    EXPECT_EQ(cell.Column, 3);
    EXPECT_EQ(cell.Kind, TXLSCellKind::Blank);
    EXPECT_EQ(cell.XF, 15);  // the default column format
    EXPECT_EQ(Dimensions(), (Dims{5, 5, 1, 3, 3, 1}));
    const TXLSRowInfo* info = rows.Find(5);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->FirstCol, 3);
    EXPECT_EQ(info->LastCol, 3);
    EXPECT_EQ(info->Height, 255);
}

TEST_F(HeapFixture, TwoBlocksAndShrinkingBack) {
    heap.GetOrCreateCell(0, 0);
    heap.GetOrCreateCell(9, 70);
    EXPECT_EQ(Dimensions(), (Dims{0, 9, 10, 0, 70, 71}));
    EXPECT_EQ(heap.NodeCount(), 2);
    EXPECT_NE(heap.Find(0), nullptr);
    EXPECT_NE(heap.Find(TXLSCellHeap::BlockKey(9, 70)), nullptr);

    heap.DeleteCell(9, 70);
    EXPECT_EQ(Dimensions(), (Dims{0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(rows.Find(9), nullptr);  // default entry dropped with its last cell
    heap.DeleteCell(0, 0);
    EXPECT_EQ(Dimensions(), (Dims{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(heap.NodeCount(), 0);
    EXPECT_EQ(heap.CellCount(), 0u);
    heap.DeleteCell(0, 0);  // absent: nothing happens
    EXPECT_EQ(heap.NodeCount(), 0);
}

TEST_F(HeapFixture, RowWalkCrossesBlocks) {
    heap.GetOrCreateCell(4, 70);
    heap.GetOrCreateCell(4, 3);
    heap.GetOrCreateCell(4, kCellBlockWidth - 1);
    heap.GetOrCreateCell(5, 0);  // next row must not be reached
    TXLSCellRef* cell = heap.FirstCellInRow(4);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Column, 3);
    cell = heap.NextCellInRow(*cell);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Column, kCellBlockWidth - 1);
    cell = heap.NextCellInRow(*cell);  // from the last slot over missing blocks to the next
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Column, 70);
    EXPECT_EQ(heap.NextCellInRow(*cell), nullptr);
    EXPECT_EQ(heap.FirstCellInRow(3), nullptr);
    EXPECT_EQ(heap.FirstCellInRow(6), nullptr);
}

TEST_F(HeapFixture, LastColumnAndLastRowOfTheModel) {
    TXLSCellRef& cell = heap.GetOrCreateCell(1048575, 16383);
    const int32_t blocksPerRow = 16384 / kCellBlockWidth;
    EXPECT_EQ(TXLSCellHeap::BlockKey(1048575, 16383), 1048575 * blocksPerRow + blocksPerRow - 1);
    TXLSCellBlock* block = static_cast<TXLSCellBlock*>(heap.Find(1048575 * blocksPerRow + blocksPerRow - 1));
    ASSERT_NE(block, nullptr);
    EXPECT_NE(block->Slots[kCellBlockWidth - 1], 0u);
    EXPECT_EQ(block->UsedCount, 1);
    EXPECT_EQ(&heap.GetOrCreateCell(1048575, 16383), &cell);  // existing cell returned unchanged
    EXPECT_EQ(heap.CellCount(), 1u);
    EXPECT_EQ(Dimensions(), (Dims{1048575, 1048575, 1, 16383, 16383, 1}));
}

TEST_F(HeapFixture, NonDefaultRowEntrySurvivesItsLastCell) {
    rows.GetOrCreate(2).Height = 600;
    rows.Find(2)->HeightSet = true;
    heap.GetOrCreateCell(2, 10);
    heap.GetOrCreateCell(2, 12);
    heap.DeleteCell(2, 10);
    EXPECT_EQ(rows.Find(2)->FirstCol, 12);
    heap.DeleteCell(2, 12);
    ASSERT_NE(rows.Find(2), nullptr);
    EXPECT_EQ(rows.Find(2)->FirstCol, -1);
    EXPECT_EQ(rows.Find(2)->LastCol, -1);
    EXPECT_EQ(rows.Find(2)->Height, 600);
}

TEST_F(HeapFixture, RowAndColumnFormatsGiveNewCellsTheirXF) {
    TXLSRowInfo& row = rows.GetOrCreate(3);
    row.HasFormat = true;
    row.XF = 17;
    columns.GetOrCreate(4).XF = 16;
    EXPECT_EQ(heap.GetOrCreateCell(3, 4).XF, 17);  // the row format wins
    EXPECT_EQ(heap.GetOrCreateCell(2, 4).XF, 16);
    EXPECT_EQ(heap.GetOrCreateCell(2, 5).XF, 15);
    bool own = true;
    EXPECT_EQ(heap.CellXF(9, 4, &own), 16);
    EXPECT_FALSE(own);
    EXPECT_EQ(heap.CellXF(3, 4, &own), 17);
    EXPECT_TRUE(own);
    int32_t before16 = styles.UseCount(16), before18 = styles.UseCount(18);
    heap.SetCellXF(2, 4, 18);
    EXPECT_EQ(heap.CellXF(2, 4), 18);
    EXPECT_EQ(styles.UseCount(16), before16 - 1);
    EXPECT_EQ(styles.UseCount(18), before18 + 1);
}

// The packed record keeps every field apart at its extremes, and a format id
// the record cannot hold leaves the cell without a format of its own.
TEST_F(HeapFixture, PackedFieldsHoldTheirExtremes) {
    styles.SetXFCount(70000);
    TXLSCellRef& corner = heap.GetOrCreateCell(1048575, 16383);
    heap.SetCellXF(1048575, 16383, 69999);
    ASSERT_TRUE(heap.MergeCells(1048574, 16382, 1048575, 16383));
    corner.Value = -1.5;
    EXPECT_EQ(corner.Row, 1048575);
    EXPECT_EQ(corner.Column, 16383);
    EXPECT_EQ(corner.XF, 69999);
    EXPECT_TRUE(corner.IsMergeCovered());
    EXPECT_EQ(corner.Kind, TXLSCellKind::Blank);
    EXPECT_EQ(corner.Value, -1.5);
    corner.Kind = TXLSCellKind::Formula;  // the widest kind
    EXPECT_EQ(corner.Row, 1048575);
    EXPECT_EQ(corner.XF, 69999);
    corner.Kind = TXLSCellKind::Blank;

    const int32_t uses = styles.UseCount(69999);
    heap.SetCellXF(1048575, 16383, kMaxCellXF + 1);
    heap.SetCellXF(5, 5, -3);
    EXPECT_EQ(styles.UseCount(69999), uses - 1);
    bool own = true;
    EXPECT_EQ(heap.CellXF(5, 5, &own), columns.ColumnXF(5));
    EXPECT_FALSE(own);
    EXPECT_EQ(heap.FindCell(1048575, 16383)->XF, 0);
}

TEST_F(HeapFixture, MergedAreaMarksExistingAndLaterCells) {
    heap.GetOrCreateCell(1, 1);
    heap.GetOrCreateCell(2, 2);
    EXPECT_TRUE(heap.MergeCells(2, 3, 1, 1));  // bounds in any order
    EXPECT_TRUE(heap.FindCell(1, 1)->IsMergeMaster());
    EXPECT_TRUE(heap.FindCell(2, 2)->IsMergeCovered());
    EXPECT_TRUE(heap.GetOrCreateCell(2, 3).IsMergeCovered());
    EXPECT_EQ(heap.GetOrCreateCell(3, 3).MergeFlags, 0);
    const TXLSMergedArea* area = heap.FindMergedArea(2, 2);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->FirstRow, 1);
    EXPECT_EQ(area->LastRow, 2);
    EXPECT_EQ(area->FirstCol, 1);
    EXPECT_EQ(area->LastCol, 3);
    EXPECT_FALSE(heap.MergeCells(2, 3, 5, 5));  // overlaps
    EXPECT_FALSE(heap.MergeCells(7, 7, 7, 7));  // a single cell
    EXPECT_FALSE(heap.MergeCells(0, 0, 1048576, 1));
    EXPECT_TRUE(heap.MergeCells(3, 0, 3, 3));
    EXPECT_EQ(heap.MergedAreas().size(), 2u);
}

TEST_F(HeapFixture, MergingMarksOnlyCellsInsideTheAreaAcrossBlocks) {
    const int32_t cells[][2] = {{10, 10}, {10, 60}, {10, 70}, {11, 5}, {11, 129}, {11, 130}, {12, 64}};
    for (const auto& c : cells) heap.GetOrCreateCell(c[0], c[1]);
    ASSERT_TRUE(heap.MergeCells(10, 60, 11, 129));
    const uint8_t expected[] = {0, kCellMerged | kCellMergeMaster, kCellMerged, 0, kCellMerged, 0, 0};
    for (size_t i = 0; i < std::size(cells); ++i)
        EXPECT_EQ(heap.FindCell(cells[i][0], cells[i][1])->MergeFlags, expected[i]) << i;
}

TEST(RowList, SparseLevelsFirstLastAndNeighbours) {
    TXLSRowList rows;
    EXPECT_EQ(rows.FirstRow(), -1);
    EXPECT_EQ(rows.Find(0), nullptr);
    EXPECT_EQ(rows.Find(-1), nullptr);
    EXPECT_EQ(rows.Find(1048576), nullptr);
    // Rows on both sides of every page and level boundary.
    const int32_t picks[] = {1048575, 65536, 65535, 256, 255, 0, 300000};
    for (int32_t row : picks) rows.GetOrCreate(row);
    EXPECT_EQ(rows.Count(), 7);
    EXPECT_EQ(rows.FirstRow(), 0);
    EXPECT_EQ(rows.LastRow(), 1048575);
    const int32_t ordered[] = {0, 255, 256, 65535, 65536, 300000, 1048575};
    int32_t r = rows.FirstRow();
    for (int32_t expected : ordered) {
        EXPECT_EQ(r, expected);
        r = rows.NextRow(r);
    }
    EXPECT_EQ(r, -1);
    EXPECT_EQ(rows.PreviousRow(65536), 65535);
    EXPECT_EQ(rows.PreviousRow(0), -1);
    EXPECT_EQ(rows.Find(300000)->Height, 255);
    EXPECT_EQ(rows.Find(300000)->XF, 15);
    rows.Remove(0);
    rows.Remove(1048575);
    EXPECT_EQ(rows.FirstRow(), 255);
    EXPECT_EQ(rows.LastRow(), 300000);
    rows.Remove(12);  // no entry: nothing happens
    EXPECT_EQ(rows.Count(), 5);
    rows.SetDefaultHeight(300);
    EXPECT_EQ(rows.GetOrCreate(7).Height, 300);
    EXPECT_TRUE(rows.IsDefault(*rows.Find(7)));
    EXPECT_FALSE(rows.IsDefault(*rows.Find(255)));  // made under the old default height
}

// --- Random run ---

using Key = std::pair<int32_t, int32_t>;  // row, column

int CheckBlocks(const TAVLNode* node, int32_t low, int32_t high, const std::map<Key, bool>& reference,
                TXLSCellHeap& heap, size_t& cells) {
    if (node == nullptr) return 0;
    EXPECT_GT(node->Key, low);
    EXPECT_LT(node->Key, high);
    int smaller = CheckBlocks(node->Smaller, low, node->Key, reference, heap, cells);
    int greater = CheckBlocks(node->Greater, node->Key, high, reference, heap, cells);
    EXPECT_EQ(node->Balance, greater - smaller);
    EXPECT_LE(std::abs(greater - smaller), 1);
    auto& block = *static_cast<const TXLSCellBlock*>(node);
    // Every occupied slot is in the reference; with the total compared by the
    // caller, that makes the two sets equal.
    int used = 0;
    for (int slot = 0; slot < kCellBlockWidth; ++slot) {
        if (block.Slots[slot] == 0) continue;
        int32_t row = TXLSCellHeap::RowOfKey(node->Key), col = TXLSCellHeap::FirstColumnOfKey(node->Key) + slot;
        EXPECT_EQ(reference.count({row, col}), 1u) << row << "," << col;
        ++used;
    }
    EXPECT_EQ(block.UsedCount, used);
    EXPECT_GT(used, 0) << "an empty block stays in the tree";
    cells += static_cast<size_t>(used);
    return 1 + std::max(smaller, greater);
}

struct RandomRun : HeapFixture {
    std::map<Key, bool> reference;  // value: holds a text
    int32_t initialUses15 = 0;

    void CheckAll() {
        size_t cells = 0;
        CheckBlocks(heap.Root(), -1, INT32_MAX, reference, heap, cells);
        ASSERT_EQ(cells, reference.size());
        ASSERT_EQ(heap.CellCount(), reference.size());
        std::set<int32_t> blockKeys;
        for (const auto& [key, text] : reference) blockKeys.insert(TXLSCellHeap::BlockKey(key.first, key.second));
        ASSERT_EQ(heap.NodeCount(), static_cast<int32_t>(blockKeys.size()));

        Dims expected{0, 0, 0, 0, 0, 0};
        std::map<int32_t, std::pair<int32_t, int32_t>> rowSpan;
        int32_t texts = 0;
        for (const auto& [key, text] : reference) {
            auto [it, fresh] = rowSpan.emplace(key.first, std::make_pair(key.second, key.second));
            it->second.first = std::min(it->second.first, key.second);
            it->second.second = std::max(it->second.second, key.second);
            texts += text ? 1 : 0;
        }
        if (!reference.empty()) {
            expected.firstRow = reference.begin()->first.first;
            expected.lastRow = reference.rbegin()->first.first;
            expected.firstCol = INT32_MAX;
            expected.lastCol = -1;
            for (const auto& [row, span] : rowSpan) {
                expected.firstCol = std::min(expected.firstCol, span.first);
                expected.lastCol = std::max(expected.lastCol, span.second);
            }
            expected.rowCount = expected.lastRow - expected.firstRow + 1;
            expected.colCount = expected.lastCol - expected.firstCol + 1;
        }
        ASSERT_EQ(Dimensions(), expected);
        for (int32_t row = 0; row <= 70; ++row) {
            const TXLSRowInfo* info = rows.Find(row);
            auto span = rowSpan.find(row);
            if (span == rowSpan.end()) {
                ASSERT_EQ(info, nullptr) << "row " << row << " keeps a default entry";
            } else {
                ASSERT_NE(info, nullptr) << "row " << row;
                ASSERT_EQ(info->FirstCol, span->second.first) << "row " << row;
                ASSERT_EQ(info->LastCol, span->second.second) << "row " << row;
            }
        }
        ASSERT_EQ(rows.Count(), static_cast<int32_t>(rowSpan.size()));
        ASSERT_EQ(strings.TotalRefs(), texts);
        ASSERT_EQ(styles.UseCount(15), initialUses15 + static_cast<int32_t>(reference.size()));
    }

    void CheckRowWalk(int32_t row) {
        std::vector<int32_t> expected, walked;
        for (auto it = reference.lower_bound({row, 0}); it != reference.end() && it->first.first == row; ++it)
            expected.push_back(it->first.second);
        for (TXLSCellRef* cell = heap.FirstCellInRow(row); cell != nullptr; cell = heap.NextCellInRow(*cell)) {
            ASSERT_EQ(cell->Row, row);
            walked.push_back(cell->Column);
        }
        ASSERT_EQ(walked, expected) << "row " << row;
    }
};

TEST_F(RandomRun, GetOrCreateAndDeleteKeepEveryInvariant) {
    initialUses15 = styles.UseCount(15);
    // Columns around block edges, both model ends and a few in between.
    const int32_t columnChoices[] = {0, 1, 2, 5, 14, 15, 16, 17, 31, 32, 62, 63, 64, 65, 100, 127, 128, 129, 191, 192, 255, 256,
                                     1000, 4095, 4096, 16320, 16382, 16383};
    std::mt19937 random(2024);
    for (int step = 0; step < 30000; ++step) {
        int32_t row = static_cast<int32_t>(random() % 71);
        int32_t col = columnChoices[random() % std::size(columnChoices)];
        if (random() % 5 < 3) {
            TXLSCellRef& cell = heap.GetOrCreateCell(row, col);
            ASSERT_EQ(cell.Row, row);
            ASSERT_EQ(cell.Column, col);
            auto [it, fresh] = reference.emplace(Key{row, col}, false);
            if (fresh && random() % 2 == 0) {
                cell.StringId = strings.AddString(u"text " + std::u16string(1, static_cast<char16_t>(u'a' + col % 7)));
                cell.Kind = TXLSCellKind::Text;
                it->second = true;
            }
        } else {
            heap.DeleteCell(row, col);
            reference.erase({row, col});
            ASSERT_EQ(heap.FindCell(row, col), nullptr);
        }
        // Full checks are O(cells): every step early on, then every 8th.
        ASSERT_EQ(heap.CellCount(), reference.size());
        if (step < 2000 || step % 8 == 0) CheckAll();
        if (HasFatalFailure()) FAIL() << "after step " << step << " on " << row << "," << col;
        if (step % 10 == 0) CheckRowWalk(row);
    }
    // Drain to empty: every field returns to 0.
    while (!reference.empty()) {
        Key key = reference.begin()->first;
        if (random() % 2) key = reference.rbegin()->first;
        heap.DeleteCell(key.first, key.second);
        reference.erase(key);
        CheckAll();
        if (HasFatalFailure()) FAIL() << "while draining";
    }
    EXPECT_EQ(heap.NodeCount(), 0);
    EXPECT_EQ(rows.Count(), 0);
}

}  // namespace
}  // namespace korvel
