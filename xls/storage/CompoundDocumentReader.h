// Reading compound documents ([MS-CFB] versions 3 and 4) from a file or from memory.
//
// The whole document is held in memory. Opening checks the header, loads the
// FAT (through the DIFAT), the directory and its red-black trees; the mini FAT
// and mini stream are loaded too, but a fault in them only fails the streams
// that live there. Nothing in the file is trusted: every sector number is
// checked against the file, every chain walk remembers the sectors it visited,
// every directory entry may be reached once only, and no allocation is larger
// than the file itself. The red-black colours are not checked: other writers
// often get them wrong, and reading does not depend on them.
//
// Typical use:
//   TCompoundDocumentReader doc;
//   if (doc.OpenFile(path) != kStorageOk) ...;        // or OpenBytes(bytes)
//   std::vector<uint8_t> workbook;
//   doc.Root().ReadStream(u"Workbook", workbook);      // name compared without case
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "xls/storage/CompoundFormat.h"
#include "xls/storage/CompoundStreamReader.h"
#include "xls/storage/StorageResults.h"

namespace korvel {

enum class TElementType { Storage, Stream };

// One child of a storage as enumeration reports it.
struct TCompoundElement {
    std::u16string Name;
    TElementType Type = TElementType::Stream;
    uint64_t Size = 0;  // as the directory claims it; 0 for storages
};

class TCompoundDocumentReader;

// A storage (the root or a sub-storage) of an open document: a light handle.
// Its document must outlive it; once the document is closed or reopened the
// handle is invalid and every operation answers kStorageNotOpen.
class TCompoundStorageReader {
public:
    TCompoundStorageReader() = default;

    // False for a default-constructed handle or one whose document is not open.
    bool IsValid() const;
    // The storage's own name ("Root Entry" for the root).
    std::u16string Name() const;

    // The children in ascending [MS-CFB] name order (the order of a valid
    // directory tree). Should a damaged directory hold a name twice in one
    // storage, only the first in tree order is listed (the one lookups find).
    // Results: kStorageOk; kStorageNotOpen for an invalid handle.
    int32_t Elements(std::vector<TCompoundElement>& out) const;

    // Opens the child storage of that name (case-insensitive).
    // Results: kStorageOk; kStorageNotFound; kStorageWrongType when it is a
    // stream; kStorageNotOpen.
    int32_t OpenStorage(std::u16string_view name, TCompoundStorageReader& out) const;

    // Opens the child stream of that name for reading. Its whole sector chain
    // is checked here, so reads from the returned stream never meet a fault.
    // Results: kStorageOk; kStorageNotFound; kStorageWrongType; kStorageNotOpen;
    // kStorageCorrupt when the chain is out of range, loops, ends early, or the
    // size claims more bytes than the file holds.
    int32_t OpenStream(std::u16string_view name, std::unique_ptr<TCompoundStreamReader>& out) const;

    // Reads the whole child stream into out (resized to the stream's size, which
    // is the count of bytes read). Same results as OpenStream; on failure out is empty.
    int32_t ReadStream(std::u16string_view name, std::vector<uint8_t>& out) const;

private:
    friend class TCompoundDocumentReader;
    TCompoundStorageReader(const TCompoundDocumentReader* doc, uint32_t entry, uint64_t generation)
        : doc_(doc), entry_(entry), generation_(generation) {}
    // The child entry of that name, or kNoStream.
    uint32_t FindChild(std::u16string_view name) const;

    const TCompoundDocumentReader* doc_ = nullptr;
    uint32_t entry_ = kNoStream;
    uint64_t generation_ = 0;  // the document's open count when the handle was made
};

class TCompoundDocumentReader {
public:
    TCompoundDocumentReader() = default;
    TCompoundDocumentReader(const TCompoundDocumentReader&) = delete;
    TCompoundDocumentReader& operator=(const TCompoundDocumentReader&) = delete;

    // Reads the file at path (UTF-8) and opens it as a compound document.
    // Results: kStorageOk; kStorageFileError when the file cannot be read;
    // kStorageNotCompound; kStorageCorrupt. On failure the reader is closed.
    int32_t OpenFile(const std::string& path);
    // Reads the caller's stream from position 0 to its end, seeks it back to 0
    // and opens the copy (the stream is not kept).
    // Results as OpenFile; kStorageFileError when the stream cannot seek to 0.
    int32_t OpenFromStream(TStream& source);
    // Opens a document held in memory (taken over by the reader).
    // Results as OpenFile, without kStorageFileError.
    int32_t OpenBytes(std::vector<uint8_t> bytes);
    // Opens the document in bytes, which owner keeps alive (the reader and its
    // streams share owner). Results as OpenBytes.
    int32_t OpenShared(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);
    // Closes the document. Storage handles taken from it become invalid;
    // streams already opened keep working (they share the bytes).
    void Close();

    bool IsOpen() const { return open_; }
    // The root storage (an invalid handle while closed).
    TCompoundStorageReader Root() const;
    uint16_t MajorVersion() const { return header_.MajorVersion; }

private:
    friend class TCompoundStorageReader;

    int32_t Load();
    int32_t LoadFat();
    int32_t CollectFatSectors(std::vector<uint32_t>& fatSectors) const;
    int32_t LoadDirectory();
    int32_t LinkDirectoryTree();
    int32_t CollectChildren(uint32_t storage, std::vector<uint32_t>& stack,
                            std::vector<bool>& reached);
    void SortAndDeduplicate(std::vector<uint32_t>& children) const;
    void LoadMiniStream();
    int32_t WalkRegularChain(uint32_t start, uint64_t byteCount,
                             std::vector<uint32_t>& chain) const;
    int32_t MapStream(const TDirEntry& entry, std::vector<TStreamSegment>& segments) const;
    int32_t MapMiniStream(const TDirEntry& entry, std::vector<TStreamSegment>& segments) const;

    // Usable sectors: those that lie in the file (the last may be partial) and have a FAT entry.
    uint32_t SectorCount() const { return static_cast<uint32_t>(fat_.size()); }
    uint64_t SectorOffset(uint32_t sector) const {
        return (uint64_t(sector) + 1) << header_.SectorShift;
    }
    // Copies one sector into dst (SectorSize bytes); bytes past the end of the file become fill.
    void CopySector(uint32_t sector, uint8_t* dst, uint8_t fill) const;

    std::shared_ptr<const void> file_;  // owns bytes_
    std::span<const uint8_t> bytes_;
    TCompoundHeader header_;
    bool open_ = false;
    uint64_t generation_ = 0;  // counts opens and closes, to retire old handles
    std::vector<uint32_t> fat_;
    std::vector<TDirEntry> entries_;
    std::vector<std::vector<uint32_t>> children_;  // per storage entry, in name order
    bool miniOk_ = false;
    std::vector<uint32_t> miniFat_;
    std::vector<uint32_t> miniStreamSectors_;  // the root entry's chain
    uint64_t miniStreamSize_ = 0;
};

}  // namespace korvel
