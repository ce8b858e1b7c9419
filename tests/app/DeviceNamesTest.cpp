// Joining device names into the "seq" entry and splitting them back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DeviceNames.h"

namespace korvel {
namespace {

using Names = std::vector<std::string>;

TEST(DeviceNames, QuotingOfAwkwardNames) {
    struct Row {
        std::string name;
        std::string joined;
    } rows[] = {
        {"cam1", "cam1"},
        {"Front door", "\"Front door\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"q\"", "\"q\"\"\""},
        {"tab\there", "\"tab\there\""},
        {std::string("nul\0x", 5), std::string("\"nul\0x\"", 7)},
        {"line\nbreak", "\"line\nbreak\""},
        {"K\xfc" "che", "K\xfc" "che"},  // bytes above 127 need no quotes
        {"a&b<c>", "a&b<c>"},
        {"\x7f", "\x7f"},
        {"!", "!"},
    };
    for (const Row& row : rows) {
        std::string out = "prefix";
        AppendQuotedDeviceName(out, row.name);
        EXPECT_EQ(out, "prefix" + row.joined) << row.name;
    }
}

TEST(DeviceNames, JoinSeparatesWithLineFeeds) {
    EXPECT_EQ(JoinDeviceNames({}), "");
    EXPECT_EQ(JoinDeviceNames({"a"}), "a");
    EXPECT_EQ(JoinDeviceNames({"a", "b"}), "a\nb");
    EXPECT_EQ(JoinDeviceNames({"a", "a", "Front door"}), "a\na\n\"Front door\"");
}

TEST(DeviceNames, SplitIntoLines) {
    struct Row {
        std::string text;
        Names names;
    } rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n", {"a"}},
        {"a\r\n", {"a"}},
        {"\n", {""}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\n\r\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"\"Front door\"\ncam2", {"\"Front door\"", "cam2"}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0a", 2), {}},
        {" a \n", {" a "}},
    };
    for (const Row& row : rows) EXPECT_EQ(SplitDeviceNames(row.text), row.names) << row.text;
}

}  // namespace
}  // namespace korvel
