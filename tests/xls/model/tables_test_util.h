// Helpers of the table tests: a record-stream parser written from [MS-XLS]
// independently of the code under test, and a runner for the Python oracle.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "xls/biff/XLSBlobList.h"

namespace korvel::testing {

struct ParsedRecord {
    size_t offset;  // within the bytes parsed
    uint16_t id;
    std::vector<uint8_t> body;
};

inline std::vector<uint8_t> ListBytes(const TXLSBlobList& list) {
    TMemoryStream stream;
    list.WriteToStream(stream);
    return stream.Bytes();
}

inline std::vector<ParsedRecord> ParseRecords(const std::vector<uint8_t>& bytes, bool* complete = nullptr) {
    std::vector<ParsedRecord> records;
    size_t at = 0;
    while (at + 4 <= bytes.size()) {
        uint16_t id = uint16_t(bytes[at] | bytes[at + 1] << 8);
        size_t length = size_t(bytes[at + 2] | bytes[at + 3] << 8);
        if (at + 4 + length > bytes.size()) break;
        records.push_back({at, id, std::vector<uint8_t>(bytes.begin() + at + 4, bytes.begin() + at + 4 + length)});
        at += 4 + length;
    }
    if (complete) *complete = at == bytes.size();
    return records;
}

inline uint16_t Word(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b.at(at) | b.at(at + 1) << 8); }
inline uint32_t Long(const std::vector<uint8_t>& b, size_t at) { return uint32_t(Word(b, at)) | uint32_t(Word(b, at + 2)) << 16; }

// Runs /usr/bin/python3 with a script; returns false when Python or the
// module it needs is missing (the caller skips), else fills output.
bool RunPython(const std::string& script, std::string& output, int& exitCode);

}  // namespace korvel::testing
