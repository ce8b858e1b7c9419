#include "xls/biff/RC4.h"

#include <utility>

namespace korvel {

void TRC4::SetKey(std::span<const uint8_t> key) {
    for (uint32_t n = 0; n < 256; ++n) s_[n] = n;
    i_ = 0;
    j_ = 0;
    if (key.empty()) return;
    // Encrypted workbooks re-key every 1024 bytes: walk the key with its own
    // index rather than dividing on every step.
    uint8_t j = 0;
    size_t k = 0;
    for (size_t n = 0; n < 256; ++n) {
        j = uint8_t(j + s_[n] + key[k]);
        if (++k == key.size()) k = 0;
        std::swap(s_[n], s_[j]);
    }
}

// The indexes live in locals while a buffer is processed: stores through the
// byte buffer could alias the members, which would force the compiler to
// reload and store them on every byte.
void TRC4::Crypt(uint8_t* buffer, size_t count) {
    uint8_t i = i_, j = j_;
    for (size_t n = 0; n < count; ++n) {
        i = uint8_t(i + 1);
        const uint32_t si = s_[i];
        j = uint8_t(j + si);
        const uint32_t sj = s_[j];
        s_[i] = sj;
        s_[j] = si;
        buffer[n] ^= uint8_t(s_[uint8_t(si + sj)]);
    }
    i_ = i;
    j_ = j;
}

void TRC4::Discard(size_t count) {
    uint8_t i = i_, j = j_;
    for (size_t n = 0; n < count; ++n) {
        i = uint8_t(i + 1);
        const uint32_t si = s_[i];
        j = uint8_t(j + si);
        s_[i] = s_[j];
        s_[j] = si;
    }
    i_ = i;
    j_ = j;
}

}  // namespace korvel
