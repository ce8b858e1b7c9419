// The record stream of a compound document whose sectors lie in several runs,
// as a writer leaves a stream it grew in steps: every record must come out
// whole and in order wherever the runs break it (inside a header, inside a
// body, across a run of a single sector), and the stream's end must be found
// as it is in one piece; decryption that starts after a break must still
// decrypt every later body.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "tests/xls/biff/XLSTestEncryptor.h"
#include "tests/xls/storage/ScatteredDocument.h"
#include "xls/biff/XLSReadStream.h"
#include "xls/biff/XLSReaderResults.h"

namespace korvel {
namespace {

constexpr size_t kSector = testing::kScatteredSectorSize;

std::vector<uint8_t> ScatteredDocument(const std::vector<uint8_t>& stream, const std::vector<size_t>& runs) {
    std::vector<uint8_t> document = testing::ScatteredDocument(stream, runs);
    EXPECT_FALSE(document.empty()) << "runs must cover the stream";
    return document;
}

struct Record {
    uint16_t id;
    std::vector<uint8_t> body;
};

// Records from offset 0, each body a pattern of its own, placed so that a
// header starts at each chosen stream offset; every placed header is
// followed by a body of the largest size, which runs on over what follows.
class RecordStream {
public:
    void Add(uint16_t size) {
        Record r{uint16_t(0x0200 + records.size() % 0x100), std::vector<uint8_t>(size)};
        for (size_t i = 0; i < size; ++i) r.body[i] = uint8_t(records.size() * 31 + i * 7);
        bytes.push_back(uint8_t(r.id));
        bytes.push_back(uint8_t(r.id >> 8));
        bytes.push_back(uint8_t(size));
        bytes.push_back(uint8_t(size >> 8));
        bytes.insert(bytes.end(), r.body.begin(), r.body.end());
        records.push_back(std::move(r));
    }
    // Fills up to a header at target (passed targets are left out).
    void HeaderAt(size_t target) {
        if (bytes.size() > target) return;
        while (target - bytes.size() > 8228) Add(uint16_t(rng() % std::min<size_t>(8225, target - bytes.size() - 8)));
        if (target > bytes.size()) Add(uint16_t(target - bytes.size() - 4));
        Add(8224);
    }

