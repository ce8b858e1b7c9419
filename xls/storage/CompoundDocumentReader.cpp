#include "xls/storage/CompoundDocumentReader.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"
#include "platform/FileStream.h"
#include "xls/storage/CompoundNames.h"

namespace korvel {

namespace {

uint64_t CeilDiv(uint64_t value, uint64_t unit) {
    return value / unit + (value % unit != 0);
}

// Adds a run to the segment list, joining it to the previous one when the two
// are adjacent in the file (a stream written in one piece becomes one segment).
void AppendSegment(std::vector<TStreamSegment>& segments, uint64_t fileOffset, uint64_t length) {
    if (!segments.empty()) {
        TStreamSegment& last = segments.back();
        if (last.FileOffset + last.Length == fileOffset) {
            last.Length += length;
            return;
        }
    }
    const uint64_t streamOffset =
        segments.empty() ? 0 : segments.back().StreamOffset + segments.back().Length;
    segments.push_back({streamOffset, fileOffset, length});
}

// True when a chain visits one sector twice (it loops, or runs into itself).
// Sorting a copy costs time in proportion to the stream, where a bitmap over
// the whole table would cost in proportion to the file for every stream opened.
bool RepeatsAny(std::vector<uint32_t> chain) {
    std::sort(chain.begin(), chain.end());
    return std::adjacent_find(chain.begin(), chain.end()) != chain.end();
}

// Reads a stream from its start to its end. The reported size only reserves
// room; the loop runs on what the stream actually delivers.
bool ReadAllFrom(TStream& source, std::vector<uint8_t>& bytes) {
    if (source.Seek(0, SeekOrigin::Begin) != 0) return false;
    const int64_t size = source.Size();
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    uint8_t chunk[64 * 1024];
    for (size_t n; (n = source.Read(chunk, sizeof chunk)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    return true;
}

}  // namespace

// ---- document -------------------------------------------------------------

int32_t TCompoundDocumentReader::OpenFile(const std::string& path) {
    Close();
    std::vector<uint8_t> bytes;
    try {
        TFileStream file(path, FileMode::OpenRead);
        if (!ReadAllFrom(file, bytes)) return kStorageFileError;
    } catch (const EKorvelError&) {
        return kStorageFileError;
    } catch (const std::bad_alloc&) {
        return kStorageFileError;
    }
    return OpenBytes(std::move(bytes));
}

int32_t TCompoundDocumentReader::OpenFromStream(TStream& source) {
    Close();
    std::vector<uint8_t> bytes;
    try {
        const bool read = ReadAllFrom(source, bytes);
        source.Seek(0, SeekOrigin::Begin);
        if (!read) return kStorageFileError;
    } catch (const std::bad_alloc&) {
        return kStorageFileError;
    }
    return OpenBytes(std::move(bytes));
}

int32_t TCompoundDocumentReader::OpenBytes(std::vector<uint8_t> bytes) {
    auto owned = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    const std::span<const uint8_t> view(*owned);
    return OpenShared(std::move(owned), view);
}

int32_t TCompoundDocumentReader::OpenShared(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    Close();
    file_ = std::move(owner);
    bytes_ = bytes;
    const int32_t result = Load();
    if (result != kStorageOk) {
        Close();
        return result;
    }
    open_ = true;
    return kStorageOk;
}

void TCompoundDocumentReader::Close() {
    open_ = false;
    ++generation_;
    file_.reset();
    bytes_ = {};
    header_ = TCompoundHeader();
    fat_.clear();
    entries_.clear();
    children_.clear();
    miniOk_ = false;
    miniFat_.clear();
    miniStreamSectors_.clear();
    miniStreamSize_ = 0;
}

TCompoundStorageReader TCompoundDocumentReader::Root() const {
    return open_ ? TCompoundStorageReader(this, 0, generation_) : TCompoundStorageReader();
}

int32_t TCompoundDocumentReader::Load() {
    int32_t result = ReadCompoundHeader(ByteCursor(bytes_.data(), bytes_.size()), header_);
    if (result == kStorageOk) result = LoadFat();
    if (result == kStorageOk) result = LoadDirectory();
    if (result == kStorageOk) result = LinkDirectoryTree();
    if (result == kStorageOk) LoadMiniStream();
    return result;
}

void TCompoundDocumentReader::CopySector(uint32_t sector, uint8_t* dst, uint8_t fill) const {
    const size_t size = header_.SectorSize();
    const uint64_t offset = SectorOffset(sector);
    const size_t present =
        offset >= bytes_.size()
            ? 0
            : static_cast<size_t>(std::min<uint64_t>(size, bytes_.size() - offset));
    if (present) std::memcpy(dst, bytes_.data() + offset, present);
    std::memset(dst + present, fill, size - present);
}

// ---- FAT ------------------------------------------------------------------

// The FAT sectors named by the header's 109 DIFAT slots and then by the chain
// of DIFAT sectors. Every one must be a distinct sector inside the file.
int32_t TCompoundDocumentReader::CollectFatSectors(std::vector<uint32_t>& fatSectors) const {
    const uint64_t ss = header_.SectorSize();
    const uint64_t sectorsInFile = bytes_.size() <= ss ? 0 : CeilDiv(bytes_.size() - ss, ss);
    const uint32_t wanted = header_.FatSectorCount;
    if (wanted > sectorsInFile) return kStorageCorrupt;
    std::vector<bool> used(sectorsInFile, false);
    auto take = [&](uint32_t sector) {
        if (sector >= sectorsInFile || used[sector]) return false;
        used[sector] = true;
        fatSectors.push_back(sector);
        return true;
    };
    for (size_t i = 0; i < kHeaderDifatCount && fatSectors.size() < wanted; ++i)
        if (!take(header_.Difat[i])) return kStorageCorrupt;
    const size_t perDifat = ss / 4 - 1;
    std::vector<uint8_t> sector(ss);
    uint32_t next = header_.FirstDifatSector;
    while (fatSectors.size() < wanted) {
        if (next >= sectorsInFile || used[next]) return kStorageCorrupt;
        used[next] = true;
        CopySector(next, sector.data(), 0xFF);
        ByteCursor cursor(sector.data(), sector.size());
        for (size_t i = 0; i < perDifat && fatSectors.size() < wanted; ++i)
            if (!take(cursor.U32At(4 * i))) return kStorageCorrupt;
        next = cursor.U32At(4 * perDifat);
    }
    return kStorageOk;
}

int32_t TCompoundDocumentReader::LoadFat() {
    std::vector<uint32_t> fatSectors;
    const int32_t result = CollectFatSectors(fatSectors);
    if (result != kStorageOk) return result;
    const uint64_t ss = header_.SectorSize();
    const uint64_t sectorsInFile = bytes_.size() <= ss ? 0 : CeilDiv(bytes_.size() - ss, ss);
    // Entries for sectors past the end of the file can never be followed, so the
    // table is cut there: its size bounds every sector number from now on.
    const uint64_t entries = std::min<uint64_t>(fatSectors.size() * (ss / 4), sectorsInFile);
    fat_.assign(entries, kFreeSector);
    std::vector<uint8_t> sector(ss);
    for (size_t i = 0; i < fatSectors.size() && i * (ss / 4) < entries; ++i) {
        CopySector(fatSectors[i], sector.data(), 0xFF);
        ByteCursor cursor(sector.data(), sector.size());
        for (size_t k = 0; k < ss / 4 && i * (ss / 4) + k < entries; ++k)
            fat_[i * (ss / 4) + k] = cursor.U32At(4 * k);
    }
    return kStorageOk;
}

// Follows a chain in the FAT for exactly as many sectors as byteCount needs.
// The chain may go on past that (some writers leave slack); it must not end
// early, leave the table, or visit a sector twice.
int32_t TCompoundDocumentReader::WalkRegularChain(uint32_t start, uint64_t byteCount,
                                                  std::vector<uint32_t>& chain) const {
    const uint64_t needed = CeilDiv(byteCount, header_.SectorSize());
    if (needed > SectorCount()) return kStorageCorrupt;
    chain.clear();
    chain.reserve(needed);
    uint32_t sector = start;
    for (uint64_t i = 0; i < needed; ++i) {
        if (sector >= SectorCount()) return kStorageCorrupt;
        chain.push_back(sector);
        sector = fat_[sector];
    }
    return RepeatsAny(chain) ? kStorageCorrupt : kStorageOk;
}

// ---- directory ------------------------------------------------------------

int32_t TCompoundDocumentReader::LoadDirectory() {
    const size_t ss = header_.SectorSize();
    std::vector<bool> visited(SectorCount(), false);
    std::vector<uint8_t> directory;
    for (uint32_t sector = header_.FirstDirectorySector; sector != kEndOfChain;
         sector = fat_[sector]) {
        if (sector >= SectorCount() || visited[sector]) return kStorageCorrupt;
        visited[sector] = true;
        directory.resize(directory.size() + ss);
        CopySector(sector, directory.data() + directory.size() - ss, 0);
    }
    ByteCursor cursor(directory.data(), directory.size());
    entries_.resize(directory.size() / kDirEntrySize);
    for (TDirEntry& entry : entries_)
        ReadDirEntry(cursor, header_.MajorVersion, entry);
    if (entries_.empty() || entries_[0].Type != TEntryType::Root) return kStorageCorrupt;
    return kStorageOk;
}

// Walks every storage's red-black tree from the root. Each entry may be reached
// once only, so a cycle, or a subtree shared by two parents, is corruption.
int32_t TCompoundDocumentReader::LinkDirectoryTree() {
    children_.assign(entries_.size(), {});
    std::vector<bool> reached(entries_.size(), false);
    reached[0] = true;
    std::vector<uint32_t> storages{0};
    std::vector<uint32_t> stack;
    while (!storages.empty()) {
        const uint32_t storage = storages.back();
        storages.pop_back();
        const int32_t result = CollectChildren(storage, stack, reached);
        if (result != kStorageOk) return result;
        SortAndDeduplicate(children_[storage]);
        for (uint32_t child : children_[storage])
            if (entries_[child].Type == TEntryType::Storage) storages.push_back(child);
    }
    return kStorageOk;
}

// Orders a storage's children by name for binary search. A valid tree is
// already in this order; a damaged one may hold one name twice, and then only
// the first in tree order is kept, so that enumeration lists exactly what a
// lookup by name can reach.
void TCompoundDocumentReader::SortAndDeduplicate(std::vector<uint32_t>& children) const {
    auto byName = [this](uint32_t a, uint32_t b) {
        return CompareCompoundNames(entries_[a].Name, entries_[b].Name) < 0;
    };
    std::stable_sort(children.begin(), children.end(), byName);
    auto same = [this](uint32_t a, uint32_t b) {
        return SameCompoundName(entries_[a].Name, entries_[b].Name);
    };
    children.erase(std::unique(children.begin(), children.end(), same), children.end());
}

// In-order walk (explicit stack: a degenerate tree may be as deep as the directory is long).
int32_t TCompoundDocumentReader::CollectChildren(uint32_t storage, std::vector<uint32_t>& stack,
                                                 std::vector<bool>& reached) {
    auto enter = [&](uint32_t id) {
        if (id == kNoStream) return kStorageOk;
        if (id >= entries_.size() || reached[id]) return kStorageCorrupt;
        const TEntryType type = entries_[id].Type;
        if (type != TEntryType::Storage && type != TEntryType::Stream) return kStorageCorrupt;
        reached[id] = true;
        stack.push_back(id);
        return kStorageOk;
    };
    stack.clear();
    uint32_t id = entries_[storage].Child;
    std::vector<uint32_t>& out = children_[storage];
    for (;;) {
        // Descend the left spine, then take the node and turn right.
        while (id != kNoStream) {
            if (enter(id) != kStorageOk) return kStorageCorrupt;
            id = entries_[id].Left;
        }
        if (stack.empty()) return kStorageOk;
        const uint32_t node = stack.back();
        stack.pop_back();
        out.push_back(node);
        id = entries_[node].Right;
    }
}

// ---- mini stream ----------------------------------------------------------

// A fault here only disables the streams in the mini stream, so that a broken
// summary stream does not hide a sound "Workbook".
void TCompoundDocumentReader::LoadMiniStream() {
    miniOk_ = false;
    const TDirEntry& root = entries_[0];
    if (WalkRegularChain(root.StartSector, root.Size, miniStreamSectors_) != kStorageOk) return;
    miniStreamSize_ = root.Size;
    miniFat_.clear();
    std::vector<bool> visited(SectorCount(), false);
    const size_t ss = header_.SectorSize();
    std::vector<uint8_t> sector(ss);
    for (uint32_t s = header_.FirstMiniFatSector; s != kEndOfChain && s != kFreeSector;
         s = fat_[s]) {
        if (s >= SectorCount() || visited[s]) return;
        visited[s] = true;
        CopySector(s, sector.data(), 0xFF);
        ByteCursor cursor(sector.data(), sector.size());
        for (size_t k = 0; k < ss / 4; ++k)
            miniFat_.push_back(cursor.U32At(4 * k));
    }
    miniOk_ = true;
}

// ---- stream mapping -------------------------------------------------------

int32_t TCompoundDocumentReader::MapStream(const TDirEntry& entry,
                                           std::vector<TStreamSegment>& segments) const {
    segments.clear();
    if (entry.Size == 0) return kStorageOk;
    if (entry.Size < header_.MiniStreamCutoff) return MapMiniStream(entry, segments);
    if (entry.Size > bytes_.size()) return kStorageCorrupt;
    std::vector<uint32_t> chain;
    if (WalkRegularChain(entry.StartSector, entry.Size, chain) != kStorageOk)
        return kStorageCorrupt;
    const uint64_t ss = header_.SectorSize();
    for (size_t i = 0; i < chain.size(); ++i) {
        const uint64_t length = std::min<uint64_t>(ss, entry.Size - i * ss);
        const uint64_t offset = SectorOffset(chain[i]);
        if (offset + length > bytes_.size()) return kStorageCorrupt;
        AppendSegment(segments, offset, length);
    }
    return kStorageOk;
}

int32_t TCompoundDocumentReader::MapMiniStream(const TDirEntry& entry,
                                               std::vector<TStreamSegment>& segments) const {
    if (!miniOk_ || entry.Size > miniStreamSize_) return kStorageCorrupt;
    const uint64_t needed = CeilDiv(entry.Size, kMiniSectorSize);
    const uint64_t ss = header_.SectorSize();
    std::vector<uint32_t> chain;
    chain.reserve(needed);
    uint32_t mini = entry.StartSector;
    for (uint64_t i = 0; i < needed; ++i) {
        if (mini >= miniFat_.size()) return kStorageCorrupt;
        chain.push_back(mini);
        const uint64_t length =
            std::min<uint64_t>(kMiniSectorSize, entry.Size - i * kMiniSectorSize);
        const uint64_t inMini = uint64_t(mini) * kMiniSectorSize;
        if (inMini + length > miniStreamSize_) return kStorageCorrupt;
        // A mini sector never straddles two regular sectors (64 divides both sizes).
        const uint64_t offset = SectorOffset(miniStreamSectors_[inMini / ss]) + inMini % ss;
        if (offset + length > bytes_.size()) return kStorageCorrupt;
        AppendSegment(segments, offset, length);
        mini = miniFat_[mini];
    }
    return RepeatsAny(chain) ? kStorageCorrupt : kStorageOk;
}

// ---- storage handle -------------------------------------------------------

bool TCompoundStorageReader::IsValid() const {
    return doc_ && doc_->open_ && doc_->generation_ == generation_;
}

std::u16string TCompoundStorageReader::Name() const {
    return IsValid() ? doc_->entries_[entry_].Name : std::u16string();
}

int32_t TCompoundStorageReader::Elements(std::vector<TCompoundElement>& out) const {
    out.clear();
    if (!IsValid()) return kStorageNotOpen;
    for (uint32_t id : doc_->children_[entry_]) {
        const TDirEntry& e = doc_->entries_[id];
        const bool storage = e.Type == TEntryType::Storage;
        out.push_back(
            {e.Name, storage ? TElementType::Storage : TElementType::Stream, storage ? 0 : e.Size});
    }
    return kStorageOk;
}

uint32_t TCompoundStorageReader::FindChild(std::u16string_view name) const {
    const std::vector<uint32_t>& children = doc_->children_[entry_];
    auto it = std::lower_bound(children.begin(), children.end(), name,
                               [this](uint32_t id, std::u16string_view n) {
                                   return CompareCompoundNames(doc_->entries_[id].Name, n) < 0;
                               });
    if (it == children.end() || !SameCompoundName(doc_->entries_[*it].Name, name)) return kNoStream;
    return *it;
}

int32_t TCompoundStorageReader::OpenStorage(std::u16string_view name,
                                            TCompoundStorageReader& out) const {
    if (!IsValid()) return kStorageNotOpen;
    const uint32_t id = FindChild(name);
    if (id == kNoStream) return kStorageNotFound;
    if (doc_->entries_[id].Type != TEntryType::Storage) return kStorageWrongType;
    out = TCompoundStorageReader(doc_, id, generation_);
    return kStorageOk;
}

int32_t TCompoundStorageReader::OpenStream(std::u16string_view name,
                                           std::unique_ptr<TCompoundStreamReader>& out) const {
    out.reset();
    if (!IsValid()) return kStorageNotOpen;
    const uint32_t id = FindChild(name);
    if (id == kNoStream) return kStorageNotFound;
    const TDirEntry& entry = doc_->entries_[id];
    if (entry.Type != TEntryType::Stream) return kStorageWrongType;
    std::vector<TStreamSegment> segments;
    const int32_t result = doc_->MapStream(entry, segments);
    if (result != kStorageOk) return result;
    out = std::make_unique<TCompoundStreamReader>(
        doc_->file_, doc_->bytes_.data(), std::move(segments),
        entry.Size);
    return kStorageOk;
}

int32_t TCompoundStorageReader::ReadStream(std::u16string_view name,
                                           std::vector<uint8_t>& out) const {
    out.clear();
    std::unique_ptr<TCompoundStreamReader> stream;
    const int32_t result = OpenStream(name, stream);
    if (result == kStorageOk) stream->ReadAll(out);
    return result;
}

}  // namespace korvel
