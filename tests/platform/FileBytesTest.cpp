// Whole-file reading: mapped regular files, read pipes, and the failures.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/FileBytes.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using testing::ScratchFolder;

std::string AsString(const TFileBytes& file) {
    return std::string(reinterpret_cast<const char*>(file.Bytes().data()), file.Bytes().size());
}

TEST(FileBytes, RegularEmptyAndMissingFiles) {
    ScratchFolder scratch;
    std::string content(70000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 256);
    auto file = ReadFileBytes(scratch.Write("data.bin", content));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(AsString(*file), content);
    EXPECT_TRUE(file->Mapped());

    auto empty = ReadFileBytes(scratch.Write("empty.bin", ""));
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->Bytes().empty());

    EXPECT_EQ(ReadFileBytes(scratch / "missing.bin"), nullptr);
    EXPECT_EQ(ReadFileBytes(scratch.Path()), nullptr);  // a folder has no bytes to read
}

// Large files asked to be touched ahead have their pages touched by a helper
// thread: the bytes read the same, asking twice starts one helper, and
// letting go of the file at once (while the helper may still run) or after
// reading must both end cleanly.
TEST(FileBytes, LargeFilesReadTheSameWhileTouchedAhead) {
    ScratchFolder scratch;
    std::string content(5 << 20, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 13 + i / 4096);
    const std::string path = scratch.Write("large.bin", content);
    for (int round = 0; round < 20; ++round) {
        auto dropped = ReadFileBytes(path);
        ASSERT_NE(dropped, nullptr);
        dropped->TouchAhead();
        if (round % 2 == 0) dropped->TouchAhead();
    }
    auto file = ReadFileBytes(path);
    ASSERT_NE(file, nullptr);
    file->TouchAhead();
    file->TouchAhead();
    EXPECT_EQ(AsString(*file), content);
    auto untouched = ReadFileBytes(path);
    ASSERT_NE(untouched, nullptr);
    EXPECT_EQ(AsString(*untouched), content);
}

TEST(FileBytes, BytesOutliveTheFileName) {
    ScratchFolder scratch;
    const std::string path = scratch.Write("gone.bin", "still here");
    auto file = ReadFileBytes(path);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(AsString(*file), "still here");
}

TEST(FileBytes, PipesAreReadToTheirEnd) {
    ScratchFolder scratch;
    const std::string content(200000, 'p');
    const pid_t child = scratch.ServeThroughPipe("pipe", content);
    ASSERT_GE(child, 0);
    auto file = ReadFileBytes(scratch / "pipe");
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(AsString(*file), content);
    EXPECT_FALSE(file->Mapped());  // such bytes cannot be read a second time
}

}  // namespace
}  // namespace korvel
