// TXLSBlobList: an append-only store of the bytes of a whole substream, kept
// in chunks of 4048 bytes. Records are copied in back to back (a record may
// straddle two chunks); Total() is the exact number of bytes stored at every
// moment, which gives the stream offsets the globals need without a second
// pass. WriteToStream reproduces the appended bytes in order.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "xls/biff/XLSBlob.h"

namespace korvel {

class TStream;

class TXLSBlobList {
public:
    static constexpr uint32_t kChunkSize = 4048;

    TXLSBlobList() = default;
    TXLSBlobList(TXLSBlobList&&) noexcept = default;
    TXLSBlobList& operator=(TXLSBlobList&&) noexcept = default;

    // Copies count bytes to the end of the store. The hot path of record
    // building: no allocation except a new chunk every 4048 bytes. Returns 1.
    int32_t Add(const uint8_t* bytes, uint32_t count);
    // Copies the record's Length() bytes and consumes the blob. Returns 1.
    int32_t Add(TXLSBlob&& record);
    // The same, leaving the blob to its owner. Returns 1.
    int32_t AddKeep(const TXLSBlob& blob);
    // Appends every byte of another list in order (the other list keeps its
    // chunks). Returns 1.
    int32_t AppendList(const TXLSBlobList& other);

    // index == Count(): the blob itself becomes a new last item and its length
    // is added to the total; the next Add starts a fresh chunk after it.
    // index < Count(): the item is replaced and the total corrected by the
    // difference in length, so it stays exact. Returns false (blob dropped)
    // for an index above Count().
    bool Put(uint32_t index, TXLSBlob&& blob);

    // The item at index, or nullptr when index >= Count(). The pointer stays
    // valid until the item is replaced or the list destroyed.
    const TXLSBlob* Items(uint32_t index) const;
    uint32_t Count() const { return static_cast<uint32_t>(items_.size()); }
    // Exact number of bytes stored.
    int64_t Total() const { return total_; }

    // Writes every item in order; stops at and returns the first result that is
    // not 1 (a short stream write gives -1).
    int32_t WriteToStream(TStream& stream) const;

    // Appends to target the count bytes that start at the logical offset.
    // -1 (target unchanged) when the range is not wholly inside the stored bytes.
    int32_t ReadRange(int64_t offset, uint32_t count, TXLSBlob& target) const;
    // A new blob of exactly count bytes filled by ReadRange; -1 leaves out empty.
    int32_t ReadRangeNew(int64_t offset, uint32_t count, TXLSBlob& out) const;

    void Clear();

private:
    std::vector<std::unique_ptr<TXLSBlob>> items_;
    int64_t total_ = 0;
    uint32_t fill_ = kChunkSize;  // bytes used in the last chunk; full = next Add opens a chunk
};

}  // namespace korvel
