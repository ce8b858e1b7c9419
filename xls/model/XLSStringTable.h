// TXLSStringTable: the workbook's shared string table. Every text cell refers
// to its text by a 1-based id; the table stores each distinct text once,
// counts the cells that use it, reuses freed ids last-in first-out, and finds
// a text's id through a chained hash table whose bucket count doubles as it
// fills. At a BIFF8 save it numbers the strings in use and writes them as the
// SST record with its CONTINUE records, followed by the EXTSST index.
// Entries live in pieces of bulk memory and texts in a text store, so a
// workbook of many distinct texts makes no allocation per text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/BulkArray.h"
#include "xls/model/XLSTextStore.h"

namespace korvel {

class TXLSBlob;
class TXLSBlobList;

// A shared string as a workbook reader keeps it: the id under which the
// string table holds it. The reader holds one reference to each id until the
// whole workbook is read, so the id stays valid for every cell that takes it.
struct TXLSSharedStringRef {
    int32_t Id = 0;
    bool HasLineFeed = false;  // such a text also changes its cell's format
};

class TXLSStringTable {
public:
    TXLSStringTable();
    ~TXLSStringTable();
    TXLSStringTable(const TXLSStringTable&) = delete;
    TXLSStringTable& operator=(const TXLSStringTable&) = delete;

    // One more reference to text; returns its 1-based id. A text already in
    // the table keeps its id (no allocation on that path); a new one takes the
    // last freed id, else highest id + 1.
    int32_t AddString(std::u16string_view text) { return AddString(text, HashOf(text)); }
    // The same, with HashOf(text) already at hand (worked out elsewhere).
    int32_t AddString(std::u16string_view text, uint32_t hash);
    // The hash under which a text is kept.
    static uint32_t HashOf(std::u16string_view text);
    // Hints for a reader that knows the hashes of the texts it will add
    // soon: load the chain head of hash, or the first entry of its chain
    // (the head is then read). Change nothing.
    void PrefetchChainHead(uint32_t hash) const { __builtin_prefetch(&buckets_[hash & bucketMask_]); }
    void PrefetchChainStart(uint32_t hash) const {
        const int32_t id = buckets_[hash & bucketMask_];
        if (id != 0) __builtin_prefetch(&EntryOf(id));
    }
    // One reference less. When none is left the text leaves the table and its
    // id falls free. Ids < 1 or above HighestId() are ignored.
    void ReleaseString(int32_t id);
    // Moves one reference from oldId to newId: ReleaseString(oldId) when
    // oldId > 0, then one more reference to newId when newId is a text in use
    // (reference count >= 1). Ids that hold no text are not referenced, and
    // equal ids change nothing.
    void ReplaceReference(int32_t oldId, int32_t newId);
    // One more reference to id when it holds a text in use (reference count
    // >= 1); nothing for any other id.
    void AddReference(int32_t id) {
        if (!Live(id)) return;
        Entry& entry = EntryOf(id);
        if (entry.refCount <= 0) return;
        ++entry.refCount;
        ++totalRefs_;
    }
    // For a workbook reader: one reference to text, appended to held, where
    // the reader keeps it until ReleaseHeld.
    void HoldSharedString(std::u16string_view text, std::vector<TXLSSharedStringRef>& held);
    // Makes room in the hash table for count more texts at once, so that a
    // reader that knows how many strings follow does not rehash as it adds them.
    void ExpectStrings(uint64_t count);
    // Gives back every reference in held and empties it.
    void ReleaseHeld(std::vector<TXLSSharedStringRef>& held);
    // The text of id; empty for ids < 1 or above HighestId(). Valid until
    // the table next changes.
    std::u16string_view GetString(int32_t id) const { return Live(id) ? EntryOf(id).Text() : std::u16string_view(); }
    // 0-based position of id among the strings written by WriteSST; -1 for an
    // unused or out-of-range id. Valid after AssignWriteIndexes.
    int32_t WriteIndex(int32_t id) const;
    // Numbers the strings in use 0, 1, 2, ... in id order.
    void AssignWriteIndexes();
    // Appends SST, its CONTINUE records and EXTSST (with its CONTINUE records)
    // to list. streamOffset is the offset in the globals stream at which the
    // SST record will begin (EXTSST carries absolute string offsets). Writes
    // nothing when no string is in use. Returns 1.
    int32_t WriteSST(TXLSBlobList& list, int32_t streamOffset);
    // Maximum record body: 8224 for BIFF8 (the default), 2080 for BIFF5.
    void SetRecordDataLimit(uint16_t limit);

    // Number of references (text cells).
    int32_t TotalRefs() const { return totalRefs_; }
    // Number of distinct texts in use.
    int32_t UniqueCount() const { return uniqueCount_; }
    int32_t HighestId() const { return highestId_; }
    // References to id; 0 for out-of-range ids.
    int32_t RefCount(int32_t id) const;

    // Bucket count of the hash table (a power of two, at least 8).
    uint32_t BucketCount() const { return bucketMask_ + 1; }
    // Entries counted as allocated: they are reserved 100 at a time and given
    // back 100 at a time once 150 lie unused beyond the highest id.
    int32_t AllocatedEntries() const { return allocatedEntries_; }

private:
    static constexpr int32_t kChunkEntries = 100;

    // The hash chain runs through the entries themselves (every entry in use
    // has exactly one place in one chain), so adding a text allocates nothing
    // beyond its units and, now and then, a segment of entries.
    struct Entry {
        const char16_t* text = nullptr;  // in texts_; nullptr for the empty text and free ids
        uint32_t length = 0;
        int32_t writeIndex = -1;
        int32_t refCount = 0;
        uint32_t hash = 0;
        int32_t nextInBucket = 0;  // id of the next entry of the chain, 0 at its end
        std::u16string_view Text() const { return {text, length}; }
    };
    static_assert(sizeof(Entry) == 32);

    Entry& EntryOf(int32_t id) { return *entries_.Slot(static_cast<size_t>(id - 1)); }
    const Entry& EntryOf(int32_t id) const { return *entries_.Slot(static_cast<size_t>(id - 1)); }
    bool Live(int32_t id) const { return id >= 1 && id <= highestId_; }

    int32_t Lookup(std::u16string_view text, uint32_t hash) const;
    void HashInsert(uint32_t hash, int32_t id);
    void HashRemove(int32_t id);
    void GrowBuckets();
    int32_t TakeFreeId();
    void ReleaseHighest();
    void MakeEntry(int32_t id);
    void CompactTexts();

    class SSTWriter;

    // 2,048 entries (64 KiB) before the first 2 MiB piece.
    TBulkArray<Entry, 11> entries_;
    int32_t madeEntries_ = 0;        // entries constructed in entries_ (ids 1 .. madeEntries_)
    TXLSTextStore texts_;
    int32_t highestId_ = 0;
    int32_t allocatedEntries_ = 0;
    std::vector<int32_t> freeIds_;
    int32_t totalRefs_ = 0;
    int32_t uniqueCount_ = 0;
    std::vector<int32_t> buckets_;  // first id of each chain, 0 for an empty bucket
    uint32_t bucketMask_ = 7;
    int32_t hashEntryCount_ = 0;
    int64_t bucketLimit_ = -1;
    uint16_t recordDataLimit_ = 8224;
};

}  // namespace korvel
