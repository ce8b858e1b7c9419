// Result codes of starting decryption on a FILEPASS record. Like every result
// of the workbook reader they are returned, never thrown; the reader stops
// and Open hands the code to its caller.
#pragma once

#include <cstdint>

namespace korvel {

// Decryption is in force.
inline constexpr int32_t kDecryptOk = 1;
// The FILEPASS body is malformed: 1 byte or less, an XOR body of 2, 3 or 5
// bytes, or an RC4 / RC4 CryptoAPI body shorter than its own layout says.
inline constexpr int32_t kDecryptBadFilePass = -1001;
// Encryption type other than 0 (XOR obfuscation) and 1 (RC4).
inline constexpr int32_t kDecryptUnknownType = -1002;
// A password is needed: the default write-protection password did not fit
// and the caller gave none.
inline constexpr int32_t kDecryptPasswordNeeded = -1003;
// The password is too long for the method: RC4 takes at most 31 characters,
// RC4 CryptoAPI at most 255.
inline constexpr int32_t kDecryptPasswordTooLong = -1004;
// The password does not open the workbook.
inline constexpr int32_t kDecryptWrongPassword = -1005;
// Type 1 (RC4) with a version or algorithm this reader does not implement
// (anything but plain RC4 1.1 and RC4 CryptoAPI 2.2/3.2/4.2 with RC4 and
// SHA-1): telling it apart keeps it from looking like a wrong password.
inline constexpr int32_t kDecryptUnsupportedMethod = -1006;

}  // namespace korvel
