// The benchmark content: 65,000 rows of ten mixed columns ("wide") and 1,000
// device rows of four texts ("devices"), computed from an integer hash of row
// and column so that every writer in a comparison stores the same values.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvel::bench {

inline constexpr int32_t kWideRows = 65000;
inline constexpr int32_t kWideCols = 10;
inline constexpr int32_t kDeviceRows = 1000;

struct BenchCell {
    enum class Kind { None, Text, Number, Boolean } Kind = Kind::None;
    std::u16string Text;
    double Number = 0;
    bool Flag = false;
};

// 32-bit hash of (row, column).
uint32_t Mix(uint32_t row, uint32_t column);

// Row i (0-based) of the wide sheet; the last cell is None except every 7th row.
void WideRow(int32_t i, std::array<BenchCell, kWideCols>& out);

// Row i of the device list: name, user, password, serial.
void DeviceRow(int32_t i, std::array<std::u16string, 4>& out);

}  // namespace korvel::bench
