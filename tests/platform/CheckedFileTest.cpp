// Checked files: every failure must surface as EInOutError with the run-time
// code and message, at the operation that failed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>

#include "platform/CheckedFile.h"
#include "platform/Errors.h"
#include "platform/InOutError.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using korvel::testing::ScratchFolder;

// Runs op and returns the EInOutError it raised (code -1 when none was).
template <typename Op>
EInOutError CaughtIoError(Op op) {
    try {
        op();
    } catch (const EInOutError& error) {
        return error;
    }
    return EInOutError(-1, "no error");
}

TEST(InOutError, MessagesFollowTheRunTimeTable) {
    struct Row {
        int code;
        const char* message;
    } rows[] = {{2, "File not found"},         {3, "Invalid filename"}, {4, "Too many open files"},
                {5, "File access denied"},     {100, "Read beyond end of file"},
                {101, "Disk full"},            {106, "Invalid numeric input"},
                {103, "I/O error 103"},        {32, "I/O error 32"}};
    for (const Row& row : rows) EXPECT_EQ(InOutErrorMessage(row.code), row.message) << row.code;
}

TEST(InOutError, SystemErrorsWithoutARealFileCase) {
    // Conditions a test cannot provoke on an ordinary file system.
    EXPECT_EQ(InOutCodeFromSystemError(EROFS, "f"), 5);
    EXPECT_EQ(InOutCodeFromSystemError(EPERM, "f"), 5);
    EXPECT_EQ(InOutCodeFromSystemError(EDQUOT, "f"), 101);
    // EIO must not show as code 5, "File access denied".
    EXPECT_EQ(InOutCodeFromSystemError(EIO, "f"), 1117);
}

TEST(CheckedFile, CreatingInAMissingFolderIsAnInvalidFilename) {
    ScratchFolder scratch;
    TCheckedFile file;
    EInOutError error = CaughtIoError([&] { file.Create(scratch / "android/prefs.xml"); });
    EXPECT_EQ(error.Code(), 3);
    EXPECT_STREQ(error.what(), "Invalid filename");
    EXPECT_STREQ(error.Kind(), "EInOutError");
    EXPECT_EQ(error.Step(), kStepFileCreate);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(scratch / "android"));
}

TEST(CheckedFile, OpeningFailuresGiveTheirCodes) {
    ScratchFolder scratch;
    scratch.Write("plain", "x");
    TCheckedFile file;
    EXPECT_EQ(CaughtIoError([&] { file.Open(scratch / "absent.dat", CheckedAccess::Read); }).Code(), 2);
    EXPECT_EQ(CaughtIoError([&] { file.Open(scratch / "plain/below", CheckedAccess::Read); }).Code(), 3);
    // A folder is no file: refused for reading as well as for writing.
    EXPECT_EQ(CaughtIoError([&] { file.Open(scratch.Path(), CheckedAccess::Read); }).Code(), 5);
    EXPECT_EQ(CaughtIoError([&] { file.Open(scratch.Path(), CheckedAccess::ReadWrite); }).Code(), 5);
    EXPECT_EQ(CaughtIoError([&] { file.Create(scratch.Path()); }).Code(), 5);
    EXPECT_EQ(CaughtIoError([&] { file.Open(scratch / "plain", CheckedAccess::Read); }).Code(), -1);
}

// Runs in a child process that gives up root's right to ignore file modes.
int OpenCodeWithoutPrivileges(const std::string& path, CheckedAccess access) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return -2;
    TCheckedFile file;
    try {
        file.Open(path, access);
    } catch (const EInOutError& error) {
        return error.what() == InOutErrorMessage(error.Code()) ? error.Code() : -3;
    }
    return 0;
}

TEST(CheckedFile, ReadOnlyFileIsRefusedForWriting) {
    ScratchFolder scratch;
    std::string path = scratch.Write("settings.dat", std::string(210, 'a'));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
    EXPECT_EXIT(std::_Exit(OpenCodeWithoutPrivileges(path, CheckedAccess::ReadWrite)), ::testing::ExitedWithCode(5), "");
    EXPECT_EXIT(std::_Exit(OpenCodeWithoutPrivileges(path, CheckedAccess::Read)), ::testing::ExitedWithCode(0), "");
}

