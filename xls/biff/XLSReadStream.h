// TXLSReadStream: the records of a BIFF workbook stream, one at a time.
//
// The record stream is the "workbook" stream of a compound document (else its
// "book" stream; names compare without case), or, for a file that is no
// compound document, the file itself when it starts with a BOF record header.
// A file is mapped, not read (TFileBytes); a record stream that lies there
// in one piece, or in a few long ones, is used in place; any other is copied
// into one buffer when it is opened. Record bodies are handed out as views
// into those bytes, so reading allocates nothing per record; only a record
// that straddles two pieces is joined into a buffer of its own. Once
// StartDecryption has accepted a FILEPASS record, the stream is copied (if it
// was not) and every later body is decrypted in place, by a worker that runs
// ahead of the reader (TXLSBackgroundDecryption); ReadBody hands out a body
// once it is final.
//
// The stream counts the bytes consumed (headers and bodies); it neither joins
// CONTINUE records nor looks ahead: grouping is the reader's job.
//
// Order of use: OpenFile or OpenFromStream; ReadHeader and ReadBody in turn
// until ReadHeader gives kXLSReadEndOfStream; CloseWorkbookStream;
// ReleaseStorage.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/BulkMemory.h"
#include "xls/biff/XLSBackgroundDecryption.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/storage/XLSFileItem.h"

namespace korvel {

class TStream;

class TXLSReadStream {
public:
    explicit TXLSReadStream(std::u16string password);
    ~TXLSReadStream();
    TXLSReadStream(const TXLSReadStream&) = delete;
    TXLSReadStream& operator=(const TXLSReadStream&) = delete;

    // Opens the record stream of the file at path (UTF-16).
    // Results: kXLSReadOk; kXLSReadNoRecordStream when the file cannot be
    // read, a compound document has no "workbook"/"book" stream (or a
    // damaged one), or a plain file does not start with a BOF header whose
    // size is 4 to 30 bytes.
    int32_t OpenFile(const std::u16string& path);
    // The same for the caller's stream, read from position 0 to its end; the
    // stream is seeked back to 0 and not kept.
    int32_t OpenFromStream(TStream& stream);
    // The same for a whole file in memory, which owner keeps alive.
    int32_t OpenShared(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);

    // Reads the next record header. Results: kXLSReadOk (id and size set);
    // kXLSReadEndOfStream when fewer than 4 bytes are left (they are consumed).
    // Inline: the reader calls both once per record.
    int32_t ReadHeader(uint16_t& id, uint16_t& size) {
        if (records_.size() - next_ < kRecordHeaderSize) return ReadHeaderChecked(id, size);
        AcceptHeader(records_.data() + next_, id, size);
        next_ += kRecordHeaderSize;
        return kXLSReadOk;
    }
    // Reads the body of the record whose header was read last. Results:
    // kXLSReadOk with body viewing exactly size bytes (empty for size 0);
    // kXLSReadFailed when fewer than size bytes are left (they are consumed,
    // body is empty). The view stays valid until CloseWorkbookStream; the
    // bytes are already decrypted.
    int32_t ReadBody(uint16_t size, std::span<const uint8_t>& body) {
        if (records_.size() - next_ < size || decryption_) return ReadBodyChecked(size, body);
        body = std::span<const uint8_t>(records_.data() + next_, size);
        next_ += size;
        position_ += size;
        return kXLSReadOk;
    }

    // Sets up decryption for a FILEPASS body with the default password and
    // then the caller's. Every byte consumed so far counts for the key
    // stream. Results: kXLSReadOk, or a code of CryptoResults.h (decryption
    // then stays off).
    int32_t StartDecryption(std::span<const uint8_t> filePassBody);
    bool Decrypting() const { return decryption_ != nullptr; }

    // Bytes consumed since the record stream was opened.
    uint32_t Position() const { return position_; }
    // Size of the record stream opened.
    size_t StreamSize() const { return streamSize_; }
    // True when the records come from a compound document.
    bool FromCompoundDocument() const { return compound_; }

