#include "xls/biff/SHA1Hash.h"


namespace korvel {

namespace {

inline uint32_t RotL(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBE32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

}  // namespace

void TSHA1Hash::Init() {
    state_[0] = 0x67452301;
    state_[1] = 0xEFCDAB89;
    state_[2] = 0x98BADCFE;
    state_[3] = 0x10325476;
    state_[4] = 0xC3D2E1F0;
    blocks_.Reset();
}

void TSHA1Hash::Transform(const uint8_t block[64]) {
    uint32_t w[80];
    for (int t = 0; t < 16; ++t) w[t] = LoadBE32(block + 4 * t);
    for (int t = 16; t < 80; ++t) w[t] = RotL(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f, k;
        if (t < 20) { f = (b & c) | (~b & d); k = 0x5A827999; }
        else if (t < 40) { f = b ^ c ^ d; k = 0x6ED9EBA1; }
        else if (t < 60) { f = (b & c) | (b & d) | (c & d); k = 0x8F1BBCDC; }
        else { f = b ^ c ^ d; k = 0xCA62C1D6; }
        uint32_t temp = RotL(a, 5) + f + e + k + w[t];
        e = d;
        d = c;
        c = RotL(b, 30);
        b = a;
        a = temp;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void TSHA1Hash::Update(const uint8_t* data, size_t size) {
    blocks_.Update(data, size, [this](const uint8_t* block) { Transform(block); });
}

void TSHA1Hash::Final() {
    // Padding: one 1 bit, zeros up to 56 mod 64 bytes, then the bit length
    // as a big-endian 64-bit number.
    uint64_t bits = blocks_.BitCount();
    uint8_t pad[72] = {0x80};
    size_t padLength = blocks_.PadLength();
    for (int i = 0; i < 8; ++i) pad[padLength + i] = uint8_t(bits >> (56 - 8 * i));
    Update(pad, padLength + 8);
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 4; ++k) digest_[4 * i + k] = uint8_t(state_[i] >> (24 - 8 * k));
    Init();
}

TSHA1Hash::Digest TSHA1Hash::Of(std::span<const uint8_t> data) {
    TSHA1Hash hash;
    hash.Update(data);
    hash.Final();
    return hash.DigestBytes();
}

}  // namespace korvel