TEST(CheckedFile, ShortReadIsReadBeyondEndOfFile) {
    ScratchFolder scratch;
    std::string path = scratch.Write("settings.dat", std::string(211, 'r'));
    TCheckedFile file;
    file.Open(path, CheckedAccess::Read);
    char record[210];
    EXPECT_FALSE(file.Eof());
    file.ReadExact(record, sizeof record);
    EXPECT_FALSE(file.Eof());
    EInOutError error = CaughtIoError([&] { file.ReadExact(record, sizeof record); });
    EXPECT_EQ(error.Code(), 100);
    EXPECT_STREQ(error.what(), "Read beyond end of file");
    EXPECT_EQ(error.Step(), kStepFileRead);
    EXPECT_TRUE(file.Eof());
}

TEST(CheckedFile, EmptyFileIsAtItsEnd) {
    ScratchFolder scratch;
    TCheckedFile file;
    file.Open(scratch.Write("empty", ""), CheckedAccess::ReadWrite);
    EXPECT_TRUE(file.Eof());
    file.Close();
}

TEST(CheckedFile, WritesReachTheFileAtFlushAndClose) {
    ScratchFolder scratch;
    TCheckedFile file;
    file.Create(scratch.Write("out", "old contents that must go"));
    EXPECT_EQ(scratch.Read("out"), "");
    file.Write("<map>\n");
    file.Flush();
    EXPECT_EQ(scratch.Read("out"), "<map>\n");
    file.Write(std::string_view("a\0b", 3));
    file.Close();
    EXPECT_EQ(scratch.Read("out"), std::string("<map>\na\0b", 9));
    EXPECT_FALSE(file.IsOpen());
}

TEST(CheckedFile, LargeWritesArriveWhole) {
    ScratchFolder scratch;
    TCheckedFile file;
    file.Create(scratch / "big");
    std::string record(210, '\0');
    for (int i = 0; i < 1000; ++i) {
        record[0] = static_cast<char>(i);
        file.Write(record.data(), record.size());
    }
    file.Close();
    std::string written = scratch.Read("big");
    ASSERT_EQ(written.size(), 210000u);
    EXPECT_EQ(written[999 * 210], static_cast<char>(999));
}

TEST(CheckedFile, FullDiskIsReportedAtTheFlush) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TCheckedFile file;
    file.Create("/dev/full");
    file.Write("entry");
    EInOutError error = CaughtIoError([&] { file.Flush(); });
    EXPECT_EQ(error.Code(), 101);
    EXPECT_STREQ(error.what(), "Disk full");
    EXPECT_EQ(error.Step(), kStepFileFlush);
    // Close still closes the file, reporting the same failure.
    EXPECT_EQ(CaughtIoError([&] { file.Close(); }).Code(), 101);
    EXPECT_FALSE(file.IsOpen());
}

TEST(CheckedFile, UsingAFileThatIsNotOpenIsAnError) {
    TCheckedFile file;
    char byte;
    EXPECT_EQ(CaughtIoError([&] { file.Write("x"); }).Code(), 103);
    EXPECT_EQ(CaughtIoError([&] { file.ReadExact(&byte, 1); }).Code(), 103);
    EXPECT_EQ(CaughtIoError([&] { file.Flush(); }).Code(), 103);
    EXPECT_EQ(CaughtIoError([&] { file.Eof(); }).Code(), 103);
    EXPECT_EQ(CaughtIoError([&] { file.Close(); }).Code(), 103);
}

TEST(CheckedFile, TooManyOpenFiles) {
#ifdef KORVEL_SANITIZED
    // The sanitizer runtime checks memory through a pipe; with every
    // descriptor taken it misreports the exception object being thrown.
    GTEST_SKIP() << "descriptor exhaustion confuses the sanitizer runtime";
#endif
    ScratchFolder scratch;
    std::string path = scratch / "out";
    EXPECT_EXIT(
        {
            struct rlimit limit {};
            ::getrlimit(RLIMIT_NOFILE, &limit);
            int next = ::open("/dev/null", O_RDONLY);  // the lowest free descriptor
            limit.rlim_cur = static_cast<rlim_t>(next);
            ::setrlimit(RLIMIT_NOFILE, &limit);
            TCheckedFile file;
            try {
                file.Create(path);
            } catch (const EInOutError& error) {
                std::_Exit(error.Code());
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(4), "");
}

}  // namespace
}  // namespace korvel
