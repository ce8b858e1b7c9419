// Password-protected workbooks through Open: our writer's workbook stream is
// encrypted with every supported method by the test encryptor (itself checked
// by independent decrypters) and must read back to the same cells.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Stream.h"
#include "tests/xls/biff/XLSTestEncryptor.h"
#include "xls/biff/XLSWorkbookWriter.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

using testing::TestCipher;
using testing::TestEncryption;

void Fill(TXLSWorkbook& book, int32_t rows = 300) {
    IXLSWorksheet& sheet = book.Sheets().Add();
    for (int32_t row = 1; row <= rows; ++row) {
        sheet.Cells()->Item(row, 1)->SetValue(Variant(u"device " + std::u16string(row % 40, u'x')));
        sheet.Cells()->Item(row, 2)->SetValue(Variant(row * 1.25));
        sheet.Cells()->Item(row, 3)->SetValue(Variant(row % 2 == 0));
    }
}

std::vector<uint8_t> WorkbookStream(TXLSWorkbook& book, int32_t format) {
    TMemoryStream out;
    EXPECT_EQ(WriteBiffWorkbookStream(book, format, out), 1);
    // Without the zero padding that rounds the stream up to 512 bytes.
    std::vector<uint8_t> bytes = out.Bytes();
    size_t end = 0;
    while (end + 4 <= bytes.size() && (bytes[end] | bytes[end + 1]) != 0)
        end += 4 + (bytes[end + 2] | (bytes[end + 3] << 8));
    bytes.resize(end);
    return bytes;
}

TEST(ReaderDecryption, EveryMethodReadsTheSameCells) {
    TXLSWorkbook plain;
    Fill(plain);
    const struct {
        const char* name;
        TestCipher cipher;
        int32_t format;
        uint32_t keyBits;
    } cases[] = {
        {"XOR BIFF8", TestCipher::XOR, kXLSFormatBiff8, 0},
        {"XOR BIFF5", TestCipher::XOR, kXLSFormatBiff5, 0},
        {"RC4", TestCipher::RC4, kXLSFormatBiff8, 0},
        {"RC4 CryptoAPI 40", TestCipher::RC4CryptoAPI, kXLSFormatBiff8, 40},
        {"RC4 CryptoAPI 128", TestCipher::RC4CryptoAPI, kXLSFormatBiff8, 128},
    };
    for (const auto& c : cases) {
        TestEncryption options;
        options.cipher = c.cipher;
        options.password = u"korvel";
        if (c.keyBits) options.keyBits = c.keyBits;
        const std::vector<uint8_t> encrypted = testing::EncryptWorkbookStream(WorkbookStream(plain, c.format), options);

        TXLSWorkbook wrong;
        TMemoryStream wrongInput(encrypted);
        EXPECT_EQ(wrong.OpenStream(wrongInput, u"other"), -1005) << c.name;
        TXLSWorkbook none;
        TMemoryStream noneInput(encrypted);
        EXPECT_EQ(none.OpenStream(noneInput), -1003) << c.name;

        TXLSWorkbook read;
        TMemoryStream input(encrypted);
        ASSERT_EQ(read.OpenStream(input, u"korvel"), 1) << c.name;
        EXPECT_EQ(read.FileFormat(), c.format);
        for (int32_t row = 1; row <= 300; ++row)
            for (int32_t col = 1; col <= 3; ++col)
                ASSERT_EQ(read.Sheets().Items(1)->Cells()->Item(row, col)->Value(),
                          plain.Sheets().Items(1)->Cells()->Item(row, col)->Value())
                    << c.name << " " << row << "," << col;
    }
}

// Bodies are decrypted ahead of the reader, in steps; a stream of many steps
// must read the same as a small one, and a stream cut inside a body must stop
// the decryption cleanly at the cut.
TEST(ReaderDecryption, LongStreamsAndStreamsCutShort) {
    TXLSWorkbook plain;
    Fill(plain, 9000);
    const std::vector<uint8_t> stream = WorkbookStream(plain, kXLSFormatBiff8);
    ASSERT_GT(stream.size(), 200000u);
    for (TestCipher cipher : {TestCipher::XOR, TestCipher::RC4, TestCipher::RC4CryptoAPI}) {
        TestEncryption options;
        options.cipher = cipher;
        options.password = u"korvel";
        const std::vector<uint8_t> encrypted = testing::EncryptWorkbookStream(stream, options);

        TXLSWorkbook read;
        TMemoryStream input(encrypted);
        ASSERT_EQ(read.OpenStream(input, u"korvel"), 1) << int(cipher);
        for (int32_t row = 1; row <= 9000; ++row)
            for (int32_t col = 1; col <= 3; ++col)
                ASSERT_EQ(read.Sheets().Items(1)->Cells()->Item(row, col)->Value(),
                          plain.Sheets().Items(1)->Cells()->Item(row, col)->Value())
                    << int(cipher) << " " << row << "," << col;

        // Cut in the middle of the sheet's cells: the rows before the cut read
        // as they were, whatever Open then answers.
        std::vector<uint8_t> cut(encrypted.begin(), encrypted.begin() + encrypted.size() * 3 / 4);
        TXLSWorkbook partial;
        TMemoryStream cutInput(cut);
        partial.OpenStream(cutInput, u"korvel");
        if (partial.Sheets().Count() >= 1) {
            for (int32_t row = 1; row <= 100; ++row) {
                EXPECT_EQ(partial.Sheets().Items(1)->Cells()->Item(row, 1)->Value(),
                          plain.Sheets().Items(1)->Cells()->Item(row, 1)->Value())
                    << int(cipher) << " " << row;
            }
        }
    }
}

}  // namespace
}  // namespace korvel
