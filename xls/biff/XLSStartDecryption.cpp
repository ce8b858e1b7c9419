#include "xls/biff/XLSStartDecryption.h"

#include "common/ByteCursor.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSDecrypterRC4.h"
#include "xls/biff/XLSDecrypterRC4CryptoAPI.h"
#include "xls/biff/XLSDecrypterXOR.h"

namespace korvel {

namespace {

constexpr uint16_t kTypeXOR = 0;
constexpr uint16_t kTypeRC4 = 1;
// The BIFF5 FILEPASS has no type field: key and verifier only.
constexpr size_t kBiff5FilePassSize = 4;

std::unique_ptr<TXLSDecrypter> ChooseDecrypter(std::span<const uint8_t> filePassBody, int32_t& result) {
    ByteCursor body(filePassBody);
    if (body.Size() <= 1) {
        result = kDecryptBadFilePass;
        return nullptr;
    }
    uint16_t type = body.U16();
    if (type == kTypeXOR || body.Size() == kBiff5FilePassSize) return std::make_unique<TXLSDecrypterXOR>();
    if (type != kTypeRC4) {
        result = kDecryptUnknownType;
        return nullptr;
    }
    uint16_t major = body.U16();
    uint16_t minor = body.U16();
    if (!body.Ok()) {
        result = kDecryptBadFilePass;
        return nullptr;
    }
    if (major == 1 && minor == 1) return std::make_unique<TXLSDecrypterRC4>();
    if (TXLSDecrypterRC4CryptoAPI::IsCryptoAPIVersion(major, minor))
        return std::make_unique<TXLSDecrypterRC4CryptoAPI>();
    result = kDecryptUnsupportedMethod;
    return nullptr;
}

}  // namespace

std::unique_ptr<TXLSDecrypter> StartDecryption(std::span<const uint8_t> filePassBody,
                                               const std::u16string& password, uint32_t streamPosition,
                                               int32_t& result) {
    std::unique_ptr<TXLSDecrypter> decrypter = ChooseDecrypter(filePassBody, result);
    if (!decrypter) return nullptr;
    result = decrypter->Initialize(filePassBody, kDefaultWriteProtectPassword);
    // Only a password that does not fit leads on to the caller's; a broken or
    // unsupported record stays reported as what it is.
    if (result == kDecryptWrongPassword) {
        result = password.empty() ? kDecryptPasswordNeeded : decrypter->Initialize(filePassBody, password);
    }
    if (result != kDecryptOk) return nullptr;
    decrypter->Skip(streamPosition);
    return decrypter;
}

}  // namespace korvel
