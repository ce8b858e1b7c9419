// Documents written by TCompoundDocumentWriter, checked by independent readers
// (olefile through oracle-dump.py and cfb-probe.py) and by our own reader.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "common/TextUtil.h"
#include "platform/Stream.h"
#include "tests/xls/storage/StorageTestSupport.h"
#include "xls/storage/CompoundDocumentReader.h"
#include "xls/storage/CompoundDocumentWriter.h"

namespace korvel {
namespace {

using test::FreshFolder;

std::u16string AsciiName(int n) {
    return AsciiToUtf16(std::to_string(n));
}

// Deterministic, position-dependent contents, so a misplaced sector shows.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x);
    }
    return bytes;
}

// Writes bytes the way the workbook writer does: 4048-byte chunks, then zeros
// up to the next multiple of 512.
void WriteInChunks(TCompoundStreamWriter& stream, const std::vector<uint8_t>& bytes) {
    for (size_t at = 0; at < bytes.size(); at += 4048)
        ASSERT_EQ(stream.Write(bytes.data() + at, std::min<size_t>(4048, bytes.size() - at)),
                  std::min<size_t>(4048, bytes.size() - at));
}

TCompoundStreamWriter* AddStream(TCompoundStorageWriter& storage, const std::u16string& name,
                                 const std::vector<uint8_t>& bytes) {
    TCompoundStreamWriter* stream = nullptr;
    EXPECT_EQ(storage.CreateStream(name, stream), kStorageOk);
    if (stream) WriteInChunks(*stream, bytes);
    return stream;
}

std::string Save(const TCompoundDocumentWriter& doc, const std::string& name) {
    const std::string path = FreshFolder("w") + name;
    EXPECT_EQ(doc.SaveToFile(path), kStorageOk);
    return path;
}

struct TExpectedStream {
    std::string OlePath;               // as olefile names it
    std::vector<std::u16string> Path;  // storages below the root, then the stream
    std::vector<uint8_t> Bytes;
};

// The oracle accepts the file without defects, olefile reads every stream as
// written, and so does our reader.
void CheckDocument(const std::string& path, const std::vector<TExpectedStream>& streams,
                   std::string* jsonOut = nullptr) {
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFile(path), kStorageOk);
    for (const auto& s : streams) {
        TCompoundStorageReader storage = reader.Root();
        for (size_t i = 0; i + 1 < s.Path.size(); ++i)
            ASSERT_EQ(storage.OpenStorage(s.Path[i], storage), kStorageOk) << s.OlePath;
        std::vector<uint8_t> got;
        ASSERT_EQ(storage.ReadStream(s.Path.back(), got), kStorageOk) << s.OlePath;
        EXPECT_TRUE(got == s.Bytes) << s.OlePath << ": our reader differs";
    }
    if (!test::OracleAvailable()) return;
    std::string json;
    EXPECT_EQ(test::OracleCfb(path, json), 0) << json;
    EXPECT_NE(json.find("\"defects\": []"), std::string::npos) << json;
    std::string problems;
    EXPECT_EQ(test::OracleTreeCheck(path, problems), 0) << problems;
    for (const auto& s : streams) {
        std::vector<uint8_t> got;
        ASSERT_TRUE(test::OracleExtract(path, s.OlePath, got)) << s.OlePath;
        EXPECT_TRUE(got == s.Bytes) << s.OlePath << ": olefile reads other bytes";
    }
    if (jsonOut) *jsonOut = json;
}

TEST(CompoundWriter, TinyWorkbookLivesInTheMiniStream) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc;
    const auto book = Pattern(1000, 1);
    AddStream(doc.Root(), u"Workbook", book);
    std::string json;
    CheckDocument(Save(doc, "tiny.xls"), {{"Workbook", {u"Workbook"}, book}}, &json);
    EXPECT_NE(json.find("\"size\": 1000,\n   \"mini\": true"), std::string::npos) << json;
    EXPECT_EQ(test::JsonInt(json, "num_mini_fat_sectors"), 1);
}

