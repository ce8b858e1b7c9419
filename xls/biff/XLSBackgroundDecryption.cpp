#include "xls/biff/XLSBackgroundDecryption.h"

#include <system_error>

#include "common/ByteCursor.h"
#include "xls/biff/XLSRecordEncryption.h"
#include "xls/biff/XLSRecordIds.h"

namespace korvel {

namespace {
constexpr size_t kRecordHeaderSize = 4;
// Progress is published in steps of this many bytes: often enough that the
// reader seldom waits, seldom enough that publishing costs nothing.
constexpr size_t kPublishStep = 16 * 1024;
}  // namespace

TXLSBackgroundDecryption::TXLSBackgroundDecryption(std::unique_ptr<TXLSDecrypter> decrypter, uint8_t* bytes,
                                                   size_t size, size_t from)
    : decrypter_(std::move(decrypter)), bytes_(bytes), size_(size), from_(from), done_(from) {
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        Run();
    }
}

TXLSBackgroundDecryption::~TXLSBackgroundDecryption() {
    stop_.store(true, std::memory_order_relaxed);
    if (worker_.joinable()) worker_.join();
}

void TXLSBackgroundDecryption::WaitFor(size_t end) {
    if (end > size_) end = size_;
    size_t done = done_.load(std::memory_order_acquire);
    while (done < end) {
        done_.wait(done, std::memory_order_acquire);
        done = done_.load(std::memory_order_acquire);
    }
}

void TXLSBackgroundDecryption::Publish(size_t done) {
    done_.store(done, std::memory_order_release);
    done_.notify_all();
}

void TXLSBackgroundDecryption::Run() {
    ByteCursor records(bytes_, size_);
    records.Skip(from_);
    size_t published = from_;
    while (records.Remaining() >= kRecordHeaderSize && !stop_.load(std::memory_order_relaxed)) {
        const uint16_t id = records.U16();
        const uint16_t bodySize = records.U16();
        decrypter_->Skip(kRecordHeaderSize);
        if (records.Remaining() < bodySize) break;  // the reader fails on this body: nothing after it counts
        if (bodySize > 0) DecryptRecordBody(*decrypter_, id, bytes_ + records.Position(), bodySize);
        records.Skip(bodySize);
        if (id == XLSRecordId::kFILEPASS) break;
        if (records.Position() - published >= kPublishStep) Publish(published = records.Position());
    }
    // Whatever the worker leaves untouched is final as it stands.
    Publish(size_);
}

}  // namespace korvel
