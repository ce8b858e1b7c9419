#include "xls/biff/XLSBackgroundDecryption.h"

#include <system_error>

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
    size_t next = from_, published = from_;
    while (size_ - next >= kRecordHeaderSize && !stop_.load(std::memory_order_relaxed)) {
        const uint8_t* header = bytes_ + next;
        const uint16_t id = static_cast<uint16_t>(header[0] | header[1] << 8);
        const uint32_t bodySize = static_cast<uint32_t>(header[2] | header[3] << 8);
        decrypter_->Skip(kRecordHeaderSize);
        next += kRecordHeaderSize;
        if (size_ - next < bodySize) break;  // the reader fails on this body: nothing after it counts
        if (bodySize > 0) DecryptRecordBody(*decrypter_, id, bytes_ + next, bodySize);
        next += bodySize;
        if (id == XLSRecordId::kFILEPASS) break;
        if (next - published >= kPublishStep) Publish(published = next);
    }
    // Whatever the worker leaves untouched is final as it stands.
    Publish(size_);
}

}  // namespace korvel
