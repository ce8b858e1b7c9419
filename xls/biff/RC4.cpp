#include "xls/biff/RC4.h"

#include <utility>

namespace korvel {

void TRC4::SetKey(std::span<const uint8_t> key) {
    for (int n = 0; n < 256; ++n) s_[n] = uint8_t(n);
    i_ = 0;
    j_ = 0;
    if (key.empty()) return;
    uint8_t j = 0;
    for (size_t n = 0; n < 256; ++n) {
        j = uint8_t(j + s_[n] + key[n % key.size()]);
        std::swap(s_[n], s_[j]);
    }
}

inline uint8_t TRC4::NextByte() {
    i_ = uint8_t(i_ + 1);
    j_ = uint8_t(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    return s_[uint8_t(s_[i_] + s_[j_])];
}

void TRC4::Crypt(uint8_t* buffer, size_t count) {
    for (size_t n = 0; n < count; ++n) buffer[n] ^= NextByte();
}

void TRC4::Discard(size_t count) {
    for (size_t n = 0; n < count; ++n) NextByte();
}

}  // namespace korvel
