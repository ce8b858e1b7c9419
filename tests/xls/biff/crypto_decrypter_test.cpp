// The FILEPASS dispatch and its result codes, the XOR password verifier, and
// the RC4 block walk from a cold start.
#include <gtest/gtest.h>

#include "tests/xls/biff/CryptoTestUtil.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSDecrypterRC4.h"
#include "xls/biff/XLSDecrypterXOR.h"
#include "xls/biff/XLSRecordEncryption.h"
#include "xls/biff/XLSStartDecryption.h"

namespace korvel {
namespace {

using testing::FromHex;
using testing::TestCipher;
using testing::TestEncryption;

TestEncryption Options(TestCipher cipher, std::u16string password, uint32_t keyBits = 128) {
    TestEncryption options;
    options.cipher = cipher;
    options.password = std::move(password);
    options.keyBits = keyBits;
    return options;
}

int32_t Start(const std::vector<uint8_t>& body, const std::u16string& password) {
    int32_t result = 0;
    auto decrypter = StartDecryption(body, password, 0, result);
    EXPECT_EQ(decrypter != nullptr, result == kDecryptOk);
    return result;
}

// Offsets in the RC4 CryptoAPI FILEPASS body: type 2, version 4, flags 4,
// header size 4, then the header's flags, SizeExtra, AlgID, AlgIDHash, KeySize.
constexpr size_t kCapiHeaderFlags = 14, kCapiAlgId = 22, kCapiAlgIdHash = 26, kCapiKeySize = 30;
constexpr size_t kCapiHeaderSizeField = 10;

std::vector<uint8_t> Patched(std::vector<uint8_t> body, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) body[offset + i] = uint8_t(value >> (8 * i));
    return body;
}

TEST(StartDecryption, MalformedAndUnsupportedRecords) {
    const auto rc4 = testing::MakeFilePassBody(Options(TestCipher::RC4, u"secret"));
    const auto capi = testing::MakeFilePassBody(Options(TestCipher::RC4CryptoAPI, u"secret"));
    struct Row {
        const char* name;
        std::vector<uint8_t> body;
        int32_t expected;
    } rows[] = {
        {"empty", {}, kDecryptBadFilePass},
        {"one byte", FromHex("00"), kDecryptBadFilePass},
        {"XOR of 2 bytes", FromHex("0000"), kDecryptBadFilePass},
        {"XOR of 3 bytes", FromHex("000012"), kDecryptBadFilePass},
        // Key and verifier would reach past the end.
        {"XOR of 5 bytes", FromHex("0000123456"), kDecryptBadFilePass},
        {"type 2", FromHex("0200 0100 0100"), kDecryptUnknownType},
        {"type 0xFFFF", FromHex("ffff 0000 0000 0000"), kDecryptUnknownType},
        {"RC4 without version", FromHex("0100 01"), kDecryptBadFilePass},
        {"RC4 cut by one byte", std::vector<uint8_t>(rc4.begin(), rc4.end() - 1), kDecryptBadFilePass},
        {"RC4 version 1.2", Patched(rc4, 2, 0x00020001), kDecryptUnsupportedMethod},
        {"RC4 version 3.3", Patched(rc4, 2, 0x00030003), kDecryptUnsupportedMethod},
        {"CryptoAPI cut in the verifier", std::vector<uint8_t>(capi.begin(), capi.end() - 1), kDecryptBadFilePass},
        {"CryptoAPI header size past the end", Patched(capi, kCapiHeaderSizeField, 0x10000), kDecryptBadFilePass},
        {"CryptoAPI header too short", Patched(capi, kCapiHeaderSizeField, 8), kDecryptBadFilePass},
        {"CryptoAPI with AES flag", Patched(capi, kCapiHeaderFlags, 0x24), kDecryptUnsupportedMethod},
        {"CryptoAPI AES-128 algorithm", Patched(capi, kCapiAlgId, 0x660E), kDecryptUnsupportedMethod},
        {"CryptoAPI MD5 hash", Patched(capi, kCapiAlgIdHash, 0x8003), kDecryptUnsupportedMethod},
        {"CryptoAPI 256-bit key", Patched(capi, kCapiKeySize, 256), kDecryptUnsupportedMethod},
        {"CryptoAPI 36-bit key", Patched(capi, kCapiKeySize, 36), kDecryptUnsupportedMethod},
    };
    for (const Row& row : rows) {
        // Structural verdicts do not depend on the password.
        EXPECT_EQ(Start(row.body, u""), row.expected) << row.name;
        EXPECT_EQ(Start(row.body, u"secret"), row.expected) << row.name;
    }
}

TEST(StartDecryption, PasswordVerdictsPerMethod) {
    const std::u16string long31(31, u'x'), long32(32, u'x'), long255(255, u'y'), long256(256, u'y');
    struct Row {
        const char* name;
        TestEncryption options;
        std::u16string password;
        int32_t expected;
    } rows[] = {
        {"XOR right", Options(TestCipher::XOR, u"Obfusc8"), u"Obfusc8", kDecryptOk},
        {"XOR wrong", Options(TestCipher::XOR, u"Obfusc8"), u"obfusc8", kDecryptWrongPassword},
        {"XOR none", Options(TestCipher::XOR, u"Obfusc8"), u"", kDecryptPasswordNeeded},
        {"XOR default", Options(TestCipher::XOR, kDefaultWriteProtectPassword), u"", kDecryptOk},
        {"XOR default, other given", Options(TestCipher::XOR, kDefaultWriteProtectPassword), u"abc", kDecryptOk},
        {"RC4 right", Options(TestCipher::RC4, u"s\u00e9same"), u"s\u00e9same", kDecryptOk},
        {"RC4 wrong", Options(TestCipher::RC4, u"s\u00e9same"), u"sesame", kDecryptWrongPassword},
        {"RC4 none", Options(TestCipher::RC4, u"s\u00e9same"), u"", kDecryptPasswordNeeded},
        {"RC4 default", Options(TestCipher::RC4, kDefaultWriteProtectPassword), u"", kDecryptOk},
        {"RC4 31 characters", Options(TestCipher::RC4, long31), long31, kDecryptOk},
        {"RC4 32 characters", Options(TestCipher::RC4, long31), long32, kDecryptPasswordTooLong},
        {"CryptoAPI 128 right", Options(TestCipher::RC4CryptoAPI, u"p\u00e4ss"), u"p\u00e4ss", kDecryptOk},
        {"CryptoAPI 40 right", Options(TestCipher::RC4CryptoAPI, u"p\u00e4ss", 40), u"p\u00e4ss", kDecryptOk},
        {"CryptoAPI 56 right", Options(TestCipher::RC4CryptoAPI, u"p\u00e4ss", 56), u"p\u00e4ss", kDecryptOk},
        {"CryptoAPI wrong", Options(TestCipher::RC4CryptoAPI, u"p\u00e4ss"), u"pass", kDecryptWrongPassword},
        {"CryptoAPI none", Options(TestCipher::RC4CryptoAPI, u"p\u00e4ss"), u"", kDecryptPasswordNeeded},
        {"CryptoAPI default", Options(TestCipher::RC4CryptoAPI, kDefaultWriteProtectPassword), u"", kDecryptOk},
        {"CryptoAPI 255 characters", Options(TestCipher::RC4CryptoAPI, long255), long255, kDecryptOk},
        {"CryptoAPI 256 characters", Options(TestCipher::RC4CryptoAPI, long255), long256,
         kDecryptPasswordTooLong},
    };
    for (Row& row : rows) {
        EXPECT_EQ(Start(testing::MakeFilePassBody(row.options), row.password), row.expected) << row.name;
    }
}

TEST(StartDecryption, CryptoAPIKeySizeZeroMeans40Bits) {
    auto body = testing::MakeFilePassBody(Options(TestCipher::RC4CryptoAPI, u"forty", 40));
    EXPECT_EQ(Start(Patched(body, kCapiKeySize, 0), u"forty"), kDecryptOk);
    // The padding of 40-bit keys matters: read as 128 bits the verifier fails.
    EXPECT_EQ(Start(Patched(body, kCapiKeySize, 128), u"forty"), kDecryptWrongPassword);
}

TEST(StartDecryption, Biff5XorBodyHasNoTypeField) {
    auto biff8 = testing::MakeFilePassBody(Options(TestCipher::XOR, u"Obfusc8"));
    std::vector<uint8_t> biff5(biff8.begin() + 2, biff8.end());
    ASSERT_EQ(biff5.size(), 4u);
    EXPECT_EQ(Start(biff5, u"Obfusc8"), kDecryptOk);
    EXPECT_EQ(Start(biff5, u"Obfusc9"), kDecryptWrongPassword);
}

TEST(XorObfuscation, PasswordVerifierMatchesIndependentHash) {
    // Values of the same hash as xlwt computes it for sheet protection.
    struct {
        const char* password;
        uint16_t verifier;
    } cases[] = {{"a", 0xCE88},        {"abc", 0xCC1A},      {"Obfusc8", 0xC19A},
                 {"VelvetSweatshop", 0x9A0A}, {"password", 0x83AF}, {"123456789012345", 0x9EB1}};
    for (const auto& c : cases) EXPECT_EQ(TXLSDecrypterXOR::PasswordVerifier(c.password), c.verifier) << c.password;
}

// Records after FILEPASS whose bodies are encrypted in full.
bool FullyEncrypted(const testing::RecordSpan& record, size_t index) {
    return index >= 2 && !IsUnencryptedRecord(record.id) && record.id != 0x0085;
}

TEST(RC4Decrypter, DecryptWithoutSkipStartsAtBlockZero) {
    // A decrypter fresh from Initialize has no block key in force; decrypting
    // the whole stream in one call from position 0 must still give every
    // encrypted body back (and stay inside the buffer).
    auto plain = testing::ReadTestFile("crypto/xlwt-plain.bin");
    ASSERT_GT(plain.size(), 3000u);
    for (auto options : {Options(TestCipher::RC4, u"cold"), Options(TestCipher::RC4CryptoAPI, u"cold", 40)}) {
        auto encrypted = testing::EncryptWorkbookStream(plain, options);
        auto expected = testing::InsertFilePass(plain, options);
        auto records = testing::ListRecords(expected);
        int32_t result = 0;
        auto decrypter = StartDecryption(std::span(expected).subspan(records[1].bodyPos, records[1].size),
                                         u"cold", 0, result);
        ASSERT_EQ(result, kDecryptOk);
        decrypter->Decrypt(encrypted.data(), uint32_t(encrypted.size()));
        size_t checked = 0;
        for (size_t n = 0; n < records.size(); ++n) {
            if (!FullyEncrypted(records[n], n)) continue;
            const auto& r = records[n];
            ASSERT_TRUE(std::equal(encrypted.begin() + r.bodyPos, encrypted.begin() + r.bodyPos + r.size,
                                   expected.begin() + r.bodyPos))
                << "record " << n << " id " << r.id;
            checked += r.size;
        }
        EXPECT_GT(checked, 2000u);
    }
}

TEST(RC4Decrypter, SkipAndDecryptInAnyPiecesAgree) {
    // The key stream depends only on the stream position: decrypting a range
    // in pieces of any size, with skips between them, gives the same bytes as
    // one call, across several 1024-byte blocks.
    auto body = testing::MakeFilePassBody(Options(TestCipher::RC4, u"pieces"));
    std::vector<uint8_t> whole(5000);
    for (size_t i = 0; i < whole.size(); ++i) whole[i] = uint8_t(i * 7);
    TXLSDecrypterRC4 reference;
    ASSERT_EQ(reference.Initialize(body, u"pieces"), kDecryptOk);
    reference.Skip(3);
    reference.Decrypt(whole.data() + 3, uint32_t(whole.size() - 3));
    for (uint32_t piece : {1u, 4u, 1000u, 1021u, 1024u, 1025u, 3000u}) {
        std::vector<uint8_t> data(5000);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
        const std::vector<uint8_t> original = data;
        TXLSDecrypterRC4 decrypter;
        ASSERT_EQ(decrypter.Initialize(body, u"pieces"), kDecryptOk);
        decrypter.Skip(3);
        bool decrypt = true;
        for (uint32_t at = 3; at < data.size(); at += piece, decrypt = !decrypt) {
            uint32_t n = std::min<uint32_t>(piece, uint32_t(data.size() - at));
            if (decrypt) decrypter.Decrypt(data.data() + at, n);
            else decrypter.Skip(n);
            const auto& want = decrypt ? whole : original;
            ASSERT_TRUE(std::equal(data.begin() + at, data.begin() + at + n, want.begin() + at))
                << "pieces of " << piece << " at " << at;
        }
    }
}

}  // namespace
}  // namespace korvel
