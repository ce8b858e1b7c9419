#include "xls/biff/XLSDecrypterRC4.h"

#include <algorithm>
#include <cstring>

#include "common/ByteCursor.h"
#include "xls/biff/CryptoResults.h"

namespace korvel {

namespace {

// FILEPASS layout after the 2-byte type: version (2 + 2), then the
// RC4EncryptionHeader's salt, encrypted verifier and encrypted verifier hash.
constexpr size_t kSaltOffset = 6;
constexpr size_t kVerifierOffset = 22;
constexpr size_t kVerifierHashOffset = 38;
constexpr size_t kFieldSize = 16;
// How often H0's prefix and the salt are repeated to form H1's input.
constexpr int kSaltRepetitions = 16;

}  // namespace

int32_t TXLSDecrypterRC4::Initialize(std::span<const uint8_t> filePassBody, const std::u16string& password) {
    ByteCursor body(filePassBody);
    uint8_t salt[kFieldSize], verifier[kFieldSize], verifierHash[kFieldSize];
    body.Seek(kSaltOffset);
    body.ReadBytes(salt, kFieldSize);
    body.Seek(kVerifierOffset);
    body.ReadBytes(verifier, kFieldSize);
    body.Seek(kVerifierHashOffset);
    body.ReadBytes(verifierHash, kFieldSize);
    if (!body.Ok()) return kDecryptBadFilePass;
    if (password.size() > kMaxPasswordLength) return kDecryptPasswordTooLong;

    // H0 = MD5(password as UTF-16LE); H1 = MD5(16 x (H0[0..4] + salt)).
    TMD5Hash md5;
    for (char16_t unit : password) {
        uint8_t le[2] = {uint8_t(unit), uint8_t(unit >> 8)};
        md5.Update(le, 2);
    }
    md5.Final();
    TMD5Hash::Digest h0 = md5.DigestBytes();
    for (int n = 0; n < kSaltRepetitions; ++n) {
        md5.Update(h0.data(), sizeof truncatedKey_);
        md5.Update(salt, kFieldSize);
    }
    md5.Final();
    std::memcpy(truncatedKey_, md5.DigestBytes().data(), sizeof truncatedKey_);

    // The verifier and its hash are encrypted in a row with block 0's key.
    KeyBlock(0);
    rc4_.Crypt(verifier, kFieldSize);
    rc4_.Crypt(verifierHash, kFieldSize);
    TMD5Hash::Digest check = TMD5Hash::Of(verifier);
    if (!std::equal(check.begin(), check.end(), verifierHash)) return kDecryptWrongPassword;
    ResetPosition();
    return kDecryptOk;
}

void TXLSDecrypterRC4::KeyBlock(uint32_t block) {
    // Block key = MD5(H1[0..4] + block as LE32), all 16 bytes.
    uint8_t input[sizeof truncatedKey_ + 4];
    std::memcpy(input, truncatedKey_, sizeof truncatedKey_);
    StoreU32LE(input + sizeof truncatedKey_, block);
    TMD5Hash::Digest key = TMD5Hash::Of(input);
    rc4_.SetKey(key);
}

}  // namespace korvel
