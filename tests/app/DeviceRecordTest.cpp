// The 210-byte device record: exact byte layout, the reused buffer, values
// that do not fit, and reading records made by another program.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "app/DeviceRecord.h"
#include "platform/CodePage.h"

namespace korvel {
namespace {

class DeviceRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = SystemAnsiCodePage();
        SetSystemAnsiCodePage(1252);
    }
    void TearDown() override { SetSystemAnsiCodePage(saved_); }

    static std::string Field(const TDeviceRecord& record, size_t offset, size_t size) {
        auto bytes = record.Bytes();
        return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, size);
    }
    static std::string Zeros(size_t n) { return std::string(n, '\0'); }

private:
    uint32_t saved_ = 0;
};

TEST_F(DeviceRecordTest, NameUAndSAtTheirOffsets) {
    TDeviceRecord record;
    record.SetName("cam1");
    record.ClearU();
    record.SetU("admin");
    record.ClearP();
    record.ClearS();
    record.SetS("Hall");
    EXPECT_EQ(Field(record, 0, 10), std::string("H\0a\0l\0l\0\0\0", 10));
    EXPECT_EQ(Field(record, 10, 70), Zeros(70));
    EXPECT_EQ(Field(record, 80, 50), "cam1" + Zeros(46));
    EXPECT_EQ(Field(record, 130, 40), "admin" + Zeros(35));
    EXPECT_EQ(Field(record, 170, 40), Zeros(40));
}

TEST_F(DeviceRecordTest, ReusedBufferKeepsBytesAfterTheTerminator) {
    TDeviceRecord record;
    record.SetName("abcdef");
    record.SetU("admin");
    record.SetP("secret");
    record.SetS("Garage");

    record.SetName("xy");
    record.ClearU();
    record.ClearP();
    record.SetP("pw");
    record.ClearS();
    EXPECT_EQ(Field(record, 80, 8), std::string("xy\0def\0\0", 8));
    EXPECT_EQ(Field(record, 130, 6), std::string("\0dmin\0", 6));
    EXPECT_EQ(Field(record, 170, 7), std::string("pw\0ret\0", 7));
    EXPECT_EQ(Field(record, 0, 14), std::string("\0\0a\0r\0a\0g\0e\0\0\0", 14));

    TDeviceFields fields;
    ASSERT_TRUE(ReadDeviceRecord(record.Bytes(), fields));
    EXPECT_EQ(fields.name, "xy");
    EXPECT_EQ(fields.u, "");
    EXPECT_EQ(fields.p, "pw");
    EXPECT_EQ(fields.s, "");
}

TEST_F(DeviceRecordTest, LongValuesAreCutInsideTheirFields) {
    TDeviceRecord record;
    record.SetU("UUUU");
    record.SetName(std::string(60, 'n'));
    EXPECT_EQ(Field(record, 80, 50), std::string(49, 'n') + '\0');
    EXPECT_EQ(Field(record, 130, 5), std::string("UUUU\0", 5));

    record.SetP("PPPP");
    record.SetU(std::string(45, 'u'));
    EXPECT_EQ(Field(record, 130, 40), std::string(39, 'u') + '\0');
    record.SetP(std::string(100, 'p'));
    EXPECT_EQ(Field(record, 170, 40), std::string(39, 'p') + '\0');
    EXPECT_EQ(record.Bytes().size(), 210u);

    record.SetName("name");
    record.SetS(std::string(50, 's'));
    std::string s = Field(record, 0, 80);
    for (int i = 0; i < 39; ++i) ASSERT_EQ(s.substr(2 * i, 2), std::string("s\0", 2)) << i;
    EXPECT_EQ(s.substr(78, 2), Zeros(2));
    EXPECT_EQ(Field(record, 80, 5), std::string("name\0", 5));
}

