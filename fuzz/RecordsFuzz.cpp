// Feeds arbitrary bytes to the record read helpers: BIFF strings of every form
// at every position, the fixed-width reads, the text reads, record-list range
// reads, and the record dumper. Any read outside the bytes is a bug.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "xls/biff/XLSBlob.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordDump.h"

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    TXLSBlob blob(data, static_cast<uint32_t>(size));
    uint64_t sink = 0;
    for (int form = 0; form < 4; ++form) {
        uint32_t position = 0;
        std::u16string text;
        // Walk the bytes as a run of strings, then try every start position.
        while (blob.ReadBiffString(position, form & 1, form & 2, text)) {
            sink += text.size();
            if (position >= size) break;
        }
        for (uint32_t start = 0; start <= size; ++start) {
            uint32_t at = start;
            if (blob.ReadBiffString(at, form & 1, form & 2, text)) {
                if (at < start || at > size) __builtin_trap();
                sink += text.size();
            } else if (at != start) {
                __builtin_trap();
            }
        }
    }
    for (uint32_t offset = 0; offset <= size + 8; ++offset) {
        sink += blob.ReadByte(offset) + blob.ReadWord(offset) + blob.ReadLongWord(offset);
        sink += static_cast<uint64_t>(blob.ReadDouble(offset) != 0.0);
        uint32_t count = size ? data[offset % size] : 0;
        sink += blob.ReadAnsiText(offset, count).size() + blob.ReadWideText(offset, count).size();
    }

    TXLSBlobList list;
    list.Add(data, static_cast<uint32_t>(size / 2));
    list.Add(data + size / 2, static_cast<uint32_t>(size - size / 2));
    if (size >= 8) {
        int64_t offset = static_cast<int64_t>(data[0] | data[1] << 8 | data[2] << 16) - 1000;
        uint32_t count = data[3] | data[4] << 8 | data[5] << 16;
        TXLSBlob range;
        int32_t result = list.ReadRange(offset, count, range);
        if (result == 1 && range.Length() != count) __builtin_trap();
    }
    sink += DumpRecords(std::span<const uint8_t>(data, size), 64).size();
    sink += DumpRecordsAround(std::span<const uint8_t>(data, size), size / 2).size();
    return sink == 0xFFFFFFFFFFFFFFFFull ? 1 : 0;
}
