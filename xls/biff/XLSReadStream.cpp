#include "xls/biff/XLSReadStream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/ByteCursor.h"
#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/FileBytes.h"
#include "platform/FileStream.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSStartDecryption.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/storage/CompoundDocumentReader.h"

namespace korvel {

namespace {

constexpr uint8_t kBiffCompoundMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// A plain stream must start with a BOF header whose body size is 4 to 30.
constexpr uint16_t kPlainBofMinSize = 4;
constexpr uint16_t kPlainBofMaxSize = 30;

// Reads the stream from its start to its end into out. False on a read or
// seek failure or when memory runs out.
bool ReadWholeStream(TStream& stream, std::vector<uint8_t>& out) {
    try {
        if (stream.Seek(0, SeekOrigin::Begin) != 0) return false;
        const int64_t size = stream.Size();
        if (size > 0) out.reserve(static_cast<size_t>(size));
        uint8_t chunk[65536];
        for (;;) {
            const size_t got = stream.Read(chunk, sizeof chunk);
            if (got == 0) break;
            out.insert(out.end(), chunk, chunk + got);
        }
        stream.Seek(0, SeekOrigin::Begin);
        return true;
    } catch (const EKorvelError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

TXLSReadStream::TXLSReadStream(std::u16string password) : password_(std::move(password)) {}

TXLSReadStream::~TXLSReadStream() = default;

int32_t TXLSReadStream::OpenFile(const std::u16string& path) {
    std::shared_ptr<const TFileBytes> file = ReadFileBytes(Utf16ToUtf8(path));
    if (!file) return kXLSReadNoRecordStream;
    file->TouchAhead();
    const std::span<const uint8_t> bytes = file->Bytes();
    return OpenShared(std::move(file), bytes);
}

int32_t TXLSReadStream::OpenFromStream(TStream& stream) {
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    if (!ReadWholeStream(stream, *bytes)) return kXLSReadNoRecordStream;
    const std::span<const uint8_t> view(*bytes);
    return OpenShared(std::move(bytes), view);
}

int32_t TXLSReadStream::OpenShared(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    CloseWorkbookStream();
    ReleaseStorage();
    // A damaged compound document would fall back to the plain reading and
    // fail there, as its first bytes are no BOF header: decide by the
    // signature.
    if (bytes.size() >= sizeof kBiffCompoundMagic &&
        std::memcmp(bytes.data(), kBiffCompoundMagic, sizeof kBiffCompoundMagic) == 0)
        return OpenCompound(std::move(owner), bytes);
    return OpenPlain(std::move(owner), bytes);
}

int32_t TXLSReadStream::OpenCompound(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    TCompoundDocumentReader document;
    if (document.OpenShared(owner, bytes) != kStorageOk) return kXLSReadNoRecordStream;
    const TCompoundStorageReader root = document.Root();
    std::unique_ptr<TCompoundStreamReader> stream;
    if (root.OpenStream(u"workbook", stream) != kStorageOk && root.OpenStream(u"book", stream) != kStorageOk)
        return kXLSReadNoRecordStream;
    const size_t size = static_cast<size_t>(stream->Size());
    std::vector<std::span<const uint8_t>> pieces;
    if (stream->ContiguousView(records_)) {
        source_ = std::move(owner);
    } else if (pieces = stream->PieceViews(); !pieces.empty() && pieces.size() * kMinAveragePiece <= size) {
        // A few long pieces, as a writer leaves after growing the stream:
        // reading them in place spares a copy of the whole stream.
        source_ = std::move(owner);
        pieces_ = std::move(pieces);
        records_ = pieces_.front();
    } else {
        try {
            stream->CopyAll(TakeOwnRoom(size));
        } catch (const std::bad_alloc&) {
            return kXLSReadNoRecordStream;
        }
        records_ = own_;
    }
    streamSize_ = size;
    for (const char16_t* name : {u"_VBA_PROJECT_CUR", u"_VBA_PROJECT"}) {
        auto storage = std::make_unique<TXLSFileStorage>(name);
        if (storage->Load(root) == kFileItemOk) keptParts_.push_back(std::move(storage));
    }
    auto controls = std::make_unique<TXLSFileStream>(u"Ctls");
    if (controls->Load(root) == kFileItemOk) keptParts_.push_back(std::move(controls));
    compound_ = true;
    return kXLSReadOk;
}

int32_t TXLSReadStream::OpenPlain(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    ByteCursor header(bytes.data(), bytes.size());
    const uint16_t id = header.U16();
    const uint16_t size = header.U16();
    if (!header.Ok() || id != XLSRecordId::kBOF || size < kPlainBofMinSize || size > kPlainBofMaxSize)
        return kXLSReadNoRecordStream;
    source_ = std::move(owner);
    records_ = bytes;
    streamSize_ = bytes.size();
    compound_ = false;
    return kXLSReadOk;
}

void TXLSReadStream::MakeWritable() {
    if (streamSize_ == 0 || (pieces_.empty() && records_.data() == own_.data())) return;
    const size_t at = pieceOffset_ + next_;
    uint8_t* room = TakeOwnRoom(streamSize_);
    if (pieces_.empty()) {
        std::memcpy(room, records_.data(), streamSize_);
    } else {
        for (const std::span<const uint8_t> piece : pieces_) {
            std::memcpy(room, piece.data(), piece.size());
            room += piece.size();
        }
    }
    pieces_.clear();
    piece_ = 0;
    pieceOffset_ = 0;
    records_ = own_;
    next_ = at;
}

uint8_t* TXLSReadStream::TakeOwnRoom(size_t size) {
    own_ = {};
    copy_.reset();
    if (size == 0) return nullptr;
    copy_ = std::make_unique<TBulkMemory>(size, size >= kBulkPiece);
    own_ = {static_cast<uint8_t*>(copy_->Data()), size};
    return own_.data();
}

void TXLSReadStream::MoveToNextPiece() {
    pieceOffset_ += records_.size();
    records_ = pieces_[++piece_];
    next_ = 0;
}

void TXLSReadStream::SkipToEnd() {
    if (!pieces_.empty()) {
        piece_ = pieces_.size() - 1;
        records_ = pieces_.back();
        pieceOffset_ = streamSize_ - records_.size();
    }
    next_ = records_.size();
}

void TXLSReadStream::SkipFinishedPieces() {
    while (next_ == records_.size() && piece_ + 1 < pieces_.size()) MoveToNextPiece();
}

const uint8_t* TXLSReadStream::TakeAcrossPieces(size_t count, uint8_t* into) {
    SkipFinishedPieces();
    if (records_.size() - next_ >= count) {
        const uint8_t* at = records_.data() + next_;
        next_ += count;
        return at;
    }
    for (size_t done = 0; done < count;) {
        if (next_ == records_.size()) MoveToNextPiece();
        const size_t take = std::min(count - done, records_.size() - next_);
        std::memcpy(into + done, records_.data() + next_, take);
        next_ += take;
        done += take;
    }
    return into;
}

int32_t TXLSReadStream::ReadHeaderChecked(uint16_t& id, uint16_t& size) {
    const size_t left = Remaining();
    if (left < kRecordHeaderSize) {
        position_ += static_cast<uint32_t>(left);
        SkipToEnd();
        return kXLSReadEndOfStream;
    }
    uint8_t joined[kRecordHeaderSize];
    AcceptHeader(TakeAcrossPieces(kRecordHeaderSize, joined), id, size);
    return kXLSReadOk;
}

int32_t TXLSReadStream::ReadBodyChecked(uint16_t size, std::span<const uint8_t>& body) {
    body = {};
    if (size == 0) return kXLSReadOk;
    const size_t left = Remaining();
    if (left < size) {
        position_ += static_cast<uint32_t>(left);
        SkipToEnd();
        return kXLSReadFailed;
    }
    // Decryption works on the stream's own copy, which is one piece.
    if (decryption_) decryption_->WaitFor(pieceOffset_ + next_ + size);
    SkipFinishedPieces();
    const uint8_t* at = nullptr;
    if (records_.size() - next_ >= size) {
        at = records_.data() + next_;
        next_ += size;
    } else {
        joined_.push_back(std::make_unique<uint8_t[]>(size));
        at = TakeAcrossPieces(size, joined_.back().get());
    }
    position_ += size;
    body = std::span<const uint8_t>(at, size);
    return kXLSReadOk;
}

int32_t TXLSReadStream::StartDecryption(std::span<const uint8_t> filePassBody) {
    // A running worker has stopped after this FILEPASS record; what follows
    // is decrypted, if at all, under the new one.
    decryption_.reset();
    int32_t result = kDecryptBadFilePass;
    std::unique_ptr<TXLSDecrypter> decrypter = korvel::StartDecryption(filePassBody, password_, position_, result);
    if (result != kDecryptOk) return result;
    try {
        MakeWritable();
    } catch (const std::bad_alloc&) {
        return kXLSReadFailed;
    }
    decryption_ = std::make_unique<TXLSBackgroundDecryption>(std::move(decrypter), own_.data(), own_.size(), next_);
    return kXLSReadOk;
}

std::unique_ptr<TXLSFileItem> TXLSReadStream::TakeKeptPart(const std::u16string& name) {
    for (auto& part : keptParts_)
        if (part && part->Name() == name) return std::move(part);
    return nullptr;
}

void TXLSReadStream::CloseWorkbookStream() {
    decryption_.reset();
    records_ = {};
    pieces_.clear();
    piece_ = 0;
    pieceOffset_ = 0;
    streamSize_ = 0;
    joined_.clear();
    own_ = {};
    copy_.reset();
    source_.reset();
    next_ = 0;
    position_ = 0;
}

void TXLSReadStream::ReleaseStorage() { keptParts_.clear(); }

}  // namespace korvel
