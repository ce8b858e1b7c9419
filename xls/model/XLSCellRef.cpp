#include "xls/model/XLSCellRef.h"

#include <new>

namespace korvel {

TXLSCellPool::~TXLSCellPool() {
    for (uint32_t handle = 1; handle <= used_; ++handle) At(handle).~TXLSCellRef();
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
