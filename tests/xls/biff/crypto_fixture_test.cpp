// Decryption of the Workbook streams of RC4 workbooks written by LibreOffice,
// compared with what msoffcrypto-tool decrypted from the same files
// (tests/data/crypto, made by extract_crypto_streams.py).
#include <gtest/gtest.h>

#include "common/TextUtil.h"
#include "tests/xls/biff/CryptoTestUtil.h"
#include "xls/biff/CryptoResults.h"
#include "xls/biff/XLSRecordEncryption.h"
#include "xls/biff/XLSStartDecryption.h"
#include "xls/storage/CompoundDocumentReader.h"

namespace korvel {
namespace {

using testing::ListRecords;
using testing::RecordSpan;

constexpr uint16_t kFilePass = 0x002F, kBof = 0x0809, kBoundSheet = 0x0085;

struct Fixture {
    const char* stem;
    const char16_t* password;
};

const Fixture kFixtures[] = {
    {"rc4-libreoffice-secret", u"secret"},
    {"rc4-libreoffice-velvetsweatshop", u""},  // the default password opens it
    {"rc4-libreoffice-devices-unicode-pw", u"p\u00e4ssw\u00f6rd\u20ac"},
    {"rc4-libreoffice-tiny-pw15", u"0123456789abcde"},
};

struct Streams {
    std::vector<uint8_t> encrypted, plain;
    std::vector<RecordSpan> records;
    size_t filePass = 0;  // index of the FILEPASS record
};

Streams Load(const Fixture& fixture) {
    Streams s;
    s.encrypted = testing::ReadTestFile(std::string("crypto/") + fixture.stem + ".enc.bin");
    s.plain = testing::ReadTestFile(std::string("crypto/") + fixture.stem + ".plain.bin");
    s.records = ListRecords(s.encrypted);
    while (s.filePass < s.records.size() && s.records[s.filePass].id != kFilePass) ++s.filePass;
    return s;
}

std::span<const uint8_t> FilePassBody(const Streams& s) {
    const RecordSpan& r = s.records[s.filePass];
    return std::span<const uint8_t>(s.encrypted).subspan(r.bodyPos, r.size);
}

enum class Rule {
    // The reader's: decryption starts with the record after the one that
    // follows FILEPASS; every body but BOF is decrypted.
    Reader,
    // [MS-XLS] 2.2.10: starts right after FILEPASS; DecryptRecordBody.
    Published,
};

// Decrypts s.encrypted in place by the rule and returns the index of the
// first record whose body went through the decrypter.
size_t DecryptStream(Streams& s, const std::u16string& password, Rule rule) {
    size_t first = s.filePass + (rule == Rule::Reader ? 2 : 1);
    uint32_t position = uint32_t(s.records[first].bodyPos - 4);
    int32_t result = 0;
    auto decrypter = StartDecryption(FilePassBody(s), password, position, result);
    EXPECT_EQ(result, kDecryptOk);
    if (!decrypter) return s.records.size();
    for (size_t n = first; n < s.records.size(); ++n) {
        const RecordSpan& r = s.records[n];
        decrypter->Skip(4);
        uint8_t* body = s.encrypted.data() + r.bodyPos;
        if (rule == Rule::Published) DecryptRecordBody(*decrypter, r.id, body, uint32_t(r.size));
        else if (r.id == kBof) decrypter->Skip(uint32_t(r.size));
        else decrypter->Decrypt(body, uint32_t(r.size));
    }
    return first;
}

TEST(FixtureDecryption, PublishedRuleGivesTheIndependentResult) {
    for (const Fixture& fixture : kFixtures) {
        Streams s = Load(fixture);
        ASSERT_LT(s.filePass, s.records.size()) << fixture.stem;
        ASSERT_EQ(s.records.back().bodyPos + s.records.back().size, s.encrypted.size()) << fixture.stem;
        DecryptStream(s, fixture.password, Rule::Published);
        // Everything but the FILEPASS record, which the other tool blanks out.
        const RecordSpan& fp = s.records[s.filePass];
        for (size_t i = 0; i < s.encrypted.size(); ++i) {
            if (i + 4 >= fp.bodyPos && i < fp.bodyPos + fp.size) continue;
            ASSERT_EQ(s.encrypted[i], s.plain[i]) << fixture.stem << " at stream offset " << i;
        }
    }
}

TEST(FixtureDecryption, ReaderRuleDiffersOnlyInBoundSheetPositions) {
    for (const Fixture& fixture : kFixtures) {
        Streams s = Load(fixture);
        size_t first = DecryptStream(s, fixture.password, Rule::Reader);
        size_t boundSheets = 0;
        for (size_t n = first; n < s.records.size(); ++n) {
            const RecordSpan& r = s.records[n];
            // Stored in the clear, so decrypting them garbles them; the rest
            // must match.
            size_t from = r.id == kBoundSheet ? 4 : 0;
            boundSheets += r.id == kBoundSheet;
            ASSERT_TRUE(std::equal(s.encrypted.begin() + r.bodyPos + from, s.encrypted.begin() + r.bodyPos + r.size,
                                   s.plain.begin() + r.bodyPos + from))
                << fixture.stem << " record " << n << " id " << r.id;
        }
        EXPECT_GT(boundSheets, 0u) << fixture.stem;
    }
}

TEST(FixtureDecryption, PasswordVerdicts) {
    struct Row {
        const char* stem;
        std::u16string password;
        int32_t expected;
    } rows[] = {
        {"rc4-libreoffice-secret", u"secret", kDecryptOk},
        {"rc4-libreoffice-secret", u"", kDecryptPasswordNeeded},
        {"rc4-libreoffice-secret", u"Secret", kDecryptWrongPassword},
        {"rc4-libreoffice-secret", std::u16string(31, u's'), kDecryptWrongPassword},
        {"rc4-libreoffice-secret", std::u16string(32, u's'), kDecryptPasswordTooLong},
        {"rc4-libreoffice-secret", kDefaultWriteProtectPassword, kDecryptWrongPassword},
        {"rc4-libreoffice-velvetsweatshop", u"", kDecryptOk},
        {"rc4-libreoffice-velvetsweatshop", u"anything", kDecryptOk},
        {"rc4-libreoffice-devices-unicode-pw", u"p\u00e4ssw\u00f6rd\u20ac", kDecryptOk},
        {"rc4-libreoffice-devices-unicode-pw", u"passwort", kDecryptWrongPassword},
        {"rc4-libreoffice-tiny-pw15", u"0123456789abcde", kDecryptOk},
        {"rc4-libreoffice-tiny-pw15", u"0123456789abcd", kDecryptWrongPassword},
    };
    for (const Row& row : rows) {
        Streams s = Load(Fixture{row.stem, u""});
        int32_t result = 0;
        auto decrypter = StartDecryption(FilePassBody(s), row.password, 0, result);
        EXPECT_EQ(result, row.expected) << row.stem << " with " << Utf16ToUtf8(row.password);
        EXPECT_EQ(decrypter != nullptr, row.expected == kDecryptOk);
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST(FixtureDecryption, WorkbookStreamReadThroughCompoundDocument) {
    // The same streams as above, taken out of the workbooks by our own
    // compound document reader, decrypt to what the independent tool gave.
    for (const Fixture& fixture : {kFixtures[0], kFixtures[3]}) {
        TCompoundDocumentReader document;
        ASSERT_EQ(document.OpenFile(std::string(KORVEL_TEST_DATA) + "/crypto/" + fixture.stem + ".xls"), kStorageOk);
        Streams s = Load(fixture);
        std::vector<uint8_t> workbook;
        ASSERT_EQ(document.Root().ReadStream(u"workbook", workbook), kStorageOk);
        ASSERT_EQ(workbook, s.encrypted) << fixture.stem;
        DecryptStream(s, fixture.password, Rule::Published);
        size_t firstCompared = s.records[s.filePass + 1].bodyPos;
        EXPECT_TRUE(std::equal(s.encrypted.begin() + firstCompared, s.encrypted.end(),
                               s.plain.begin() + firstCompared))
            << fixture.stem;
    }
}

}  // namespace
}  // namespace korvel
