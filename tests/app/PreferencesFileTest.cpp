// The preferences file and settings.dat as written for the mobile apps:
// exact bytes, the escaping that keeps the file readable by an XML parser,
// and what stays on disk when a run fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/FileNames.h"
#include "app/MobileListWriter.h"
#include "app/PreferencesFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "tests/platform/ScratchFolder.h"

namespace korvel {
namespace {

using korvel::testing::ScratchFolder;

constexpr const char* kHeader = "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n";

class MobileFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = SystemAnsiCodePage();
        SetSystemAnsiCodePage(1252);
        std::filesystem::create_directory(scratch_ / "android");
        std::filesystem::create_directory(scratch_ / "iphone");
    }
    void TearDown() override { SetSystemAnsiCodePage(saved_); }

    void Create(TMobileListWriter& writer) {
        writer.Create(scratch_.Path() + std::string(kAndroidOutputName), scratch_.Path() + std::string(kIphoneOutputName));
    }
    std::string Preferences() const { return scratch_.Read(std::string(kAndroidOutputName)); }
    std::string ListFile() const { return scratch_.Read(std::string(kIphoneOutputName)); }

    ScratchFolder scratch_;

private:
    uint32_t saved_ = 0;
};

TEST(PreferencesEntry, LineLayoutAndEscaping) {
    struct Row {
        const char* name;
        char key;
        const char* value;
        const char* line;
    } rows[] = {
        {"cam1", 'U', "admin", "<string name=\"cam1U\">admin</string>\n"},
        {"cam1", 'S', "Hall", "<string name=\"cam1S\">Hall</string>\n"},
        {"a&b", 'P', "x<y>z&", "<string name=\"a&amp;bP\">x&lt;y&gt;z&amp;</string>\n"},
        {"say \"hi\"", 'U', "it's \"ok\"", "<string name=\"say &quot;hi&quot;U\">it's \"ok\"</string>\n"},
        {"<b>", 'S', "", "<string name=\"&lt;b&gt;S\"></string>\n"},
    };
    SetSystemAnsiCodePage(1252);
    for (const Row& row : rows) {
        std::string line;
        AppendPreferencesEntry(line, row.name, row.key, row.value);
        EXPECT_EQ(line, row.line);
    }
}

TEST(PreferencesEntry, ValuesAreUtf8AndNamesStayAnsi) {
    uint32_t saved = SystemAnsiCodePage();
    SetSystemAnsiCodePage(1252);
    std::string line;
    AppendPreferencesEntry(line, "K\xfc" "che", 'S', "Kitchen \xfcpstairs \x80");
    EXPECT_EQ(line, "<string name=\"K\xfc" "cheS\">Kitchen \xc3\xbcpstairs \xe2\x82\xac</string>\n");
    SetSystemAnsiCodePage(1251);
    line.clear();
    AppendPreferencesEntry(line, "x", 'U', "\xcf");
    EXPECT_EQ(line, "<string name=\"xU\">\xd0\x9f</string>\n");
    SetSystemAnsiCodePage(saved);
}

TEST_F(MobileFilesTest, DeviceWithUAndS) {
    TMobileListWriter writer;
    Create(writer);
    writer.BeginDevice("cam1");
    writer.AddValue(DeviceKey::U, "admin");
    writer.AddValue(DeviceKey::S, "Hall");
    writer.EndDevice();
    writer.Finish();
    EXPECT_EQ(Preferences(), std::string(kHeader) +
                                 "<string name=\"cam1U\">admin</string>\n"
                                 "<string name=\"cam1S\">Hall</string>\n"
                                 "<string name=\"seq\">cam1</string>\n"
                                 "</map>");
    std::string list = ListFile();
    ASSERT_EQ(list.size(), 210u);
    EXPECT_EQ(list.substr(0, 10), std::string("H\0a\0l\0l\0\0\0", 10));
    EXPECT_EQ(list.substr(80, 5), std::string("cam1\0", 5));
    EXPECT_EQ(list.substr(130, 6), std::string("admin\0", 6));
    EXPECT_EQ(list[170], '\0');
}

TEST_F(MobileFilesTest, TwoDevicesWithoutValuesAndTheirNamesEntry) {
    TMobileListWriter writer;
    Create(writer);
    writer.BeginDevice("a");
    writer.EndDevice();
    writer.BeginDevice("b");
    writer.EndDevice();
    writer.Finish();
    EXPECT_EQ(Preferences(), std::string(kHeader) + "<string name=\"seq\">a\nb</string>\n</map>");
    std::string list = ListFile();
    ASSERT_EQ(list.size(), 420u);
    for (size_t offset : {size_t{0}, size_t{130}, size_t{170}, size_t{210}, size_t{340}, size_t{380}})
        EXPECT_EQ(list[offset], '\0') << offset;
    EXPECT_EQ(list.substr(290, 2), std::string("b\0", 2));
}

