#include "xls/xlsx/ZipCrc32.h"

#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KORVEL_CRC_FOLDING 1
#endif

namespace korvel {

namespace {

uint32_t ZlibCrc32(uint32_t crc, const uint8_t* bytes, size_t count) {
    return static_cast<uint32_t>(crc32_z(crc, bytes, count));
}

#if KORVEL_CRC_FOLDING

#define KORVEL_CRC_TARGET __attribute__((target("pclmul,sse4.1")))

KORVEL_CRC_TARGET __m128i Load(const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// lane.low * k.low + lane.high * k.high, onto the next 16 bytes.
KORVEL_CRC_TARGET __m128i Fold(__m128i lane, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(lane, k, 0x00), _mm_clmulepi64_si128(lane, k, 0x11)), next);
}

// Folding by four 128-bit lanes, then to one lane, to 64 and 32 bits, and a
// Barrett reduction (Gopal et al., "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ Instruction", Intel, 2009). The constants are
// x^(4*128+32), x^(4*128-32), x^(128+32), x^(128-32) and x^64 modulo the
// polynomial, then the polynomial and floor(x^64 / polynomial), all
// bit-reflected. crc is the running remainder without zlib's inversions;
// count is a multiple of 16 and at least 64.
KORVEL_CRC_TARGET uint32_t FoldCrc32(uint32_t crc, const uint8_t* bytes, size_t count) {
    const __m128i k1k2 = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x163cd6124);
    const __m128i polyMu = _mm_set_epi64x(0x1f7011641, 0x1db710641);
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);

    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(bytes + 16), x3 = Load(bytes + 32), x4 = Load(bytes + 48);
    bytes += 64;
    count -= 64;
    for (; count >= 64; bytes += 64, count -= 64) {
        x1 = Fold(x1, k1k2, Load(bytes));
        x2 = Fold(x2, k1k2, Load(bytes + 16));
        x3 = Fold(x3, k1k2, Load(bytes + 32));
        x4 = Fold(x4, k1k2, Load(bytes + 48));
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    for (; count >= 16; bytes += 16, count -= 16) x1 = Fold(x1, k3k4, Load(bytes));

    // 128 bits to 64.
    __m128i x = _mm_xor_si128(_mm_clmulepi64_si128(x1, k3k4, 0x10), _mm_srli_si128(x1, 8));
    // 64 bits to 32.
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, mask32), k5, 0x00), _mm_srli_si128(x, 4));
    // Barrett reduction.
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, mask32), polyMu, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, mask32), polyMu, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}

bool HaveFolding() {
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

#endif

}  // namespace

uint32_t ZipCrc32(uint32_t crc, const uint8_t* bytes, size_t count) {
#if KORVEL_CRC_FOLDING
    if (count >= 64 && HaveFolding()) {
        const size_t folded = count & ~size_t{15};
        crc = ~FoldCrc32(~crc, bytes, folded);
        bytes += folded;
        count -= folded;
    }
#endif
    return ZlibCrc32(crc, bytes, count);
}

}  // namespace korvel
