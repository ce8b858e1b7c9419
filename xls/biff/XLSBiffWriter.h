// TXLSBiffWriter: writes one long logical record whose body length is known
// before its data is produced, cutting it into the record and its CONTINUE
// records (bodies of at most maxBody bytes) while the data is fed in.
//
// Use: BeginRecord(id, n), Write(...) until n body bytes were given, Flush().
#pragma once

#include <cstdint>

#include "xls/biff/XLSBlob.h"

namespace korvel {

class TXLSBlobList;

class TXLSBiffWriter {
public:
    // maxBody: 8224 for BIFF8, 2080 for BIFF5 (at least 1).
    TXLSBiffWriter(TXLSBlobList& target, uint16_t maxBody);
    ~TXLSBiffWriter() = default;
    TXLSBiffWriter(const TXLSBiffWriter&) = delete;
    TXLSBiffWriter& operator=(const TXLSBiffWriter&) = delete;

    // Flushes any pending record, then starts record id with a body of
    // bodyLength bytes in total. Returns the result of that flush (1, or -1
    // when the previous record was fed short).
    int32_t BeginRecord(uint16_t id, uint32_t bodyLength);
    // Copies data into the record, opening CONTINUE records as pieces fill.
    // Returns 1, or -1 when the data goes beyond the declared body length
    // (the excess is dropped; the record stays as declared).
    int32_t Write(const uint8_t* data, uint32_t count);
    // Write of the blob's Length() bytes; a null blob is ignored (1).
    int32_t Write(const TXLSBlob* data);
    // Adds the pending piece to the target. When fewer body bytes were fed
    // than declared, the record is completed with zero bytes (so the target
    // holds exactly the declared size that offsets were computed from) and
    // the result is -1; otherwise 1.
    int32_t Flush();

    // Body bytes not yet written.
    uint32_t Remaining() const { return remaining_; }

private:
    void StartPiece(uint16_t id);
    void FinishPiece();

    TXLSBlobList& target_;
    uint32_t maxBody_;
    uint32_t remaining_ = 0;
    uint32_t room_ = 0;
    TXLSBlob piece_;
    bool pending_ = false;
};

// The record splitter: adds one assembled record (header + body) to the list,
// cut into the record and CONTINUE records when its body exceeds maxBody.
// The cut is purely by bytes; the first piece keeps the record's id and gets
// the length field maxBody. Returns the number of bytes added (the running
// offset grows by this).
uint32_t AddSplitRecord(TXLSBlobList& list, const uint8_t* record, uint32_t length, uint16_t maxBody);
uint32_t AddSplitRecord(TXLSBlobList& list, const TXLSBlob& record, uint16_t maxBody);
// Size an assembled record of length bytes takes once split.
uint32_t SplitRecordSize(uint32_t length, uint16_t maxBody);

}  // namespace korvel
