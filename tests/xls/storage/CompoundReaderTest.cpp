// Reading compound documents written by other programs (the fixtures), with
// the expected contents taken from olefile.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/TextUtil.h"
#include "tests/xls/storage/ScatteredDocument.h"
#include "tests/xls/storage/StorageTestSupport.h"
#include "xls/storage/CompoundDocumentReader.h"

namespace korvel {
namespace {

struct TFixtureStream {
    std::string Name;  // UTF-8, as olefile lists it
    uint64_t Size;
};

struct TFixture {
    std::string File;
    std::vector<TFixtureStream> Streams;  // every element of the root (no fixture has storages)
};

// Element names and sizes as oracle-dump.py --cfb reports them.
const std::vector<TFixture> kFixtures = {
    {"tiny-xlwt.xls", {{"Workbook", 4096}}},
    {"biff8-xlwt.xls", {{"Workbook", 40960}}},
    {"tiny-libreoffice.xls",
     {{"\x01"
       "CompObj",
       73},
      {"\x01"
       "Ole",
       20},
      {"\x05"
       "DocumentSummaryInformation",
       116},
      {"\x05"
       "SummaryInformation",
       172},
      {"Workbook", 1662}}},
    {"biff8-libreoffice.xls",
     {{"\x01"
       "CompObj",
       73},
      {"\x01"
       "Ole",
       20},
      {"\x05"
       "DocumentSummaryInformation",
       116},
      {"\x05"
       "SummaryInformation",
       172},
      {"Workbook", 39295}}},
    {"devices-libreoffice-csv.xls",
     {{"\x01"
       "CompObj",
       73},
      {"\x01"
       "Ole",
       20},
      {"\x05"
       "DocumentSummaryInformation",
       116},
      {"\x05"
       "SummaryInformation",
       172},
      {"Workbook", 350297}}},
    {"tiny-sheetjs.xls",
     {{"\x01"
       "Sh33tJ5",
       4},
      {"Workbook", 1087}}},
    {"tiny-sheetjs-biff5.xls",
     {{"\x01"
       "Sh33tJ5",
       4},
      {"Book", 760}}},
    {"biff8-sheetjs.xls",
     {{"\x01"
       "Sh33tJ5",
       4},
      {"Workbook", 22617}}},
    {"tiny-gnumeric-dsf.xls",
     {{"\x05"
       "DocumentSummaryInformation",
       72},
      {"\x05"
       "SummaryInformation",
       92},
      {"Book", 1840},
      {"Workbook", 2106}}},
    {"biff5-gnumeric-biff7.xls",
     {{"\x05"
       "DocumentSummaryInformation",
       72},
      {"\x05"
       "SummaryInformation",
       92},
      {"Book", 29846}}},
};

void PrintTo(const TFixture& fixture, std::ostream* os) { *os << fixture.File; }

class FixtureRead : public ::testing::TestWithParam<TFixture> {};

TEST_P(FixtureRead, ElementsAndStreamsMatchOlefile) {
    const TFixture& fixture = GetParam();
    const std::string path = test::FixturePath(fixture.File);
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFile(path), kStorageOk);
    std::vector<TCompoundElement> elements;
    ASSERT_EQ(reader.Root().Elements(elements), kStorageOk);
    std::vector<std::pair<std::string, uint64_t>> got, expected;
    for (const auto& e : elements) {
        EXPECT_EQ(e.Type, TElementType::Stream);
        got.emplace_back(Utf16ToUtf8(e.Name), e.Size);
    }
    for (const auto& s : fixture.Streams)
        expected.emplace_back(s.Name, s.Size);
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);