    // A part of the compound document kept for rewriting the file: the
    // storage "_VBA_PROJECT_CUR" or "_VBA_PROJECT", or the stream "Ctls".
    // They are loaded when the document is opened (so that the document
    // itself need not stay in memory); nullptr when absent or unreadable.
    // Each part can be taken once.
    std::unique_ptr<TXLSFileItem> TakeKeptPart(const std::u16string& name);

    // Frees the record buffer; the position becomes 0.
    void CloseWorkbookStream();
    // Drops the kept parts not taken.
    void ReleaseStorage();

private:
    static constexpr uint32_t kRecordHeaderSize = 4;
    // A stream in several pieces is read in place when its pieces are this
    // long on average; shorter ones would make too many joined records.
    // Fuzzing takes every stream in pieces, so that small inputs reach the
    // joining.
#ifdef KORVEL_FUZZING
    static constexpr size_t kMinAveragePiece = 1;
#else
    static constexpr size_t kMinAveragePiece = 64 * 1024;
#endif
    // The rest of ReadHeader and ReadBody: the stream's end, records that
    // straddle pieces, and bodies past the end or still being decrypted.
    int32_t ReadHeaderChecked(uint16_t& id, uint16_t& size);
    // Decodes the 4 header bytes at `at` and counts them consumed.
    void AcceptHeader(const uint8_t* at, uint16_t& id, uint16_t& size) {
        id = static_cast<uint16_t>(at[0] | (at[1] << 8));
        size = static_cast<uint16_t>(at[2] | (at[3] << 8));
        position_ += kRecordHeaderSize;
        lastId_ = id;
    }
    int32_t ReadBodyChecked(uint16_t size, std::span<const uint8_t>& body);
    // Bytes of the record stream not yet consumed.
    size_t Remaining() const { return streamSize_ - (pieceOffset_ + next_); }
    // Consumes count bytes (at most Remaining()): a view in place when they
    // lie in one piece, else a copy into `into`.
    const uint8_t* TakeAcrossPieces(size_t count, uint8_t* into);
    void MoveToNextPiece();
    // Moves past pieces read to their end while more follow.
    void SkipFinishedPieces();
    void SkipToEnd();
    int32_t OpenCompound(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);
    int32_t OpenPlain(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes);
    // Decryption writes into the record bytes: makes them the stream's own.
    void MakeWritable();
    // Room of the stream's own for size bytes, in bulk memory: a long stream
    // is copied into 2 MiB pieces made present at once. Throws std::bad_alloc.
    uint8_t* TakeOwnRoom(size_t size);

    std::u16string password_;
    std::shared_ptr<const void> source_;  // keeps the file's bytes alive
    std::unique_ptr<TBulkMemory> copy_;  // the record bytes when copied
    std::span<uint8_t> own_;              // those bytes
    std::span<const uint8_t> records_;    // the record stream, or its current piece: in the file or in own_
    size_t next_ = 0;            // offset of the next unread byte in records_
    // A stream read in place in several pieces: the pieces in stream order,
    // records_ being pieces_[piece_]; empty when the stream is in one.
    std::vector<std::span<const uint8_t>> pieces_;
    size_t piece_ = 0;
    size_t pieceOffset_ = 0;     // stream offset of records_' first byte
    size_t streamSize_ = 0;
    // Records joined from two pieces; their bodies are views, so they stay
    // until CloseWorkbookStream.
    std::vector<std::unique_ptr<uint8_t[]>> joined_;
    uint32_t position_ = 0;
    uint16_t lastId_ = 0;
    bool compound_ = false;
    std::unique_ptr<TXLSBackgroundDecryption> decryption_;  // before copy_ dies, it stops
    std::vector<std::unique_ptr<TXLSFileItem>> keptParts_;
};

}  // namespace korvel
