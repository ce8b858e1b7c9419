// A stream of an open compound document, read like any TStream.
//
// Made by TCompoundStorageReader::OpenStream after the stream's whole chain was
// checked, so every byte it hands out lies inside the document: reads return
// the count of bytes read and are short only at the end of the stream. It
// shares the document's bytes, so it stays usable after its document is
// closed or destroyed. Writing is refused.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/Stream.h"

namespace korvel {

// A run of the stream's bytes that lies contiguously in the document.
struct TStreamSegment {
    uint64_t StreamOffset;  // where the run starts in the stream
    uint64_t FileOffset;    // where it starts in the document
    uint64_t Length;
};

class TCompoundStreamReader : public TStream {
public:
    // Precondition: the segments are in stream order, cover [0, size) without
    // gaps and lie inside document.
    // document keeps the bytes at data alive.
    TCompoundStreamReader(std::shared_ptr<const void> document, const uint8_t* data,
                          std::vector<TStreamSegment> segments, uint64_t size);

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void*, size_t) override { return 0; }
    // Any position from 0 to the size is accepted; beyond it is refused (-1).
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(size_); }

    // Copies the whole stream into out (resized to the stream size); the position is kept.
    void ReadAll(std::vector<uint8_t>& out) const;
    // Copies the whole stream to out, which has room for Size() bytes; the position is kept.
    void CopyAll(uint8_t* out) const;
    // The whole stream as a view into the document when its bytes lie there
    // in one piece (true), valid while the document's bytes live.
    bool ContiguousView(std::span<const uint8_t>& out) const;
    // The stream's runs of bytes as views into the document, in stream
    // order (adjacent sectors form one run), valid while its bytes live.
    std::vector<std::span<const uint8_t>> PieceViews() const;

private:
    size_t SegmentAt(uint64_t streamOffset) const;

    std::shared_ptr<const void> document_;
    const uint8_t* data_;
    std::vector<TStreamSegment> segments_;
    uint64_t size_;
    uint64_t pos_ = 0;
};

}  // namespace korvel
