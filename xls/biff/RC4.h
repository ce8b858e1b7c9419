// The RC4 stream cipher: key setup from a byte key, then an in-place XOR of
// buffers with the key stream. Used only for reading encrypted workbooks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvel {

class TRC4 {
public:
    // Sets up the permutation from key (1 to 256 bytes; an empty key leaves
    // the identity permutation) and resets both indexes.
    void SetKey(std::span<const uint8_t> key);
    // XORs count bytes of buffer with the next key stream bytes.
    void Crypt(uint8_t* buffer, size_t count);
    // Advances the key stream by count bytes without touching any data.
    void Discard(size_t count);

private:
    // Held as 32-bit words: the byte-wise loads and stores of an 8-bit table
    // are markedly slower on common processors.
    uint32_t s_[256] = {};
    uint8_t i_ = 0;
    uint8_t j_ = 0;
};

}  // namespace korvel