    std::vector<uint8_t> bytes;
    std::vector<Record> records;
    std::mt19937 rng{7};
};

struct Opened {
    std::shared_ptr<std::vector<uint8_t>> document;
    std::unique_ptr<TXLSReadStream> stream;
};

Opened Open(const std::vector<uint8_t>& records, const std::vector<size_t>& runs) {
    Opened o{std::make_shared<std::vector<uint8_t>>(ScatteredDocument(records, runs)),
             std::make_unique<TXLSReadStream>(u"")};
    const std::span<const uint8_t> bytes(*o.document);
    EXPECT_EQ(o.stream->OpenShared(o.document, bytes), kXLSReadOk);
    return o;
}

bool InsideDocument(const Opened& o, std::span<const uint8_t> body) {
    return body.data() >= o.document->data() && body.data() + body.size() <= o.document->data() + o.document->size();
}

// Runs of 300, 1, 310, 2, 305, 330, 3 and the rest of the sectors: eight
// pieces of over 80 KB on average, long enough to be read in place.
const std::vector<size_t> kRuns = {300, 1, 310, 2, 305, 330, 3};
size_t BreakAt(size_t k) {
    size_t sectors = 0;
    for (size_t i = 0; i <= k; ++i) sectors += kRuns[i];
    return sectors * kSector;
}

TEST(ReaderStreamPieces, RecordsComeOutWholeWhereverThePiecesBreak) {
    RecordStream s;
    // Headers split 3|1, 2|2, 0|4, 4|0 and 1|3 at the breaks; the bodies
    // after them run over the breaks that follow closely (the one- and
    // two-sector pieces among them), except the body that starts a piece.
    s.HeaderAt(BreakAt(0) - 3);
    s.HeaderAt(BreakAt(2) - 2);
    s.HeaderAt(BreakAt(3) + 20 * kSector);
    s.HeaderAt(BreakAt(4) - 4);
    s.HeaderAt(BreakAt(4) + 30 * kSector);
    s.HeaderAt(BreakAt(5) - 1);
    s.HeaderAt(BreakAt(6) + 40 * kSector);
    s.Add(100);
    const size_t sectors = (s.bytes.size() + kSector - 1) / kSector;
    std::vector<size_t> runs = kRuns;
    runs.push_back(sectors - BreakAt(6) / kSector);

    Opened o = Open(s.bytes, runs);
    size_t inPlace = 0, joined = 0;
    for (size_t i = 0; i < s.records.size(); ++i) {
        uint16_t id = 0, size = 0;
        std::span<const uint8_t> body;
        ASSERT_EQ(o.stream->ReadHeader(id, size), kXLSReadOk) << "record " << i;
        ASSERT_EQ(id, s.records[i].id) << "record " << i;
        ASSERT_EQ(size, s.records[i].body.size()) << "record " << i;
        ASSERT_EQ(o.stream->ReadBody(size, body), kXLSReadOk) << "record " << i;
        ASSERT_TRUE(std::equal(body.begin(), body.end(), s.records[i].body.begin(), s.records[i].body.end()))
            << "record " << i;
        (InsideDocument(o, body) ? inPlace : joined) += size > 0;
    }
    uint16_t id = 0, size = 0;
    EXPECT_EQ(o.stream->ReadHeader(id, size), kXLSReadEndOfStream);
    EXPECT_EQ(o.stream->Position(), s.bytes.size());
    // Only the three bodies over a break are copied, not even the one at the
    // start of a piece; the rest is read in place.
    EXPECT_EQ(joined, 3u);
    EXPECT_GT(inPlace, 50u);
}

TEST(ReaderStreamPieces, TheEndIsFoundAcrossABreak) {
    // A body cut short, its rest in the last piece.
    {
        RecordStream s;
        s.HeaderAt(BreakAt(6) - 10);
        s.bytes.resize(BreakAt(6) + 5);  // the 8224-byte body has 10 + 5 - 4 of its bytes
        std::vector<size_t> runs = kRuns;
        runs.push_back(1);
        Opened o = Open(s.bytes, runs);
        uint16_t id = 0, size = 0;
        std::span<const uint8_t> body;
        for (size_t i = 0; i + 1 < s.records.size(); ++i) {
            ASSERT_EQ(o.stream->ReadHeader(id, size), kXLSReadOk);
            ASSERT_EQ(o.stream->ReadBody(size, body), kXLSReadOk);
        }
        ASSERT_EQ(o.stream->ReadHeader(id, size), kXLSReadOk);
        EXPECT_EQ(size, 8224);
        EXPECT_EQ(o.stream->ReadBody(size, body), kXLSReadFailed);
        EXPECT_TRUE(body.empty());
        EXPECT_EQ(o.stream->Position(), s.bytes.size());
        EXPECT_EQ(o.stream->ReadHeader(id, size), kXLSReadEndOfStream);
    }
    // Three bytes of a header, two before the break and one after.
    {
        RecordStream s;
        s.HeaderAt(BreakAt(6) - 2 - 8228);
        s.bytes.insert(s.bytes.end(), {0x09, 0x08, 0x10});
        ASSERT_EQ(s.bytes.size(), BreakAt(6) + 1);
        std::vector<size_t> runs = kRuns;
        runs.push_back(1);
        Opened o = Open(s.bytes, runs);
        uint16_t id = 0, size = 0;
        std::span<const uint8_t> body;
        for (size_t i = 0; i < s.records.size(); ++i) {
            ASSERT_EQ(o.stream->ReadHeader(id, size), kXLSReadOk);
            ASSERT_EQ(o.stream->ReadBody(size, body), kXLSReadOk);
        }
        EXPECT_EQ(o.stream->ReadHeader(id, size), kXLSReadEndOfStream);
        EXPECT_EQ(o.stream->Position(), s.bytes.size());
    }
}

TEST(ReaderStreamPieces, DecryptionStartedAfterABreakCoversTheRest) {
    // A BOF of 1,000 bytes puts the FILEPASS record after the first break,
    // at sector 1; the records after it are encrypted.
    std::vector<uint8_t> plain = {0x09, 0x08, 0xE8, 0x03, 0x00, 0x06, 0x05, 0x00};
    plain.resize(4 + 1000);
    std::mt19937 rng(11);
    while (plain.size() < 700 * kSector) {
        const uint16_t size = uint16_t(rng() % 8225);
        plain.insert(plain.end(), {0x03, 0x02, uint8_t(size), uint8_t(size >> 8)});
        for (uint16_t i = 0; i < size; ++i) plain.push_back(uint8_t(rng()));
    }
    testing::TestEncryption options;
    options.password = u"secret";
    const std::vector<uint8_t> expected = testing::InsertFilePass(plain, options);
    const std::vector<uint8_t> encrypted = testing::EncryptWorkbookStream(plain, options);
    ASSERT_EQ(encrypted.size(), expected.size());
    const size_t sectors = (encrypted.size() + kSector - 1) / kSector;

    Opened o{std::make_shared<std::vector<uint8_t>>(ScatteredDocument(encrypted, {1, 200, 200, 200, sectors - 601})),
             std::make_unique<TXLSReadStream>(u"secret")};
    ASSERT_EQ(o.stream->OpenShared(o.document, std::span<const uint8_t>(*o.document)), kXLSReadOk);
    size_t at = 0;
    for (;;) {
        uint16_t id = 0, size = 0;
        std::span<const uint8_t> body;
        const int32_t read = o.stream->ReadHeader(id, size);
        if (read == kXLSReadEndOfStream) break;
        ASSERT_EQ(read, kXLSReadOk);
        ASSERT_EQ(o.stream->ReadBody(size, body), kXLSReadOk);
        ASSERT_LE(at + 4 + size, expected.size());
        ASSERT_EQ(id, expected[at] | expected[at + 1] << 8) << "at " << at;
        ASSERT_TRUE(std::equal(body.begin(), body.end(), expected.begin() + long(at + 4))) << "at " << at;
        if (id == 0x002F) {
            ASSERT_EQ(o.stream->StartDecryption(body), kXLSReadOk);
        }
        at += 4 + size;
    }
    EXPECT_TRUE(o.stream->Decrypting());
    EXPECT_EQ(at, expected.size());
}

}  // namespace
}  // namespace korvel
