#include "xls/biff/XLSReadStream.h"

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
    if (stream->ContiguousView(records_)) {
        source_ = std::move(owner);
    } else {
        try {
            stream->CopyAll(TakeOwnRoom(static_cast<size_t>(stream->Size())));
        } catch (const std::bad_alloc&) {
            return kXLSReadNoRecordStream;
        }
        records_ = own_;
    }
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
    compound_ = false;
    return kXLSReadOk;
}

void TXLSReadStream::MakeWritable() {
    if (records_.empty() || records_.data() == own_.data()) return;
    const std::span<const uint8_t> from = records_;
    std::memcpy(TakeOwnRoom(from.size()), from.data(), from.size());
    records_ = own_;
}

uint8_t* TXLSReadStream::TakeOwnRoom(size_t size) {
    own_ = {};
    copy_.reset();
    if (size == 0) return nullptr;
    copy_ = std::make_unique<TBulkMemory>(size, size >= kBulkLargePage);
    own_ = {static_cast<uint8_t*>(copy_->Data()), size};
    return own_.data();
}

int32_t TXLSReadStream::EndOfRecords() {
    position_ += static_cast<uint32_t>(records_.size() - next_);
    next_ = records_.size();
    return kXLSReadEndOfStream;
}

int32_t TXLSReadStream::ReadBodyChecked(uint16_t size, std::span<const uint8_t>& body) {
    body = {};
    if (size == 0) return kXLSReadOk;
    const size_t left = records_.size() - next_;
    if (left < size) {
        next_ = records_.size();
        position_ += static_cast<uint32_t>(left);
        return kXLSReadFailed;
    }
    const uint8_t* at = records_.data() + next_;
    if (decryption_) decryption_->WaitFor(next_ + size);
    next_ += size;
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
    own_ = {};
    copy_.reset();
    source_.reset();
    next_ = 0;
    position_ = 0;
}

void TXLSReadStream::ReleaseStorage() { keptParts_.clear(); }

}  // namespace korvel
