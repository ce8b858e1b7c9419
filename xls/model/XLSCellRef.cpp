#include "xls/model/XLSCellRef.h"

namespace korvel {

uint32_t TXLSCellPool::Allocate() {
    if (!freeHandles_.empty()) {
        uint32_t handle = freeHandles_.back();
        freeHandles_.pop_back();
        return handle;
    }
    if ((used_ & (kChunkSize - 1)) == 0) chunks_.push_back(std::make_unique<TXLSCellRef[]>(kChunkSize));
    return ++used_;
}

void TXLSCellPool::Free(uint32_t handle) {
    At(handle) = TXLSCellRef{};
    freeHandles_.push_back(handle);
}

}  // namespace korvel
