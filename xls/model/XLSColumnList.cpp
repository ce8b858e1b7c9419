#include "xls/model/XLSColumnList.h"

namespace korvel {

const TXLSColumnInfo* TXLSColumnList::Find(int32_t column) const {
    if (column < 0 || static_cast<size_t>(column) >= columns_.size()) return nullptr;
    const TXLSColumnInfo& info = columns_[static_cast<size_t>(column)];
    return info.Present ? &info : nullptr;
}

TXLSColumnInfo& TXLSColumnList::GetOrCreate(int32_t column) {
    if (static_cast<size_t>(column) >= columns_.size()) columns_.resize(static_cast<size_t>(column) + 1);
    TXLSColumnInfo& info = columns_[static_cast<size_t>(column)];
    if (!info.Present) {
        info = TXLSColumnInfo{};
        info.Width = defaultWidth_;
        info.XF = defaultXF_;
        info.Present = true;
    }
    return info;
}

int32_t TXLSColumnList::ColumnXF(int32_t column) const {
    const TXLSColumnInfo* info = Find(column);
    return info != nullptr ? info->XF : defaultXF_;
}

}  // namespace korvel
