#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/Stream.h"
#include "xls/biff/XLSBiffWriter.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordDump.h"

namespace korvel {
namespace {

std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return bytes;
}

std::vector<uint8_t> Written(const TXLSBlobList& list) {
    TMemoryStream stream;
    EXPECT_EQ(list.WriteToStream(stream), 1);
    return stream.Bytes();
}

// Record header + body of the given size, body bytes from Pattern.
std::vector<uint8_t> Record(uint16_t id, uint32_t bodySize) {
    std::vector<uint8_t> record = {uint8_t(id), uint8_t(id >> 8), uint8_t(bodySize), uint8_t(bodySize >> 8)};
    std::vector<uint8_t> body = Pattern(bodySize, 3);
    record.insert(record.end(), body.begin(), body.end());
    return record;
}

struct Piece {
    uint16_t id;
    uint16_t length;
    std::vector<uint8_t> body;
};

// Parses a record stream (test side, independent of the code under test).
std::vector<Piece> Pieces(const std::vector<uint8_t>& bytes) {
    std::vector<Piece> pieces;
    size_t at = 0;
    while (at + 4 <= bytes.size()) {
        uint16_t id = uint16_t(bytes[at] | bytes[at + 1] << 8);
        uint16_t length = uint16_t(bytes[at + 2] | bytes[at + 3] << 8);
        EXPECT_LE(at + 4 + length, bytes.size());
        if (at + 4 + length > bytes.size()) break;
        pieces.push_back({id, length, std::vector<uint8_t>(bytes.begin() + at + 4, bytes.begin() + at + 4 + length)});
        at += 4 + length;
    }
    EXPECT_EQ(at, bytes.size());
    return pieces;
}

TEST(XLSBlobList, ChunksFillExactlyAndKeepAppendOrder) {
    TXLSBlobList list;
    std::vector<uint8_t> first = Pattern(4000, 1), second = Pattern(48, 2), third = Pattern(1, 9);
    list.Add(first.data(), 4000);
    list.Add(second.data(), 48);
    EXPECT_EQ(list.Count(), 1u);  // 4048 bytes: one full chunk
    EXPECT_EQ(list.Total(), 4048);
    list.Add(third.data(), 1);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Items(1)->Length(), 1u);
    EXPECT_EQ(list.Items(2), nullptr);

    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.push_back(third[0]);
    EXPECT_EQ(Written(list), expected);
}

TEST(XLSBlobList, LargeRecordStraddlesChunks) {
    TXLSBlobList list;
    std::vector<uint8_t> bytes = Pattern(5000, 4);
    TXLSBlob record(bytes.data(), 5000);
    EXPECT_EQ(list.AddKeep(record), 1);
    EXPECT_EQ(record.Length(), 5000u);  // AddKeep leaves the blob alone
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Items(0)->Length(), 4048u);
    EXPECT_EQ(list.Items(1)->Length(), 952u);
    EXPECT_EQ(Written(list), bytes);
    EXPECT_EQ(list.Add(std::move(record)), 1);
    EXPECT_EQ(list.Total(), 10000);
}

TEST(XLSBlobList, ReadRangeBounds) {
    TXLSBlobList list;
    std::vector<uint8_t> bytes = Pattern(9000, 5);
    list.Add(bytes.data(), 9000);

    TXLSBlob out;
    EXPECT_EQ(list.ReadRange(4040, 20, out), 1);  // straddles chunks 0 and 1
    EXPECT_EQ(std::vector<uint8_t>(out.Data(), out.Data() + 20),
              std::vector<uint8_t>(bytes.begin() + 4040, bytes.begin() + 4060));
    EXPECT_EQ(list.ReadRange(8999, 1, out), 1);
    EXPECT_EQ(out.Length(), 21u);  // appended after what was there
    EXPECT_EQ(out.ReadByte(20), bytes[8999]);

    const struct {
        int64_t offset;
        uint32_t count;
    } bad[] = {{9000, 0}, {9000, 1}, {8999, 2}, {-1, 1}, {0, 9001}, {INT64_MAX, 1}};
    for (const auto& range : bad) {
        TXLSBlob target;
        EXPECT_EQ(list.ReadRange(range.offset, range.count, target), -1) << range.offset << "+" << range.count;
        EXPECT_EQ(target.Length(), 0u);
    }

    TXLSBlob fresh;
    EXPECT_EQ(list.ReadRangeNew(100, 8900, fresh), 1);
    EXPECT_EQ(fresh.Capacity(), 8900u);
    EXPECT_EQ(fresh.ReadByte(0), bytes[100]);
    EXPECT_EQ(list.ReadRangeNew(100, 8901, fresh), -1);
    EXPECT_EQ(fresh.Capacity(), 0u);
}

