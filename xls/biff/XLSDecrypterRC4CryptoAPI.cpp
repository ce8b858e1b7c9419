#include "xls/biff/XLSDecrypterRC4CryptoAPI.h"

#include <algorithm>
#include <cstring>

#include "common/ByteCursor.h"
#include "xls/biff/CryptoResults.h"

namespace korvel {

namespace {

// [MS-OFFCRYPTO] 2.3.2 EncryptionHeader and 2.3.3 EncryptionVerifier.
constexpr uint32_t kAlgorithmRC4 = 0x6801;
constexpr uint32_t kAlgorithmHashSHA1 = 0x8004;
constexpr uint32_t kHeaderFlagAES = 0x20;
// Flags, SizeExtra, AlgID, AlgIDHash and KeySize must be there to read.
constexpr uint32_t kMinHeaderSize = 20;
constexpr uint32_t kSaltSize = 16;
constexpr uint32_t kVerifierSize = 16;
constexpr uint32_t kVerifierHashSize = 20;
// A key size of 0 stands for 40 bits.
constexpr uint32_t kMinKeyBits = 40;
constexpr uint32_t kMaxKeyBits = 128;
// A 40-bit key is padded with zeros to 128 bits before the RC4 key setup.
constexpr uint32_t kPaddedKeyBytes = 16;

struct CryptoAPIHeader {
    uint32_t flags = 0, algorithm = 0, hashAlgorithm = 0, keyBits = 0;
};

bool ReadHeader(ByteCursor& body, CryptoAPIHeader& header) {
    body.Skip(4);  // EncryptionVersionInfo's flags, repeated in the header
    uint32_t headerSize = body.U32();
    ByteCursor fields(body.Bytes(headerSize));
    header.flags = fields.U32();
    fields.U32();  // SizeExtra
    header.algorithm = fields.U32();
    header.hashAlgorithm = fields.U32();
    header.keyBits = fields.U32();
    return body.Ok() && headerSize >= kMinHeaderSize && fields.Ok();
}

bool IsSupported(const CryptoAPIHeader& header) {
    if (header.flags & kHeaderFlagAES) return false;
    if (header.algorithm != 0 && header.algorithm != kAlgorithmRC4) return false;
    if (header.hashAlgorithm != 0 && header.hashAlgorithm != kAlgorithmHashSHA1) return false;
    uint32_t bits = header.keyBits;
    return bits % 8 == 0 && bits >= kMinKeyBits && bits <= kMaxKeyBits;
}

}  // namespace

bool TXLSDecrypterRC4CryptoAPI::IsCryptoAPIVersion(uint16_t major, uint16_t minor) {
    return major >= 2 && major <= 4 && minor == 2;
}

int32_t TXLSDecrypterRC4CryptoAPI::Initialize(std::span<const uint8_t> filePassBody,
                                              const std::u16string& password) {
    ByteCursor body(filePassBody);
    body.Skip(2);  // encryption type
    uint16_t major = body.U16();
    uint16_t minor = body.U16();
    CryptoAPIHeader header;
    if (!ReadHeader(body, header)) return kDecryptBadFilePass;
    if (header.keyBits == 0) header.keyBits = kMinKeyBits;
    uint32_t saltSize = body.U32();
    uint8_t salt[kSaltSize], verifier[kVerifierSize], verifierHash[kVerifierHashSize];
    if (saltSize != kSaltSize) return body.Ok() ? kDecryptUnsupportedMethod : kDecryptBadFilePass;
    body.ReadBytes(salt, kSaltSize);
    body.ReadBytes(verifier, kVerifierSize);
    uint32_t verifierHashSize = body.U32();
    body.ReadBytes(verifierHash, kVerifierHashSize);
    if (!body.Ok()) return kDecryptBadFilePass;
    if (!IsCryptoAPIVersion(major, minor) || !IsSupported(header) || verifierHashSize != kVerifierHashSize)
        return kDecryptUnsupportedMethod;
    if (password.size() > kMaxPasswordLength) return kDecryptPasswordTooLong;

    // H0 = SHA1(salt + password as UTF-16LE).
    TSHA1Hash sha1;
    sha1.Update(salt, kSaltSize);
    for (char16_t unit : password) {
        uint8_t le[2] = {uint8_t(unit), uint8_t(unit >> 8)};
        sha1.Update(le, 2);
    }
    sha1.Final();
    h0_ = sha1.DigestBytes();
    keyBytes_ = header.keyBits / 8;

    KeyBlock(0);
    rc4_.Crypt(verifier, kVerifierSize);
    rc4_.Crypt(verifierHash, kVerifierHashSize);
    TSHA1Hash::Digest check = TSHA1Hash::Of(verifier);
    if (!std::equal(check.begin(), check.end(), verifierHash)) return kDecryptWrongPassword;
    ResetPosition();
    return kDecryptOk;
}

void TXLSDecrypterRC4CryptoAPI::KeyBlock(uint32_t block) {
    // Hfinal = SHA1(H0 + block as LE32), cut to the key size.
    uint8_t input[TSHA1Hash::kDigestSize + 4];
    std::memcpy(input, h0_.data(), h0_.size());
    StoreU32LE(input + h0_.size(), block);
    TSHA1Hash::Digest hfinal = TSHA1Hash::Of(input);
    uint8_t key[TSHA1Hash::kDigestSize] = {};
    std::memcpy(key, hfinal.data(), keyBytes_);
    // 40-bit keys go into the key setup as 16 bytes, the last 11 of them zero.
    size_t keyLength = keyBytes_ == kMinKeyBits / 8 ? kPaddedKeyBytes : keyBytes_;
    rc4_.SetKey(std::span<const uint8_t>(key, keyLength));
}

}  // namespace korvel
