#include "xls/model/XLSStringTable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "common/TextUtil.h"

namespace korvel {

namespace {
constexpr uint32_t kInitialBuckets = 8;
// Entries are freed only when this many lie unused beyond the highest id, so
// adding and removing at the end does not allocate on every call.
constexpr int32_t kReleaseSlack = 150;

// Equal units, compared as bytes: equality needs no order, and the library's
// byte compare takes many units at a step where the units' own compare
// takes one.
bool SameUnits(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0);
}
}  // namespace

TXLSStringTable::TXLSStringTable() : buckets_(kInitialBuckets, 0) {}

TXLSStringTable::~TXLSStringTable() = default;

// h = h * 33 + unit over the text, taken four units at a time: the four
// products do not wait for each other, while the plain loop waits for one
// multiplication per unit. The result is the same.
uint32_t TXLSStringTable::HashOf(std::u16string_view text) {
    constexpr uint32_t k33p2 = 33 * 33, k33p3 = 33 * 33 * 33, k33p4 = 33 * 33 * 33 * 33;
    uint32_t h = 0;
    size_t i = 0;
    for (; i + 4 <= text.size(); i += 4)
        h = h * k33p4 + text[i] * k33p3 + text[i + 1] * k33p2 + text[i + 2] * 33u + text[i + 3];
    for (; i < text.size(); ++i) h = h * 33 + text[i];
    return h + (h >> 5);
}

int32_t TXLSStringTable::Lookup(std::u16string_view text, uint32_t hash) const {
    for (int32_t id = buckets_[hash & bucketMask_]; id != 0; id = EntryOf(id).nextInBucket) {
        const Entry& entry = EntryOf(id);
        if (entry.hash == hash && SameUnits(entry.Text(), text)) return id;
    }
    return -1;
}

void TXLSStringTable::GrowBuckets() {
    uint64_t newCount = uint64_t(bucketMask_ + 1) * 2;
    if (bucketLimit_ != -1 && int64_t(newCount) > bucketLimit_) return;
    if (newCount > (uint64_t(1) << 31)) return;
    uint32_t oldMask = bucketMask_;
    uint32_t newMask = static_cast<uint32_t>(newCount - 1);
    buckets_.resize(static_cast<size_t>(newCount), 0);
    // Entries whose hash selects the upper half move to the head of their new chain.
    for (uint32_t bucket = 0; bucket <= oldMask; ++bucket) {
        int32_t previous = 0;
        int32_t id = buckets_[bucket];
        while (id != 0) {
            Entry& entry = EntryOf(id);
            int32_t next = entry.nextInBucket;
            uint32_t target = entry.hash & newMask;
            if (target != bucket) {
                if (previous == 0) buckets_[bucket] = next; else EntryOf(previous).nextInBucket = next;
                entry.nextInBucket = buckets_[target];
                buckets_[target] = id;
            } else {
                previous = id;
            }
            id = next;
        }
    }
    bucketMask_ = newMask;
}

void TXLSStringTable::ExpectStrings(uint64_t count) {
    const uint64_t wanted = std::min<uint64_t>(uint64_t(hashEntryCount_) + count, uint64_t(1) << 31);
    if (hashEntryCount_ == 0) {
        // Nothing to move: the buckets are simply made at their final count.
        uint64_t buckets = bucketMask_ + uint64_t(1);
        while (buckets < wanted) buckets *= 2;
        if (bucketLimit_ != -1 && int64_t(buckets) > bucketLimit_) return;
        buckets_.assign(static_cast<size_t>(buckets), 0);
        bucketMask_ = static_cast<uint32_t>(buckets - 1);
        return;
    }
    while (bucketMask_ + uint64_t(1) < wanted) {
        const uint32_t before = bucketMask_;
        GrowBuckets();
        if (bucketMask_ == before) return;
    }
}

void TXLSStringTable::HashInsert(uint32_t hash, int32_t id) {
    if (bucketMask_ < static_cast<uint32_t>(hashEntryCount_)) GrowBuckets();
    Entry& entry = EntryOf(id);
    entry.hash = hash;
    uint32_t bucket = hash & bucketMask_;
    entry.nextInBucket = buckets_[bucket];
    buckets_[bucket] = id;
    ++hashEntryCount_;
}

void TXLSStringTable::HashRemove(int32_t id) {
    const uint32_t bucket = EntryOf(id).hash & bucketMask_;
    int32_t previous = 0;
    for (int32_t at = buckets_[bucket]; at != 0; at = EntryOf(at).nextInBucket) {
        if (at == id) {
            Entry& entry = EntryOf(id);
            if (previous == 0) buckets_[bucket] = entry.nextInBucket;
            else EntryOf(previous).nextInBucket = entry.nextInBucket;
            entry.nextInBucket = 0;
            --hashEntryCount_;
            return;
        }
        previous = at;
    }
}

