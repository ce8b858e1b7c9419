#include "xls/biff/XLSCellBlockWriter.h"

#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRKEncoding.h"
#include "xls/biff/XLSRecordBuffer.h"
#include "xls/biff/XLSRecordIds.h"

namespace korvel {

namespace Rec = XLSRecordId;

namespace {
// A ROW record takes 20 bytes; DBCELL offsets of the first row count from the
// second ROW record of the block ([MS-XLS] 2.4.78).
constexpr uint32_t kRowRecordSize = 20;
// Cell records never come near the BIFF5 body limit, so no splitting is needed.
constexpr uint16_t kNoSplit = 0;
}  // namespace

void TXLSUsedArea::Extend(int32_t row, int32_t firstCol, int32_t lastCol) {
    if (!Any) {
        Any = true;
        FirstRow = LastRow = row;
        FirstCol = firstCol;
        LastCol = lastCol;
        return;
    }
    if (row < FirstRow) FirstRow = row;
    if (row > LastRow) LastRow = row;
    if (firstCol < FirstCol) FirstCol = firstCol;
    if (lastCol > LastCol) LastCol = lastCol;
}

TXLSCellBlockWriter::TXLSCellBlockWriter(TXLSBlobList& cells, TXLSRecordBuffer& buffer)
    : cells_(cells), buffer_(buffer) {
    rkRun_.reserve(256);
    blankRun_.reserve(256);
    dbcells_.reserve(kMaxBlocks);
}

void TXLSCellBlockWriter::AddRecord() { buffer_.AddTo(cells_, kNoSplit); }

void TXLSCellBlockWriter::BeginBlock() {
    blockStart_ = static_cast<uint32_t>(cells_.Total());
    rowsInBlock_ = 0;
    rowsMarked_ = 0;
}

void TXLSCellBlockWriter::Row(const TXLSRowRecord& row) {
    if (rowsInBlock_ >= kRowsPerBlock) return;  // a block never holds more rows
    buffer_.Begin(Rec::kROW);
    buffer_.Word(row.Row);
    buffer_.Word(row.FirstCol);
    buffer_.Word(row.LastColPlus1);
    buffer_.Word(row.Height);
    buffer_.Word(0);  // reserved
    buffer_.Word(0);  // unused
    buffer_.Word(row.Options);
    buffer_.Word(row.XF);
    AddRecord();
    ++rowsInBlock_;
    if (!anyRow_ || row.Row < firstRowRecord_) firstRowRecord_ = row.Row;
    if (!anyRow_ || row.Row > lastRowRecord_) lastRowRecord_ = row.Row;
    anyRow_ = true;
}

void TXLSCellBlockWriter::BeginRowCells(int32_t) {
    CloseRuns();
    if (rowsMarked_ < rowsInBlock_) rowFirstCell_[rowsMarked_++] = static_cast<uint32_t>(cells_.Total());
}

void TXLSCellBlockWriter::Number(int32_t row, int32_t col, uint16_t xf, double value) {
    if (!Continues(row, col)) CloseRuns();
    uint32_t rk;
    if (EncodeRK(value, rk)) {
        FlushBlank();
        if (rkRun_.empty()) {
            runRow_ = row;
            runFirstCol_ = col;
        }
        rkRun_.push_back({xf, rk});
        runNextCol_ = col + 1;
        return;
    }
    // A NUMBER ends both runs: a run must never reach across a cell of another kind.
    CloseRuns();
    buffer_.Begin(Rec::kNUMBER);
    buffer_.Word(static_cast<uint16_t>(row));
    buffer_.Word(static_cast<uint16_t>(col));
    buffer_.Word(xf);
    buffer_.Double(value);
    AddRecord();
    used_.Extend(row, col, col);
}

void TXLSCellBlockWriter::Blank(int32_t row, int32_t col, uint16_t xf) {
    if (!Continues(row, col)) CloseRuns();
    FlushRK();
    if (blankRun_.empty()) {
        runRow_ = row;
        runFirstCol_ = col;
    }
    blankRun_.push_back(xf);
    runNextCol_ = col + 1;
}

void TXLSCellBlockWriter::ForcedBlank(int32_t row, int32_t col, uint16_t xf) {
    CloseRuns();
    buffer_.Begin(Rec::kBLANK);
    buffer_.Word(static_cast<uint16_t>(row));
    buffer_.Word(static_cast<uint16_t>(col));
    buffer_.Word(xf);
    AddRecord();
    used_.Extend(row, col, col);
}

void TXLSCellBlockWriter::LabelSST(int32_t row, int32_t col, uint16_t xf, uint32_t sstIndex) {
    CloseRuns();
    buffer_.Begin(Rec::kLABELSST);
    buffer_.Word(static_cast<uint16_t>(row));
    buffer_.Word(static_cast<uint16_t>(col));
    buffer_.Word(xf);
    buffer_.Long(sstIndex);
    AddRecord();
    used_.Extend(row, col, col);
}

void TXLSCellBlockWriter::Label(int32_t row, int32_t col, uint16_t xf, std::string_view text) {
    CloseRuns();
    if (text.size() > 255) text = text.substr(0, 255);
    buffer_.Begin(Rec::kLABEL);
    buffer_.Word(static_cast<uint16_t>(row));
    buffer_.Word(static_cast<uint16_t>(col));
    buffer_.Word(xf);
    buffer_.Word(static_cast<uint16_t>(text.size()));
    buffer_.Ansi(text);
    AddRecord();
    used_.Extend(row, col, col);
}

void TXLSCellBlockWriter::Boolean(int32_t row, int32_t col, uint16_t xf, bool value) {
    CloseRuns();
    buffer_.Begin(Rec::kBOOLERR);
    buffer_.Word(static_cast<uint16_t>(row));
    buffer_.Word(static_cast<uint16_t>(col));
    buffer_.Word(xf);
    buffer_.Byte(value ? 1 : 0);
    buffer_.Byte(0);  // 0 = boolean, 1 = error code
    AddRecord();
    used_.Extend(row, col, col);
}

void TXLSCellBlockWriter::MergedCells(uint16_t firstRow, uint16_t lastRow, uint16_t firstCol, uint16_t lastCol) {
    CloseRuns();
    buffer_.Begin(Rec::kMERGEDCELLS);
    buffer_.Word(1);
    buffer_.Word(firstRow);
    buffer_.Word(lastRow);
    buffer_.Word(firstCol);
    buffer_.Word(lastCol);
    AddRecord();
}

void TXLSCellBlockWriter::FlushRK() {
    if (rkRun_.empty()) return;
    const auto row = static_cast<uint16_t>(runRow_);
    const auto first = static_cast<uint16_t>(runFirstCol_);
    if (rkRun_.size() == 1) {
        buffer_.Begin(Rec::kRK);
        buffer_.Word(row);
        buffer_.Word(first);
        buffer_.Word(rkRun_[0].XF);
        buffer_.Long(rkRun_[0].RK);
    } else {
        buffer_.Begin(Rec::kMULRK);
        buffer_.Word(row);
        buffer_.Word(first);
        for (const RKEntry& entry : rkRun_) {
            buffer_.Word(entry.XF);
            buffer_.Long(entry.RK);
        }
        buffer_.Word(static_cast<uint16_t>(first + rkRun_.size() - 1));
    }
    AddRecord();
    used_.Extend(runRow_, runFirstCol_, runFirstCol_ + static_cast<int32_t>(rkRun_.size()) - 1);
    rkRun_.clear();
}

void TXLSCellBlockWriter::FlushBlank() {
    if (blankRun_.empty()) return;
    const auto row = static_cast<uint16_t>(runRow_);
    const auto first = static_cast<uint16_t>(runFirstCol_);
    if (blankRun_.size() == 1) {
        // A lone blank without a format carries nothing a reader could show.
        if (blankRun_[0] != 0) {
            buffer_.Begin(Rec::kBLANK);
            buffer_.Word(row);
            buffer_.Word(first);
            buffer_.Word(blankRun_[0]);
            AddRecord();
            used_.Extend(runRow_, runFirstCol_, runFirstCol_);
        }
    } else {
        buffer_.Begin(Rec::kMULBLANK);
        buffer_.Word(row);
        buffer_.Word(first);
        for (uint16_t xf : blankRun_) buffer_.Word(xf);
        buffer_.Word(static_cast<uint16_t>(first + blankRun_.size() - 1));
        AddRecord();
        used_.Extend(runRow_, runFirstCol_, runFirstCol_ + static_cast<int32_t>(blankRun_.size()) - 1);
    }
    blankRun_.clear();
}

void TXLSCellBlockWriter::CloseRuns() {
    FlushRK();
    FlushBlank();
    runRow_ = -1;
}

void TXLSCellBlockWriter::EndBlock() {
    CloseRuns();
    const auto position = static_cast<uint32_t>(cells_.Total());
    buffer_.Begin(Rec::kDBCELL);
    buffer_.Long(position - blockStart_);
    // Each word is the distance to a row's first cell record: from the second
    // ROW record for the first row, from the previous row's first cell after that.
    uint32_t previous = blockStart_ + kRowRecordSize;
    bool overflow = false;
    for (int k = 0; k < rowsInBlock_; ++k) {
        const uint32_t first = k < rowsMarked_ ? rowFirstCell_[k] : position;
        const uint32_t distance = first - previous;
        if (distance > 0xFFFF) overflow = true;
        buffer_.Word(overflow ? 0 : static_cast<uint16_t>(distance));
        previous = first;
    }
    if (dbcells_.size() < kMaxBlocks) dbcells_.push_back(position);
    AddRecord();
}

}  // namespace korvel