TEST(XLSBlobList, PutKeepsTheTotalExact) {
    TXLSBlobList list;
    std::vector<uint8_t> bytes = Pattern(10, 6);
    list.Add(bytes.data(), 10);
    TXLSBlob own(bytes.data(), 3);
    EXPECT_TRUE(list.Put(1, std::move(own)));
    EXPECT_EQ(list.Total(), 13);
    list.Add(bytes.data(), 2);  // starts a new chunk after the put blob
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(list.Items(1)->Length(), 3u);
    EXPECT_EQ(list.Total(), 15);

    TXLSBlob replacement(bytes.data(), 7);
    EXPECT_TRUE(list.Put(1, std::move(replacement)));
    EXPECT_EQ(list.Total(), 19);
    EXPECT_FALSE(list.Put(9, TXLSBlob(4)));
    EXPECT_EQ(list.Count(), 3u);
    EXPECT_EQ(static_cast<int64_t>(Written(list).size()), list.Total());
}

TEST(XLSBlobList, AppendListCopiesInOrder) {
    TXLSBlobList a, b;
    std::vector<uint8_t> x = Pattern(3000, 7), y = Pattern(6000, 8);
    a.Add(x.data(), 3000);
    b.Add(y.data(), 6000);
    a.AppendList(b);
    EXPECT_EQ(a.Total(), 9000);
    EXPECT_EQ(b.Total(), 6000);
    std::vector<uint8_t> expected = x;
    expected.insert(expected.end(), y.begin(), y.end());
    EXPECT_EQ(Written(a), expected);
    a.AppendList(a);
    EXPECT_EQ(a.Total(), 18000);
}

class ShortStream : public TStream {
public:
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t count) override { return ++calls == 2 ? count - 1 : count; }
    int64_t Seek(int64_t, SeekOrigin) override { return 0; }
    int calls = 0;
};

TEST(XLSBlobList, WriteToStreamStopsAtTheFirstShortWrite) {
    TXLSBlobList list;
    std::vector<uint8_t> bytes = Pattern(12000, 9);
    list.Add(bytes.data(), 12000);
    ShortStream stream;
    EXPECT_EQ(list.WriteToStream(stream), -1);
    EXPECT_EQ(stream.calls, 2);
}

struct SplitCase {
    uint16_t maxBody;
    uint32_t body;
    std::vector<uint16_t> pieces;
};

TEST(XLSRecordSplitter, CutsBodiesIntoContinueRecords) {
    const std::vector<SplitCase> cases = {
        {8224, 8224, {8224}},
        {8224, 8225, {8224, 1}},
        {8224, 3 * 8224 + 10, {8224, 8224, 8224, 10}},
        {8224, 2 * 8224, {8224, 8224}},
        {8224, 0, {0}},
        {2080, 2081, {2080, 1}},
        {2080, 5000, {2080, 2080, 840}},
    };
    for (const SplitCase& c : cases) {
        std::vector<uint8_t> record = Record(0x00EB, c.body);
        TXLSBlobList list;
        uint32_t added = AddSplitRecord(list, record.data(), static_cast<uint32_t>(record.size()), c.maxBody);
        std::vector<uint8_t> out = Written(list);
        EXPECT_EQ(added, out.size());
        EXPECT_EQ(SplitRecordSize(static_cast<uint32_t>(record.size()), c.maxBody), out.size());
        EXPECT_EQ(out.size(), 4 * c.pieces.size() + c.body) << c.body;

        std::vector<Piece> pieces = Pieces(out);
        ASSERT_EQ(pieces.size(), c.pieces.size()) << c.body;
        std::vector<uint8_t> joined;
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(pieces[i].id, i == 0 ? 0x00EB : 0x003C);
            EXPECT_EQ(pieces[i].length, c.pieces[i]);
            joined.insert(joined.end(), pieces[i].body.begin(), pieces[i].body.end());
        }
        EXPECT_EQ(joined, Pattern(c.body, 3)) << DumpRecords(out);
    }
}

