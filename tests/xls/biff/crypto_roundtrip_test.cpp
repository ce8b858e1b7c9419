// Streams from the test encryptor (whose output independent decrypters
// accept, see crypto_independent_check.py) decrypted by our decrypters, for
// every method, under both record rules.
#include <gtest/gtest.h>

#include "tests/xls/biff/CryptoTestUtil.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSRecordEncryption.h"
#include "xls/biff/XLSStartDecryption.h"
#include "xls/storage/CompoundDocumentReader.h"

namespace korvel {
namespace {

using testing::TestCipher;
using testing::TestEncryption;

constexpr uint16_t kBof = 0x0809, kBoundSheet = 0x0085, kInterfaceHdr = 0x00E1;

struct Method {
    const char* name;
    TestCipher cipher;
    std::u16string password;
    uint32_t keyBits;
    uint16_t versionMajor;
    std::u16string given;  // what the caller passes
};

const Method kMethods[] = {
    {"XOR", TestCipher::XOR, u"Obfusc8", 0, 0, u"Obfusc8"},
    {"XOR default", TestCipher::XOR, kDefaultWriteProtectPassword, 0, 0, u""},
    {"RC4", TestCipher::RC4, u"s\u00e9same \u20ac", 0, 0, u"s\u00e9same \u20ac"},
    {"RC4 default", TestCipher::RC4, kDefaultWriteProtectPassword, 0, 0, u""},
    {"CryptoAPI 40 v2", TestCipher::RC4CryptoAPI, u"forty", 40, 2, u"forty"},
    {"CryptoAPI 56 v3", TestCipher::RC4CryptoAPI, u"fifty-six", 56, 3, u"fifty-six"},
    {"CryptoAPI 128 v4", TestCipher::RC4CryptoAPI, u"\u00fcber 128", 128, 4, u"\u00fcber 128"},
};

TestEncryption OptionsOf(const Method& m) {
    TestEncryption options;
    options.cipher = m.cipher;
    options.password = m.password;
    options.keyBits = m.keyBits;
    options.versionMajor = m.versionMajor;
    return options;
}

// Decrypts stream in place; published: [MS-XLS] rule from the record after
// FILEPASS; otherwise the reader's rule (BOF bodies skipped, decryption from
// the second record after FILEPASS). FILEPASS is the second record.
void Decrypt(std::vector<uint8_t>& stream, const std::u16string& password, bool published) {
    auto records = testing::ListRecords(stream);
    ASSERT_GE(records.size(), 3u);
    size_t first = published ? 2 : 3;
    int32_t result = 0;
    auto decrypter = StartDecryption(std::span(stream).subspan(records[1].bodyPos, records[1].size), password,
                                     uint32_t(records[first].bodyPos - 4), result);
    ASSERT_EQ(result, kDecryptOk);
    for (size_t n = first; n < records.size(); ++n) {
        const auto& r = records[n];
        decrypter->Skip(4);
        uint8_t* body = stream.data() + r.bodyPos;
        if (published) DecryptRecordBody(*decrypter, r.id, body, uint32_t(r.size));
        else if (r.id == kBof) decrypter->Skip(uint32_t(r.size));
        else decrypter->Decrypt(body, uint32_t(r.size));
    }
}

std::vector<uint8_t> WorkbookStreamOf(const char* file) {
    TCompoundDocumentReader document;
    std::vector<uint8_t> stream;
    if (document.OpenFile(std::string(KORVEL_TEST_DATA) + "/crypto/" + file) == kStorageOk)
        document.Root().ReadStream(u"Workbook", stream);
    return stream;
}

TEST(EncryptedRoundTrip, PublishedRuleRestoresEveryByte) {
    // Streams of three producers: xlwt, Gnumeric (INDEX and DBCELL records),
    // LibreOffice (EXTSST, summary streams).
    const std::vector<uint8_t> plains[] = {testing::ReadTestFile("crypto/xlwt-plain.bin"),
                                           WorkbookStreamOf("biff8-gnumeric.xls"),
                                           WorkbookStreamOf("biff8-libreoffice.xls")};
    for (const auto& plain : plains) {
        ASSERT_GT(plain.size(), 5000u);
        for (const Method& m : kMethods) {
            auto options = OptionsOf(m);
            auto expected = testing::InsertFilePass(plain, options);
            auto stream = testing::EncryptWorkbookStream(plain, options);
            ASSERT_EQ(stream.size(), expected.size());
            ASSERT_NE(stream, expected) << m.name << ": nothing was encrypted";
            Decrypt(stream, m.given, true);
            EXPECT_EQ(stream, expected) << m.name << ", stream of " << plain.size() << " bytes";
        }
    }
}

TEST(EncryptedRoundTrip, ReaderRuleRestoresAllButBoundSheetPositions) {
    auto plain = testing::ReadTestFile("crypto/xlwt-plain.bin");
    for (const Method& m : kMethods) {
        auto options = OptionsOf(m);
        auto expected = testing::InsertFilePass(plain, options);
        auto records = testing::ListRecords(expected);
        // Real writers put INTERFACEHDR after FILEPASS, which is what lets the
        // reader's rule work.
        ASSERT_EQ(records[2].id, kInterfaceHdr);
        auto stream = testing::EncryptWorkbookStream(plain, options);
        Decrypt(stream, m.given, false);
        for (size_t n = 3; n < records.size(); ++n) {
            const auto& r = records[n];
            size_t from = r.id == kBoundSheet ? 4 : 0;
            ASSERT_TRUE(std::equal(stream.begin() + r.bodyPos + from, stream.begin() + r.bodyPos + r.size,
                                   expected.begin() + r.bodyPos + from))
                << m.name << " record " << n << " id " << r.id;
        }
    }
}

TEST(EncryptedRoundTrip, WrongPasswordGivesNoDecrypter) {
    auto plain = testing::ReadTestFile("crypto/xlwt-plain.bin");
    for (const Method& m : kMethods) {
        auto options = OptionsOf(m);
        auto stream = testing::EncryptWorkbookStream(plain, options);
        auto records = testing::ListRecords(stream);
        int32_t result = 0;
        auto decrypter = StartDecryption(std::span(stream).subspan(records[1].bodyPos, records[1].size),
                                         u"not it", 0, result);
        bool opensWithDefault = m.given.empty();
        EXPECT_EQ(result, opensWithDefault ? kDecryptOk : kDecryptWrongPassword) << m.name;
    }
}

TEST(EncryptedRoundTrip, Biff5XorWorkbook) {
    // BIFF5 has the 4-byte FILEPASS body; the XOR rule is the same.
    TCompoundDocumentReader document;
    ASSERT_EQ(document.OpenFile(std::string(KORVEL_TEST_DATA) + "/crypto/biff5-gnumeric-biff7.xls"), kStorageOk);
    std::vector<uint8_t> plain;
    ASSERT_EQ(document.Root().ReadStream(u"Book", plain), kStorageOk);
    TestEncryption options;
    options.cipher = TestCipher::XOR;
    options.password = u"Biff5pw";
    auto expected = testing::InsertFilePass(plain, options);
    auto records = testing::ListRecords(expected);
    ASSERT_EQ(records[1].size, 4u);
    for (bool published : {true, false}) {
        auto stream = testing::EncryptWorkbookStream(plain, options);
        Decrypt(stream, u"Biff5pw", published);
        size_t differing = 0;
        for (size_t n = 3; n < records.size(); ++n) {
            const auto& r = records[n];
            size_t from = (!published && r.id == kBoundSheet) ? 4 : 0;
            differing += !std::equal(stream.begin() + r.bodyPos + from, stream.begin() + r.bodyPos + r.size,
                                     expected.begin() + r.bodyPos + from);
        }
        EXPECT_EQ(differing, 0u) << (published ? "published rule" : "reader rule");
    }
}

}  // namespace
}  // namespace korvel
