// Message boxes and the failure box as the user sees them on POSIX.
#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "platform/CheckedFile.h"
#include "platform/Errors.h"
#include "platform/FailureBox.h"
#include "platform/FileSystem.h"
#include "platform/InOutError.h"
#include "platform/MessageBox.h"

namespace korvel {
namespace {

struct CapturedBoxes {
    std::vector<std::pair<std::string, std::string>> boxes;
    MessageBoxSink previous;
    CapturedBoxes() {
        previous = SetMessageBoxSink([this](const std::string& caption, const std::string& text) {
            boxes.emplace_back(caption, text);
        });
    }
    ~CapturedBoxes() { SetMessageBoxSink(previous); }
};

TEST(MessageBox, EachBoxIsOneLine) {
    struct Row {
        const char* text;
        const char* line;
    } rows[] = {
        {"File error!", "ERROR: File error!"},
        {"a\r\nb", "ERROR: a b"},
        {"a\nb\rc", "ERROR: a b c"},
        {"a\r\n\r\nb", "ERROR: a b"},
        {"ends here.\r\n", "ERROR: ends here."},
        {"", "ERROR: "},
    };
    for (const Row& row : rows) EXPECT_EQ(MessageBoxLine("ERROR", row.text), row.line) << row.text;
}

TEST(MessageBox, GoesToStandardErrorUnlessCaptured) {
    ::testing::internal::CaptureStderr();
    ShowMessageBox("Warning", "two\r\nlines");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Warning: two lines\n");

    CapturedBoxes captured;
    ::testing::internal::CaptureStderr();
    ShowMessageBox("ERROR", "File not found !");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(captured.boxes.size(), 1u);
    EXPECT_EQ(captured.boxes[0].first, "ERROR");
    EXPECT_EQ(captured.boxes[0].second, "File not found !");
}

TEST(FailureBox, TextLayout) {
    EXPECT_EQ(FormatFailureText("EInOutError", "korvel.exe", 0x0040A1B2, "Invalid filename"),
              "Exception EInOutError in module korvel.exe at 0040A1B2.\r\nInvalid filename.\r\n");
    // No second full stop after a message that already has one.
    EXPECT_EQ(FormatFailureText("Exception", "k", 0xDEADBEEF, "Stopped."),
              "Exception Exception in module k at DEADBEEF.\r\nStopped.\r\n");
    EXPECT_EQ(FormatFailureText("Exception", "k", 0, ""), "Exception Exception in module k at 00000000.\r\n.\r\n");
}

TEST(FailureBox, UnhandledErrorsEndWithTheBoxAndExitCodeOne) {
    CapturedBoxes captured;
    std::string module = ExecutableFileName();

    EXPECT_EQ(RunWithFailureBox([] { return 0; }), 0);
    EXPECT_EQ(RunWithFailureBox([] { return 7; }), 7);
    EXPECT_TRUE(captured.boxes.empty());

    EXPECT_EQ(RunWithFailureBox([]() -> int { RaiseInOutError(kIoInvalidFilename, kStepFileCreate); }), 1);
    ASSERT_EQ(captured.boxes.size(), 1u);
    EXPECT_EQ(captured.boxes[0].first, "Application Error");
    EXPECT_EQ(captured.boxes[0].second,
              "Exception EInOutError in module " + module + " at 00410010.\r\nInvalid filename.\r\n");

    EXPECT_EQ(RunWithFailureBox([]() -> int { throw EFOpenError("Cannot open file \"x\". No such file or directory"); }), 1);
    EXPECT_EQ(RunWithFailureBox([]() -> int { throw std::runtime_error("bad thing"); }), 1);
    EXPECT_EQ(RunWithFailureBox([]() -> int { throw 42; }), 1);
    ASSERT_EQ(captured.boxes.size(), 4u);
    EXPECT_EQ(captured.boxes[1].second.rfind("Exception EFOpenError in module " + module + " at ", 0), 0u);
    EXPECT_NE(captured.boxes[1].second.find("\r\nCannot open file \"x\". No such file or directory.\r\n"), std::string::npos);
    EXPECT_EQ(captured.boxes[2].second.rfind("Exception Exception in module ", 0), 0u);
    EXPECT_NE(captured.boxes[2].second.find("\r\nbad thing.\r\n"), std::string::npos);
    EXPECT_EQ(captured.boxes[3].first, "Application Error");
}

TEST(FailureBox, StepOfAnErrorWithoutOneIsStable) {
    CapturedBoxes captured;
    auto fail = []() -> int { throw EKorvelError("same failure"); };
    RunWithFailureBox(fail);
    RunWithFailureBox(fail);
    RunWithFailureBox([]() -> int { throw EKorvelError("another failure"); });
    ASSERT_EQ(captured.boxes.size(), 3u);
    EXPECT_EQ(captured.boxes[0].second, captured.boxes[1].second);
    EXPECT_NE(captured.boxes[0].second, captured.boxes[2].second);
}

}  // namespace
}  // namespace korvel