TEST_F(MobileFilesTest, ThreeDevicesGive630Bytes) {
    TMobileListWriter writer;
    Create(writer);
    for (const char* name : {"abcdef", "xy", "z"}) {
        writer.BeginDevice(name);
        writer.AddValue(DeviceKey::P, name);
        writer.EndDevice();
    }
    EXPECT_EQ(writer.DeviceCount(), 3u);
    writer.Finish();
    std::string list = ListFile();
    ASSERT_EQ(list.size(), 630u);
    EXPECT_EQ(list.substr(210 + 80, 7), std::string("xy\0def\0", 7));
    EXPECT_EQ(list.substr(420 + 170, 7), std::string("z\0\0def\0", 7));
}

TEST_F(MobileFilesTest, NoDevices) {
    TMobileListWriter writer;
    Create(writer);
    writer.Finish();
    EXPECT_EQ(Preferences(), std::string(kHeader) + "<string name=\"seq\"></string>\n</map>");
    EXPECT_EQ(ListFile(), "");
}

TEST_F(MobileFilesTest, JoinedNamesAreQuotedThenEscaped) {
    TMobileListWriter writer;
    Create(writer);
    for (const char* name : {"Front door", "R&D <lab>"}) {
        writer.BeginDevice(name);
        writer.EndDevice();
    }
    writer.Finish();
    EXPECT_EQ(Preferences(), std::string(kHeader) +
                                 "<string name=\"seq\">\"Front door\"\n\"R&amp;D &lt;lab&gt;\"</string>\n</map>");
}

TEST_F(MobileFilesTest, OutputReadsBackThroughAnIndependentXmlParser) {
    if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
    TMobileListWriter writer;
    Create(writer);
    writer.BeginDevice("R&D \"<1>\"");
    writer.AddValue(DeviceKey::U, "a&b");
    writer.AddValue(DeviceKey::P, "<x>\"y\"");
    writer.AddValue(DeviceKey::S, "K\xfc" "che");
    writer.EndDevice();
    writer.Finish();
    // Names are ANSI bytes, so the check reads the file with the ANSI page
    // declared instead of UTF-8 and decodes the values itself.
    std::string script =
        "import sys, xml.dom.minidom as m\n"
        "raw = open(sys.argv[1], 'rb').read().replace(b\"encoding='utf-8'\", b\"encoding='latin-1'\")\n"
        "for e in m.parseString(raw).getElementsByTagName('string'):\n"
        "    text = ''.join(n.data for n in e.childNodes).encode('latin-1').decode('utf-8')\n"
        "    print(repr(e.getAttribute('name')), repr(text))\n";
    std::string scriptPath = scratch_.Write("check.py", script);
    std::string command = "PYTHONIOENCODING=utf-8 /usr/bin/python3 " + scriptPath + " " + scratch_.Path() + std::string(kAndroidOutputName);
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;
    EXPECT_EQ(output,
              "'R&D \"<1>\"U' 'a&b'\n"
              "'R&D \"<1>\"P' '<x>\"y\"'\n"
              "'R&D \"<1>\"S' 'Küche'\n"
              "'seq' '\"R&D \"\"<1>\"\"\"'\n");
}

TEST_F(MobileFilesTest, MissingAndroidFolderCreatesNothing) {
    std::filesystem::remove(scratch_ / "android");
    TMobileListWriter writer;
    try {
        Create(writer);
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Code(), 3);
        EXPECT_STREQ(error.what(), "Invalid filename");
    }
    EXPECT_FALSE(std::filesystem::exists(scratch_.Path() + std::string(kIphoneOutputName)));
}

TEST_F(MobileFilesTest, MissingIphoneFolderLeavesAnEmptyPreferencesFile) {
    std::filesystem::remove(scratch_ / "iphone");
    TMobileListWriter writer;
    EXPECT_THROW(Create(writer), EInOutError);
    EXPECT_TRUE(std::filesystem::exists(scratch_.Path() + std::string(kAndroidOutputName)));
    EXPECT_EQ(Preferences(), "");
}

TEST_F(MobileFilesTest, InterruptedRunKeepsTheDevicesDoneSoFar) {
    {
        TMobileListWriter writer;
        Create(writer);
        writer.BeginDevice("cam1");
        writer.AddValue(DeviceKey::U, "admin");
        writer.EndDevice();
        writer.BeginDevice("cam2");
        writer.AddValue(DeviceKey::U, "root");
        // The run ends here (an error while reading the next cell).
    }
    EXPECT_EQ(Preferences(), std::string(kHeader) +
                                 "<string name=\"cam1U\">admin</string>\n"
                                 "<string name=\"cam2U\">root</string>\n");
    EXPECT_EQ(ListFile().size(), 210u);
}

TEST(MobileListWriter, ValueBeforeAnyDeviceIsRefused) {
    TMobileListWriter writer;
    EXPECT_THROW(writer.AddValue(DeviceKey::U, "x"), std::logic_error);
}

}  // namespace
}  // namespace korvel
