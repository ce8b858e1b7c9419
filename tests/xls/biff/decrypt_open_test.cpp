// Encrypted workbooks read through OpenStream and Open: streams of known
// content encrypted by the test encryptor (checked against independent
// decrypters) for every method and password length, the results of every
// refusal, and FILEPASS bodies that are malformed or of unknown methods.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/TextUtil.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "tests/xls/biff/reader_test_support.h"
#include "xls/biff/CryptoResults.h"
#include "xls/model/XLSModelResults.h"
#include "xls/model/XLSWorkSheets.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/storage/CompoundDocumentWriter.h"

namespace korvel {
namespace {

using reader_test::Body;
using reader_test::CellValue;
using reader_test::ReadBytes;
using reader_test::Stream;
using testing::TestCipher;
using testing::TestEncryption;

constexpr uint16_t kSst = 0x00FC, kLabelSst = 0x00FD, kNumber = 0x0203, kFilePass = 0x002F;
constexpr int32_t kNumberRows = 300;
// [MS-OFFCRYPTO]'s password for workbooks protected against writing only.
const std::u16string kPublishedDefault = u"VelvetSweatshop";

// 2,500 characters: the SST body holding it crosses two 1024-byte key blocks.
std::u16string LongText() {
    std::u16string text;
    for (int i = 0; i < 2500; ++i) text.push_back(static_cast<char16_t>(u'a' + i % 26));
    return text;
}

const std::u16string kShortText = u"Kamera Eingang";
const std::u16string kWideText = u"Ger\u00e4t \u20ac 7";

Body SstString(const std::u16string& text, bool compressed) {
    Body body;
    body.U16(static_cast<uint16_t>(text.size())).U8(compressed ? 0 : 1);
    if (compressed) for (char16_t c : text) body.U8(static_cast<uint8_t>(c));
    else body.Wide(text);
    return body;
}

Body Cell(uint16_t row, uint16_t col) { return Body().U16(row).U16(col).U16(15); }

// Globals whose first record is the SST (so the record after FILEPASS is an
// encrypted one, not INTERFACEHDR), then sheet "Data" with three strings and
// 300 numbers, then sheet "Zwei" whose BOF lies far inside the stream.
std::vector<uint8_t> KnownWorkbookStream() {
    Body sst;
    sst.U32(3).U32(3);
    for (const Body& s : {SstString(kShortText, true), SstString(LongText(), true), SstString(kWideText, false)})
        sst.bytes.insert(sst.bytes.end(), s.bytes.begin(), s.bytes.end());
    Stream globals;
    globals.Rec(kSst, sst);
    Stream s;
    s.GlobalsAndSheet(0x0600, globals, {u"Data", u"Zwei"});
    s.Rec(kLabelSst, Cell(0, 0).U32(0)).Rec(kLabelSst, Cell(0, 1).U32(1)).Rec(kLabelSst, Cell(1, 1).U32(2));
    for (uint16_t row = 1; row <= kNumberRows; ++row) s.Rec(kNumber, Cell(row, 0).F64(row * 1.25));
    s.Eof().Bof(0x0600, 0x0010).Rec(kNumber, Cell(0, 0).F64(-7)).Eof();
    return s.bytes;
}

// Every cell KnownWorkbookStream holds, read through the workbook model.
void ExpectKnownContent(TXLSWorkbook& book, const std::string& label) {
    ASSERT_EQ(book.Sheets().Count(), 2) << label;
    EXPECT_EQ(book.Sheets().Items(1)->Name(), u"Data") << label;
    EXPECT_EQ(book.Sheets().Items(2)->Name(), u"Zwei") << label;
    EXPECT_EQ(CellValue(book, 1, 1, 1), Variant(kShortText)) << label;
    EXPECT_EQ(CellValue(book, 1, 1, 2), Variant(LongText())) << label;
    EXPECT_EQ(CellValue(book, 1, 2, 2), Variant(kWideText)) << label;
    for (int32_t row = 1; row <= kNumberRows; ++row)
        if (CellValue(book, 1, row + 1, 1) != Variant(row * 1.25)) {
            ADD_FAILURE() << label << ": row " << row + 1;
            break;
        }
    EXPECT_EQ(CellValue(book, 2, 1, 1), Variant(-7.0)) << label;
}

struct Method {
    const char* name;
    TestCipher cipher;
    uint32_t keyBits;
    uint16_t versionMajor;
};

const Method kMethods[] = {
    {"XOR", TestCipher::XOR, 0, 0},
    {"RC4", TestCipher::RC4, 0, 0},
    {"CryptoAPI 40 v2", TestCipher::RC4CryptoAPI, 40, 2},
    {"CryptoAPI 56 v3", TestCipher::RC4CryptoAPI, 56, 3},
    {"CryptoAPI 128 v4", TestCipher::RC4CryptoAPI, 128, 4},
};

std::vector<uint8_t> Encrypt(const std::vector<uint8_t>& plain, const Method& method, const std::u16string& password) {
    TestEncryption options;
    options.cipher = method.cipher;
    options.password = password;
    options.keyBits = method.keyBits;
    options.versionMajor = method.versionMajor;
    return testing::EncryptWorkbookStream(plain, options);
}

// Passwords a method takes: XOR obfuscation keys on single-byte characters,
// 15 at most; RC4 takes up to 31 UTF-16 characters, RC4 CryptoAPI 255.
std::vector<std::u16string> PasswordsOf(const Method& method) {
    if (method.cipher == TestCipher::XOR) return {u"a", u"Obfusc8", u"fifteen chars!!"};
    std::vector<std::u16string> passwords = {u"a", u"sixteen-chars-16", u"p\u00e4ssw\u00f6rd \u20ac twenty-four!",
                                             u"\u00fcber 31 characters, at the top"};
    if (method.cipher == TestCipher::RC4CryptoAPI) passwords.push_back(std::u16string(200, u'\u00e9'));
    return passwords;
}

TEST(DecryptOpen, EveryMethodAndPasswordLengthReadsTheKnownCells) {
    const std::vector<uint8_t> plain = KnownWorkbookStream();
    {
        TXLSWorkbook book;
        ASSERT_EQ(ReadBytes(book, plain), kXLSOk);
        ExpectKnownContent(book, "plain");
    }
    for (const Method& method : kMethods)
        for (const std::u16string& password : PasswordsOf(method)) {
            const std::string label = std::string(method.name) + ", " + std::to_string(password.size()) + " characters";
            const std::vector<uint8_t> encrypted = Encrypt(plain, method, password);
            TXLSWorkbook book;
            ASSERT_EQ(ReadBytes(book, encrypted, password), kXLSOk) << label;
            ExpectKnownContent(book, label);
        }
}

TEST(DecryptOpen, RefusalsGiveTheirCodes) {
    const std::vector<uint8_t> plain = KnownWorkbookStream();
    const std::u16string limit31(31, u'k'), limit32(32, u'k'), limit255(255, u'k'), limit256(256, u'k');
    const struct {
        size_t method;  // index into kMethods
        std::u16string encryptedWith, given;
        int32_t result;
    } cases[] = {
        {0, u"Obfusc8", u"", kDecryptPasswordNeeded},
        {0, u"Obfusc8", u"Obfusc9", kDecryptWrongPassword},
        {1, u"secret", u"", kDecryptPasswordNeeded},
        {1, u"secret", u"Secret", kDecryptWrongPassword},
        {1, limit31, limit31, kXLSOk},
        {1, limit31, limit32, kDecryptPasswordTooLong},
        {2, u"forty", u"", kDecryptPasswordNeeded},
        {2, u"forty", u"fort", kDecryptWrongPassword},
        {4, u"secret", limit32, kDecryptWrongPassword},
        {4, limit255, limit255, kXLSOk},
        {4, u"secret", limit256, kDecryptPasswordTooLong},
        // The published default is tried first, whatever the caller gives.
        {0, kPublishedDefault, u"", kXLSOk},
        {1, kPublishedDefault, u"", kXLSOk},
        {1, kPublishedDefault, u"unrelated", kXLSOk},
        {1, kPublishedDefault, limit32, kXLSOk},
        {3, kPublishedDefault, u"", kXLSOk},
        {4, kPublishedDefault, u"", kXLSOk},
    };
    for (const auto& c : cases) {
        const Method& method = kMethods[c.method];
        const std::string label = std::string(method.name) + " given " + Utf16ToUtf8(c.given.substr(0, 20));
        TXLSWorkbook book;
        const int32_t result = ReadBytes(book, Encrypt(plain, method, c.encryptedWith), c.given);
        EXPECT_EQ(result, c.result) << label;
        if (result == kXLSOk) ExpectKnownContent(book, label);
    }
}

// The FILEPASS body as found in the globals, whatever the password.
TEST(DecryptOpen, FilePassBodiesOfNoUsableMethod) {
    const Body rc4Layout = Body().U16(1).U16(1).U16(1);  // type RC4, version 1.1, no salt or verifiers
    Body rc4Unknown = Body().U16(1).U16(5).U16(2);
    rc4Unknown.bytes.resize(200, 0);
    const struct {
        const char* name;
        Body body;
        int32_t result;
    } cases[] = {
        {"empty", Body(), kDecryptBadFilePass},
        {"one byte", Body().U8(0), kDecryptBadFilePass},
        {"XOR of 3 bytes", Body().U16(0).U8(7), kDecryptBadFilePass},
        {"RC4 without salt", rc4Layout, kDecryptBadFilePass},
        {"type 2", Body().U16(2).U16(1).U16(1).U32(0), kDecryptUnknownType},
        {"type 0xFFFF", Body().U16(0xFFFF).U16(0).U16(0), kDecryptUnknownType},
        {"RC4 version 5.2", rc4Unknown, kDecryptUnsupportedMethod},
    };
    for (const auto& c : cases) {
        Stream globals;
        globals.Rec(kFilePass, c.body).Rec(kSst, Body().U32(0).U32(0));
        Stream s;
        s.GlobalsAndSheet(0x0600, globals).Rec(kNumber, Cell(0, 0).F64(1)).Eof();
        for (const std::u16string& password : {std::u16string(), std::u16string(u"secret")}) {
            TXLSWorkbook book;
            EXPECT_EQ(ReadBytes(book, s.bytes, password), c.result) << c.name;
        }
    }
}

// Open(path, password) on a compound document whose Workbook stream is
// encrypted, as the converter opens its list.
TEST(DecryptOpen, OpenByPathPassesThePassword) {
    const std::vector<uint8_t> encrypted = Encrypt(KnownWorkbookStream(), kMethods[1], u"Kennwort");
    TCompoundDocumentWriter writer;
    TCompoundStreamWriter* stream = nullptr;
    ASSERT_EQ(writer.Root().CreateStream(u"Workbook", stream), kStorageOk);
    stream->Write(encrypted.data(), encrypted.size());
    std::vector<uint8_t> document;
    ASSERT_EQ(writer.SaveToBytes(document), kStorageOk);
    const std::string path = ::testing::TempDir() + "korvel_decrypt_open.xls";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(document.data()), static_cast<std::streamsize>(document.size()));
    }
    TXLSWorkbook book;
    EXPECT_EQ(book.Open(Utf8ToUtf16(path)), kDecryptPasswordNeeded);
    EXPECT_EQ(book.Open(Utf8ToUtf16(path), u"kennwort"), kDecryptWrongPassword);
    ASSERT_EQ(book.Open(Utf8ToUtf16(path), u"Kennwort"), kXLSOk);
    ExpectKnownContent(book, "by path");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace korvel
