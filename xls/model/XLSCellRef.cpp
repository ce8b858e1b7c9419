#include "xls/model/XLSCellRef.h"

#include <algorithm>
#include <new>

namespace korvel {

// Segment by segment: a large sheet's records are walked once more at the
// end, and only formula cells have anything to free.
TXLSCellPool::~TXLSCellPool() {
    size_t left = used_;
    for (size_t s = 0; left > 0; ++s) {
        const size_t count = std::min(left, records_.SegmentRecords(s));
        TXLSCellRef* records = records_.SegmentBase(s);
        for (size_t i = 0; i < count; ++i) records[i].~TXLSCellRef();
        left -= count;
    }
}

uint32_t TXLSCellPool::AllocateSlow() {
    if (!freeHandles_.empty()) {
        uint32_t handle = freeHandles_.back();
        freeHandles_.pop_back();
        return handle;
    }
    if (used_ == capacity_) {
        records_.Grow();
        capacity_ = records_.Capacity();
    }
    const uint32_t handle = ++used_;
    new (&At(handle)) TXLSCellRef();
    return handle;
}

void TXLSCellRef::SetFormula(std::unique_ptr<TXLSFormula> formula) {
    DropFormula();
    OwnedFormula = formula.release();
    Kind = TXLSCellKind::Formula;
}

void TXLSCellRef::DropFormula() {
    if (Kind != TXLSCellKind::Formula) return;
    delete OwnedFormula;
    Value = 0;
    Kind = TXLSCellKind::Blank;
}

void TXLSCellRef::Reset() {
    DropFormula();
    Row = 0;
    Column = 0;
    Kind = TXLSCellKind::Blank;
    MergeFlags = 0;
    XF = 0;
    Value = 0;
}

void TXLSCellPool::Free(uint32_t handle) {
    At(handle).Reset();
    freeHandles_.push_back(handle);
}

}  // namespace korvel
