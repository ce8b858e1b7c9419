// RC4 CryptoAPI encryption of BIFF8 workbooks ([MS-OFFCRYPTO] 2.3.5):
// FILEPASS type 1, version 2.2, 3.2 or 4.2, followed by an EncryptionHeader
// and an EncryptionVerifier; SHA-1 key derivation, keys of 40 to 128 bits.
#pragma once

#include "xls/biff/SHA1Hash.h"
#include "xls/biff/XLSBlockRC4Decrypter.h"

namespace korvel {

class TXLSDecrypterRC4CryptoAPI : public TXLSBlockRC4Decrypter {
public:
    // [MS-OFFCRYPTO] limits passwords to 255 characters.
    static constexpr size_t kMaxPasswordLength = 255;

    int32_t Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) override;

    // True when the FILEPASS body carries an RC4 CryptoAPI version number.
    static bool IsCryptoAPIVersion(uint16_t major, uint16_t minor);

private:
    void KeyBlock(uint32_t block) override;

    TSHA1Hash::Digest h0_{};
    uint32_t keyBytes_ = 16;
};

}  // namespace korvel
