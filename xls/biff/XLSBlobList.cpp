#include "xls/biff/XLSBlobList.h"

#include <algorithm>

#include "platform/Stream.h"
#include "xls/biff/XLSRecordResults.h"

namespace korvel {

int32_t TXLSBlobList::Add(const uint8_t* bytes, uint32_t count) {
    uint32_t copied = 0;
    while (copied < count) {
        if (fill_ == kChunkSize) {
            items_.push_back(std::make_unique<TXLSBlob>(kChunkSize));
            fill_ = 0;
        }
        uint32_t step = std::min(count - copied, kChunkSize - fill_);
        items_.back()->WriteBytes(bytes + copied, step);
        fill_ += step;
        total_ += step;
        copied += step;
    }
    return kXLSRecordOk;
}

int32_t TXLSBlobList::Add(TXLSBlob&& record) {
    TXLSBlob consumed = std::move(record);
    return AddKeep(consumed);
}

int32_t TXLSBlobList::AddKeep(const TXLSBlob& blob) {
    return Add(blob.Data(), blob.Length());
}

int32_t TXLSBlobList::AppendList(const TXLSBlobList& other) {
    // Take the lengths first: appending a list to itself must copy only the
    // bytes it held when the call began, although its last chunk grows.
    std::vector<uint32_t> lengths;
    lengths.reserve(other.items_.size());
    for (const auto& item : other.items_) lengths.push_back(item->Length());
    for (size_t i = 0; i < lengths.size(); ++i) Add(other.items_[i]->Data(), lengths[i]);
    return kXLSRecordOk;
}

bool TXLSBlobList::Put(uint32_t index, TXLSBlob&& blob) {
    if (index > items_.size()) return false;
    auto item = std::make_unique<TXLSBlob>(std::move(blob));
    total_ += item->Length();
    if (index == items_.size()) {
        items_.push_back(std::move(item));
    } else {
        total_ -= items_[index]->Length();
        items_[index] = std::move(item);
    }
    // A blob put as the last item is not a chunk with room of ours to fill.
    if (index + 1 == items_.size()) fill_ = kChunkSize;
    return true;
}

const TXLSBlob* TXLSBlobList::Items(uint32_t index) const {
    return index < items_.size() ? items_[index].get() : nullptr;
}

int32_t TXLSBlobList::WriteToStream(TStream& stream) const {
    for (const auto& item : items_) {
        int32_t result = item->WriteToStream(stream);
        if (result != kXLSRecordOk) return result;
    }
    return kXLSRecordOk;
}

int32_t TXLSBlobList::ReadRange(int64_t offset, uint32_t count, TXLSBlob& target) const {
    if (offset < 0 || offset >= total_ || int64_t(count) > total_ - offset) return kXLSRecordFailed;
    size_t index = 0;
    int64_t start = 0;
    while (start + items_[index]->Length() <= offset) start += items_[index++]->Length();
    uint32_t within = static_cast<uint32_t>(offset - start);
    uint32_t copied = 0;
    while (copied < count) {
        const TXLSBlob& item = *items_[index++];
        uint32_t step = std::min(count - copied, item.Length() - within);
        target.CopyFrom(item, within, step);
        copied += step;
        within = 0;
    }
    return kXLSRecordOk;
}

int32_t TXLSBlobList::ReadRangeNew(int64_t offset, uint32_t count, TXLSBlob& out) const {
    TXLSBlob blob(count);
    if (ReadRange(offset, count, blob) != kXLSRecordOk) {
        out = TXLSBlob();
        return kXLSRecordFailed;
    }
    out = std::move(blob);
    return kXLSRecordOk;
}

void TXLSBlobList::Clear() {
    items_.clear();
    total_ = 0;
    fill_ = kChunkSize;
}

}  // namespace korvel
