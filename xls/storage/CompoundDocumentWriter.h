// Building a compound document ([MS-CFB]) in memory and saving it.
//
// The document is a tree of storages and streams held in memory; nothing is
// laid out until it is saved. Saving is deterministic: the same tree always
// gives the same bytes (no time stamps, no class ids, sectors in a fixed order).
// Streams under 4096 bytes go to the mini stream, larger ones to regular
// sectors; DIFAT sectors are added when the FAT outgrows the header's 109 slots.
//
// Typical use:
//   TCompoundDocumentWriter doc;
//   TCompoundStreamWriter* book = nullptr;
//   doc.Root().CreateStream(u"Workbook", book);
//   book->Write(chunk, size);                  // as often as needed, appends cheaply
//   doc.SaveToFile(path);                      // or SaveToBytes / SaveToStream
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "xls/storage/StorageResults.h"

namespace korvel {

class TCompoundDocumentWriter;

// A stream of a document being built: a TStream over a growable buffer.
// Appending is amortised constant time per byte; seeking back and overwriting
// is allowed; a seek past the end followed by a write fills the gap with zeros.
class TCompoundStreamWriter : public TStream {
public:
    explicit TCompoundStreamWriter(std::u16string name) : name_(std::move(name)) {}

    const std::u16string& Name() const { return name_; }
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    // Any position from 0 up is accepted; a negative one is refused (-1).
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }

    // Reserves room for a stream of the given total size (an optional speed-up).
    void Reserve(size_t bytes) { data_.reserve(bytes); }
    const std::vector<uint8_t>& Bytes() const { return data_; }

private:
    std::u16string name_;
    std::vector<uint8_t> data_;
    size_t pos_ = 0;
};

// A storage of a document being built. Pointers it hands out stay valid for
// the life of the document, even after the element is replaced by name (the
// replaced element is then detached and no longer saved).
class TCompoundStorageWriter {
public:
    TCompoundStorageWriter(TCompoundDocumentWriter& doc, std::u16string name)
        : doc_(doc), name_(std::move(name)) {}
    TCompoundStorageWriter(const TCompoundStorageWriter&) = delete;
    TCompoundStorageWriter& operator=(const TCompoundStorageWriter&) = delete;

    const std::u16string& Name() const { return name_; }

    // Creates an empty stream, replacing any element of that name (names
    // compare without regard to case).
    // Results: kStorageOk with out set; kStorageInvalidName (out is null).
    int32_t CreateStream(std::u16string_view name, TCompoundStreamWriter*& out);
    // Creates an empty storage, replacing any element of that name.
    // Results: kStorageOk with out set; kStorageInvalidName (out is null).
    int32_t CreateStorage(std::u16string_view name, TCompoundStorageWriter*& out);

    // The children in creation order (one of the two pointers is set).
    struct TChild {
        std::unique_ptr<TCompoundStorageWriter> Storage;
        std::unique_ptr<TCompoundStreamWriter> Stream;
        const std::u16string& Name() const { return Storage ? Storage->Name() : Stream->Name(); }
    };
    const std::vector<TChild>& Children() const { return children_; }

private:
    // Detaches the child of that name, if any, into the document's keep list.
    void Detach(std::u16string_view name);

    TCompoundDocumentWriter& doc_;
    std::u16string name_;
    std::vector<TChild> children_;
};

class TCompoundDocumentWriter {
public:
    // majorVersion 3 (512-byte sectors, the default) or 4 (4096-byte sectors);
    // any other value is taken as 3.
    explicit TCompoundDocumentWriter(uint16_t majorVersion = 3);
    TCompoundDocumentWriter(const TCompoundDocumentWriter&) = delete;
    TCompoundDocumentWriter& operator=(const TCompoundDocumentWriter&) = delete;

    TCompoundStorageWriter& Root() { return root_; }
    const TCompoundStorageWriter& Root() const { return root_; }
    uint16_t MajorVersion() const { return majorVersion_; }

    // Lays the document out and replaces out with its bytes.
    // Results: kStorageOk; kStorageTooLarge (out is left empty).
    int32_t SaveToBytes(std::vector<uint8_t>& out) const;
    // Writes the document's bytes to the stream at its position.
    // Results: kStorageOk; kStorageTooLarge; kStorageFileError when the stream
    // takes fewer bytes than offered (part of the document may have been written).
    int32_t SaveToStream(TStream& out) const;
    // Writes the document to a temporary file beside path and renames it over
    // path only once every byte was written, so a failed save leaves an
    // existing file untouched and no partial file behind.
    // Results: kStorageOk; kStorageTooLarge; kStorageFileError.
    int32_t SaveToFile(const std::string& path) const;

private:
    friend class TCompoundStorageWriter;

    uint16_t majorVersion_;
    TCompoundStorageWriter root_;
    // Elements replaced by name: kept alive so that pointers to them stay valid.
    std::vector<TCompoundStorageWriter::TChild> detached_;
};

}  // namespace korvel
