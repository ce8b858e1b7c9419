#include "bench/BenchData.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace korvel::bench {

namespace {

constexpr const char16_t* kFirst[] = {u"north", u"south", u"east",  u"west", u"lobby", u"garage", u"office", u"yard",
                                      u"gate",  u"roof",  u"hall",  u"store", u"dock", u"lab",    u"porch",  u"attic"};
constexpr const char16_t* kSecond[] = {u"camera", u"cam",   u"dome", u"bullet",  u"ptz",
                                       u"door",   u"entry", u"cctv", u"monitor", u"view"};
constexpr const char16_t* kUsers[] = {u"admin", u"user", u"guest", u"operator", u"viewer", u"install", u"night",
                                      u"owner"};
constexpr std::u16string_view kPasswordChars = u"ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";

std::u16string Ascii(const char* text) {
    std::u16string out;
    for (; *text; ++text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
    return out;
}

std::u16string PoolEntry(uint32_t k) {
    char number[16];
    std::snprintf(number, sizeof number, " %03u", k);
    std::u16string s = std::u16string(kFirst[k % 16]) + u" " + kSecond[(k / 16) % 10] + Ascii(number);
    if (k % 3 == 0) s += u" (backup unit)";
    if (k % 25 == 0) s += u" fa\u00e7ade";
    if (k % 40 == 0) s = u"Zone-\u00dc " + s;
    return s;
}

const std::vector<std::u16string>& Pool() {
    static const std::vector<std::u16string> pool = [] {
        std::vector<std::u16string> p;
        for (uint32_t k = 0; k < 1000; ++k) p.push_back(PoolEntry(k));
        return p;
    }();
    return pool;
}

}  // namespace

uint32_t Mix(uint32_t i, uint32_t c) {
    uint32_t x = i * 0x9E3779B1u + c * 0x85EBCA77u + 0x165667B1u;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return x;
}

void WideRow(int32_t row, std::array<BenchCell, kWideCols>& out) {
    const auto i = static_cast<uint32_t>(row);
    const double sign = (Mix(i, 27) & 1) ? 1.0 : -1.0;
    char text[32];
    auto setText = [&](BenchCell& cell, std::u16string value) {
        cell.Kind = BenchCell::Kind::Text;
        cell.Text = std::move(value);
    };
    auto setNumber = [](BenchCell& cell, double value) {
        cell.Kind = BenchCell::Kind::Number;
        cell.Number = value;
    };
    std::snprintf(text, sizeof text, "cam-%06d", row);
    setText(out[0], Ascii(text));
    for (uint32_t c = 1; c <= 3; ++c) setText(out[c], Pool()[Mix(i, c + 1) % 1000]);
    setNumber(out[4], double(Mix(i, 5) % 1000));
    setNumber(out[5], double(Mix(i, 6) % 1000000) / 100.0);
    setNumber(out[6], (double(Mix(i, 7)) + double(Mix(i, 17)) / 4294967296.0) * 100000.0 * sign);
    setNumber(out[7], 1000000000.0 + double(Mix(i, 8)));
    out[8].Kind = BenchCell::Kind::Boolean;
    out[8].Flag = (Mix(i, 9) & 1) == 1;
    if (row % 7 == 0) {
        std::snprintf(text, sizeof text, "seen-%06d", row);
        setText(out[9], Ascii(text));
    } else {
        out[9].Kind = BenchCell::Kind::None;
    }
}

void DeviceRow(int32_t row, std::array<std::u16string, 4>& out) {
    const auto i = static_cast<uint32_t>(row);
    char text[48];
    std::snprintf(text, sizeof text, "Camera %04d ", row + 1);
    out[0] = Ascii(text) + kFirst[Mix(i, 90) % 16];
    out[1] = kUsers[Mix(i, 91) % 8];
    if (Mix(i, 92) % 4 == 0) {
        std::snprintf(text, sizeof text, "%02u", Mix(i, 93) % 100);
        out[1] += Ascii(text);
    }
    const uint32_t n = 8 + Mix(i, 99) % 5;
    out[2].clear();
    for (uint32_t j = 0; j < n; ++j) out[2].push_back(kPasswordChars[Mix(i, 100 + j) % kPasswordChars.size()]);
    std::snprintf(text, sizeof text, "SN%08X%04u", Mix(i, 200), Mix(i, 201) % 10000);
    out[3] = Ascii(text);
}

}  // namespace korvel::bench
