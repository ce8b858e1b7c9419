#include "xls/model/XLSRowList.h"

namespace korvel {

const TXLSRowList::Page* TXLSRowList::PageOf(int32_t row) const {
    if (row < 0 || row > kMaxRow) return nullptr;
    const Middle* middle = top_[static_cast<size_t>(row >> 16)].get();
    if (middle == nullptr) return nullptr;
    return middle->Pages[static_cast<size_t>((row >> 8) & 0xFF)].get();
}

const TXLSRowInfo* TXLSRowList::Find(int32_t row) const {
    const Page* page = PageOf(row);
    if (page == nullptr) return nullptr;
    const TXLSRowInfo& info = page->Rows[static_cast<size_t>(row & 0xFF)];
    return info.Present ? &info : nullptr;
}

TXLSRowInfo* TXLSRowList::Find(int32_t row) {
    return const_cast<TXLSRowInfo*>(static_cast<const TXLSRowList*>(this)->Find(row));
}

TXLSRowInfo& TXLSRowList::GetOrCreateInPage(int32_t row) {
    std::unique_ptr<Middle>& middle = top_[static_cast<size_t>(row >> 16)];
    if (!middle) middle = std::make_unique<Middle>();
    std::unique_ptr<Page>& page = middle->Pages[static_cast<size_t>((row >> 8) & 0xFF)];
    if (!page) page = std::make_unique<Page>();
    lastPage_ = page.get();
    lastPageKey_ = row >> 8;
    TXLSRowInfo& info = page->Rows[static_cast<size_t>(row & 0xFF)];
    if (!info.Present) {
        info = TXLSRowInfo{};
        info.Height = defaultHeight_;
        info.Present = true;
        ++count_;
        if (firstRow_ < 0 || row < firstRow_) firstRow_ = row;
        if (row > lastRow_) lastRow_ = row;
    }
    return info;
}

void TXLSRowList::Remove(int32_t row) {
    TXLSRowInfo* info = Find(row);
    if (info == nullptr) return;
    *info = TXLSRowInfo{};
    --count_;
    if (count_ == 0) {
        firstRow_ = lastRow_ = -1;
        return;
    }
    if (row == firstRow_) firstRow_ = NextRow(row);
    if (row == lastRow_) lastRow_ = PreviousRow(row);
}

bool TXLSRowList::IsDefault(const TXLSRowInfo& info) const {
    return info.Height == defaultHeight_ && info.OutlineLevel == 0 && !info.Hidden && !info.HeightSet &&
           !info.CustomHeight && !info.HasFormat && info.XF == kDefaultCellXF;
}

int32_t TXLSRowList::NextRow(int32_t row) const {
    for (int32_t r = row + 1; r <= kMaxRow && r <= lastRow_;) {
        const Page* page = PageOf(r);
        if (page == nullptr) {
            r = (r | 0xFF) + 1;
            continue;
        }
        if (page->Rows[static_cast<size_t>(r & 0xFF)].Present) return r;
        ++r;
    }
    return -1;
}

int32_t TXLSRowList::PreviousRow(int32_t row) const {
    for (int32_t r = row - 1; r >= 0 && r >= firstRow_;) {
        const Page* page = PageOf(r);
        if (page == nullptr) {
            r = (r & ~0xFF) - 1;
            continue;
        }
        if (page->Rows[static_cast<size_t>(r & 0xFF)].Present) return r;
        --r;
    }
    return -1;
}

}  // namespace korvel
