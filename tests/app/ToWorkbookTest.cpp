// The two conversions into "list.xls", run through the real binary; the
// workbook is read back by xlrd (tests/tools/oracle-dump.py) and compared with
// the device list the input was made from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/app/ConversionTestSupport.h"

namespace korvel::testing {
namespace {

constexpr const char* kPreferences = "com.velmorak.zKestra_preferences.xml";

// 300 devices with every shape a value takes: missing values, markup
// characters, non-ASCII text, leading apostrophes and equals signs (which a
// cell must keep as text), inner blanks, and a value of the longest length.
std::vector<Device> ManyDevices() {
    std::vector<Device> devices;
    for (int i = 1; i <= 300; ++i) {
        Device d;
        d.name = "cam-" + std::to_string(i);
        if (i % 3 != 0) d.u = "user" + std::to_string(i);
        if (i % 5 != 0) d.p = i % 7 == 0 ? "p&ss<" + std::to_string(i) + ">" : "secret" + std::to_string(i * 31);
        if (i % 4 != 0) d.s = i % 2 == 0 ? "Hall " + std::to_string(i) : "K\xc3\xbc" "che \xe2\x82\xac" + std::to_string(i);
        devices.push_back(d);
    }
    devices[10].u = "'quoted";
    devices[11].p = "=1+2";
    devices[12].s = "'=x";
    devices[13].u = std::string(39, 'u');
    devices[14].name = std::string(49, 'n');
    devices[15].s = std::string(39, 's');
    return devices;
}

class ToWorkbook : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveOracle()) GTEST_SKIP() << "/usr/bin/python3 lacks xlrd or xlwt";
    }
    KorvelInstall install_;
};

TEST_F(ToWorkbook, PreferencesOf300Devices) {
    const std::vector<Device> devices = ManyDevices();
    WriteFile(install_ / kPreferences, PreferencesFileFor(devices));
    RunOutcome outcome = install_.Run(kPreferences);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(OracleDump(install_ / "list.xls"), ListDumpFor(devices));
}

TEST_F(ToWorkbook, ReadOnlySettingsOf300Records) {
    const std::vector<Device> devices = ManyDevices();
    WriteFile(install_ / "SETTINGS.DAT", SettingsFileFor(devices));
    // Read-only input (this cannot fail when the tests run as root).
    ::chmod((install_ / "SETTINGS.DAT").c_str(), 0444);
    RunOutcome outcome = install_.Run("SETTINGS.DAT");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(OracleDump(install_ / "list.xls"), ListDumpFor(devices));
}

// Under a Latin-1 locale the UTF-8 values of the preferences file must become
// that code page's characters, U and P as much as S.
TEST_F(ToWorkbook, PreferenceValuesAreDecodedFromUtf8) {
    std::vector<Device> devices = {{"cam", "M\xc3\xbcller", "\xc3\xa9t\xc3\xa9", "K\xc3\xbc" "che"}};
    WriteFile(install_ / kPreferences, PreferencesFileFor(devices));
    RunOutcome outcome = install_.Run(kPreferences, "C");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.error;
    EXPECT_EQ(OracleDump(install_ / "list.xls"), ListDumpFor(devices));
}

TEST_F(ToWorkbook, EmptyInputsGiveAnEmptySheet) {
    const std::string emptySheet = "{\"sheets\":[\"Sheet1\"],\"datemode\":0}\n";
    WriteFile(install_ / "settings.dat", "");
    EXPECT_EQ(install_.Run("settings.dat").exitCode, 0);
    EXPECT_EQ(OracleDump(install_ / "list.xls"), emptySheet);

    std::filesystem::remove(install_ / "list.xls");
    WriteFile(install_ / kPreferences,
              "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n"
              "<string name=\"aU\">x</string>\n</map>");
    EXPECT_EQ(install_.Run(kPreferences).exitCode, 0);
    EXPECT_EQ(OracleDump(install_ / "list.xls"), emptySheet);
}

// A failure after reading must leave an earlier list.xls exactly as it was.
TEST_F(ToWorkbook, RecordCutShortFailsAndKeepsTheOldWorkbook) {
    WriteFile(install_ / "list.xls", "old workbook");
    WriteFile(install_ / "settings.dat", SettingsFileFor({{"cam1", "u", "p", "s"}}) + "x");
    RunOutcome outcome = install_.Run("settings.dat");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.error.rfind("Application Error: Exception EInOutError in module korvel at ", 0), 0u)
        << outcome.error;
    EXPECT_NE(outcome.error.find(". Read beyond end of file.\n"), std::string::npos) << outcome.error;
    EXPECT_EQ(ReadFile(install_ / "list.xls"), "old workbook");
}

TEST_F(ToWorkbook, FailedSaveIsReported) {
    std::filesystem::create_directory(install_ / "list.xls");  // cannot be replaced by a file
    WriteFile(install_ / "settings.dat", SettingsFileFor({{"cam1", "u", "p", "s"}}));
    RunOutcome outcome = install_.Run("settings.dat");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.error.rfind("Application Error: Exception EConversionError in module korvel at ", 0), 0u)
        << outcome.error;
    EXPECT_NE(outcome.error.find("Cannot save \"" + (install_ / "list.xls") + "\": "), std::string::npos)
        << outcome.error;
    EXPECT_TRUE(std::filesystem::is_directory(install_ / "list.xls"));
}

// A sheet holds 65,536 rows: one record more must not be cut off silently.
TEST_F(ToWorkbook, MoreDevicesThanASheetHoldsAreRefused) {
    std::string records = SettingsFileFor({{"cam", "u", "p", "s"}});
    std::string file;
    file.reserve(records.size() * 65537);
    for (int i = 0; i < 65537; ++i) file += records;
    WriteFile(install_ / "settings.dat", file);
    RunOutcome outcome = install_.Run("settings.dat");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.error.find("more than 65536 devices"), std::string::npos) << outcome.error;
    EXPECT_FALSE(std::filesystem::exists(install_ / "list.xls"));
}

}  // namespace
}  // namespace korvel::testing
