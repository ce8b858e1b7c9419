// TXLSCellBlockWriter: writes the cell part of a worksheet substream ([MS-XLS]
// 2.1.7.20.3 CELLTABLE) into the sheet's cell list: blocks of up to 32 rows,
// each made of its ROW records, its cell records and a DBCELL that points back
// at them. Consecutive numbers with an RK form in one row become one MULRK and
// consecutive blanks one MULBLANK. It tracks what the sheet's DIMENSIONS and
// INDEX records need: the area covered by written cell records and the
// position of every DBCELL.
//
// It knows nothing of the workbook model: the sheet writer walks the model and
// feeds it rows and cells in row-major order.
//
// Call order per block: BeginBlock; Row for every row of the block that has
// row settings, in row order; then for each row in order BeginRowCells (only
// for rows that got a Row record) and its cells left to right; EndBlock.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvel {

class TXLSBlobList;
class TXLSRecordBuffer;

// The fields of one ROW record ([MS-XLS] 2.4.221).
struct TXLSRowRecord {
    uint16_t Row = 0;
    uint16_t FirstCol = 0;       // first column with a cell
    uint16_t LastColPlus1 = 0;   // last column with a cell + 1
    uint16_t Height = 0;         // twips, bit 15 set for the default height
    uint16_t Options = 0;
    uint16_t XF = 0;
};

// Rectangle covered by the cell records actually written.
struct TXLSUsedArea {
    bool Any = false;
    int32_t FirstRow = 0, LastRow = 0;
    int32_t FirstCol = 0, LastCol = 0;
    void Extend(int32_t row, int32_t firstCol, int32_t lastCol);
};

class TXLSCellBlockWriter {
public:
    // Most DBCELL records a sheet of 65,536 rows can need, plus one for safety.
    static constexpr size_t kMaxBlocks = 2049;
    static constexpr int kRowsPerBlock = 32;

    // cells and buffer must outlive the writer.
    TXLSCellBlockWriter(TXLSBlobList& cells, TXLSRecordBuffer& buffer);

    void BeginBlock();
    void Row(const TXLSRowRecord& row);
    // Marks where the cells of a row that has a Row record begin.
    void BeginRowCells(int32_t row);

    // Cells; row 0-65535 and column 0-255 are the caller's to check.
    void Number(int32_t row, int32_t col, uint16_t xf, double value);
    void Blank(int32_t row, int32_t col, uint16_t xf);
    void LabelSST(int32_t row, int32_t col, uint16_t xf, uint32_t sstIndex);
    // BIFF5 text cell: text is already 8-bit and at most 255 bytes.
    void Label(int32_t row, int32_t col, uint16_t xf, std::string_view text);
    void Boolean(int32_t row, int32_t col, uint16_t xf, bool value);
    // A blank written alone even when its XF is 0 (cells covered by a merged area).
    void ForcedBlank(int32_t row, int32_t col, uint16_t xf);
    // MERGEDCELLS with one area; bounds are written as given.
    void MergedCells(uint16_t firstRow, uint16_t lastRow, uint16_t firstCol, uint16_t lastCol);
    // Writes out any pending RK or blank run.
    void CloseRuns();

    // Closes the runs and writes the block's DBCELL.
    void EndBlock();

    const TXLSUsedArea& UsedArea() const { return used_; }
    // DBCELL positions, relative to the start of the cell list, in order.
    const std::vector<uint32_t>& DBCellPositions() const { return dbcells_; }
    // Whether any Row record was written, and the smallest and largest such row.
    bool AnyRowRecord() const { return anyRow_; }
    int32_t FirstRowRecord() const { return firstRowRecord_; }
    int32_t LastRowRecord() const { return lastRowRecord_; }

private:
    struct RKEntry {
        uint16_t XF;
        uint32_t RK;
    };
    void FlushRK();
    void FlushBlank();
    bool Continues(int32_t row, int32_t col) const { return row == runRow_ && col == runNextCol_; }
    void AddRecord();

    TXLSBlobList& cells_;
    TXLSRecordBuffer& buffer_;
    TXLSUsedArea used_;

    // Open run: at most one of the two is non-empty at a time.
    int32_t runRow_ = -1;
    int32_t runFirstCol_ = 0;
    int32_t runNextCol_ = 0;
    std::vector<RKEntry> rkRun_;
    std::vector<uint16_t> blankRun_;

    // Current block.
    uint32_t blockStart_ = 0;
    int rowsInBlock_ = 0;   // ROW records written in the block
    int rowsMarked_ = 0;    // rows whose first cell position is known
    uint32_t rowFirstCell_[kRowsPerBlock] = {};

    std::vector<uint32_t> dbcells_;
    bool anyRow_ = false;
    int32_t firstRowRecord_ = 0;
    int32_t lastRowRecord_ = 0;
};

}  // namespace korvel