TEST(XLSBiffWriter, PiecesOfAnySizeGiveBodiesMaxMaxRest) {
    const uint16_t maxBody = 100;
    const std::vector<std::vector<uint32_t>> feeds = {
        {300},
        {1, 99, 100, 100},
        {7, 13, 250, 30},
        {150, 150},
        {0, 300, 0},
    };
    for (const auto& feed : feeds) {
        std::vector<uint8_t> data = Pattern(2 * maxBody + 100, 11);
        TXLSBlobList list;
        TXLSBiffWriter writer(list, maxBody);
        writer.BeginRecord(0x00EB, static_cast<uint32_t>(data.size()));
        size_t at = 0;
        for (uint32_t size : feed) {
            TXLSBlob piece(data.data() + at, size);
            EXPECT_EQ(writer.Write(&piece), 1);
            at += size;
        }
        EXPECT_EQ(writer.Write(nullptr), 1);
        EXPECT_EQ(writer.Flush(), 1);
        std::vector<Piece> pieces = Pieces(Written(list));
        ASSERT_EQ(pieces.size(), 3u);
        EXPECT_EQ(pieces[0].id, 0x00EB);
        EXPECT_EQ(pieces[0].length, 100);
        EXPECT_EQ(pieces[1].id, 0x003C);
        EXPECT_EQ(pieces[1].length, 100);
        EXPECT_EQ(pieces[2].id, 0x003C);
        EXPECT_EQ(pieces[2].length, 100);
        std::vector<uint8_t> joined;
        for (const Piece& p : pieces) joined.insert(joined.end(), p.body.begin(), p.body.end());
        EXPECT_EQ(joined, data);
    }
}

TEST(XLSBiffWriter, WrongAmountsOfDataAreReportedAndTheRecordKeepsItsSize) {
    TXLSBlobList list;
    TXLSBiffWriter writer(list, 8);
    std::vector<uint8_t> data = Pattern(20, 1);
    writer.BeginRecord(0x0018, 10);
    EXPECT_EQ(writer.Write(data.data(), 4), 1);
    // Fed short: completed with zeros, reported.
    EXPECT_EQ(writer.BeginRecord(0x0017, 3), -1);
    EXPECT_EQ(list.Total(), 4 + 8 + 4 + 2);
    EXPECT_EQ(writer.Write(data.data(), 5), -1);  // 2 bytes too many
    EXPECT_EQ(writer.Flush(), 1);
    EXPECT_EQ(writer.Flush(), 1);  // nothing pending
    std::vector<uint8_t> out = Written(list);
    std::vector<Piece> pieces = Pieces(out);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[1].body, std::vector<uint8_t>(2, 0));
    EXPECT_EQ(pieces[2].id, 0x0017);
    EXPECT_EQ(pieces[2].body, std::vector<uint8_t>(data.begin(), data.begin() + 3));

    TXLSBlobList empty;
    TXLSBiffWriter zero(empty, 8224);
    zero.BeginRecord(0x000A, 0);
    EXPECT_EQ(zero.Write(data.data(), 1), -1);
    EXPECT_EQ(zero.Flush(), 1);
    EXPECT_EQ(Written(empty), (std::vector<uint8_t>{0x0A, 0, 0, 0}));
}

TEST(XLSRecordDump, NamesRecordsAndMarksATruncatedOne) {
    const std::vector<uint8_t> stream = {0x09, 0x08, 0x02, 0x00, 0x00, 0x06,   // BOF
                                         0x34, 0x12, 0x00, 0x00,               // unknown id
                                         0xFC, 0x00, 0x08, 0x00, 0x01, 0x02};  // SST cut short
    EXPECT_EQ(DumpRecords(stream),
              "00000000  0809  BOF                  2  00 06\n"
              "00000006  1234  ?                    0 \n"
              "0000000A  00FC  SST                  8  01 02 (truncated: 2 bytes present)\n");
    EXPECT_EQ(DumpRecordsAround(stream, 7, 0, 0), "00000006  1234  ?                    0 \n");
    EXPECT_EQ(DumpRecords(stream, 1, 1), "00000000  0809  BOF                  2  00 ...\n");
    EXPECT_EQ(DumpRecords(std::vector<uint8_t>{0x09, 0x08, 0x02}), "");
}

}  // namespace
}  // namespace korvel