    for (const auto& s : fixture.Streams) {
        std::vector<uint8_t> bytes;
        ASSERT_EQ(reader.Root().ReadStream(Utf8ToUtf16(s.Name), bytes), kStorageOk) << s.Name;
        ASSERT_EQ(bytes.size(), s.Size) << s.Name;
        if (s.Name == "Workbook" || s.Name == "Book") {
            // Every BIFF stream starts with a BOF record (0x0809).
            EXPECT_EQ(bytes[0], 0x09);
            EXPECT_EQ(bytes[1], 0x08);
        }
        if (!test::OracleAvailable()) continue;
        std::vector<uint8_t> oracle;
        ASSERT_TRUE(test::OracleExtract(path, s.Name, oracle)) << s.Name;
        EXPECT_TRUE(bytes == oracle) << s.Name << " differs from olefile's bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRead, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) {
                             std::string name =
                                 info.param.File.substr(0, info.param.File.size() - 4);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(CompoundReader, NamesMatchWithoutRegardToCase) {
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFile(test::FixturePath("tiny-gnumeric-dsf.xls")), kStorageOk);
    for (const char16_t* name : {u"workbook", u"WORKBOOK", u"WorkBook", u"book", u"BOOK"}) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(reader.Root().ReadStream(name, bytes), kStorageOk);
        EXPECT_FALSE(bytes.empty());
    }
    std::vector<uint8_t> bytes{1};
    EXPECT_EQ(reader.Root().ReadStream(u"Workbooks", bytes), kStorageNotFound);
    EXPECT_TRUE(bytes.empty());
    TCompoundStorageReader storage;
    EXPECT_EQ(reader.Root().OpenStorage(u"Workbook", storage), kStorageWrongType);
    EXPECT_EQ(reader.Root().OpenStorage(u"Nothing", storage), kStorageNotFound);
}

// The TStream view must hand out the same bytes as the whole-stream read, in
// any chunk size, across mini sector and sector boundaries.
TEST(CompoundReader, StreamReaderReadsInChunksAndSeeks) {
    // devices-libreoffice-csv.xls: its Workbook chain jumps once, so reads cross two runs.
    for (const char* file :
         {"tiny-libreoffice.xls", "biff8-libreoffice.xls", "devices-libreoffice-csv.xls"}) {
        TCompoundDocumentReader reader;
        ASSERT_EQ(reader.OpenFile(test::FixturePath(file)), kStorageOk);
        std::vector<uint8_t> whole;
        ASSERT_EQ(reader.Root().ReadStream(u"Workbook", whole), kStorageOk);
        for (size_t chunk : {1u, 63u, 64u, 65u, 511u, 512u, 4000u, 100000u}) {
            std::unique_ptr<TCompoundStreamReader> stream;
            ASSERT_EQ(reader.Root().OpenStream(u"Workbook", stream), kStorageOk);
            std::vector<uint8_t> pieces, buffer(chunk);
            size_t n;
            while ((n = stream->Read(buffer.data(), chunk)) > 0)
                pieces.insert(pieces.end(), buffer.begin(), buffer.begin() + n);
            EXPECT_TRUE(pieces == whole) << file << " in chunks of " << chunk;
        }
        std::unique_ptr<TCompoundStreamReader> stream;
        ASSERT_EQ(reader.Root().OpenStream(u"Workbook", stream), kStorageOk);
        const auto size = static_cast<int64_t>(whole.size());
        EXPECT_EQ(stream->Size(), size);
        EXPECT_EQ(stream->Seek(0, SeekOrigin::End), size);
        EXPECT_EQ(stream->Seek(1, SeekOrigin::End), -1);
        EXPECT_EQ(stream->Seek(-1, SeekOrigin::Begin), -1);
        EXPECT_EQ(stream->Seek(-10, SeekOrigin::End), size - 10);
        uint8_t tail[20];
        EXPECT_EQ(stream->Read(tail, sizeof tail), 10u);
        EXPECT_TRUE(std::equal(tail, tail + 10, whole.end() - 10));
        EXPECT_EQ(stream->Write(tail, 1), 0u);
    }
}