TEST(CompoundWriter, OrdinaryWorkbookWithSmallAndEmptyStreams) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc;
    const auto book = Pattern(40000, 2), summary = Pattern(4095, 3), exact = Pattern(4096, 4);
    AddStream(doc.Root(), u"Workbook", book);
    AddStream(doc.Root(), u"\x05SummaryInformation", summary);
    AddStream(doc.Root(), u"Exactly4096", exact);
    AddStream(doc.Root(), u"Empty", {});
    std::string json;
    CheckDocument(Save(doc, "ordinary.xls"),
                  {{"Workbook", {u"Workbook"}, book},
                   {"\x05SummaryInformation", {u"\x05SummaryInformation"}, summary},
                   {"Exactly4096", {u"Exactly4096"}, exact},
                   {"Empty", {u"Empty"}, {}}},
                  &json);
    EXPECT_NE(json.find("\"size\": 4095,\n   \"mini\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"size\": 4096,\n   \"mini\": false"), std::string::npos) << json;
}

TEST(CompoundWriter, SubStoragesNestAndKeepTheirStreams) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc;
    const auto book = Pattern(9000, 5), dir = Pattern(700, 6), module = Pattern(5000, 7);
    AddStream(doc.Root(), u"Workbook", book);
    TCompoundStorageWriter* macros = nullptr;
    ASSERT_EQ(doc.Root().CreateStorage(u"_VBA_PROJECT_CUR", macros), kStorageOk);
    TCompoundStorageWriter* vba = nullptr;
    ASSERT_EQ(macros->CreateStorage(u"VBA", vba), kStorageOk);
    AddStream(*vba, u"dir", dir);
    AddStream(*vba, u"Module1", module);
    TCompoundStorageWriter* empty = nullptr;
    ASSERT_EQ(macros->CreateStorage(u"Empty storage", empty), kStorageOk);
    std::string json;
    const std::string path = Save(doc, "macros.xls");
    CheckDocument(
        path,
        {{"Workbook", {u"Workbook"}, book},
         {"_VBA_PROJECT_CUR/VBA/dir", {u"_vba_project_cur", u"VBA", u"DIR"}, dir},
         {"_VBA_PROJECT_CUR/VBA/Module1", {u"_VBA_PROJECT_CUR", u"vba", u"Module1"}, module}},
        &json);
    EXPECT_NE(json.find("\"_VBA_PROJECT_CUR/Empty storage\""), std::string::npos) << json;
}

TEST(CompoundWriter, LargeStreamNeedsDifatSectors) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc;
    // 8 MB of 512-byte sectors needs about 128 FAT sectors: more than the header's 109 slots.
    const auto book = Pattern(8 * 1024 * 1024 + 123, 8);
    AddStream(doc.Root(), u"Workbook", book);
    AddStream(doc.Root(), u"Small", Pattern(100, 9));
    std::string json;
    CheckDocument(Save(doc, "large.xls"),
                  {{"Workbook", {u"Workbook"}, book}, {"Small", {u"Small"}, Pattern(100, 9)}},
                  &json);
    EXPECT_GT(test::JsonInt(json, "num_fat_sectors"), 109);
    EXPECT_GE(test::JsonInt(json, "num_difat_sectors"), 1);
}

TEST(CompoundWriter, VersionFourUses4096ByteSectors) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc(4);
    const auto book = Pattern(50000, 10), small = Pattern(300, 11);
    AddStream(doc.Root(), u"Workbook", book);
    AddStream(doc.Root(), u"Small", small);
    std::string json;
    CheckDocument(Save(doc, "v4.xls"),
                  {{"Workbook", {u"Workbook"}, book}, {"Small", {u"Small"}, small}}, &json);
    EXPECT_EQ(test::JsonInt(json, "major_version"), 4);
    EXPECT_EQ(test::JsonInt(json, "sector_size"), 4096);
}

