#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tables_test_util.h"
#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordDump.h"
#include "xls/model/XLSStringTable.h"

namespace korvel {
namespace {

using testing::Long;
using testing::ParsedRecord;
using testing::ParseRecords;
using testing::Word;

std::u16string Units(size_t count, char16_t first = u'a') {
    std::u16string text(count, u'\0');
    for (size_t i = 0; i < count; ++i) text[i] = char16_t(first + i % 26);
    return text;
}

std::u16string Numbered(int i) {
    std::u16string text = u"s";
    for (char digit : std::to_string(i)) text += char16_t(digit);
    return text;
}

std::vector<uint8_t> WriteSST(TXLSStringTable& table, int32_t offset) {
    TXLSBlobList list;
    EXPECT_EQ(table.WriteSST(list, offset), 1);
    return testing::ListBytes(list);
}

TEST(XLSStringTable, OneTextInTwoCellsWritesTheExactRecords) {
    TXLSStringTable table;
    EXPECT_EQ(table.AddString(u"abc"), 1);
    EXPECT_EQ(table.AddString(u"abc"), 1);
    EXPECT_EQ(table.TotalRefs(), 2);
    EXPECT_EQ(table.UniqueCount(), 1);
    table.AssignWriteIndexes();
    EXPECT_EQ(table.WriteIndex(1), 0);

    const int32_t offset = 0x1234;
    std::vector<uint8_t> expected = {0xFC, 0x00, 0x11, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                     0x03, 0x00, 0x01, 0x61, 0x00, 0x62, 0x00, 0x63, 0x00,
                                     0xFF, 0x00, 0x0A, 0x00, 0x08, 0x00,
                                     0x40, 0x12, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00};
    std::vector<uint8_t> bytes = WriteSST(table, offset);
    EXPECT_EQ(bytes, expected) << DumpRecords(bytes);
    // Saving twice gives the same bytes.
    EXPECT_EQ(WriteSST(table, offset), expected);
}

TEST(XLSStringTable, NoTextWritesNothing) {
    TXLSStringTable table;
    EXPECT_TRUE(WriteSST(table, 0).empty());
    table.ReleaseString(table.AddString(u"gone"));
    EXPECT_TRUE(WriteSST(table, 0).empty());
}

TEST(XLSStringTable, IdsAreReusedLastFreedFirst) {
    TXLSStringTable table;
    // Replacing the only text: id 1 falls free, the highest id drops to 0, xyz gets 1.
    int32_t abc = table.AddString(u"abc");
    table.ReleaseString(abc);
    EXPECT_EQ(table.HighestId(), 0);
    EXPECT_EQ(table.AddString(u"xyz"), 1);

    EXPECT_EQ(table.AddString(u"two"), 2);
    EXPECT_EQ(table.AddString(u"three"), 3);
    table.ReleaseString(2);
    EXPECT_EQ(table.GetString(2), u"");
    EXPECT_EQ(table.AddString(u"new"), 2);
    EXPECT_EQ(table.AddString(u"newer"), 4);

    table.ReleaseString(1);
    table.ReleaseString(3);
    EXPECT_EQ(table.AddString(u"p"), 3);
    EXPECT_EQ(table.AddString(u"q"), 1);
    EXPECT_EQ(table.UniqueCount(), 4);
    EXPECT_EQ(table.TotalRefs(), 4);
}

TEST(XLSStringTable, TextsCompareByExactUnits) {
    TXLSStringTable table;
    int32_t lower = table.AddString(u"Text");
    int32_t upper = table.AddString(u"TEXT");
    int32_t empty = table.AddString(u"");
    int32_t nul = table.AddString(std::u16string(u"\0", 1));
    EXPECT_NE(lower, upper);
    EXPECT_NE(empty, nul);
    EXPECT_EQ(table.AddString(u""), empty);
    EXPECT_EQ(table.RefCount(empty), 2);
    EXPECT_EQ(table.GetString(nul), std::u16string(u"\0", 1));
    EXPECT_EQ(table.UniqueCount(), 4);
}

TEST(XLSStringTable, OutOfRangeIdsAreIgnored) {
    TXLSStringTable table;
    table.AddString(u"a");
    for (int32_t id : {0, -1, 2, 1000, INT32_MIN, INT32_MAX}) {
        table.ReleaseString(id);
        EXPECT_EQ(table.GetString(id), u"") << id;
        EXPECT_EQ(table.WriteIndex(id), -1) << id;
        EXPECT_EQ(table.RefCount(id), 0) << id;
    }
    EXPECT_EQ(table.TotalRefs(), 1);
    EXPECT_EQ(table.UniqueCount(), 1);
}

TEST(XLSStringTable, ReleasingAFreeIdAgainChangesNothing) {
    TXLSStringTable table;
    EXPECT_EQ(table.AddString(u"a"), 1);
    EXPECT_EQ(table.AddString(u""), 2);
    EXPECT_EQ(table.AddString(u"b"), 3);
    table.ReleaseString(1);
    table.ReleaseString(1);  // a second release of a free id
    EXPECT_EQ(table.TotalRefs(), 2);
    EXPECT_EQ(table.UniqueCount(), 2);
    // The empty text keeps its id, and the freed id is handed out once only.
    EXPECT_EQ(table.AddString(u""), 2);
    EXPECT_EQ(table.AddString(u"c"), 1);
    EXPECT_EQ(table.AddString(u"d"), 4);
}

TEST(XLSStringTable, ReplaceReferenceMovesOneReference) {
    TXLSStringTable table;
    int32_t a = table.AddString(u"a");
    int32_t b = table.AddString(u"b");
    table.AddString(u"b");
    table.ReplaceReference(b, a);
    EXPECT_EQ(table.RefCount(a), 2);
    EXPECT_EQ(table.RefCount(b), 1);
    EXPECT_EQ(table.TotalRefs(), 3);
    table.ReplaceReference(a, a);
    EXPECT_EQ(table.RefCount(a), 2);
    table.ReplaceReference(0, b);
    EXPECT_EQ(table.RefCount(b), 2);
    table.ReplaceReference(b, 0);
    EXPECT_EQ(table.RefCount(b), 1);
    // A free or unknown target takes no reference.
    table.ReplaceReference(b, 99);
    EXPECT_EQ(table.RefCount(b), 0);
    table.ReplaceReference(0, b);
    EXPECT_EQ(table.RefCount(b), 0);
    EXPECT_EQ(table.TotalRefs(), 2);
    EXPECT_EQ(table.UniqueCount(), 1);
}

TEST(XLSStringTable, WriteIndexesSkipFreeIds) {
    TXLSStringTable table;
    for (int i = 0; i < 5; ++i) table.AddString(Numbered(i));
    table.ReleaseString(2);
    table.ReleaseString(4);
    table.AssignWriteIndexes();
    const int32_t expected[] = {-1, 0, -1, 1, -1, 2, -1};
    for (int32_t id = 0; id <= 6; ++id) EXPECT_EQ(table.WriteIndex(id), expected[id]) << id;
}

TEST(XLSStringTable, BucketsDoubleAndEveryTextStaysFindable) {
    TXLSStringTable table;
    for (int i = 0; i < 8; ++i) table.AddString(Numbered(i));
    EXPECT_EQ(table.BucketCount(), 8u);
    table.AddString(Numbered(8));
    EXPECT_EQ(table.BucketCount(), 16u);
    for (int i = 9; i < 5000; ++i) table.AddString(Numbered(i));
    EXPECT_EQ(table.BucketCount(), 8192u);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(table.AddString(Numbered(i)), i + 1) << i;
    for (int i = 0; i < 5000; i += 2) {
        table.ReleaseString(i + 1);
        table.ReleaseString(i + 1);
    }
    EXPECT_EQ(table.UniqueCount(), 2500);
    for (int i = 1; i < 5000; i += 2) ASSERT_EQ(table.AddString(Numbered(i)), i + 1) << i;
}

TEST(XLSStringTable, ExpectedStringsGetTheirBucketsAtOnce) {
    TXLSStringTable empty;
    empty.ExpectStrings(5000);
    EXPECT_EQ(empty.BucketCount(), 8192u);
    for (int i = 0; i < 5000; ++i) empty.AddString(Numbered(i));
    EXPECT_EQ(empty.BucketCount(), 8192u);  // no growth on the way
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(empty.AddString(Numbered(i)), i + 1) << i;

    // A table that holds texts already rehashes them into the larger table.
    TXLSStringTable filled;
    for (int i = 0; i < 100; ++i) filled.AddString(Numbered(i));
    filled.ExpectStrings(3000);
    EXPECT_EQ(filled.BucketCount(), 4096u);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(filled.AddString(Numbered(i)), i + 1) << i;
    filled.ExpectStrings(0);
    EXPECT_EQ(filled.BucketCount(), 4096u);
}

TEST(XLSStringTable, EntriesAreFreedOnlyWithSlackBeyondTheHighestId) {
    TXLSStringTable table;
    for (int i = 0; i < 250; ++i) table.AddString(Numbered(i));
    EXPECT_EQ(table.AllocatedEntries(), 300);
    for (int id = 250; id > 151; --id) table.ReleaseString(id);
    EXPECT_EQ(table.HighestId(), 151);
    EXPECT_EQ(table.AllocatedEntries(), 300);
    table.ReleaseString(151);  // 300 >= 150 + 150: the last chunk goes
    EXPECT_EQ(table.AllocatedEntries(), 200);
    for (int id = 150; id > 50; --id) table.ReleaseString(id);
    EXPECT_EQ(table.AllocatedEntries(), 100);
    EXPECT_EQ(table.AddString(u"again"), 51);
    EXPECT_EQ(table.GetString(50), Numbered(49));
}

// Entries come 65,536 to a piece of memory: ids on both sides of a piece
// boundary keep their texts, a piece given back when the highest id falls
// below it is made anew when the ids grow again, and reused entries are clean.
TEST(XLSStringTable, IdsAcrossPiecesOfEntries) {
    TXLSStringTable table;
    const int count = 65536 + 300;
    for (int i = 0; i < count; ++i) ASSERT_EQ(table.AddString(Numbered(i)), i + 1);
    for (int i : {0, 65534, 65535, 65536, 65537, count - 1}) EXPECT_EQ(table.GetString(i + 1), Numbered(i)) << i;
    for (int id = count; id > 1000; --id) table.ReleaseString(id);
    EXPECT_EQ(table.HighestId(), 1000);
    for (int i = 1000; i < count; ++i) ASSERT_EQ(table.AddString(u"again " + Numbered(i)), i + 1) << i;
    for (int i : {999, 1000, 65535, 65536, count - 1}) {
        const std::u16string expected = i < 1000 ? Numbered(i) : u"again " + Numbered(i);
        EXPECT_EQ(table.GetString(i + 1), expected) << i;
        EXPECT_EQ(table.RefCount(i + 1), 1) << i;
        EXPECT_EQ(table.WriteIndex(i + 1), -1) << i;
    }
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(table.AddString(Numbered(i)), i + 1) << i;
    EXPECT_EQ(table.UniqueCount(), count);
}

// Released texts leave holes in the text storage until they outweigh the live
// texts; then the live ones move. Every live text must read back and still be
// found by its units after the move, and new texts must go on working.
TEST(XLSStringTable, TextsSurviveTheStorageBeingCompacted) {
    TXLSStringTable table;
    auto text = [](int i) { return Units(700 + i % 300, char16_t(u'A' + i % 7)) + Numbered(i); };
    const int count = 6000;  // about 5.1 million units: several pieces of storage
    for (int i = 0; i < count; ++i) ASSERT_EQ(table.AddString(text(i)), i + 1);
    // A text too long to share a piece, kept across the compaction.
    const std::u16string huge = Units(600000, u'h');
    const int32_t hugeId = table.AddString(huge);
    for (int i = 0; i < count; ++i) {
        if (i % 10 != 3) table.ReleaseString(i + 1);
    }
    EXPECT_EQ(table.UniqueCount(), count / 10 + 1);
    EXPECT_EQ(table.GetString(hugeId), huge);
    for (int i = 3; i < count; i += 10) {
        ASSERT_EQ(table.GetString(i + 1), text(i)) << i;
        ASSERT_EQ(table.AddString(text(i)), i + 1) << i;
    }
    EXPECT_EQ(table.AddString(huge), hugeId);
    const int32_t fresh = table.AddString(u"after the move");
    EXPECT_EQ(table.GetString(fresh), u"after the move");
    table.AssignWriteIndexes();
    EXPECT_EQ(table.WriteIndex(4), 0);
}

// Test-side reading of SST + CONTINUE: the strings, and for each string the
// stream offset and in-record offset of its first byte.
struct SSTString {
    std::u16string text;
    uint32_t streamOffset;
    uint16_t recordOffset;
};

std::vector<SSTString> ReadSST(const std::vector<ParsedRecord>& records, size_t& next, uint32_t base) {
    std::vector<SSTString> strings;
    size_t r = next;
    EXPECT_EQ(records.at(r).id, 0x00FC);
    uint32_t unique = Long(records[r].body, 4);
    size_t at = 8;
    while (strings.size() < unique) {
        if (at == records[r].body.size()) {
            ++r;
            at = 0;
            EXPECT_EQ(records.at(r).id, 0x003C);
        }
        const std::vector<uint8_t>* body = &records[r].body;
        SSTString s{{}, uint32_t(base + records[r].offset + 4 + at), uint16_t(4 + at)};
        uint16_t count = Word(*body, at);
        uint8_t option = body->at(at + 2);
        at += 3;
        while (s.text.size() < count) {
            if (at == body->size()) {
                ++r;
                body = &records.at(r).body;
                EXPECT_EQ(records[r].id, 0x003C);
                option = body->at(0);
                at = 1;
            }
            EXPECT_EQ(option, 0x01);
            s.text.push_back(char16_t(Word(*body, at)));
            at += 2;
        }
        strings.push_back(s);
    }
    EXPECT_EQ(at, records[r].body.size());
    next = r + 1;
    return strings;
}

struct ExtEntry {
    uint32_t streamOffset;
    uint16_t recordOffset;
};

std::vector<ExtEntry> ReadEXTSST(const std::vector<ParsedRecord>& records, size_t next, std::vector<size_t>* sizes) {
    std::vector<ExtEntry> entries;
    EXPECT_EQ(records.at(next).id, 0x00FF);
    EXPECT_EQ(Word(records[next].body, 0), 8);
    for (size_t r = next; r < records.size(); ++r) {
        const std::vector<uint8_t>& body = records[r].body;
        size_t at = r == next ? 2 : 0;
        if (r != next) {
            EXPECT_EQ(records[r].id, 0x003C);
        }
        EXPECT_EQ((body.size() - at) % 8, 0u);
        if (sizes) sizes->push_back((body.size() - at) / 8);
        for (; at + 8 <= body.size(); at += 8) {
            entries.push_back({Long(body, at), Word(body, at + 4)});
            EXPECT_EQ(Word(body, at + 6), 0);
        }
    }
    return entries;
}

// Writes the table and checks strings and index against each other.
void CheckSST(TXLSStringTable& table, const std::vector<std::u16string>& texts, uint32_t base,
              std::vector<size_t>* extSizes = nullptr, std::vector<ParsedRecord>* out = nullptr) {
    std::vector<uint8_t> bytes = WriteSST(table, static_cast<int32_t>(base));
    bool complete = false;
    std::vector<ParsedRecord> records = ParseRecords(bytes, &complete);
    ASSERT_TRUE(complete);
    for (const ParsedRecord& record : records) ASSERT_LE(record.body.size(), 8224u);
    size_t next = 0;
    std::vector<SSTString> strings = ReadSST(records, next, base);
    ASSERT_EQ(strings.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(strings[i].text, texts[i]) << i;
    std::vector<ExtEntry> entries = ReadEXTSST(records, next, extSizes);
    ASSERT_EQ(entries.size(), (texts.size() + 7) / 8);
    for (size_t e = 0; e < entries.size(); ++e) {
        EXPECT_EQ(entries[e].streamOffset, strings[8 * e].streamOffset) << e;
        EXPECT_EQ(entries[e].recordOffset, strings[8 * e].recordOffset) << e;
    }
    if (out) *out = records;
}

TEST(XLSStringTable, LongestStringThatFitsTheSSTRecord) {
    TXLSStringTable table;
    std::u16string text = Units(4106);
    table.AddString(text);
    std::vector<ParsedRecord> records;
    CheckSST(table, {text}, 0, nullptr, &records);
    ASSERT_EQ(records.size(), 2u);  // SST and EXTSST
    EXPECT_EQ(records[0].body.size(), 8u + 3 + 2 * 4106);
}

TEST(XLSStringTable, OneCharacterMoreContinues) {
    TXLSStringTable table;
    std::u16string text = Units(4107);
    table.AddString(text);
    std::vector<ParsedRecord> records;
    CheckSST(table, {text}, 0, nullptr, &records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(Word(records[0].body, 8), 4107);  // the whole count in the first piece
    EXPECT_EQ(records[0].body.size(), 8u + 3 + 2 * 4106);
    EXPECT_EQ(records[1].id, 0x003C);
    EXPECT_EQ(records[1].body, (std::vector<uint8_t>{0x01, uint8_t(text.back()), 0x00}));
}

TEST(XLSStringTable, SurrogatePairsStayInOnePiece) {
    TXLSStringTable table;
    std::u16string text = Units(4105) + u"\U0001F600" + u"z";  // the cut would fall inside the pair
    table.AddString(text);
    std::vector<ParsedRecord> records;
    CheckSST(table, {text}, 0, nullptr, &records);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].body.size(), 8u + 3 + 2 * 4105);
    EXPECT_EQ(records[1].body, (std::vector<uint8_t>{0x01, 0x3D, 0xD8, 0x00, 0xDE, 'z', 0x00}));
}

TEST(XLSStringTable, FirstPieceNeedsFiveBytesOfRoom) {
    // Seven one-letter strings, then a long one, leave 4 bytes (close the
    // record short) or 6 bytes (split after one character).
    for (size_t longLength : {4087u, 4086u}) {
        TXLSStringTable table;
        std::vector<std::u16string> texts;
        for (int i = 0; i < 7; ++i) texts.push_back(std::u16string(1, char16_t(u'A' + i)));
        texts.push_back(Units(longLength));
        texts.push_back(u"xy");
        for (const auto& t : texts) table.AddString(t);
        std::vector<ParsedRecord> records;
        std::vector<size_t> extSizes;
        CheckSST(table, texts, 500, &extSizes, &records);
        ASSERT_EQ(records[1].id, 0x003C);
        if (longLength == 4087) {
            EXPECT_EQ(records[0].body.size(), 8220u);  // closed 4 bytes short of the limit
            EXPECT_EQ(records[1].body, (std::vector<uint8_t>{0x02, 0x00, 0x01, 'x', 0, 'y', 0}));
        } else {
            EXPECT_EQ(records[0].body.size(), 8223u);  // one character, one byte left over
            EXPECT_EQ(records[1].body, (std::vector<uint8_t>{0x01, 'y', 0}));
        }
    }
}

TEST(XLSStringTable, StringCountsGiveEXTSSTEntries) {
    for (int count : {1, 8, 9, 16, 17}) {
        TXLSStringTable table;
        std::vector<std::u16string> texts;
        for (int i = 0; i < count; ++i) texts.push_back(Numbered(i));
        for (const auto& t : texts) table.AddString(t);
        CheckSST(table, texts, 77);
    }
}

TEST(XLSStringTable, EXTSSTContinuesWith1027Then1028Entries) {
    TXLSStringTable table;
    std::vector<std::u16string> texts;
    const int count = 8 * (1027 + 1028) + 1;
    for (int i = 0; i < count; ++i) texts.push_back(Numbered(i));
    for (const auto& t : texts) table.AddString(t);
    std::vector<size_t> extSizes;
    CheckSST(table, texts, 4096, &extSizes);
    EXPECT_EQ(extSizes, (std::vector<size_t>{1027, 1028, 1}));
}

TEST(XLSStringTable, ManyLongStringsAcrossRecords) {
    TXLSStringTable table;
    std::vector<std::u16string> texts;
    for (int i = 0; i < 40; ++i) texts.push_back(Units(static_cast<size_t>(i * 977 % 9000), char16_t(0x3040 + i)));
    for (const auto& t : texts) table.AddString(t);
    CheckSST(table, texts, 123456);
}

TEST(XLSStringTable, SmallerRecordLimit) {
    TXLSStringTable table;
    table.SetRecordDataLimit(2080);
    std::u16string text = Units(3000);
    table.AddString(text);
    std::vector<uint8_t> bytes = WriteSST(table, 0);
    std::vector<ParsedRecord> records = ParseRecords(bytes);
    ASSERT_GE(records.size(), 3u);
    // 1034 characters after the SST and string headers, 1039 after an option byte.
    EXPECT_EQ(records[0].body.size(), 8u + 3 + 2 * 1034);
    EXPECT_EQ(records[1].body.size(), 1u + 2 * 1039);
    EXPECT_EQ(records[2].body.size(), 1u + 2 * (3000 - 1034 - 1039));
}

// xlrd's own SST reader, given our record bodies.
TEST(XLSStringTable, IndependentReaderAgrees) {
    TXLSStringTable table;
    std::vector<std::u16string> texts = {u"", u"abc", u"\u00E9t\u00E9", u"\u65E5\u672C", Units(5000), Units(4107, u'A'),
                                         Units(3000) + u"\U0001F600\U0001F601", u"last"};
    for (int i = 0; i < 300; ++i) texts.push_back(Numbered(i) + Units(static_cast<size_t>(i * 37 % 200)));
    for (const auto& t : texts) table.AddString(t);
    std::vector<ParsedRecord> records = ParseRecords(WriteSST(table, 0));
    std::string script = "import sys\ntry:\n    from xlrd.book import unpack_SST_table\nexcept ImportError:\n    sys.exit(77)\n";
    script += "tab = [";
    for (const ParsedRecord& record : records) {
        if (record.id == 0x00FF) break;
        script += "bytes.fromhex('";
        static const char* hex = "0123456789abcdef";
        for (uint8_t b : record.body) {
            script += hex[b >> 4];
            script += hex[b & 15];
        }
        script += "'),";
    }
    script += "]\nstrings, _ = unpack_SST_table(tab, " + std::to_string(texts.size()) + ")\n";
    script += "for s in strings: print(s.encode('utf-16-le').hex())\n";
    std::string output;
    int exitCode = 0;
    if (!testing::RunPython(script, output, exitCode)) GTEST_SKIP() << "xlrd not available";
    ASSERT_EQ(exitCode, 0) << output;
    std::vector<std::u16string> read;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        std::string line = output.substr(start, end - start);
        std::u16string text;
        for (size_t i = 0; i + 4 <= line.size(); i += 4)
            text.push_back(char16_t(std::stoi(line.substr(i, 2), nullptr, 16) | std::stoi(line.substr(i + 2, 2), nullptr, 16) << 8));
        read.push_back(text);
        start = end + 1;
    }
    EXPECT_EQ(read, texts);
}

}  // namespace
}  // namespace korvel
