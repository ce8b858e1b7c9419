// Choosing and preparing the decrypter for a FILEPASS record.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "xls/biff/XLSDecrypter.h"

namespace korvel {

// The password [MS-OFFCRYPTO] publishes for workbooks that are protected
// against writing only; it is always tried before the caller's.
inline constexpr char16_t kDefaultWriteProtectPassword[] = u"VelvetSweatshop";

// Picks the decrypter for filePassBody (type 0 or a 4-byte BIFF5 body: XOR
// obfuscation; type 1 version 1.1: RC4; type 1 version 2.2/3.2/4.2: RC4
// CryptoAPI), tries the default password and then, when the caller gave one,
// password. On success result is kDecryptOk and the decrypter returned has
// skipped streamPosition bytes: the caller passes it every further byte of the
// stream from there on (headers and plain bodies to Skip, encrypted bodies to
// Decrypt; see DecryptRecordBody). Otherwise the result is a code of
// CryptoResults.h and nullptr is returned: a malformed or unsupported FILEPASS
// is reported as such whatever the password; -1003 when only the default was
// tried; else the caller's password's verdict.
std::unique_ptr<TXLSDecrypter> StartDecryption(std::span<const uint8_t> filePassBody,
                                               const std::u16string& password, uint32_t streamPosition,
                                               int32_t& result);

}  // namespace korvel
