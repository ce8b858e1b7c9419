// Preserved parts of a loaded workbook file: sub-storages and streams that the
// workbook model does not represent (the macro storage, the "Ctls" stream) are
// kept as a tree and written back unchanged when the workbook is saved.
//
// Load and Save return kFileItemOk (1) or kFileItemFailed (-1), as the workbook
// reader and writer expect of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/CompoundDocumentWriter.h"

namespace korvel {

inline constexpr int32_t kFileItemOk = 1;
inline constexpr int32_t kFileItemFailed = -1;
// Storages nested deeper than this are not loaded: no real file comes near it,
// and a hostile directory could otherwise nest as deep as it has entries.
inline constexpr int kMaxFileStorageDepth = 64;

// An element of a compound document, known by its name in its parent storage.
class TXLSFileItem {
public:
    explicit TXLSFileItem(std::u16string name) : name_(std::move(name)) {}
    virtual ~TXLSFileItem() = default;

    const std::u16string& Name() const { return name_; }

    // Reads the element of this name from parent. kFileItemOk or kFileItemFailed.
    virtual int32_t Load(const TCompoundStorageReader& parent) = 0;
    // Writes the element under this name into parent, replacing any element
    // of that name. kFileItemOk or kFileItemFailed.
    virtual int32_t Save(TCompoundStorageWriter& parent) const = 0;

private:
    std::u16string name_;
};

// A stream kept as its bytes.
class TXLSFileStream : public TXLSFileItem {
public:
    using TXLSFileItem::TXLSFileItem;

    // Opens the stream and reads all of it; Bytes() holds what was read.
    // Failed when the stream is missing, is a storage, or its chain is damaged.
    int32_t Load(const TCompoundStorageReader& parent) override;
    // Creates the stream and writes the bytes. Failed when the name is not a
    // valid element name.
    int32_t Save(TCompoundStorageWriter& parent) const override;

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    void SetBytes(std::vector<uint8_t> bytes) { bytes_ = std::move(bytes); }

private:
    std::vector<uint8_t> bytes_;
};

// A storage kept with all its children, in directory order.
class TXLSFileStorage : public TXLSFileItem {
public:
    using TXLSFileItem::TXLSFileItem;

    // Opens the storage and loads every child (a storage child becomes a
    // TXLSFileStorage, any other a TXLSFileStream), each at once, stopping at
    // the first child that fails. Children loaded before a failure are kept.
    // Failed as well when storages nest deeper than kMaxFileStorageDepth.
    int32_t Load(const TCompoundStorageReader& parent) override;
    // Creates the storage and saves every child into it, in order; stops at
    // the first child that fails.
    int32_t Save(TCompoundStorageWriter& parent) const override;

    const std::vector<std::unique_ptr<TXLSFileItem>>& Items() const { return items_; }
    void Add(std::unique_ptr<TXLSFileItem> item) { items_.push_back(std::move(item)); }

private:
    int32_t LoadNested(const TCompoundStorageReader& parent, int depth);

    std::vector<std::unique_ptr<TXLSFileItem>> items_;
};

}  // namespace korvel
