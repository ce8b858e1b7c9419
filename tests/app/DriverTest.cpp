// The korvel command line: argument checks in-process, and the real binary
// end to end (its standard error and exit code).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/Driver.h"
#include "platform/FailureBox.h"
#include "platform/MessageBox.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using korvel::testing::ScratchFolder;
using Boxes = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kUsage = "Usage: korvel [com.velmorak.zKestra_preferences.xml | settings.dat | list.xls]";

TEST(ClassifyArgument, ExtensionAndNameRules) {
    struct Row {
        const char* argument;
        ArgumentKind kind;
    } rows[] = {
        {"list.xls", ArgumentKind::Workbook},
        {"anything.xls", ArgumentKind::Workbook},
        {"/data/some.dir/x.xls", ArgumentKind::Workbook},
        {".xls", ArgumentKind::Workbook},
        {"LIST.XLS", ArgumentKind::Unknown},
        {"list.Xls", ArgumentKind::Unknown},
        {"list.xlsx", ArgumentKind::Unknown},
        {"list.xls.bak", ArgumentKind::Unknown},
        {"notes.txt", ArgumentKind::Unknown},
        {"x.xls/notes", ArgumentKind::Unknown},  // the dot is in a folder name
        {"settings.dat", ArgumentKind::ListFile},
        {"/data/SETTINGS.DAT", ArgumentKind::ListFile},
        {"SeTtInGs.DaT", ArgumentKind::ListFile},
        {"my settings.dat", ArgumentKind::Unknown},
        {"settings.dat/", ArgumentKind::Unknown},
        {"com.velmorak.zKestra_preferences.xml", ArgumentKind::Preferences},
        {"backup/COM.VELMORAK.ZKESTRA_PREFERENCES.XML", ArgumentKind::Preferences},
        {"com.velmorak.zkestra_preferences.xml.xls", ArgumentKind::Workbook},
        {"", ArgumentKind::Unknown},
        // Only ASCII letters fold: a byte above 127 is not a letter.
        {"settings.d\xc0t", ArgumentKind::Unknown},
    };
    for (const Row& row : rows) EXPECT_EQ(ClassifyArgument(row.argument), row.kind) << row.argument;
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = SetMessageBoxSink([this](const std::string& caption, const std::string& text) {
            boxes_.emplace_back(caption, text);
        });
    }
    void TearDown() override { SetMessageBoxSink(previous_); }

    int Run(std::vector<std::string> arguments) {
        return RunWithFailureBox([&] { return RunDriver(arguments, folder_.Path()); });
    }

    ScratchFolder folder_;
    Boxes boxes_;

private:
    MessageBoxSink previous_;
};

TEST_F(DriverTest, NoArgumentShowsTheUsage) {
    EXPECT_EQ(Run({}), 0);
    EXPECT_EQ(boxes_, (Boxes{{"Warning", kUsage}}));
}

TEST_F(DriverTest, UnknownKindIsAFileErrorWhetherOrNotItExists) {
    std::string existing = folder_.Write("notes.txt", "x");
    std::string upperCase = folder_.Write("LIST.XLS", "x");
    EXPECT_EQ(Run({existing}), 0);
    EXPECT_EQ(Run({folder_ / "missing.txt"}), 0);
    EXPECT_EQ(Run({upperCase}), 0);
    EXPECT_EQ(boxes_, (Boxes{{"ERROR", "File error!"}, {"ERROR", "File error!"}, {"ERROR", "File error!"}}));
}

TEST_F(DriverTest, MissingFileOfAKnownKind) {
    std::filesystem::create_directory(folder_ / "settings.dat");  // a folder is no file
    EXPECT_EQ(Run({folder_ / "missing.xls"}), 0);
    EXPECT_EQ(Run({folder_ / "SETTINGS.DAT"}), 0);
    EXPECT_EQ(Run({folder_ / "settings.dat"}), 0);
    EXPECT_EQ(Run({folder_ / "com.velmorak.zKestra_preferences.xml"}), 0);
    EXPECT_EQ(boxes_, Boxes(4, {"ERROR", "File not found !"}));
}

TEST_F(DriverTest, OnlyTheFirstArgumentCounts) {
    EXPECT_EQ(Run({"notes.txt", folder_.Write("list.xls", "")}), 0);
    EXPECT_EQ(boxes_, (Boxes{{"ERROR", "File error!"}}));
}

TEST_F(DriverTest, ExistingFilesOfKnownKindsGoToTheirConversion) {
    for (const char* name : {"SETTINGS.DAT", "com.velmorak.zKestra_preferences.xml"}) {
        boxes_.clear();
        Run({folder_.Write(name, "")});
        for (const auto& box : boxes_) {
            EXPECT_NE(box.first, "ERROR") << name;
            EXPECT_NE(box.first, "Warning") << name;
        }
    }
    // An empty file is no workbook: the workbook conversion says so and fails.
    boxes_.clear();
    std::string workbook = folder_.Write("any.xls", "");
    EXPECT_EQ(Run({workbook}), 1);
    EXPECT_EQ(boxes_, (Boxes{{"ERROR", "The workbook \"" + workbook + "\" could not be read: it is not a workbook."}}));
}

// Runs the built korvel binary in `folder`; returns its exit code, standard error and output.
struct Outcome {
    int exitCode = -1;
    std::string error;
    std::string output;
};

Outcome RunKorvel(const ScratchFolder& folder, const std::string& arguments) {
    std::string command = "cd '" + folder.Path() + "' && '" KORVEL_BINARY "' " + arguments + " >out.txt 2>err.txt";
    int status = std::system(command.c_str());
    Outcome outcome;
    if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    outcome.error = folder.Read("err.txt");
    outcome.output = folder.Read("out.txt");
    return outcome;
}

TEST(KorvelBinary, MessagesAndExitCodes) {
    ScratchFolder folder;
    folder.Write("notes.txt", "x");
    struct Row {
        std::string arguments;
        std::string error;
    } rows[] = {
        {"", std::string("Warning: ") + kUsage + "\n"},
        {"notes.txt", "ERROR: File error!\n"},
        {"LIST.XLS", "ERROR: File error!\n"},
        {"missing.xls", "ERROR: File not found !\n"},
        {"missing/settings.dat", "ERROR: File not found !\n"},
        {"notes.txt missing.xls", "ERROR: File error!\n"},
    };
    for (const Row& row : rows) {
        Outcome outcome = RunKorvel(folder, row.arguments);
        EXPECT_EQ(outcome.exitCode, 0) << row.arguments;
        EXPECT_EQ(outcome.error, row.error) << row.arguments;
        EXPECT_EQ(outcome.output, "") << row.arguments;
    }
}

TEST(KorvelBinary, FailureBoxAndExitCodeOne) {
    // A "settings.dat" of 211 bytes cannot convert: one record and a byte.
    ScratchFolder folder;
    folder.Write("settings.dat", std::string(211, '\0'));
    Outcome outcome = RunKorvel(folder, "settings.dat");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.error.rfind("Application Error: Exception ", 0), 0u) << outcome.error;
    EXPECT_NE(outcome.error.find(" in module korvel at "), std::string::npos) << outcome.error;
    EXPECT_EQ(outcome.error.back(), '\n');
    EXPECT_EQ(outcome.error.find('\n'), outcome.error.size() - 1) << "one line";
    EXPECT_EQ(outcome.output, "");
}

}  // namespace
}  // namespace korvel
