// Reading device lists: the preferences tree and settings.dat record by record.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ListFileReader.h"
#include "app/PreferencesReader.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Stream.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using korvel::testing::ScratchFolder;
using Opt = std::optional<std::string>;

class PreferencesReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = SystemAnsiCodePage();
        SetSystemAnsiCodePage(1252);
    }
    void TearDown() override { SetSystemAnsiCodePage(saved_); }

    std::vector<TPreferencesDevice> Read(const std::string& entries) {
        std::string document = "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n" + entries + "</map>";
        TMemoryStream stream(std::vector<uint8_t>(document.begin(), document.end()));
        parser_.LoadFromStream(stream);
        return ReadPreferencesDevices(parser_.RootItem());
    }

private:
    TKRXMLParser parser_;
    uint32_t saved_ = 0;
};

TEST_F(PreferencesReaderTest, EntriesFoundByExactKey) {
    auto devices = Read(
        "<string name=\"aU\">userA</string>\n"
        "<string name=\"bS\">Hall</string>\n"
        "<string name=\"AP\">wrong case</string>\n"
        "<string name=\"seq\">a\nb</string>\n");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "a");
    EXPECT_EQ(devices[0].u, Opt("userA"));
    EXPECT_EQ(devices[0].p, std::nullopt);
    EXPECT_EQ(devices[0].s, std::nullopt);
    EXPECT_EQ(devices[1].name, "b");
    EXPECT_EQ(devices[1].u, std::nullopt);
    EXPECT_EQ(devices[1].s, Opt("Hall"));
}

TEST_F(PreferencesReaderTest, LastEntryWithAKeyCountsAndFirstSeqCounts) {
    auto devices = Read(
        "<string name=\"camU\">first</string>\n"
        "<string name=\"seq\">cam\ncam</string>\n"
        "<string name=\"camU\">second</string>\n"
        "<string name=\"seq\">other</string>\n");
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].u, Opt("second"));
    EXPECT_EQ(devices[1].name, "cam");
    EXPECT_EQ(devices[1].u, Opt("second"));
}

TEST_F(PreferencesReaderTest, NoNamesEntryGivesNoDevices) {
    EXPECT_TRUE(Read("<string name=\"camU\">x</string>\n").empty());
    EXPECT_TRUE(Read("<string name=\"SEQ\">cam</string>\n").empty());
    EXPECT_TRUE(Read("").empty());
}

TEST_F(PreferencesReaderTest, QuotedNamesKeepTheirQuotes) {
    auto devices = Read(
        "<string name=\"Front doorU\">admin</string>\n"
        "<string name=\"seq\">\"Front door\"</string>\n");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "\"Front door\"");
    EXPECT_EQ(devices[0].u, std::nullopt);
}

// The file is UTF-8 throughout and the writer encodes U, P and S alike, so
// all three are decoded; names are never converted.
TEST_F(PreferencesReaderTest, ValuesAreDecodedFromUtf8) {
    auto devices = Read(
        "<string name=\"k\xc3\xbcU\">K\xc3\xbc</string>\n"
        "<string name=\"k\xc3\xbcS\">K\xc3\xbc" "che \xe4\xb8\xad</string>\n"
        "<string name=\"k\xc3\xbcP\"></string>\n"
        "<string name=\"seq\">k\xc3\xbc</string>\n");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, "k\xc3\xbc");
    EXPECT_EQ(devices[0].u, Opt("K\xfc"));
    EXPECT_EQ(devices[0].s, Opt("K\xfc" "che ?"));  // no form in 1252: the default character
    EXPECT_EQ(devices[0].p, Opt(""));
}

TEST(ListFileReader, ReadsEveryCompleteRecord) {
    TListFileReader reader;
    reader.Open(KORVEL_TEST_DATA "/app/settings-four-devices.dat");
    std::vector<std::string> names;
    TDeviceFields fields;
    while (reader.Next(fields)) names.push_back(fields.name);
    reader.Close();
    EXPECT_EQ(names, (std::vector<std::string>{"Front door", "cam2", "Garden", "K\xfc" "che"}));
}

TEST(ListFileReader, EmptyFileAndCutRecord) {
    ScratchFolder scratch;
    TDeviceFields fields;
    TListFileReader empty;
    empty.Open(scratch.Write("settings.dat", ""));
    EXPECT_FALSE(empty.Next(fields));

    std::string record(210, '\0');
    record.replace(80, 3, "one");
    TListFileReader cut;
    cut.Open(scratch.Write("cut.dat", record + "x"));
    ASSERT_TRUE(cut.Next(fields));
    EXPECT_EQ(fields.name, "one");
    try {
        cut.Next(fields);
        FAIL() << "no error for the cut record";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 100);
        EXPECT_STREQ(error.what(), "Read beyond end of file");
    }
}

TEST(ListFileReader, MissingFileIsReported) {
    ScratchFolder scratch;
    TListFileReader reader;
    EXPECT_THROW(reader.Open(scratch / "settings.dat"), EInOutError);
}

TEST(ListFileReader, ReadOnlyFileCanBeRead) {
    ScratchFolder scratch;
    std::string path = scratch.Write("settings.dat", std::string(210, '\0'));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0755), 0);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(2);
            TListFileReader reader;
            TDeviceFields fields;
            try {
                reader.Open(path);
                std::_Exit(reader.Next(fields) && !reader.Next(fields) ? 0 : 3);
            } catch (const EInOutError& error) {
                std::_Exit(10 + error.Code());
            }
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST_F(PreferencesReaderTest, ReadsAPreferencesFileWrittenElsewhere) {
    TKRXMLParser parser;
    parser.LoadFromFile(KORVEL_TEST_DATA "/app/preferences-four-devices.xml");
    auto devices = ReadPreferencesDevices(parser.RootItem());
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].name, "Front door");
    EXPECT_EQ(devices[0].u, Opt("admin"));
    EXPECT_EQ(devices[0].p, Opt("P&ss<1"));
    EXPECT_EQ(devices[0].s, Opt("Hall"));
    EXPECT_EQ(devices[1].name, "cam2");
    EXPECT_EQ(devices[1].u, Opt("viewer"));
    EXPECT_EQ(devices[1].p, std::nullopt);
    EXPECT_EQ(devices[1].s, Opt("Garage"));
    EXPECT_EQ(devices[2].name, "Garden");
    EXPECT_EQ(devices[2].u, std::nullopt);
    EXPECT_EQ(devices[2].s, std::nullopt);
    EXPECT_EQ(devices[3].name, "K\xc3\xbc" "che");  // names are never converted
    EXPECT_EQ(devices[3].p, Opt("s3cret"));
    EXPECT_EQ(devices[3].s, Opt("Kitchen \xfcpstairs"));
}

}  // namespace
}  // namespace korvel
