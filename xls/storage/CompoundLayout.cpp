#include "xls/storage/CompoundLayout.h"

#include <algorithm>

#include "xls/storage/CompoundNames.h"
#include "xls/storage/StorageResults.h"

namespace korvel {

namespace {

uint64_t CeilDiv(uint64_t value, uint64_t unit) {
    return value / unit + (value % unit != 0);
}

const char16_t kRootEntryName[] = u"Root Entry";

// Links entries [lo, hi) (already in name order) as a balanced binary tree and
// returns its root. Splitting at the middle keeps every level full except the
// deepest; colouring that level red (when it is not full) and all else black
// gives every path from the root the same number of black nodes and no red
// node a red child, so the tree is a valid red-black tree.
uint32_t LinkLevel(std::vector<TDirEntry>& entries, uint32_t lo, uint32_t hi, int depth,
                   int redDepth) {
    if (lo >= hi) return kNoStream;
    const uint32_t mid = lo + (hi - lo) / 2;
    entries[mid].Left = LinkLevel(entries, lo, mid, depth + 1, redDepth);
    entries[mid].Right = LinkLevel(entries, mid + 1, hi, depth + 1, redDepth);
    entries[mid].Color = depth == redDepth ? TEntryColor::Red : TEntryColor::Black;
    return mid;
}

uint32_t LinkBalancedTree(std::vector<TDirEntry>& entries, uint32_t lo, uint32_t hi) {
    const uint64_t count = hi - lo;
    if (count == 0) return kNoStream;
    int height = 0;  // depth of the deepest level
    while ((uint64_t(2) << height) <= count)
        ++height;
    const bool perfect = count + 1 == (uint64_t(1) << (height + 1));
    return LinkLevel(entries, lo, hi, 0, perfect ? -1 : height);
}

// Numbers the tree breadth first; each storage's children get consecutive ids in name order.
void BuildDirectory(const TCompoundStorageWriter& root, TCompoundLayout& layout) {
    TDirEntry rootEntry;
    rootEntry.Name = kRootEntryName;
    rootEntry.Type = TEntryType::Root;
    layout.Entries.push_back(rootEntry);
    layout.Data.push_back(nullptr);
    std::vector<std::pair<const TCompoundStorageWriter*, uint32_t>> queue{{&root, 0}};
    for (size_t q = 0; q < queue.size(); ++q) {
        const auto [storage, parentId] = queue[q];
        std::vector<const TCompoundStorageWriter::TChild*> sorted;
        for (const auto& child : storage->Children())
            sorted.push_back(&child);
        std::sort(sorted.begin(), sorted.end(),
                  [](auto* a, auto* b) { return CompareCompoundNames(a->Name(), b->Name()) < 0; });
        const auto first = static_cast<uint32_t>(layout.Entries.size());
        for (const auto* child : sorted) {
            TDirEntry entry;
            entry.Name = child->Name();
            entry.Type = child->Storage ? TEntryType::Storage : TEntryType::Stream;
            if (child->Storage) queue.emplace_back(child->Storage.get(), layout.Entries.size());
            layout.Entries.push_back(entry);
            layout.Data.push_back(child->Stream ? &child->Stream->Bytes() : nullptr);
        }
        layout.Entries[parentId].Child =
            LinkBalancedTree(layout.Entries, first, static_cast<uint32_t>(layout.Entries.size()));
    }
}

// Gives every stream its start: regular sectors from 0, mini sectors from 0.
int32_t PlaceStreams(uint16_t majorVersion, TCompoundLayout& layout) {
    const uint64_t ss = layout.Header.SectorSize();
    uint64_t regular = 0, mini = 0;
    for (uint32_t id = 1; id < layout.Entries.size(); ++id) {
        TDirEntry& entry = layout.Entries[id];
        if (entry.Type != TEntryType::Stream) continue;
        entry.Size = layout.Data[id]->size();
        if (majorVersion == 3 && entry.Size > 0xFFFFFFFFu) return kStorageTooLarge;
        if (entry.Size >= kMiniStreamCutoff) {
            entry.StartSector = static_cast<uint32_t>(regular);
            regular += CeilDiv(entry.Size, ss);
            layout.RegularStreams.push_back(id);
        } else if (entry.Size > 0) {
            entry.StartSector = static_cast<uint32_t>(mini);
            mini += CeilDiv(entry.Size, kMiniSectorSize);
            layout.MiniStreams.push_back(id);
        } else {
            entry.StartSector = kEndOfChain;
        }
        if (regular > kMaxRegularSector || mini > kMaxRegularSector) return kStorageTooLarge;
    }
    layout.RegularSectors = static_cast<uint32_t>(regular);
    layout.MiniSectors = static_cast<uint32_t>(mini);
    return kStorageOk;
}

// FAT sectors must map every sector including themselves and the DIFAT
// sectors that list them; iterate until the counts settle.
void CountFatSectors(uint64_t baseSectors, uint64_t ss, uint64_t& fat, uint64_t& difat) {
    const uint64_t perFat = ss / 4, perDifat = ss / 4 - 1;
    fat = CeilDiv(baseSectors, perFat);
    for (;;) {
        difat = fat > kHeaderDifatCount ? CeilDiv(fat - kHeaderDifatCount, perDifat) : 0;
        const uint64_t needed = CeilDiv(baseSectors + fat + difat, perFat);
        if (needed <= fat) return;
        fat = needed;
    }
}

void FillHeader(TCompoundLayout& layout, uint64_t firstFat) {
    TCompoundHeader& h = layout.Header;
    const uint32_t miniFatSectors =
        static_cast<uint32_t>(CeilDiv(uint64_t(layout.MiniSectors) * 4, h.SectorSize()));
    const uint32_t firstMiniFat = layout.RegularSectors + layout.MiniContainerSectors;
    h.FirstMiniFatSector = miniFatSectors ? firstMiniFat : kEndOfChain;
    h.MiniFatSectorCount = miniFatSectors;
    h.FirstDirectorySector = firstMiniFat + miniFatSectors;
    h.DirectorySectorCount = h.MajorVersion == 4 ? layout.DirectorySectors : 0;
    h.FatSectorCount = layout.FatSectors;
    h.FirstDifatSector =
        layout.DifatSectors ? static_cast<uint32_t>(firstFat + layout.FatSectors) : kEndOfChain;
    h.DifatSectorCount = layout.DifatSectors;
    for (uint32_t i = 0; i < kHeaderDifatCount; ++i)
        h.Difat[i] = i < layout.FatSectors ? static_cast<uint32_t>(firstFat + i) : kFreeSector;
}

void PutU32(std::vector<uint8_t>& out, size_t index, uint32_t value) {
    StoreU32LE(out.data() + 4 * index, value);
}

// Marks `count` sectors from `first` as one chain in a FAT image.
void ChainRun(std::vector<uint8_t>& table, uint64_t first, uint64_t count) {
    for (uint64_t k = 0; k < count; ++k)
        PutU32(table, first + k,
               k + 1 < count ? static_cast<uint32_t>(first + k + 1) : kEndOfChain);
}

std::vector<uint8_t> BuildMiniFat(const TCompoundLayout& layout) {
    const uint64_t ss = layout.Header.SectorSize();
    std::vector<uint8_t> table(layout.Header.MiniFatSectorCount * ss, 0xFF);
    for (uint32_t id : layout.MiniStreams) {
        const TDirEntry& e = layout.Entries[id];
        ChainRun(table, e.StartSector, CeilDiv(e.Size, kMiniSectorSize));
    }
    return table;
}

std::vector<uint8_t> BuildFat(const TCompoundLayout& layout) {
    const TCompoundHeader& h = layout.Header;
    const uint64_t ss = h.SectorSize();
    std::vector<uint8_t> table(uint64_t(layout.FatSectors) * ss, 0xFF);
    for (uint32_t id : layout.RegularStreams) {
        const TDirEntry& e = layout.Entries[id];
        ChainRun(table, e.StartSector, CeilDiv(e.Size, ss));
    }
    ChainRun(table, layout.RegularSectors, layout.MiniContainerSectors);
    ChainRun(table, layout.RegularSectors + layout.MiniContainerSectors, h.MiniFatSectorCount);
    ChainRun(table, h.FirstDirectorySector, layout.DirectorySectors);
    const uint64_t firstFat = uint64_t(h.FirstDirectorySector) + layout.DirectorySectors;
    for (uint64_t i = 0; i < layout.FatSectors; ++i)
        PutU32(table, firstFat + i, kFatSector);
    for (uint64_t i = 0; i < layout.DifatSectors; ++i)
        PutU32(table, firstFat + layout.FatSectors + i, kDifatSector);
    return table;
}

// FAT sector numbers past the header's 109; each DIFAT sector ends with the next one's number.
std::vector<uint8_t> BuildDifat(const TCompoundLayout& layout) {
    const TCompoundHeader& h = layout.Header;
    const uint64_t perSector = h.SectorSize() / 4;
    std::vector<uint8_t> table(uint64_t(layout.DifatSectors) * h.SectorSize(), 0xFF);
    const uint64_t firstFat = uint64_t(h.FirstDirectorySector) + layout.DirectorySectors;
    for (uint64_t fat = kHeaderDifatCount; fat < layout.FatSectors; ++fat) {
        const uint64_t slot = fat - kHeaderDifatCount;
        PutU32(table, slot / (perSector - 1) * perSector + slot % (perSector - 1),
               static_cast<uint32_t>(firstFat + fat));
    }
    for (uint64_t d = 0; d < layout.DifatSectors; ++d)
        PutU32(table, d * perSector + perSector - 1,
               d + 1 < layout.DifatSectors ? static_cast<uint32_t>(h.FirstDifatSector + d + 1)
                                           : kEndOfChain);
    return table;
}

bool PutPadded(TByteSink& sink, const std::vector<uint8_t>& data, uint64_t unit) {
    const uint64_t pad = (unit - data.size() % unit) % unit;
    return sink.Put(data.data(), data.size()) && sink.PutFill(0, pad);
}

}  // namespace

bool TByteSink::PutFill(uint8_t value, size_t count) {
    uint8_t block[512];
    std::fill(std::begin(block), std::end(block), value);
    while (count > 0) {
        const size_t take = std::min(count, sizeof block);
        if (!Put(block, take)) return false;
        count -= take;
    }
    return true;
}

int32_t PlanCompoundLayout(const TCompoundStorageWriter& root, uint16_t majorVersion,
                           TCompoundLayout& layout) {
    layout = TCompoundLayout();
    TCompoundHeader& h = layout.Header;
    h.MajorVersion = majorVersion == 4 ? 4 : 3;
    h.SectorShift = h.MajorVersion == 4 ? 12 : 9;
    const uint64_t ss = h.SectorSize();
    BuildDirectory(root, layout);
    if (layout.Entries.size() >= kMaxRegularSector) return kStorageTooLarge;
    const int32_t result = PlaceStreams(h.MajorVersion, layout);
    if (result != kStorageOk) return result;
    const uint64_t container = CeilDiv(uint64_t(layout.MiniSectors) * kMiniSectorSize, ss);
    const uint64_t miniFat = CeilDiv(uint64_t(layout.MiniSectors) * 4, ss);
    const uint64_t directory = CeilDiv(layout.Entries.size() * kDirEntrySize, ss);
    const uint64_t base = layout.RegularSectors + container + miniFat + directory;
    uint64_t fat = 0, difat = 0;
    CountFatSectors(base, ss, fat, difat);
    if (base + fat + difat > kMaxRegularSector) return kStorageTooLarge;
    layout.MiniContainerSectors = static_cast<uint32_t>(container);
    layout.DirectorySectors = static_cast<uint32_t>(directory);
    layout.FatSectors = static_cast<uint32_t>(fat);
    layout.DifatSectors = static_cast<uint32_t>(difat);
    TDirEntry& rootEntry = layout.Entries[0];
    rootEntry.StartSector = container ? layout.RegularSectors : kEndOfChain;
    rootEntry.Size = uint64_t(layout.MiniSectors) * kMiniSectorSize;
    FillHeader(layout, base);
    TDirEntry unused;
    unused.Color = TEntryColor::Red;  // free entries are all zero apart from the links
    layout.Entries.resize(directory * ss / kDirEntrySize, unused);
    layout.Data.resize(layout.Entries.size(), nullptr);
    layout.TotalBytes = ss * (1 + base + fat + difat);
    return kStorageOk;
}

bool EmitCompoundLayout(const TCompoundLayout& layout, TByteSink& sink) {
    const uint64_t ss = layout.Header.SectorSize();
    std::vector<uint8_t> block;
    WriteCompoundHeader(layout.Header, block);
    if (!sink.Put(block.data(), block.size())) return false;
    for (uint32_t id : layout.RegularStreams)
        if (!PutPadded(sink, *layout.Data[id], ss)) return false;
    for (uint32_t id : layout.MiniStreams)
        if (!PutPadded(sink, *layout.Data[id], kMiniSectorSize)) return false;
    const uint64_t miniBytes = uint64_t(layout.MiniSectors) * kMiniSectorSize;
    if (!sink.PutFill(0, layout.MiniContainerSectors * ss - miniBytes)) return false;
    block = BuildMiniFat(layout);
    if (!sink.Put(block.data(), block.size())) return false;
    block.clear();
    for (const TDirEntry& entry : layout.Entries)
        WriteDirEntry(entry, block);
    if (!sink.Put(block.data(), block.size())) return false;
    block = BuildFat(layout);
    if (!sink.Put(block.data(), block.size())) return false;
    block = BuildDifat(layout);
    return sink.Put(block.data(), block.size());
}

}  // namespace korvel
