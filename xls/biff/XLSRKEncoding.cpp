#include "xls/biff/XLSRKEncoding.h"

#include <cmath>
#include <cstring>

namespace korvel {

namespace {

constexpr int64_t kRKIntMin = -(int64_t(1) << 29);
constexpr int64_t kRKIntMax = (int64_t(1) << 29) - 1;
constexpr uint32_t kRKDiv100 = 0x1;
constexpr uint32_t kRKInteger = 0x2;
constexpr uint64_t kLow34Bits = (uint64_t(1) << 34) - 1;

uint64_t BitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint32_t IntegerRK(int64_t n, uint32_t flags) {
    // Two's complement shift: the reader sign-extends the upper 30 bits.
    return (static_cast<uint32_t>(n) << 2) | flags;
}

}  // namespace

bool EncodeRK(double value, uint32_t& rk) {
    if (std::isnan(value) || std::fabs(value) >= 2147483648.0) return false;
    // -0.0 would come back as +0.0 from the integer forms; its high bits carry it.
    const bool negativeZero = value == 0.0 && std::signbit(value);

    if (!negativeZero) {
        if (value >= double(kRKIntMin) && value <= double(kRKIntMax)) {
            const auto n = static_cast<int32_t>(value);  // truncates toward zero
            if (static_cast<double>(n) == value) {
                rk = IntegerRK(n, kRKInteger);
                return true;
            }
        }
        // The integer d with x = d / 100. The product is rounded to binary64
        // first: when such a d exists it lies within far less than 0.5 of
        // x * 100 in either precision, so both give the same candidate; the
        // test that decides is what a reader computes, d / 100 in binary64.
        const double hundredfold = std::nearbyint(value * 100.0);
        if (hundredfold >= double(kRKIntMin) && hundredfold <= double(kRKIntMax)) {
            const auto n = static_cast<int32_t>(hundredfold);
            if (static_cast<double>(n) / 100.0 == value) {
                rk = IntegerRK(n, kRKInteger | kRKDiv100);
                return true;
            }
        }
    }

    const uint64_t bits = BitsOf(value);
    if ((bits & kLow34Bits) == 0) {
        rk = static_cast<uint32_t>(bits >> 32) & ~uint32_t(3);
        return true;
    }
    // x * 100 in extended precision is exact (53 + 7 bits), so it can be
    // tested for being a binary64 with empty low bits.
    const long double hundredfold = static_cast<long double>(value) * 100.0L;
    const double scaled = static_cast<double>(hundredfold);
    const uint64_t scaledBits = BitsOf(scaled);
    if ((scaledBits & kLow34Bits) == 0 && static_cast<long double>(scaled) == hundredfold &&
        scaled / 100.0 == value) {
        rk = (static_cast<uint32_t>(scaledBits >> 32) & ~uint32_t(3)) | kRKDiv100;
        return true;
    }
    return false;
}

double DecodeRK(uint32_t rk) {
    double value;
    if (rk & kRKInteger) {
        value = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        const uint64_t bits = static_cast<uint64_t>(rk & ~uint32_t(3)) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & kRKDiv100) ? value / 100.0 : value;
}

}  // namespace korvel
