// File-system services and file streams.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "platform/Errors.h"
#include "platform/FileStream.h"
#include "platform/FileSystem.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using korvel::testing::ScratchFolder;

TEST(FileSystem, ExistenceTests) {
    ScratchFolder scratch;
    std::string file = scratch.Write("settings.dat", "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(scratch / "missing.xls"));
    EXPECT_FALSE(FileExists(scratch.Path()));  // a folder is not a file
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DirectoryExists(scratch.Path()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(DirectoryExists(scratch / "missing"));
}

TEST(FileSystem, RenameRemoveAndTemporaryNames) {
    ScratchFolder scratch;
    std::string target = scratch.Write("list.xls", "old");
    std::string temporary = TemporaryPathBeside(target);
    EXPECT_EQ(temporary.rfind(scratch.Path(), 0), 0u);
    EXPECT_EQ(temporary.find('/', scratch.Path().size()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_NE(TemporaryPathBeside(target), temporary);

    scratch.Write(temporary.substr(scratch.Path().size()), "new");
    EXPECT_TRUE(RenameFile(temporary, target));
    EXPECT_EQ(scratch.Read("list.xls"), "new");
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_FALSE(RenameFile(temporary, target));
    EXPECT_TRUE(RemoveFile(target));
    EXPECT_FALSE(RemoveFile(target));
}

TEST(FileSystem, ExecutablePathNamesTheRunningProgram) {
    std::string path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(ExecutableFileName(), "platform_tests");
    EXPECT_EQ(ExecutableFolder(), path.substr(0, path.size() - std::strlen("platform_tests")));
    EXPECT_EQ(ExecutableFolder().back(), '/');
    EXPECT_TRUE(DirectoryExists(ExecutableFolder()));
}

TEST(FileStream, OpenFailureNamesTheFileAndTheReason) {
    ScratchFolder scratch;
    std::string path = scratch / "missing.xml";
    try {
        TFileStream stream(path, FileMode::OpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + path + "\". No such file or directory");
        EXPECT_STREQ(error.Kind(), "EFOpenError");
    }
}

TEST(FileStream, ReadWriteSeek) {
    ScratchFolder scratch;
    std::string path = scratch / "stream.bin";
    {
        TFileStream out(path, FileMode::Create);
        EXPECT_EQ(out.Write("hello world", 11), 11u);
        EXPECT_EQ(out.Seek(6, SeekOrigin::Begin), 6);
        EXPECT_EQ(out.Write("WORLD", 5), 5u);
        EXPECT_EQ(out.Size(), 11);
    }
    EXPECT_EQ(scratch.Read("stream.bin"), "hello WORLD");
    TFileStream in(path, FileMode::OpenRead);
    char buffer[32] = {};
    EXPECT_EQ(in.Seek(-5, SeekOrigin::End), 6);
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "WORLD");
    EXPECT_EQ(in.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(in.Write("x", 1), 0u);  // opened for reading only
    EXPECT_EQ(in.Seek(-1, SeekOrigin::Begin), -1);
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
}

}  // namespace
}  // namespace korvel
