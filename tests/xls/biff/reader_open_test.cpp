// Open and OpenStream: format detection and its result codes, the record
// stream in a compound document (either stream name, the mini stream) or a
// plain file, password-protected fixtures, and what the workbook remembers.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/TextUtil.h"
#include "platform/Stream.h"
#include "tests/xls/biff/reader_test_support.h"
#include "xls/biff/XLSFileFormat.h"
#include "xls/storage/CompoundDocumentWriter.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {
namespace {

using reader_test::Body;
using reader_test::CellValue;
using reader_test::Stream;

std::string Fixture(const std::string& name) { return std::string(KORVEL_TEST_DATA) + "/fixtures/" + name; }

std::string WriteTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = testing::TempDir() + "korvel_reader_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<uint8_t> Ascii(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> SmallWorkbookStream() {
    Stream s;
    s.GlobalsAndSheet(0x0600).Rec(0x0203, Body().U16(0).U16(0).U16(15).F64(2.5)).Eof();
    return s.bytes;
}

std::vector<uint8_t> CompoundWith(const std::u16string& streamName, const std::vector<uint8_t>& content) {
    TCompoundDocumentWriter writer;
    TCompoundStreamWriter* stream = nullptr;
    EXPECT_EQ(writer.Root().CreateStream(streamName, stream), kStorageOk);
    stream->Write(content.data(), content.size());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(writer.SaveToBytes(bytes), kStorageOk);
    return bytes;
}

TEST(ReaderOpen, DetectionAndResultCodes) {
    std::vector<uint8_t> zip = {'P', 'K', 3, 4, 0, 0};
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        int32_t detected;
        int32_t result;
    } cases[] = {
        {"html", Ascii("<HtMl><body>"), kFileHtml, kXLSHtmlFile},
        {"xml", Ascii("<Xml>"), kFileXml, kXLSXmlFile},
        {"xml declaration", Ascii("<?xml version='1.0'?>"), kFileUnknown, kXLSUnknownFormat},
        // Handed to the package reader, which fails on a package this short.
        {"zip package", zip, kFileZipPackage, -1},
        {"three bytes", Ascii("abc"), kFileUnknown, kXLSUnknownFormat},
        {"empty", {}, kFileUnknown, kXLSUnknownFormat},
        {"plain BIFF", SmallWorkbookStream(), kFilePlainBiff, kXLSOk},
        {"compound, Workbook", CompoundWith(u"Workbook", SmallWorkbookStream()), kFileCompoundDocument, kXLSOk},
        {"compound, BOOK", CompoundWith(u"BOOK", SmallWorkbookStream()), kFileCompoundDocument, kXLSOk},
        {"compound without a record stream", CompoundWith(u"Other", SmallWorkbookStream()), kFileCompoundDocument,
         -3},
        {"damaged compound document", Ascii(std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest"),
         kFileCompoundDocument, -3},
        {"BOF id with a bad size", {0x09, 0x08, 0x40, 0x00, 0, 0, 0, 0}, kFilePlainBiff, -3},
    };
    for (const auto& c : cases) {
        TMemoryStream stream(c.bytes);
        stream.Seek(2, SeekOrigin::Begin);
        EXPECT_EQ(DetectFileFormat(stream), c.detected) << c.name;
        EXPECT_EQ(stream.Position(), 0) << c.name;
        TXLSWorkbook fromStream;
        EXPECT_EQ(fromStream.OpenStream(stream), c.result) << c.name;
        const std::string path = WriteTemp("detect.bin", c.bytes);
        TXLSWorkbook fromFile;
        EXPECT_EQ(fromFile.Open(Utf8ToUtf16(path)), c.result) << c.name;
        if (c.result == kXLSOk) {
            EXPECT_EQ(fromFile.FileName(), Utf8ToUtf16(path));
            EXPECT_EQ(fromFile.LoadedFormat(), kXLSFormatBiff8);
            EXPECT_EQ(CellValue(fromFile, 1, 1, 1), Variant(2.5)) << c.name;
        } else {
            EXPECT_TRUE(fromFile.FileName().empty());
        }
    }
    TXLSWorkbook missing;
    EXPECT_EQ(missing.Open(u"/nonexistent/folder/list.xls"), kXLSCannotOpen);
}

