// Small helpers shared by the decryption tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::testing {

inline std::string ToHex(const uint8_t* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        out.push_back(digits[data[i] >> 4]);
        out.push_back(digits[data[i] & 15]);
    }
    return out;
}

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
    return ToHex(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Hex digits, spaces ignored.
inline std::vector<uint8_t> FromHex(std::string_view hex) {
    std::vector<uint8_t> out;
    int pending = -1;
    for (char c : hex) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) continue;
        if (pending < 0) pending = v;
        else {
            out.push_back(uint8_t(pending << 4 | v));
            pending = -1;
        }
    }
    return out;
}

inline std::vector<uint8_t> ReadTestFile(const std::string& relative) {
    std::ifstream in(std::string(KORVEL_TEST_DATA) + "/" + relative, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Where each record of a BIFF stream lies (the stream must be well formed).
struct RecordSpan {
    uint16_t id;
    size_t bodyPos;
    size_t size;
};

inline std::vector<RecordSpan> ListRecords(const std::vector<uint8_t>& stream) {
    std::vector<RecordSpan> out;
    size_t pos = 0;
    while (pos + 4 <= stream.size()) {
        uint16_t id = uint16_t(stream[pos] | stream[pos + 1] << 8);
        size_t size = size_t(stream[pos + 2] | stream[pos + 3] << 8);
        if (pos + 4 + size > stream.size()) break;
        out.push_back({id, pos + 4, size});
        pos += 4 + size;
    }
    return out;
}

inline std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

}  // namespace korvel::testing