// Every child count gives a valid red-black tree in [MS-CFB] name order, also
// for names that differ only in case of non-ASCII letters or in length.
TEST(CompoundWriter, DirectoryTreesAreValidForEveryChildCount) {
    SKIP_WITHOUT_ORACLE();
    TCompoundDocumentWriter doc;
    for (int count : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 33, 100}) {
        TCompoundStorageWriter* storage = nullptr;
        ASSERT_EQ(doc.Root().CreateStorage(u"S" + AsciiName(count), storage), kStorageOk);
        for (int i = 0; i < count; ++i) {
            // Mixed lengths and cases, so length-first ordering matters.
            std::u16string name = (i % 3 == 0 ? u"é" : u"B") + AsciiName(i * 7919 % 1000);
            AddStream(*storage, name, Pattern(i % 5 == 0 ? 5000 : 10, i));
        }
    }
    const std::string path = Save(doc, "trees.xls");
    std::string problems;
    EXPECT_EQ(test::OracleTreeCheck(path, problems), 0) << problems;
    std::string json;
    EXPECT_EQ(test::OracleCfb(path, json), 0) << json;
}

TEST(CompoundWriter, SavingTwiceGivesTheSameBytes) {
    TCompoundDocumentWriter doc;
    AddStream(doc.Root(), u"Workbook", Pattern(12345, 12));
    AddStream(doc.Root(), u"Ctls", Pattern(99, 13));
    std::vector<uint8_t> first, second;
    ASSERT_EQ(doc.SaveToBytes(first), kStorageOk);
    ASSERT_EQ(doc.SaveToBytes(second), kStorageOk);
    EXPECT_TRUE(first == second);
    const std::string path = FreshFolder("twice") + "a.xls";
    ASSERT_EQ(doc.SaveToFile(path), kStorageOk);
    EXPECT_TRUE(test::ReadWholeFile(path) == first);
    TMemoryStream memory;
    ASSERT_EQ(doc.SaveToStream(memory), kStorageOk);
    EXPECT_TRUE(memory.Bytes() == first);
    EXPECT_EQ(first.size() % 512, 0u);
}

TEST(CompoundWriter, CreatingAnExistingNameReplacesIt) {
    TCompoundDocumentWriter doc;
    TCompoundStreamWriter* old = AddStream(doc.Root(), u"Workbook", Pattern(5000, 14));
    TCompoundStreamWriter* fresh = AddStream(doc.Root(), u"WORKBOOK", Pattern(10, 15));
    ASSERT_NE(old, fresh);
    old->Write("late", 4);  // a replaced element stays usable but is not saved
    TCompoundStorageWriter* storage = nullptr;
    ASSERT_EQ(doc.Root().CreateStorage(u"Ctls", storage), kStorageOk);
    AddStream(doc.Root(), u"ctls", Pattern(20, 16));  // a stream replaces the storage
    std::vector<uint8_t> bytes;
    ASSERT_EQ(doc.SaveToBytes(bytes), kStorageOk);
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenBytes(bytes), kStorageOk);
    std::vector<TCompoundElement> elements;
    ASSERT_EQ(reader.Root().Elements(elements), kStorageOk);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].Name, u"ctls");
    EXPECT_EQ(elements[0].Type, TElementType::Stream);
    EXPECT_EQ(elements[1].Name, u"WORKBOOK");
    EXPECT_EQ(elements[1].Size, 10u);
}

TEST(CompoundWriter, InvalidNamesAreRefused) {
    TCompoundDocumentWriter doc;
    const std::u16string longest(31, u'x');
    for (const std::u16string& name :
         {std::u16string(), longest + u"x", std::u16string(u"a/b"), std::u16string(u"a\\b"),
          std::u16string(u"a:b"), std::u16string(u"a!b"), std::u16string(u"a\0b", 3)}) {
        TCompoundStreamWriter* stream = reinterpret_cast<TCompoundStreamWriter*>(&doc);
        EXPECT_EQ(doc.Root().CreateStream(name, stream), kStorageInvalidName);
        EXPECT_EQ(stream, nullptr);
        TCompoundStorageWriter* storage = nullptr;
        EXPECT_EQ(doc.Root().CreateStorage(name, storage), kStorageInvalidName);
    }
    TCompoundStreamWriter* stream = nullptr;
    EXPECT_EQ(doc.Root().CreateStream(longest, stream), kStorageOk);
}

