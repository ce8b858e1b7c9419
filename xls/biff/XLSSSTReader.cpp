#include "xls/biff/XLSSSTReader.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr size_t kSSTHeaderSize = 8;          // total references, unique count
constexpr size_t kSSTUniqueCountOffset = 4;
constexpr uint64_t kMinStringSize = 3;        // character count and option byte
constexpr uint8_t kStringWide = 0x01;
constexpr uint8_t kStringExtended = 0x04;
constexpr uint8_t kStringRich = 0x08;

// A position in the group: body index and offset. The offset may lie past
// its body's end after skipping runs and extended data; Normalize carries
// the excess into the following bodies.
struct TGroupPosition {
    size_t body = 0;
    uint64_t offset = 0;
};

void Normalize(const TXLSRecordGroup& group, TGroupPosition& at) {
    while (at.body < group.size() && at.offset >= group[at.body].size()) {
        at.offset -= group[at.body].size();
        ++at.body;
    }
}

// Reads the option byte of a piece and the run count and extended size that
// it flags; false when they do not fit the body.
bool ReadOptions(ByteCursor& cursor, uint8_t& options, uint64_t& runs, uint64_t& extended) {
    options = cursor.U8();
    if (options & kStringRich) runs = cursor.U16();
    if (options & kStringExtended) extended = cursor.U32();
    return cursor.Ok();
}

// Reads one string from `at` into text; false when its header does not fit.
bool ReadOneString(const TXLSRecordGroup& group, TGroupPosition& at, std::u16string& text) {
    std::span<const uint8_t> body = group[at.body];
    ByteCursor cursor(body);
    cursor.Seek(static_cast<size_t>(at.offset));
    size_t remaining = cursor.U16();
    uint8_t options = 0;
    uint64_t runs = 0, extended = 0;
    if (!ReadOptions(cursor, options, runs, extended)) return false;
    for (;;) {
        const size_t width = (options & kStringWide) ? 2 : 1;
        const size_t take = std::min(remaining, cursor.Remaining() / width);
        std::span<const uint8_t> chars = cursor.Bytes(take * width);
        if (width == 2) AppendWideChars(chars, text);
        else AppendCompressedChars(chars, text);
        remaining -= take;
        if (remaining == 0) break;
        // The characters go on in the next body, behind an option byte that
        // gives their width afresh.
        if (++at.body >= group.size()) return true;
        body = group[at.body];
        cursor = ByteCursor(body);
        if (!ReadOptions(cursor, options, runs, extended)) {
            at.body = group.size();
            return true;
        }
    }
    at.offset = cursor.Position() + runs * 4 + extended;
    return true;
}

// The unique count of the SST header, which may continue in the next record
// when the first body is tiny.
uint64_t UniqueCount(const TXLSRecordGroup& group) {
    ByteCursor head(group[0]);
    const uint64_t count = head.U32At(kSSTUniqueCountOffset);
    if (head.Ok()) return count;
    uint8_t bytes[kSSTHeaderSize] = {};
    size_t filled = 0;
    for (size_t i = 0; i < group.size() && filled < kSSTHeaderSize; ++i)
        for (size_t j = 0; j < group[i].size() && filled < kSSTHeaderSize; ++j) bytes[filled++] = group[i][j];
    ByteCursor joined(bytes, filled);
    return joined.U32At(kSSTUniqueCountOffset);
}

}  // namespace

uint64_t SSTStringCountBound(const TXLSRecordGroup& group) {
    if (group.empty()) return 0;
    uint64_t bytes = 0;
    for (const auto& body : group) bytes += body.size();
    return std::min(UniqueCount(group), bytes / kMinStringSize);
}

void ReadSSTGroup(const TXLSRecordGroup& group, const std::function<void(std::u16string_view)>& each) {
    if (group.empty()) return;
    const uint64_t expected = UniqueCount(group);
    TGroupPosition at{0, kSSTHeaderSize};
    std::u16string text;
    for (uint64_t read = 0; read < expected; ++read) {
        Normalize(group, at);
        if (at.body >= group.size()) break;
        text.clear();
        if (!ReadOneString(group, at, text)) break;
        each(text);
    }
}

}  // namespace korvel
