// The workbook-to-mobile conversion through the real binary: input workbooks
// written by other programs (fixtures, xlwt), outputs compared byte for byte
// with the files the formats prescribe for the expected devices.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/app/ConversionTestSupport.h"

namespace korvel::testing {
namespace {

const std::string kFixtures = KORVEL_TEST_DATA "/fixtures/";
constexpr const char* kAndroid = "android/com.velmorak.zKestra_preferences.xml";
constexpr const char* kIphone = "iphone/settings.dat";

class ToMobile : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveOracle()) GTEST_SKIP() << "/usr/bin/python3 lacks xlrd or xlwt";
    }

    void ExpectDevices(const std::vector<Device>& devices) {
        EXPECT_EQ(ReadFile(install_ / kAndroid), PreferencesFileFor(devices));
        EXPECT_EQ(ReadFile(install_ / kIphone), SettingsFileFor(devices));
    }

    // Writes `cells` (JSON [row, col, value] triples) as sheet 1 of in.xls and converts it.
    RunOutcome ConvertCells(const std::string& cells) {
        const std::string spec = "{\"sheets\":[{\"name\":\"Devices\",\"cells\":[" + cells + "]}]}";
        EXPECT_TRUE(MakeWorkbook(install_ / "in.xls", spec));
        return install_.Run("in.xls");
    }

    KorvelInstall install_;
};

// Every kind of cell value, in a workbook encrypted with the default
// password, which opens without one. Rows from xlrd's reading of the file;
// row 9 starts with an error value, which the model keeps no value for, so
// the list ends there.
TEST_F(ToMobile, EveryKindOfValueFromAnEncryptedWorkbook) {
    RunOutcome outcome = install_.Run(kFixtures + "rc4-libreoffice-velvetsweatshop.xls");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.error, "");
    ExpectDevices({
        {"plain ASCII text", "Gr\xc3\xbc\xc3\x9f" "e \xc3\xa0\xc3\xa9\xc3\xae\xc3\xb5\xc3\xbc \xc3\x86\xc3\x98\xc3\x85 \xc3\x9f \xe2\x82\xac",
         "\xe6\xbc\xa2\xe5\xad\x97\xe3\x81\x8b\xe3\x81\xaa\xe3\x82\xab\xe3\x83\x8a \xed\x95\x9c\xea\xb5\xad\xec\x96\xb4",
         "emoji \xf0\x9f\x98\x80\xf0\x9f\x8e\x89\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd"},
        {"=1+2", "'apostrophe", "line1\nline2", "padded"},  // texts kept exactly, then trimmed
        {"0", "1", "-1", "42"},
        {"0.1", "1.5", "-2.75", "3.14159265358979"},
        {"TRUE", "FALSE", "", ""},
        {"2024-02-29", "1999-12-31 23:59:59", "1900-01-16", "1900-03-01"},
        {"6", "7", "42", "abcd"},  // formula results
        {"left", "", "middle", ""},
    });
}

TEST_F(ToMobile, AtMostAThousandRowsOfARealWorkbook) {
    const std::string dump = kFixtures + "devices-libreoffice-csv.xls.expected.jsonl";
    std::vector<Device> devices = FixtureDevices(dump, 1000);
    ASSERT_EQ(devices.size(), 1000u);
    ASSERT_EQ(FixtureDevices(dump, 1001).size(), 1001u) << "the fixture must go on after row 1000";
    RunOutcome outcome = install_.Run(kFixtures + "devices-libreoffice-csv.xls");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.error;
    ExpectDevices(devices);
}

TEST_F(ToMobile, AThousandOf1200Rows) {
    std::string cells;
    std::vector<Device> devices;
    for (int row = 1; row <= 1200; ++row) {
        std::string name = "cam" + std::to_string(row);
        cells += (row > 1 ? "," : "") + std::string("[") + std::to_string(row) + ",1,\"" + name + "\"]," +
                 "[" + std::to_string(row) + ",3," + std::to_string(row * 7) + "]";
        if (row <= 1000) devices.push_back({name, "", std::to_string(row * 7), ""});
    }
    RunOutcome outcome = ConvertCells(cells);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.error;
    ExpectDevices(devices);
}

// Rows 1 to 3 are devices, row 4's name is only blanks, row 5 is ignored.
// Values are trimmed; a value of blanks is no value; numbers, booleans and
// dates are written as text; apostrophes and equals signs are kept.
TEST_F(ToMobile, TrimmedValuesUpToTheFirstEmptyName) {
    RunOutcome outcome = ConvertCells(
        "[1,1,\"  cam1 \\t\"],[1,2,\"   \"],[1,3,1234],[1,4,\" Hall\"],"
        "[2,1,\"'quoted\"],[2,2,\"=A1\"],[2,3,true],[2,4,{\"date\":[2024,2,29,13,30,0]}],"
        "[3,1,\"p&q<r>\"],[3,2,\"K\xc3\xbc" "che\"],[3,3,0.1],[3,4,1e20],"
        "[4,1,\" \\t \"],[4,2,\"orphan\"],"
        "[5,1,\"cam5\"],[5,2,\"never\"]");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.error;
    ExpectDevices({
        {"cam1", "", "1234", "Hall"},
        {"'quoted", "=A1", "TRUE", "2024-02-29 13:30:00"},
        {"p&q<r>", "K\xc3\xbc" "che", "0.1", "1E+20"},
    });
}

