// XOR obfuscation of BIFF5 and BIFF8 workbooks ([MS-OFFCRYPTO] 2.3.7, method 1;
// [MS-XLS] 2.2.10). The FILEPASS record stores a 16-bit key and a 16-bit
// password verifier; the password is used as 8-bit characters of the system's
// ANSI code page.
#pragma once

#include <array>
#include <string_view>

#include "xls/biff/XLSDecrypter.h"

namespace korvel {

class TXLSDecrypterXOR : public TXLSDecrypter {
public:
    // FILEPASS body layouts: BIFF5, 4 bytes (key, verifier); BIFF8, at least
    // 6 bytes (type 0, key, verifier). Other sizes give kDecryptBadFilePass,
    // a verifier that does not match the password kDecryptWrongPassword.
    int32_t Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) override;
    void Skip(uint32_t count) override;
    void Decrypt(uint8_t* buffer, uint32_t count) override;

    // Same as Initialize with the password already in 8-bit form.
    int32_t InitializeAnsi(std::span<const uint8_t> filePassBody, std::string_view password);

    // The password verifier of [MS-OFFCRYPTO] 2.3.7.1 for an 8-bit password.
    static uint16_t PasswordVerifier(std::string_view password);
    // The 16-byte XOR array for an 8-bit password and the stored key.
    static std::array<uint8_t, 16> XorArray(std::string_view password, uint16_t key);

private:
    uint32_t position_ = 0;
    std::array<uint8_t, 16> xorArray_{};
};

}  // namespace korvel