// The macro storage of the file's BIFF version and the "Ctls" stream are
// kept for the next save; the other version's macro storage is not.
TEST(ReaderOpen, KeepsMacroStorageAndControls) {
    for (uint16_t version : {uint16_t(0x0600), uint16_t(0x0500)}) {
        TCompoundDocumentWriter writer;
        TCompoundStreamWriter* stream = nullptr;
        ASSERT_EQ(writer.Root().CreateStream(version == 0x0600 ? u"Workbook" : u"Book", stream), kStorageOk);
        Stream records;
        records.GlobalsAndSheet(version).Eof();
        stream->Write(records.bytes.data(), records.bytes.size());
        TCompoundStorageWriter* storage = nullptr;
        ASSERT_EQ(writer.Root().CreateStorage(u"_VBA_PROJECT_CUR", storage), kStorageOk);
        ASSERT_EQ(storage->CreateStream(u"dir", stream), kStorageOk);
        stream->Write("abc", 3);
        ASSERT_EQ(writer.Root().CreateStream(u"Ctls", stream), kStorageOk);
        stream->Write("xy", 2);
        std::vector<uint8_t> bytes;
        ASSERT_EQ(writer.SaveToBytes(bytes), kStorageOk);

        TXLSWorkbook book;
        TMemoryStream input(bytes);
        ASSERT_EQ(book.OpenStream(input), kXLSOk);
        EXPECT_EQ(book.KeptMacroStorage() != nullptr, version == 0x0600) << version;
        EXPECT_NE(book.KeptControlStream(), nullptr) << version;
    }
}

TEST(ReaderOpen, OpenReplacesTheWorkbookAndKeepsThePathOnlyOnSuccess) {
    TXLSWorkbook book;
    book.Sheets().Add();
    book.Sheets().Add();
    ASSERT_EQ(book.Open(Utf8ToUtf16(Fixture("tiny-xlwt.xls"))), kXLSOk);
    EXPECT_EQ(book.Sheets().Count(), 1);
    EXPECT_EQ(book.FileName(), Utf8ToUtf16(Fixture("tiny-xlwt.xls")));
    EXPECT_EQ(book.LoadedFormat(), kXLSFormatBiff8);
    EXPECT_EQ(CellValue(book, 1, 1, 1), Variant(u"x"));
    EXPECT_EQ(CellValue(book, 1, 1, 2), Variant(1.0));
    EXPECT_EQ(book.Open(Utf8ToUtf16(Fixture("rc4-libreoffice-tiny-pw15.xls"))), -1003);
    EXPECT_EQ(book.FileName(), Utf8ToUtf16(Fixture("tiny-xlwt.xls")));

    ASSERT_EQ(book.Open(Utf8ToUtf16(Fixture("tiny-gnumeric-biff7.xls"))), kXLSOk);
    EXPECT_EQ(book.LoadedFormat(), kXLSFormatBiff5);
}

TEST(ReaderOpen, PasswordProtectedWorkbooks) {
    const std::u16string longPassword(32, u'p');
    const struct {
        const char* file;
        std::u16string password;
        int32_t result;
    } cases[] = {
        {"rc4-libreoffice-secret.xls", u"", -1003},
        {"rc4-libreoffice-secret.xls", u"wrong", -1005},
        {"rc4-libreoffice-secret.xls", longPassword, -1004},
        {"rc4-libreoffice-secret.xls", u"secret", kXLSOk},
        {"rc4-libreoffice-velvetsweatshop.xls", u"", kXLSOk},
        {"rc4-libreoffice-tiny-pw15.xls", u"0123456789abcde", kXLSOk},
        {"rc4-libreoffice-devices-unicode-pw.xls", u"p\u00e4ssw\u00f6rd\u20ac", kXLSOk},
    };
    for (const auto& c : cases) {
        TXLSWorkbook book;
        EXPECT_EQ(book.Open(Utf8ToUtf16(Fixture(c.file)), c.password), c.result) << c.file;
    }
    // Decrypted cells equal the plain workbook's.
    TXLSWorkbook plain, secret;
    ASSERT_EQ(plain.Open(Utf8ToUtf16(Fixture("biff8-libreoffice.xls"))), kXLSOk);
    ASSERT_EQ(secret.Open(Utf8ToUtf16(Fixture("rc4-libreoffice-secret.xls")), u"secret"), kXLSOk);
    ASSERT_EQ(secret.Sheets().Count(), plain.Sheets().Count());
    for (int32_t s = 1; s <= plain.Sheets().Count(); ++s)
        for (int32_t row = 1; row <= 30; ++row)
            for (int32_t col = 1; col <= 8; ++col)
                EXPECT_EQ(CellValue(secret, s, row, col), CellValue(plain, s, row, col)) << s << " " << row << " " << col;
}

TEST(ReaderOpen, PlainStreamReadsLikeTheCompoundDocument) {
    TXLSWorkbook compound, bare;
    ASSERT_EQ(compound.Open(Utf8ToUtf16(Fixture("biff8-libreoffice.xls"))), kXLSOk);
    ASSERT_EQ(bare.Open(Utf8ToUtf16(Fixture("bare-stream-biff8-libreoffice.xls"))), kXLSOk);
    ASSERT_EQ(bare.Sheets().Count(), 3);
    for (int32_t s = 1; s <= 3; ++s) {
        EXPECT_EQ(bare.Sheets().Items(s)->Name(), compound.Sheets().Items(s)->Name());
        EXPECT_EQ(bare.Sheets().Items(s)->CellHeap().CellCount(), compound.Sheets().Items(s)->CellHeap().CellCount());
    }
}

}  // namespace
}  // namespace korvel
