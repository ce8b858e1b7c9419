#include "platform/Stream.h"

#include <algorithm>
#include <cstring>

#include "platform/Errors.h"

namespace korvel {

namespace {
// Resolves a seek request against a size; -1 when the target would be negative.
int64_t SeekTarget(int64_t offset, SeekOrigin origin, int64_t current, int64_t size) {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? current : size;
    int64_t target = base + offset;
    return target < 0 ? -1 : target;
}
}  // namespace

int64_t TStream::Size() {
    int64_t here = Position();
    int64_t end = Seek(0, SeekOrigin::End);
    Seek(here, SeekOrigin::Begin);
    return end;
}

void TStream::ReadBuffer(void* buffer, size_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        size_t got = Read(p, count);
        if (got == 0) throw EReadError("Stream read error");
        p += got;
        count -= got;
    }
}

void TStream::WriteBuffer(const void* buffer, size_t count) {
    if (Write(buffer, count) != count) throw EWriteError("Stream write error");
}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (pos_ >= bytes_.size()) return 0;
    size_t n = std::min(count, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    if (pos_ + count > bytes_.size()) bytes_.resize(pos_ + count);
    std::memcpy(bytes_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t target = SeekTarget(offset, origin, static_cast<int64_t>(pos_), Size());
    if (target < 0) return -1;
    pos_ = static_cast<size_t>(target);
    return target;
}

size_t TSpanStream::Read(void* buffer, size_t count) {
    if (pos_ >= bytes_.size()) return 0;
    size_t n = std::min(count, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
}

int64_t TSpanStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t target = SeekTarget(offset, origin, static_cast<int64_t>(pos_), Size());
    if (target < 0) return -1;
    pos_ = static_cast<size_t>(target);
    return target;
}

}  // namespace korvel
