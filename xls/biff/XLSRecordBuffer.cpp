#include "xls/biff/XLSRecordBuffer.h"

#include <cstring>

#include "common/ByteCursor.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordIds.h"

namespace korvel {

void TXLSRecordBuffer::Begin(uint16_t id) {
    id_ = id;
    length_ = 4;
}

void TXLSRecordBuffer::Grow(size_t end) {
    bytes_.resize(end > 2 * bytes_.size() ? end : 2 * bytes_.size());
}

void TXLSRecordBuffer::Bytes(const uint8_t* data, uint32_t count) {
    if (count) std::memcpy(Reach(count), data, count);
}

void TXLSRecordBuffer::Zeros(uint32_t count) {
    if (count) std::memset(Reach(count), 0, count);
}

void TXLSRecordBuffer::Wide(std::u16string_view text) {
    uint8_t* at = Reach(static_cast<uint32_t>(2 * text.size()));
    for (char16_t unit : text) {
        StoreU16LE(at, unit);
        at += 2;
    }
}

void TXLSRecordBuffer::Ansi(std::string_view text) {
    Bytes(reinterpret_cast<const uint8_t*>(text.data()), static_cast<uint32_t>(text.size()));
}

void TXLSRecordBuffer::PutWord(uint32_t bodyOffset, uint16_t value) {
    if (4 + size_t(bodyOffset) + 2 <= length_) StoreU16LE(bytes_.data() + 4 + bodyOffset, value);
}

void TXLSRecordBuffer::PutLong(uint32_t bodyOffset, uint32_t value) {
    if (4 + size_t(bodyOffset) + 4 <= length_) StoreU32LE(bytes_.data() + 4 + bodyOffset, value);
}

uint32_t TXLSRecordBuffer::SplitSize(uint32_t bodySize, uint16_t maxBody) {
    if (bodySize <= maxBody || maxBody == 0) return 4 + bodySize;
    const uint32_t pieces = (bodySize + maxBody - 1) / maxBody;
    return 4 * pieces + bodySize;
}

uint32_t TXLSRecordBuffer::AddTo(TXLSBlobList& list, uint16_t maxBody) {
    const uint32_t body = BodySize();
    uint8_t* data = bytes_.data();
    if (body <= maxBody || maxBody == 0) {
        StoreU16LE(data, id_);
        StoreU16LE(data + 2, static_cast<uint16_t>(body));
        list.Add(data, length_);
        return length_;
    }
    // The cut is by bytes: a structure may continue in the next piece.
    uint32_t written = 0;
    uint32_t offset = 0;
    uint16_t id = id_;
    while (offset < body) {
        const uint32_t piece = body - offset < maxBody ? body - offset : maxBody;
        uint8_t header[4];
        StoreU16LE(header, id);
        StoreU16LE(header + 2, static_cast<uint16_t>(piece));
        list.Add(header, 4);
        list.Add(data + 4 + offset, piece);
        written += 4 + piece;
        offset += piece;
        id = XLSRecordId::kCONTINUE;
    }
    return written;
}

}  // namespace korvel
