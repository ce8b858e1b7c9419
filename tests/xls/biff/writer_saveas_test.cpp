// The save entry points: results, file handling and stream output.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/TextUtil.h"
#include "platform/Stream.h"
#include "tests/xls/biff/writer_test_support.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSWorkbookWriter.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/storage/XLSFileItem.h"

namespace korvel {
namespace {

using writer_test::TempPath;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t FilesIn(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

void FillSome(TXLSWorkbook& book, int rows) {
    if (book.Sheets().Count() == 0) book.Sheets().Add();
    IXLSWorksheet& sheet = *book.Sheets().Items(1);
    for (int row = 0; row < rows; ++row) {
        sheet.SetCellValue(row, 0, Variant(u"device " + Utf8ToUtf16(std::to_string(row))));
        sheet.SetCellValue(row, 1, Variant(row * 1.25));
    }
}

TEST(WorkbookSaveAs, NamesOfBlanksOnlyWriteNothing) {
    const std::string folder = TempPath("blank-names");
    std::filesystem::create_directories(folder);
    for (const std::u16string& name : {std::u16string(), std::u16string(u"   "), std::u16string(u" \t\r\n ")}) {
        TXLSWorkbook book;
        FillSome(book, 3);
        EXPECT_EQ(book.SaveAs(name), -1);
        EXPECT_TRUE(book.FileName().empty());
    }
    EXPECT_EQ(FilesIn(folder), 0u);
}

TEST(WorkbookSaveAs, SetsTheFileNameAndReplacesAnExistingFile) {
    const std::string path = TempPath("replace.xls");
    writer_test::WriteFile(path, std::string(100000, 'x'));
    TXLSWorkbook book;
    FillSome(book, 10);
    ASSERT_EQ(book.SaveAs(Utf8ToUtf16(path)), 1);
    EXPECT_EQ(book.FileName(), Utf8ToUtf16(path));
    EXPECT_EQ(book.FileFormat(), 2);
    const std::vector<uint8_t> bytes = ReadAll(path);
    ASSERT_GE(bytes.size(), 512u);
    EXPECT_EQ(bytes.size() % 512, 0u);
    const uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), bytes.begin()));
    // Save goes to the same file in the same format.
    EXPECT_EQ(book.Save(), 1);
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST(WorkbookSaveAs, MissingFolderGivesMinusTwoAndCreatesNothing) {
    const std::string folder = TempPath("no-such-folder");
    TXLSWorkbook book;
    FillSome(book, 2);
    EXPECT_EQ(book.SaveAs(Utf8ToUtf16(folder + "/list.xls")), -2);
    EXPECT_TRUE(book.FileName().empty());
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(WorkbookSaveAs, FailedWriteLeavesTheExistingFileUntouched) {
    const std::string folder = TempPath("failed-write");
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/list.xls";
    const std::string previous = "the previous content";
    writer_test::WriteFile(path, previous);

    TXLSWorkbook book;
    FillSome(book, 5000);  // far more than the file size limit below
    // Make every write past 64 KiB fail (EFBIG instead of the signal).
    struct sigaction ignore {}, old {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    const int32_t result = book.SaveAs(Utf8ToUtf16(path));
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &old, nullptr);

    EXPECT_EQ(result, -2);
    EXPECT_TRUE(book.FileName().empty());
    const std::vector<uint8_t> after = ReadAll(path);
    EXPECT_EQ(std::string(after.begin(), after.end()), previous);
    EXPECT_EQ(FilesIn(folder), 1u) << "no temporary file may be left behind";
}

TEST(WorkbookSaveAs, SaveOfANewWorkbookIsRefused) {
    TXLSWorkbook book;
    EXPECT_EQ(book.Save(), -4);
}

TEST(WorkbookSaveAs, StreamOutputIsACompoundDocument) {
    if (writer_test::OraclePython().empty()) GTEST_SKIP() << "/usr/bin/python3 lacks olefile";
    for (int32_t format : {1, 2}) {
        TXLSWorkbook book;
        FillSome(book, 300);
        TMemoryStream out;
        const uint8_t prefix[] = {'k', 'e', 'e', 'p'};
        out.Write(prefix, sizeof prefix);  // the document is written at the stream's position
        ASSERT_EQ(book.SaveToStream(out, format), 1);
        EXPECT_TRUE(book.FileName().empty());
        ASSERT_GT(out.Bytes().size(), 4u);
        EXPECT_TRUE(std::equal(std::begin(prefix), std::end(prefix), out.Bytes().begin()));
        const std::string path = TempPath("stream-" + std::to_string(format) + ".xls");
        writer_test::WriteFile(path, std::vector<uint8_t>(out.Bytes().begin() + 4, out.Bytes().end()));
        std::string report;
        EXPECT_EQ(writer_test::RunCommand(writer_test::OraclePython() + " " + writer_test::OracleScript() +
                                              " --cfb " + path + " 2>&1",
                                          report),
                  0)
            << report;
        EXPECT_NE(report.find(format == 1 ? "\"Book\"" : "\"Workbook\""), std::string::npos) << report;
        // The same workbook saved to a file gives the same document.
        const std::string filePath = TempPath("file-" + std::to_string(format) + ".xls");
        ASSERT_EQ(book.SaveAsFormat(Utf8ToUtf16(filePath), nullptr, format), 1);
        EXPECT_EQ(ReadAll(filePath), ReadAll(path));
    }
}

// A macro storage kept from a loaded file goes back into a document saved in
// the loaded format, announced by OBJPROJ; saved in another format it is left out.
TEST(WorkbookSaveAs, KeptMacroStorageIsCopiedOnlyInTheLoadedFormat) {
    if (writer_test::OraclePython().empty()) GTEST_SKIP() << "/usr/bin/python3 lacks olefile";
    for (int32_t format : {2, 1}) {
        TXLSWorkbook book;
        FillSome(book, 2);
        auto storage = std::make_unique<TXLSFileStorage>(u"_VBA_PROJECT_CUR");
        auto stream = std::make_unique<TXLSFileStream>(u"PROJECT");
        stream->SetBytes(std::vector<uint8_t>(700, 0x5A));
        storage->Add(std::move(stream));
        book.KeptMacroStorage() = std::make_unique<TXLSKeptFileItem>(std::move(storage));
        book.SetLoadedFormat(2);
        book.SetFileFormat(format);
        const std::vector<writer_test::Record> records =
            writer_test::SplitRecords(writer_test::WriteStream(book, format));
        const bool announced = writer_test::FindRecord(records, XLSRecordId::kOBJPROJ) < records.size();
        EXPECT_EQ(announced, format == 2);

        const std::string path = TempPath("macros-" + std::to_string(format) + ".xls");
        ASSERT_EQ(book.SaveAsFormat(Utf8ToUtf16(path), nullptr, format), 1);
        std::string report;
        EXPECT_EQ(writer_test::RunCommand(writer_test::OraclePython() + " " + writer_test::OracleScript() +
                                              " --cfb " + path + " 2>&1",
                                          report),
                  0)
            << report;
        const bool copied = report.find("_VBA_PROJECT_CUR/PROJECT") != std::string::npos;
        EXPECT_EQ(copied, format == 2) << report;
    }
}

}  // namespace
}  // namespace korvel