TEST_F(ToMobile, EmptyFirstNameGivesEmptyLists) {
    RunOutcome outcome = ConvertCells("[1,2,\"u\"],[2,1,\"cam2\"]");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.error;
    EXPECT_EQ(ReadFile(install_ / kAndroid),
              "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n<string name=\"seq\"></string>\n</map>");
    EXPECT_TRUE(std::filesystem::exists(install_ / kIphone));
    EXPECT_EQ(ReadFile(install_ / kIphone), "");
}

// A workbook that cannot be read is told in plain words, with exit code 1,
// and the mobile files of an earlier run stay as they were.
TEST_F(ToMobile, UnreadableWorkbooksLeaveTheOutputsAlone) {
    WriteFile(install_ / kAndroid, "old preferences");
    WriteFile(install_ / kIphone, "old list");
    WriteFile(install_ / "text.xls", "name;user\ncam;admin\n");
    // A bare BIFF8 record stream of a globals BOF and EOF ([MS-XLS] 2.4.21, 2.4.103): a workbook of no sheet.
    WriteFile(install_ / "nosheet.xls", std::string("\x09\x08\x10\x00\x00\x06\x05\x00\xbb\x0d\xcc\x07"
                                                    "\x00\x00\x00\x00\x06\x02\x00\x00\x0a\x00\x00\x00", 24));
    struct Row {
        std::string argument;
        std::string reason;
    } rows[] = {
        {kFixtures + "rc4-libreoffice-secret.xls", "it is protected by a password (password needed)"},
        {"text.xls", "it is not a workbook"},
        {"nosheet.xls", "it holds no worksheet"},
    };
    for (const Row& row : rows) {
        RunOutcome outcome = install_.Run(row.argument);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.error, "ERROR: The workbook \"" + row.argument + "\" could not be read: " + row.reason + ".\n");
    }
    EXPECT_EQ(ReadFile(install_ / kAndroid), "old preferences");
    EXPECT_EQ(ReadFile(install_ / kIphone), "old list");
}

TEST_F(ToMobile, MissingOutputFolders) {
    ASSERT_TRUE(MakeWorkbook(install_ / "in.xls", "{\"sheets\":[{\"name\":\"S\",\"cells\":[[1,1,\"cam\"]]}]}"));
    std::filesystem::remove(install_ / "android");
    RunOutcome outcome = install_.Run("in.xls");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.error.find("Exception EInOutError in module korvel at "), std::string::npos) << outcome.error;
    EXPECT_NE(outcome.error.find(". Invalid filename.\n"), std::string::npos) << outcome.error;
    EXPECT_FALSE(std::filesystem::exists(install_ / kIphone));

    // Without the iphone folder the preferences output was made first and stays, empty.
    std::filesystem::create_directory(install_ / "android");
    std::filesystem::remove(install_ / "iphone");
    outcome = install_.Run("in.xls");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.error.find(". Invalid filename.\n"), std::string::npos) << outcome.error;
    EXPECT_EQ(ReadFile(install_ / kAndroid), "");
}

// preferences file -> list.xls -> preferences file, and the same for
// settings.dat: byte for byte, since both inputs are in the form korvel writes.
TEST_F(ToMobile, RoundTrips) {
    std::vector<Device> devices;
    for (int i = 1; i <= 40; ++i) {
        devices.push_back({"dev" + std::to_string(i), i % 2 ? "admin" + std::to_string(i) : "",
                           i % 3 ? "p&w<" + std::to_string(i) : "", i % 5 ? "R\xc3\xa4ume " + std::to_string(i) : ""});
    }
    devices[3].name = "Front door";  // joined in quotes, so its values are not found again
    devices[3].u = devices[3].p = devices[3].s = "";
    devices[4].u = "'kept";

    const std::string preferences = PreferencesFileFor(devices);
    WriteFile(install_ / "com.velmorak.zKestra_preferences.xml", preferences);
    ASSERT_EQ(install_.Run("com.velmorak.zKestra_preferences.xml").exitCode, 0);
    devices[3].name = "\"Front door\"";  // the name as the preferences file gives it back
    ASSERT_EQ(install_.Run("list.xls").exitCode, 0);
    EXPECT_EQ(ReadFile(install_ / kAndroid), PreferencesFileFor(devices));

    std::vector<Device> listed = devices;
    listed[3].name = "Front door";
    const std::string settings = SettingsFileFor(listed);
    WriteFile(install_ / "settings.dat", settings);
    ASSERT_EQ(install_.Run("settings.dat").exitCode, 0);
    ASSERT_EQ(install_.Run("list.xls").exitCode, 0);
    EXPECT_EQ(ReadFile(install_ / kIphone), settings);
}

}  // namespace
}  // namespace korvel::testing