TEST(CompoundWriter, StreamWriterSeeksOverwritesAndFillsGaps) {
    TCompoundStreamWriter stream(u"s");
    EXPECT_EQ(stream.Write("abcdef", 6), 6u);
    EXPECT_EQ(stream.Seek(0, SeekOrigin::Current), 6);
    EXPECT_EQ(stream.Seek(2, SeekOrigin::Begin), 2);
    EXPECT_EQ(stream.Write("XY", 2), 2u);
    EXPECT_EQ(stream.Seek(2, SeekOrigin::End), 8);
    EXPECT_EQ(stream.Write("Z", 1), 1u);
    EXPECT_EQ(stream.Seek(-100, SeekOrigin::Current), -1);
    const std::vector<uint8_t> expected{'a', 'b', 'X', 'Y', 'e', 'f', 0, 0, 'Z'};
    EXPECT_TRUE(stream.Bytes() == expected);
    char back[4] = {};
    EXPECT_EQ(stream.Seek(7, SeekOrigin::Begin), 7);
    EXPECT_EQ(stream.Read(back, 4), 2u);
    EXPECT_EQ(back[1], 'Z');
}

TEST(CompoundWriter, FailedSaveLeavesTheTargetAndNoTemporaryFile) {
    const std::string folder = FreshFolder("fail");
    TCompoundDocumentWriter doc;
    AddStream(doc.Root(), u"Workbook", Pattern(5000, 17));
    // A folder in the way: everything is written, but the final rename fails.
    std::filesystem::create_directory(folder + "list.xls");
    test::WriteWholeFile(folder + "list.xls/keep", {1, 2, 3});
    EXPECT_EQ(doc.SaveToFile(folder + "list.xls"), kStorageFileError);
    EXPECT_EQ(test::FolderNames(folder), std::vector<std::string>{"list.xls"});
    EXPECT_EQ(test::ReadWholeFile(folder + "list.xls/keep"), (std::vector<uint8_t>{1, 2, 3}));
    // A folder that does not exist: nothing is created.
    EXPECT_EQ(doc.SaveToFile(folder + "missing/list.xls"), kStorageFileError);
    EXPECT_EQ(test::FolderNames(folder).size(), 1u);
    // A file where the folder should be.
    EXPECT_EQ(doc.SaveToFile(folder + "list.xls/keep/list.xls"), kStorageFileError);
    EXPECT_EQ(test::FolderNames(folder + "list.xls"), std::vector<std::string>{"keep"});
}

TEST(CompoundWriter, SaveReplacesAnExistingFile) {
    const std::string path = FreshFolder("replace") + "list.xls";
    test::WriteWholeFile(path, std::vector<uint8_t>(100000, 0xAB));
    TCompoundDocumentWriter doc;
    AddStream(doc.Root(), u"Workbook", Pattern(100, 18));
    ASSERT_EQ(doc.SaveToFile(path), kStorageOk);
    std::vector<uint8_t> expected;
    ASSERT_EQ(doc.SaveToBytes(expected), kStorageOk);
    EXPECT_TRUE(test::ReadWholeFile(path) == expected);
    EXPECT_EQ(test::FolderNames(path.substr(0, path.size() - 8)).size(), 1u);
}

// The workbook writer hands ~10 MB in 4048-byte chunks and the reader wants it
// back in one piece; both must stay linear (a few milliseconds in a release build).
TEST(CompoundWriter, TenMegabytesRoundTripQuickly) {
    const auto book = Pattern(10 * 1024 * 1024, 19);
    const auto start = std::chrono::steady_clock::now();
    TCompoundDocumentWriter doc;
    AddStream(doc.Root(), u"Workbook", book);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(doc.SaveToBytes(bytes), kStorageOk);
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenBytes(std::move(bytes)), kStorageOk);
    std::vector<uint8_t> back;
    ASSERT_EQ(reader.Root().ReadStream(u"workbook", back), kStorageOk);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_TRUE(back == book);
    EXPECT_LT(ms, 3000) << "write and read of 10 MB took " << ms << " ms";
    RecordProperty("milliseconds", static_cast<int>(ms));
}

}  // namespace
}  // namespace korvel
