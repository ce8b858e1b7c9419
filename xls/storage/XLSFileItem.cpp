#include "xls/storage/XLSFileItem.h"

namespace korvel {

int32_t TXLSFileStream::Load(const TCompoundStorageReader& parent) {
    return parent.ReadStream(Name(), bytes_) == kStorageOk ? kFileItemOk : kFileItemFailed;
}

int32_t TXLSFileStream::Save(TCompoundStorageWriter& parent) const {
    TCompoundStreamWriter* stream = nullptr;
    if (parent.CreateStream(Name(), stream) != kStorageOk) return kFileItemFailed;
    if (!bytes_.empty() && stream->Write(bytes_.data(), bytes_.size()) != bytes_.size())
        return kFileItemFailed;
    return kFileItemOk;
}

int32_t TXLSFileStorage::Load(const TCompoundStorageReader& parent) { return LoadNested(parent, 1); }

int32_t TXLSFileStorage::LoadNested(const TCompoundStorageReader& parent, int depth) {
    items_.clear();
    if (depth > kMaxFileStorageDepth) return kFileItemFailed;
    TCompoundStorageReader self;
    std::vector<TCompoundElement> elements;
    if (parent.OpenStorage(Name(), self) != kStorageOk || self.Elements(elements) != kStorageOk)
        return kFileItemFailed;
    for (const TCompoundElement& element : elements) {
        int32_t result;
        if (element.Type == TElementType::Storage) {
            auto storage = std::make_unique<TXLSFileStorage>(element.Name);
            result = storage->LoadNested(self, depth + 1);
            items_.push_back(std::move(storage));
        } else {
            auto stream = std::make_unique<TXLSFileStream>(element.Name);
            result = stream->Load(self);
            items_.push_back(std::move(stream));
        }
        if (result != kFileItemOk) return kFileItemFailed;
    }
    return kFileItemOk;
}

int32_t TXLSFileStorage::Save(TCompoundStorageWriter& parent) const {
    TCompoundStorageWriter* self = nullptr;
    if (parent.CreateStorage(Name(), self) != kStorageOk) return kFileItemFailed;
    for (const auto& item : items_) {
        const int32_t result = item->Save(*self);
        if (result != kFileItemOk) return result;
    }
    return kFileItemOk;
}

}  // namespace korvel
