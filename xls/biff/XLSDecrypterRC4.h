// 40-bit RC4 encryption of BIFF8 workbooks ([MS-OFFCRYPTO] 2.3.6): FILEPASS
// type 1, version 1.1, with MD5 key derivation.
#pragma once

#include "xls/biff/MD5Hash.h"
#include "xls/biff/XLSBlockRC4Decrypter.h"

namespace korvel {

class TXLSDecrypterRC4 : public TXLSBlockRC4Decrypter {
public:
    // Longer passwords give kDecryptPasswordTooLong.
    static constexpr size_t kMaxPasswordLength = 31;
    // Type, version, salt, verifier and verifier hash.
    static constexpr size_t kFilePassSize = 54;

    int32_t Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) override;

private:
    void KeyBlock(uint32_t block) override;

    // The first 5 bytes of H1, the only part of the password's hash the block
    // keys use.
    uint8_t truncatedKey_[5] = {};
};

}  // namespace korvel
