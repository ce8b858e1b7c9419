// The preferences file of the camera-viewer app as its Android side writes it:
// one entry per line, values unescaped, the "seq" entry listing the device
// names one per line.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "tests/xml/XMLTestSupport.h"

namespace korvel {
namespace {

struct Device {
    std::string name;
    std::optional<std::string> u, p, s;
};

std::vector<Device> TwoHundredDevices() {
    std::vector<Device> devices;
    for (int i = 1; i <= 200; ++i) {
        Device d;
        d.name = (i % 17 == 0) ? "Front door " + std::to_string(i) : "cam" + std::to_string(i);
        if (i % 5 != 0) d.u = i % 2 ? "admin" : "user" + std::to_string(i);
        if (i % 7 != 0) d.p = "pw-" + std::to_string(i * 7919) + "#x";
        if (i % 3 == 0) d.s = "K\xC3\xBC" "che " + std::to_string(i);  // UTF-8, as the app stores it
        devices.push_back(d);
    }
    return devices;
}

// Names with a blank (or any byte up to 32, or a double quote) are quoted.
std::string JoinedName(const std::string& name) {
    bool quote = false;
    for (char c : name) quote |= static_cast<unsigned char>(c) <= 32 || c == '"';
    if (!quote) return name;
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string PreferencesFile(const std::vector<Device>& devices, const std::string& seqBreak = "\n") {
    std::string file = "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n";
    auto entry = [&](const std::string& key, const std::optional<std::string>& value) {
        if (value) file += "    <string name=\"" + key + "\">" + *value + "</string>\n";
    };
    for (const Device& d : devices) {
        entry(d.name + "U", d.u);
        entry(d.name + "P", d.p);
        entry(d.name + "S", d.s);
    }
    file += "    <string name=\"seq\">";
    for (size_t i = 0; i < devices.size(); ++i) file += (i ? seqBreak : "") + JoinedName(devices[i].name);
    return file + "</string>\n</map>";
}

// The Text of the last child whose "name" attribute equals key exactly.
std::optional<std::string> Lookup(const TXMLItem& map, const std::string& key) {
    std::optional<std::string> found;
    for (size_t i = 0; i < map.SubItemCount(); ++i) {
        const TXMLItem& child = map.SubItems(static_cast<long long>(i));
        if (child.Params().Value("name") == key) found = child.Text();
    }
    return found;
}

void ExpectDevices(const TKRXMLParser& parser, const std::vector<Device>& devices) {
    const TXMLItem& map = parser.RootItem();
    ASSERT_EQ(map.Name(), "map");
    size_t entries = 1;
    for (const Device& d : devices) entries += d.u.has_value() + d.p.has_value() + d.s.has_value();
    ASSERT_EQ(map.SubItemCount(), entries);
    for (size_t i = 0; i < map.SubItemCount(); ++i) {
        const TXMLItem& child = map.SubItems(static_cast<long long>(i));
        EXPECT_EQ(child.Name(), "string");
        EXPECT_EQ(child.Params().Count(), 1u);
        EXPECT_EQ(child.Params()[0].Name, "name");
    }
    std::string names;
    for (const Device& d : devices) {
        if (!names.empty()) names += "\n";
        names += JoinedName(d.name);
        EXPECT_EQ(Lookup(map, d.name + "U"), d.u) << d.name;
        EXPECT_EQ(Lookup(map, d.name + "P"), d.p) << d.name;
        EXPECT_EQ(Lookup(map, d.name + "S"), d.s) << d.name;
    }
    EXPECT_EQ(Lookup(map, "seq"), names);
}

TEST(XmlPreferencesFile, TwoHundredDevicesFromAFile) {
    std::vector<Device> devices = TwoHundredDevices();
    std::string content = PreferencesFile(devices);
    ASSERT_GT(content.size(), 4 * kXMLTokenizerWindowSize);  // several window refills
    xmltest::TempFolder folder;
    std::string path = folder.File("com.velmorak.zKestra_preferences.xml");
    std::ofstream(path, std::ios::binary) << content;

    TKRXMLParser parser;
    int attempts = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++attempts; };
    parser.LoadFromFile(path);
    EXPECT_EQ(attempts, 1);  // every line fits the 4096-byte window
    ExpectDevices(parser, devices);
}

// Shifting the document moves the window cuts across every part of it, the
// multi-line "seq" entry included; the tree must not depend on where they fall.
TEST(XmlPreferencesFile, SameTreeWhereverTheWindowIsCut) {
    std::vector<Device> devices = TwoHundredDevices();
    for (size_t shift = 0; shift < kXMLTokenizerWindowSize; shift += 512) {
        devices[0].u = "admin" + std::string(shift, 'x');
        for (bool large : {false, true}) {
            TKRXMLParser parser;
            parser.DefaultLargeTokenizer = large;
            xmltest::LoadText(parser, PreferencesFile(devices));
            ExpectDevices(parser, devices);
        }
    }
}

TEST(XmlPreferencesFile, NamesSeparatedByCrLfRunTogether) {
    std::vector<Device> devices = {{"a", "1", {}, {}}, {"b", {}, "2", {}}, {"c", {}, {}, {}}};
    TKRXMLParser parser;
    xmltest::LoadText(parser, PreferencesFile(devices, "\r\n"));
    EXPECT_EQ(Lookup(parser.RootItem(), "seq"), "abc");
    EXPECT_EQ(Lookup(parser.RootItem(), "aU"), "1");
    EXPECT_EQ(Lookup(parser.RootItem(), "bP"), "2");
}

TEST(XmlPreferencesFile, LastOfRepeatedKeysAndExactKeys) {
    std::string file =
        "<?xml version='1.0' encoding='utf-8' standalone='yes' ?>\n<map>\n"
        "    <string name=\"camU\">first</string>\n"
        "    <string NAME=\"camU\">second</string>\n"
        "    <string name = \"camP\">lost</string>\n"
        "    <string name=\"camS\">a & b</string>\n"
        "    <string name=\"seq\">cam</string>\n</map>";
    TKRXMLParser parser;
    xmltest::LoadText(parser, file);
    EXPECT_EQ(Lookup(parser.RootItem(), "camU"), "second");
    EXPECT_EQ(Lookup(parser.RootItem(), "camP"), std::nullopt);
    EXPECT_EQ(Lookup(parser.RootItem(), "camS"), "a & b");
}

}  // namespace
}  // namespace korvel
