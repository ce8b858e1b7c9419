// RK encodings checked against values worked out by hand from [MS-XLS] 2.5.218.
#include "xls/biff/XLSRKEncoding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace korvel {
namespace {

double FromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint64_t BitsOf(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct RKCase {
    const char* name;
    double value;
    uint32_t rk;
};

TEST(RKEncoding, EncodesToTheExpectedRKValue) {
    const RKCase cases[] = {
        {"one", 1.0, 6},
        {"one and a half", 1.5, 603},
        {"a tenth", 0.1, 43},
        {"a half", 0.5, 203},
        {"zero", 0.0, 2},
        {"minus one", -1.0, 0xFFFFFFFEu},
        {"minus two and a half", -2.5, 0xFFFFFC1Bu},
        {"largest 30-bit integer", 536870911.0, 0x7FFFFFFEu},
        {"smallest 30-bit integer", -536870912.0, 0x80000002u},
        {"2^29 via its high bits", 536870912.0, 0x41C00000u},
        {"largest hundredths", 5368709.11, 0x7FFFFFFFu},
        {"smallest hundredths", -5368709.12, 0x80000003u},
        {"power of two fraction", 1.0 / 1024.0, 0x3F500000u},
        {"negative zero keeps its sign", -0.0, 0x80000000u},
        {"denormal with empty low bits", FromBits(0x0000000400000000ull), 0x00000004u},
    };
    for (const RKCase& c : cases) {
        uint32_t rk = 0xDEADBEEF;
        ASSERT_TRUE(EncodeRK(c.value, rk)) << c.name;
        EXPECT_EQ(rk, c.rk) << c.name;
    }
}

TEST(RKEncoding, ValuesWithoutAnRKForm) {
    const struct {
        const char* name;
        double value;
    } cases[] = {
        {"2^31", 2147483648.0},
        {"-2^31", -2147483648.0},
        {"2^31 - 1 needs 31 significant bits", 2147483647.0},
        {"-(2^29 + 1)", -536870913.0},
        {"a billion", 1e9},
        {"a third", 1.0 / 3.0},
        {"one hundred-thousandth", 0.00001},
        {"smallest denormal", FromBits(1)},
        {"pi", 3.141592653589793},
        {"infinity", std::numeric_limits<double>::infinity()},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"huge", 1e300},
    };
    for (const auto& c : cases) {
        uint32_t rk = 0;
        EXPECT_FALSE(EncodeRK(c.value, rk)) << c.name << " gave " << rk;
    }
}

// Decoding as [MS-XLS] describes it, written out independently of DecodeRK.
double ReferenceDecode(uint32_t rk) {
    double value = (rk & 2) ? double(int32_t(rk) >> 2) : FromBits(uint64_t(rk & 0xFFFFFFFCu) << 32);
    return (rk & 1) ? value / 100.0 : value;
}

TEST(RKEncoding, EveryEncodingReadsBackBitForBit) {
    // Sweeps integers around the 30-bit edges, hundredths and binary fractions.
    std::vector<double> values;
    for (int64_t edge : {int64_t(1) << 29, -(int64_t(1) << 29), int64_t(0)})
        for (int64_t d = -300; d <= 300; ++d) values.push_back(double(edge + d));
    for (int i = -20000; i <= 20000; i += 7) values.push_back(i / 100.0);
    for (int e = -1074; e < 31; ++e) values.push_back(std::ldexp(1.0, e));
    for (int i = 1; i < 5000; ++i) values.push_back(i * 0.37);
    for (double v : values) {
        uint32_t rk;
        if (!EncodeRK(v, rk)) continue;
        EXPECT_EQ(BitsOf(ReferenceDecode(rk)), BitsOf(v)) << v;
        EXPECT_EQ(BitsOf(DecodeRK(rk)), BitsOf(v)) << v;
    }
    // Every integer form must be taken when the integer fits in 30 bits.
    uint32_t rk;
    for (int64_t n : {int64_t(-536870912), int64_t(-1), int64_t(7), int64_t(536870911)}) {
        ASSERT_TRUE(EncodeRK(double(n), rk));
        EXPECT_EQ(rk & 3u, 2u) << n;
    }
}

}  // namespace
}  // namespace korvel