// A stream in runs of sectors out of order: read whole, it is the stream
// olefile extracts; as pieces, the runs in stream order.
TEST(CompoundReader, StreamInRunsReadsWholeAndAsPieces) {
    std::vector<uint8_t> stream(20 * 512 + 100);
    for (size_t i = 0; i < stream.size(); ++i) stream[i] = uint8_t(i * 13 + i / 512);
    const std::vector<size_t> runs = {3, 1, 5, 12};
    const std::vector<uint8_t> document = testing::ScatteredDocument(stream, runs);
    ASSERT_FALSE(document.empty());
    const std::string path = test::FreshFolder("scattered") + "/scattered.cfb";
    test::WriteWholeFile(path, document);
    if (test::OracleAvailable()) {
        std::vector<uint8_t> extracted;
        ASSERT_TRUE(test::OracleExtract(path, "Workbook", extracted));
        EXPECT_TRUE(extracted == stream) << "the test document itself is wrong";
    }

    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFile(path), kStorageOk);
    std::vector<uint8_t> whole;
    ASSERT_EQ(reader.Root().ReadStream(u"Workbook", whole), kStorageOk);
    EXPECT_TRUE(whole == stream);
    std::unique_ptr<TCompoundStreamReader> opened;
    ASSERT_EQ(reader.Root().OpenStream(u"Workbook", opened), kStorageOk);
    std::span<const uint8_t> view;
    EXPECT_FALSE(opened->ContiguousView(view));
    const std::vector<std::span<const uint8_t>> pieces = opened->PieceViews();
    ASSERT_EQ(pieces.size(), runs.size());
    size_t at = 0;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const size_t expected = std::min(runs[i] * 512, stream.size() - at);
        ASSERT_EQ(pieces[i].size(), expected) << "piece " << i;
        EXPECT_TRUE(std::equal(pieces[i].begin(), pieces[i].end(), stream.begin() + long(at))) << "piece " << i;
        at += expected;
    }
    EXPECT_EQ(at, stream.size());
}

TEST(CompoundReader, OpenFailuresAreReported) {
    TCompoundDocumentReader reader;
    EXPECT_EQ(reader.OpenFile(test::FixturePath("no-such-file.xls")), kStorageFileError);
    EXPECT_FALSE(reader.Root().IsValid());
    // A bare BIFF stream is no compound document: the workbook reader falls back on it.
    EXPECT_EQ(reader.OpenFile(test::FixturePath("bare-stream-biff8-libreoffice.xls")),
              kStorageNotCompound);
    EXPECT_EQ(reader.OpenBytes({}), kStorageNotCompound);
    std::vector<TCompoundElement> elements;
    EXPECT_EQ(reader.Root().Elements(elements), kStorageNotOpen);
    TCompoundStorageReader unopened;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(unopened.ReadStream(u"Workbook", bytes), kStorageNotOpen);
}

TEST(CompoundReader, OpensFromACallersStream) {
    const auto file = test::ReadWholeFile(test::FixturePath("tiny-sheetjs.xls"));
    TMemoryStream source(file);
    source.Seek(100, SeekOrigin::Begin);  // read from the start whatever the position
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFromStream(source), kStorageOk);
    EXPECT_EQ(source.Position(), 0);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(reader.Root().ReadStream(u"Workbook", bytes), kStorageOk);
    EXPECT_EQ(bytes.size(), 1087u);
    TMemoryStream empty;
    EXPECT_EQ(reader.OpenFromStream(empty), kStorageNotCompound);
}

TEST(CompoundReader, ReopeningRetiresOldHandlesButNotOpenStreams) {
    TCompoundDocumentReader reader;
    ASSERT_EQ(reader.OpenFile(test::FixturePath("tiny-libreoffice.xls")), kStorageOk);
    const TCompoundStorageReader oldRoot = reader.Root();
    std::unique_ptr<TCompoundStreamReader> stream;
    ASSERT_EQ(oldRoot.OpenStream(u"Workbook", stream), kStorageOk);
    std::vector<uint8_t> before;
    stream->ReadAll(before);

    ASSERT_EQ(reader.OpenFile(test::FixturePath("tiny-sheetjs-biff5.xls")), kStorageOk);
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(oldRoot.IsValid());
    EXPECT_EQ(oldRoot.ReadStream(u"Book", bytes), kStorageNotOpen);
    EXPECT_EQ(reader.Root().ReadStream(u"Workbook", bytes), kStorageNotFound);
    EXPECT_EQ(reader.Root().ReadStream(u"Book", bytes), kStorageOk);
    reader.Close();
    EXPECT_EQ(reader.Root().ReadStream(u"Book", bytes), kStorageNotOpen);

    // A stream opened before keeps its document's bytes.
    std::vector<uint8_t> after(before.size() + 10);
    EXPECT_EQ(stream->Seek(0, SeekOrigin::Begin), 0);
    after.resize(stream->Read(after.data(), after.size()));
    EXPECT_EQ(after.size(), 1662u);
    EXPECT_TRUE(after == before);
}

}  // namespace
}  // namespace korvel
