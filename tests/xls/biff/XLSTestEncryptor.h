// Test-only encryption of a plain BIFF8 workbook stream, so that the
// decrypters can be exercised on every method, including those no available
// program writes. Its output is checked by independent decrypters before
// any test trusts it (crypto_independent_check.py).
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvel::testing {

enum class TestCipher { XOR, RC4, RC4CryptoAPI };

struct TestEncryption {
    TestCipher cipher = TestCipher::RC4;
    std::u16string password;
    // RC4 CryptoAPI only: key size in bits (40 to 128) and version major (2 to 4).
    uint32_t keyBits = 128;
    uint16_t versionMajor = 4;
    // XOR only: the BIFF5 FILEPASS layout (key and verifier, no type field).
    // EncryptWorkbookStream sets it from the version in the BOF record.
    bool biff5 = false;
    // Fixed so that the output is reproducible.
    uint8_t salt[16] = {0x5A, 0x17, 0xC3, 0x09, 0x88, 0x41, 0xE2, 0x7D,
                        0x30, 0x9B, 0x66, 0xF4, 0x12, 0xAD, 0x5E, 0xC1};
    uint8_t verifier[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                            0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
};

// Inserts a FILEPASS record for options after the first (globals) BOF, moves
// the stream offsets stored in BOUNDSHEET, INDEX and EXTSST by its size, and
// encrypts every record body after it that [MS-XLS] 2.2.10 encrypts. A BIFF5
// stream (BOF version 0x0500) takes XOR only. Throws std::invalid_argument
// when plain does not start with a BOF record, ends inside a record (trailing
// zero padding counts as empty records) or is BIFF5 with an RC4 method.
std::vector<uint8_t> EncryptWorkbookStream(std::span<const uint8_t> plain, const TestEncryption& options);

// The stream EncryptWorkbookStream encrypts: plain with the FILEPASS record
// inserted and the stream offsets moved, nothing encrypted yet.
std::vector<uint8_t> InsertFilePass(std::span<const uint8_t> plain, const TestEncryption& options);

// The FILEPASS body EncryptWorkbookStream writes for options.
std::vector<uint8_t> MakeFilePassBody(const TestEncryption& options);

// The XOR obfuscation key of [MS-OFFCRYPTO] 2.3.7.2 for an ASCII password of
// 1 to 15 characters.
uint16_t XorKeyMethod1(std::string_view password);

}  // namespace korvel::testing
