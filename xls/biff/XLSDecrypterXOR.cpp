#include "xls/biff/XLSDecrypterXOR.h"

#include "common/ByteCursor.h"
#include "platform/CodePage.h"
#include "xls/biff/CryptoResults.h"

namespace korvel {

namespace {

// The pad bytes that fill the XOR array after the password
// ([MS-OFFCRYPTO] 2.3.7.2), with a final zero for a 16th byte.
constexpr uint8_t kPadArray[16] = {0xBB, 0xFF, 0xFF, 0xBA, 0xFF, 0xFF, 0xB9, 0x80,
                                   0x00, 0xBE, 0x0F, 0x00, 0xBF, 0x0F, 0x00, 0x00};

inline uint8_t RotateLeft8(uint8_t value, int bits) {
    return uint8_t((value << bits) | (value >> (8 - bits)));
}

}  // namespace

uint16_t TXLSDecrypterXOR::PasswordVerifier(std::string_view password) {
    // Each byte rotated left by its 1-based position within 15 bits, all
    // XORed together, then the length and the constant 0xCE4B.
    uint32_t verifier = 0;
    for (size_t i = 0; i < password.size(); ++i) {
        uint32_t shift = uint32_t((i + 1) % 15);
        uint32_t c = uint32_t(uint8_t(password[i])) << shift;
        verifier ^= (c & 0x7FFF) | ((c & 0x3FFF8000) >> 15);
    }
    verifier ^= uint32_t(password.size());
    verifier ^= 0xCE4B;
    return uint16_t(verifier);
}

std::array<uint8_t, 16> TXLSDecrypterXOR::XorArray(std::string_view password, uint16_t key) {
    std::array<uint8_t, 16> array{};
    size_t n = std::min<size_t>(password.size(), array.size());
    for (size_t i = 0; i < n; ++i) array[i] = uint8_t(password[i]);
    for (size_t i = n; i < array.size(); ++i) array[i] = kPadArray[i - n];
    for (size_t i = 0; i < array.size(); i += 2) {
        array[i] ^= uint8_t(key);
        array[i + 1] ^= uint8_t(key >> 8);
    }
    for (uint8_t& byte : array) byte = RotateLeft8(byte, 2);
    return array;
}

int32_t TXLSDecrypterXOR::Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) {
    return InitializeAnsi(filePassBody, WideToAnsi(password));
}

int32_t TXLSDecrypterXOR::InitializeAnsi(std::span<const uint8_t> filePassBody, std::string_view password) {
    ByteCursor body(filePassBody);
    // BIFF5 stores key and verifier only; BIFF8 puts the type (0) first. A
    // 5-byte body would end inside the verifier.
    if (body.Size() != 4 && body.Size() < 6) return kDecryptBadFilePass;
    if (body.Size() >= 6) body.Skip(2);
    uint16_t key = body.U16();
    uint16_t storedVerifier = body.U16();
    if (!body.Ok()) return kDecryptBadFilePass;
    if (storedVerifier != PasswordVerifier(password)) return kDecryptWrongPassword;
    xorArray_ = XorArray(password, key);
    position_ = 0;
    return kDecryptOk;
}

void TXLSDecrypterXOR::Skip(uint32_t count) { position_ += count; }

void TXLSDecrypterXOR::Decrypt(uint8_t* buffer, uint32_t count) {
    // The array index of a byte is its stream offset plus the length of its
    // record body, modulo 16 (how the format's writers obfuscate), which is
    // why a body must come in one call.
    uint32_t index = (count + position_) % 16;
    for (uint32_t n = 0; n < count; ++n) {
        buffer[n] = uint8_t(RotateLeft8(buffer[n], 3) ^ xorArray_[index]);
        index = (index + 1) % 16;
    }
    position_ += count;
}

}  // namespace korvel
