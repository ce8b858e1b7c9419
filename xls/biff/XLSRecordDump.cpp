#include "xls/biff/XLSRecordDump.h"

#include <cstdio>
#include <vector>

#include "common/ByteCursor.h"
#include "xls/biff/XLSRecordIds.h"

namespace korvel {

namespace {

constexpr size_t kHeaderSize = 4;

struct RecordSpan {
    size_t offset;
    uint16_t id;
    uint16_t length;
    std::span<const uint8_t> body;  // shorter than length when truncated
};

// Walks the headers; the last entry may be truncated.
std::vector<RecordSpan> WalkRecords(std::span<const uint8_t> stream, size_t maxRecords) {
    std::vector<RecordSpan> records;
    ByteCursor cursor(stream);
    while (records.size() < maxRecords && cursor.Has(kHeaderSize)) {
        size_t offset = cursor.Position();
        uint16_t id = cursor.U16();
        uint16_t length = cursor.U16();
        size_t present = cursor.Remaining() < length ? cursor.Remaining() : length;
        records.push_back({offset, id, length, cursor.Bytes(present)});
        if (present < length) break;
    }
    return records;
}

std::string Line(const RecordSpan& record, size_t maxHexBytes) {
    return DumpRecordLine(record.offset, record.id, record.length, record.body, maxHexBytes);
}

}  // namespace

std::string DumpRecordLine(size_t offset, uint16_t id, uint16_t length, std::span<const uint8_t> body,
                           size_t maxHexBytes) {
    const char* name = XLSRecordName(id);
    char head[96];
    std::snprintf(head, sizeof head, "%08zX  %04X  %-16s %5u ", offset, id, name ? name : "?", unsigned(length));
    std::string line = head;
    size_t shown = body.size() < maxHexBytes ? body.size() : maxHexBytes;
    for (size_t i = 0; i < shown; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", body[i]);
        line += hex;
    }
    if (shown < body.size()) line += " ...";
    if (body.size() < length) line += " (truncated: " + std::to_string(body.size()) + " bytes present)";
    line += '\n';
    return line;
}

std::string DumpRecords(std::span<const uint8_t> stream, size_t maxRecords, size_t maxHexBytes) {
    std::string dump;
    for (const RecordSpan& record : WalkRecords(stream, maxRecords)) dump += Line(record, maxHexBytes);
    return dump;
}

std::string DumpRecordsAround(std::span<const uint8_t> stream, size_t offset, size_t before, size_t after,
                              size_t maxHexBytes) {
    std::vector<RecordSpan> records = WalkRecords(stream, SIZE_MAX);
    size_t hit = records.size();
    for (size_t i = 0; i < records.size(); ++i) {
        if (offset < records[i].offset + kHeaderSize + records[i].body.size()) {
            hit = i;
            break;
        }
    }
    if (hit == records.size()) hit = records.empty() ? 0 : records.size() - 1;
    size_t first = hit >= before ? hit - before : 0;
    std::string dump;
    for (size_t i = first; i < records.size() && i <= hit + after; ++i) dump += Line(records[i], maxHexBytes);
    return dump;
}

}  // namespace korvel
