#include "xls/biff/XLSBiffWriter.h"

#include <algorithm>

#include "common/ByteCursor.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSRecordResults.h"

namespace korvel {

namespace {
constexpr uint32_t kHeaderSize = 4;
}  // namespace

TXLSBiffWriter::TXLSBiffWriter(TXLSBlobList& target, uint16_t maxBody)
    : target_(target), maxBody_(std::max<uint32_t>(maxBody, 1)) {}

void TXLSBiffWriter::StartPiece(uint16_t id) {
    room_ = std::min(remaining_, maxBody_);
    piece_ = TXLSBlob(kHeaderSize + room_);
    piece_.WriteWord(id);
    piece_.WriteWord(static_cast<uint16_t>(room_));
    pending_ = true;
}

void TXLSBiffWriter::FinishPiece() {
    target_.Add(piece_.Data(), piece_.Length());
    piece_.Rewind();
    pending_ = false;
}

int32_t TXLSBiffWriter::BeginRecord(uint16_t id, uint32_t bodyLength) {
    int32_t result = Flush();
    remaining_ = bodyLength;
    StartPiece(id);
    return result;
}

int32_t TXLSBiffWriter::Write(const uint8_t* data, uint32_t count) {
    while (count > 0) {
        if (!pending_ || room_ == 0) return kXLSRecordFailed;
        uint32_t step = std::min(count, room_);
        piece_.WriteBytes(data, step);
        data += step;
        count -= step;
        room_ -= step;
        remaining_ -= step;
        if (room_ == 0) {
            FinishPiece();
            if (remaining_ > 0) StartPiece(XLSRecordId::kCONTINUE);
        }
    }
    return kXLSRecordOk;
}

int32_t TXLSBiffWriter::Write(const TXLSBlob* data) {
    if (data == nullptr) return kXLSRecordOk;
    return Write(data->Data(), data->Length());
}

int32_t TXLSBiffWriter::Flush() {
    if (!pending_) return kXLSRecordOk;
    // A record of body 0 is a header alone.
    if (room_ == 0 && remaining_ == 0) {
        FinishPiece();
        return kXLSRecordOk;
    }
    static constexpr uint8_t kZeros[256] = {};
    bool shortRecord = remaining_ > 0;
    while (pending_) {
        uint32_t step = std::min<uint32_t>(room_, sizeof kZeros);
        Write(kZeros, step);
    }
    return shortRecord ? kXLSRecordFailed : kXLSRecordOk;
}

uint32_t SplitRecordSize(uint32_t length, uint16_t maxBody) {
    uint32_t limit = std::max<uint32_t>(maxBody, 1);
    if (length <= limit + kHeaderSize) return length;
    uint32_t body = length - kHeaderSize;
    uint32_t pieces = (body + limit - 1) / limit;
    return body + pieces * kHeaderSize;
}

uint32_t AddSplitRecord(TXLSBlobList& list, const uint8_t* record, uint32_t length, uint16_t maxBody) {
    uint32_t limit = std::max<uint32_t>(maxBody, 1);
    if (length <= limit + kHeaderSize) {
        list.Add(record, length);
        return length;
    }
    uint8_t header[kHeaderSize];
    header[0] = record[0];
    header[1] = record[1];
    StoreU16LE(header + 2, static_cast<uint16_t>(limit));
    list.Add(header, kHeaderSize);
    list.Add(record + kHeaderSize, limit);
    uint32_t added = kHeaderSize + limit;
    for (uint32_t position = kHeaderSize + limit; position < length;) {
        uint32_t stretch = std::min(limit, length - position);
        StoreU16LE(header, XLSRecordId::kCONTINUE);
        StoreU16LE(header + 2, static_cast<uint16_t>(stretch));
        list.Add(header, kHeaderSize);
        list.Add(record + position, stretch);
        position += stretch;
        added += kHeaderSize + stretch;
    }
    return added;
}

uint32_t AddSplitRecord(TXLSBlobList& list, const TXLSBlob& record, uint16_t maxBody) {
    return AddSplitRecord(list, record.Data(), record.Length(), maxBody);
}

}  // namespace korvel