// Entries are made as their ids are first handed out.
void TXLSStringTable::MakeEntry(int32_t id) {
    if (static_cast<size_t>(id - 1) == entries_.Capacity()) entries_.Grow();
    new (&EntryOf(id)) Entry();
    madeEntries_ = id;
}

int32_t TXLSStringTable::TakeFreeId() {
    if (!freeIds_.empty()) {
        int32_t id = freeIds_.back();
        freeIds_.pop_back();
        if (freeIds_.capacity() >= freeIds_.size() + kReleaseSlack) freeIds_.shrink_to_fit();
        return id;
    }
    const int32_t id = highestId_ + 1;
    if (madeEntries_ < id) MakeEntry(id);
    highestId_ = id;
    if (allocatedEntries_ < id) allocatedEntries_ += kChunkEntries;
    return id;
}

int32_t TXLSStringTable::AddString(std::u16string_view text, uint32_t hash) {
    int32_t id = Lookup(text, hash);
    if (id > 0) {
        ++EntryOf(id).refCount;
        ++totalRefs_;
        return id;
    }
    if (text.size() > UINT32_MAX) throw std::length_error("text too long for the string table");
    const char16_t* kept = texts_.Keep(text);
    try {
        id = TakeFreeId();
    } catch (...) {
        texts_.Release(text.size());
        throw;
    }
    Entry& entry = EntryOf(id);
    entry.text = kept;
    entry.length = static_cast<uint32_t>(text.size());
    entry.refCount = 1;
    ++totalRefs_;
    ++uniqueCount_;
    HashInsert(hash, id);
    return id;
}

void TXLSStringTable::ReleaseHighest() {
    --highestId_;
    while (allocatedEntries_ >= highestId_ + kReleaseSlack) allocatedEntries_ -= kChunkEntries;
    // A segment no counted entry reaches goes back; its entries are all free.
    while (entries_.SegmentCount() > 1 && entries_.Capacity() - entries_.kLargeCount >= size_t(allocatedEntries_)) {
        entries_.ShrinkLast();
        madeEntries_ = static_cast<int32_t>(entries_.Capacity());
    }
}

// Moves the live texts into a fresh store. Without the memory for it the
// holes simply stay.
void TXLSStringTable::CompactTexts() {
    TXLSTextStore fresh;
    std::vector<const char16_t*> moved;
    try {
        moved.resize(static_cast<size_t>(highestId_) + 1, nullptr);
        for (int32_t id = 1; id <= highestId_; ++id) {
            const Entry& entry = EntryOf(id);
            if (entry.refCount > 0) moved[id] = fresh.Keep(entry.Text());
        }
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int32_t id = 1; id <= highestId_; ++id) {
        Entry& entry = EntryOf(id);
        if (entry.refCount > 0) entry.text = moved[id];
    }
    texts_ = std::move(fresh);
}

void TXLSStringTable::ReleaseString(int32_t id) {
    if (!Live(id)) return;
    Entry& entry = EntryOf(id);
    // A free id holds no reference: releasing it again must not disturb the counts.
    if (entry.refCount <= 0) return;
    --entry.refCount;
    --totalRefs_;
    if (entry.refCount > 0) return;
    --uniqueCount_;
    HashRemove(id);
    texts_.Release(entry.length);
    entry.text = nullptr;
    entry.length = 0;
    entry.writeIndex = -1;
    if (id == highestId_) ReleaseHighest();
    else freeIds_.push_back(id);
    if (texts_.WantsCompaction()) CompactTexts();
}

void TXLSStringTable::ReplaceReference(int32_t oldId, int32_t newId) {
    if (oldId == newId) return;
    if (oldId > 0) ReleaseString(oldId);
    AddReference(newId);
}

void TXLSStringTable::HoldSharedString(std::u16string_view text, std::vector<TXLSSharedStringRef>& held) {
    held.emplace_back();  // room first, so no reference is taken without its place
    held.back() = {AddString(text), HasLineFeed(text)};
}

void TXLSStringTable::ReleaseHeld(std::vector<TXLSSharedStringRef>& held) {
    for (const TXLSSharedStringRef& text : held) ReleaseString(text.Id);
    held.clear();
}

int32_t TXLSStringTable::WriteIndex(int32_t id) const {
    return Live(id) ? EntryOf(id).writeIndex : -1;
}

int32_t TXLSStringTable::RefCount(int32_t id) const {
    return Live(id) ? EntryOf(id).refCount : 0;
}

void TXLSStringTable::AssignWriteIndexes() {
    int32_t n = 0;
    for (int32_t id = 1; id <= highestId_; ++id) {
        Entry& entry = EntryOf(id);
        entry.writeIndex = entry.refCount >= 1 ? n++ : -1;
    }
}

}  // namespace korvel