TEST_F(DeviceRecordTest, CutsNeverSplitACharacter) {
    TDeviceRecord record;
    // 932: 48 single bytes and a double-byte character would need bytes 49-50.
    SetSystemAnsiCodePage(932);
    record.SetName(std::string(48, 'a') + "\x93\xfa");
    EXPECT_EQ(Field(record, 80, 50), std::string(48, 'a') + Zeros(2));
    // UTF-8: a two-byte sequence at bytes 39-40 of U is left out whole.
    SetSystemAnsiCodePage(65001);
    record.SetU(std::string(38, 'a') + "\xc3\xa4");
    EXPECT_EQ(Field(record, 130, 40), std::string(38, 'a') + Zeros(2));
    // S: 38 units and a surrogate pair that would need units 39-40.
    record.SetS(std::string(38, 'a') + "\xf0\x9f\x98\x80");
    std::string s = Field(record, 0, 80);
    EXPECT_EQ(s.substr(74, 6), std::string("a\0\0\0\0\0", 6));
    // Fits exactly: 37 units and the pair.
    record.SetS(std::string(37, 'a') + "\xf0\x9f\x98\x80");
    EXPECT_EQ(Field(record, 72, 8), std::string("a\0\x3d\xd8\x00\xde\0\0", 8));
}

TEST_F(DeviceRecordTest, SIsStoredAsUtf16FromTheAnsiCodePage) {
    TDeviceRecord record;
    record.SetS("K\xfc" "che \x80");  // 1252: u-umlaut, euro sign
    EXPECT_EQ(Field(record, 0, 14), std::string("K\0\xfc\0c\0h\0e\0 \0\xac\x20", 14));
    TDeviceFields fields;
    ASSERT_TRUE(ReadDeviceRecord(record.Bytes(), fields));
    EXPECT_EQ(fields.s, "K\xfc" "che \x80");
}

TEST_F(DeviceRecordTest, FieldsWithoutTerminatorReadAsTheWholeField) {
    std::vector<uint8_t> bytes(210, 'x');
    for (size_t i = 0; i < 80; i += 2) bytes[i + 1] = 0;  // S: 40 units of 'x', no zero unit
    TDeviceFields fields;
    ASSERT_TRUE(ReadDeviceRecord(bytes, fields));
    EXPECT_EQ(fields.s, std::string(40, 'x'));
    EXPECT_EQ(fields.name, std::string(50, 'x'));
    EXPECT_EQ(fields.u, std::string(40, 'x'));
    EXPECT_EQ(fields.p, std::string(40, 'x'));
}

TEST_F(DeviceRecordTest, ShortInputIsRefusedAndExtraBytesIgnored) {
    std::vector<uint8_t> bytes(209, 0);
    TDeviceFields fields{"keep", "", "", ""};
    EXPECT_FALSE(ReadDeviceRecord(bytes, fields));
    EXPECT_EQ(fields.name, "keep");
    EXPECT_FALSE(ReadDeviceRecord({}, fields));
    bytes.resize(420, 'z');
    bytes[80] = 'n';
    ASSERT_TRUE(ReadDeviceRecord(bytes, fields));
    EXPECT_EQ(fields.name, "n");
}

TEST_F(DeviceRecordTest, ReadsAListFileWrittenElsewhere) {
    std::ifstream in(KORVEL_TEST_DATA "/app/settings-four-devices.dat", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(file.size(), 4u * 210u);
    const TDeviceFields expected[] = {{"Front door", "admin", "P&ss<1", "Hall"},
                                      {"cam2", "viewer", "", "Garage"},
                                      {"Garden", "", "", ""},
                                      {"K\xfc" "che", "root", "s3cret", "Kitchen \xfcpstairs"}};
    for (size_t i = 0; i < 4; ++i) {
        TDeviceFields fields;
        ASSERT_TRUE(ReadDeviceRecord(std::span<const uint8_t>(file).subspan(210 * i), fields));
        EXPECT_EQ(fields.name, expected[i].name) << i;
        EXPECT_EQ(fields.u, expected[i].u) << i;
        EXPECT_EQ(fields.p, expected[i].p) << i;
        EXPECT_EQ(fields.s, expected[i].s) << i;
    }
}

}  // namespace
}  // namespace korvel
