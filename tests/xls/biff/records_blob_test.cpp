#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Stream.h"
#include "xls/biff/XLSBlob.h"

namespace korvel {
namespace {

std::vector<uint8_t> Bytes(const TXLSBlob& blob) {
    return std::vector<uint8_t>(blob.Data(), blob.Data() + blob.Length());
}

TEST(XLSBlob, RecordBlobSizedUpFrontStaysExact) {
    TXLSBlob record(4 + 6);
    record.WriteWord(0x0203);
    record.WriteWord(6);
    record.WriteWord(0x1234);
    record.WriteLongWord(0xA1B2C3D4);
    EXPECT_EQ(record.Capacity(), 10u);
    EXPECT_EQ(record.Length(), 10u);
    EXPECT_EQ(Bytes(record), (std::vector<uint8_t>{0x03, 0x02, 0x06, 0x00, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1}));
}

TEST(XLSBlob, WritesBeyondCapacityGrowToExactlyTheEnd) {
    TXLSBlob blob;
    EXPECT_EQ(blob.Data(), nullptr);
    blob.WriteByte(1);
    EXPECT_EQ(blob.Capacity(), 1u);
    blob.WriteDouble(1.5);  // 3FF8000000000000
    EXPECT_EQ(blob.Capacity(), 9u);
    EXPECT_EQ(Bytes(blob), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
    blob.WriteWideText(u"A\u20AC");
    blob.WriteAnsiText("hi");
    EXPECT_EQ(blob.Capacity(), 15u);
    EXPECT_EQ(blob.ReadWord(9), 0x0041);
    EXPECT_EQ(blob.ReadWord(11), 0x20AC);
    EXPECT_EQ(blob.ReadAnsiTextRaw(13, 2), "hi");
}

TEST(XLSBlob, PutsLeaveLengthAndSetLengthIsCapped) {
    TXLSBlob blob(8);
    blob.WriteWord(7);
    blob.PutLongWord(0x01020304, 4);
    blob.PutWideText(u"z", 2);
    EXPECT_EQ(blob.Length(), 2u);
    EXPECT_EQ(blob.ReadLongWord(4), 0x01020304u);
    EXPECT_EQ(blob.ReadWord(2), u'z');
    blob.SetLength(100);
    EXPECT_EQ(blob.Length(), 8u);
    blob.Rewind();
    EXPECT_EQ(blob.Length(), 0u);
    EXPECT_EQ(blob.Capacity(), 8u);
}

TEST(XLSBlob, ZeroFillAndReserve) {
    TXLSBlob blob(4);
    blob.Fill(0, 4, 0xEE);
    blob.Fill(2, 4, 0x11);  // grows to 6
    EXPECT_EQ(blob.Capacity(), 6u);
    EXPECT_EQ(blob.ReadByte(1), 0xEE);
    EXPECT_EQ(blob.ReadByte(5), 0x11);
    blob.Reserve(2, 2);  // already large enough: unchanged
    EXPECT_EQ(blob.Capacity(), 6u);
    blob.Zero();
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(blob.ReadByte(i), 0) << i;
}

TEST(XLSBlob, CopiesCheckTheSourceRange) {
    TXLSBlob source(nullptr, 0);
    const uint8_t raw[] = {1, 2, 3, 4, 5};
    source.WriteBytes(raw, 5);

    TXLSBlob target;
    EXPECT_TRUE(target.CopyFrom(source, 1, 3));
    EXPECT_EQ(Bytes(target), (std::vector<uint8_t>{2, 3, 4}));
    EXPECT_FALSE(target.CopyFrom(source, 3, 3));
    EXPECT_FALSE(target.CopyFrom(source, 0xFFFFFFFF, 2));
    EXPECT_EQ(target.Length(), 3u);

    EXPECT_TRUE(target.CopyFromAt(source, 0, 2, 5));  // past the length: length follows
    EXPECT_EQ(target.Length(), 7u);
    EXPECT_TRUE(target.CopyFromAt(source, 4, 1, 0));  // inside: length kept
    EXPECT_EQ(target.Length(), 7u);
    EXPECT_EQ(target.ReadByte(0), 5);
    EXPECT_EQ(target.ReadByte(6), 2);

    target.Append(source);
    EXPECT_EQ(target.Length(), 12u);
    // Copying a blob's own bytes onto a position that forces it to grow.
    target.CopyBytesAt(target.Data(), 12, 10);
    EXPECT_EQ(target.Length(), 22u);
    EXPECT_EQ(target.ReadByte(10), 5);
    EXPECT_EQ(target.ReadByte(21), 5);
}

TEST(XLSBlob, ReadsOutsideTheBufferGiveZeroAndEmpty) {
    TXLSBlob blob(3);
    blob.Fill(0, 3, 0xFF);
    EXPECT_EQ(blob.ReadByte(2), 0xFF);
    EXPECT_EQ(blob.ReadByte(3), 0);
    EXPECT_EQ(blob.ReadWord(2), 0);
    EXPECT_EQ(blob.ReadLongWord(0), 0u);
    EXPECT_EQ(blob.ReadDouble(0xFFFFFFFC), 0.0);
    EXPECT_EQ(blob.ReadAnsiText(1, 3), "");
    EXPECT_EQ(blob.ReadWideTextRaw(2, 2), u"");
    EXPECT_FALSE(blob.InRange(0xFFFFFFFF, 2));
    EXPECT_TRUE(blob.InRange(3, 0));
}

TEST(XLSBlob, TextReadsCutAtTheTerminatorUnlessRaw) {
    const uint8_t raw[] = {'a', 'b', 0, 'c', 'x', 0, 0, 0, 'y', 0};
    TXLSBlob blob(raw, sizeof raw);
    EXPECT_EQ(blob.ReadAnsiText(0, 4), "ab");
    EXPECT_EQ(blob.ReadAnsiTextRaw(0, 4), std::string("ab\0c", 4));
    EXPECT_EQ(blob.ReadWideText(4, 6), u"x");
    EXPECT_EQ(blob.ReadWideTextRaw(4, 6), std::u16string(u"x\0y", 3));
    EXPECT_EQ(blob.ReadWideTextRaw(4, 5), std::u16string(u"x\0", 2));  // an odd byte is left out
}

struct BiffStringCase {
    const char* name;
    std::vector<uint8_t> bytes;
    uint32_t start;
    bool shortLength;
    bool optionByte;
    bool ok;
    std::u16string text;
    uint32_t end;  // position afterwards (start when it fails)
};

TEST(XLSBlob, ReadBiffStringForms) {
    const std::vector<BiffStringCase> cases = {
        {"word count, option 0", {3, 0, 0, 'a', 'b', 'c'}, 0, false, true, true, u"abc", 6},
        {"word count, no option byte", {3, 0, 'a', 'b', 'c'}, 0, false, false, true, u"abc", 5},
        {"byte count, UTF-16", {2, 1, 0x41, 0x00, 0xAC, 0x20}, 0, true, true, true, u"A\u20AC", 6},
        {"byte count at an offset", {9, 9, 1, 0, 'z'}, 2, true, true, true, u"z", 5},
        {"code page 1252 high bytes", {3, 0, 0x80, 0x9F, 0xE9}, 0, true, true, true, u"\u20AC\u0178\u00E9", 5},
        {"cut at a zero byte, advance past all", {4, 0, 'a', 0, 'b', 'c', 'Z'}, 0, true, true, true, u"a", 6},
        {"cut at a zero unit", {2, 1, 'q', 0, 0, 0}, 0, true, true, true, u"q", 6},
        {"empty text", {0, 0, 1}, 0, false, true, true, u"", 3},
        {"characters run past the end", {5, 0, 'a', 'b'}, 0, true, true, false, u"", 0},
        {"UTF-16 runs past by one byte", {2, 1, 'a', 0, 'b'}, 0, true, true, false, u"", 0},
        {"option byte missing", {1}, 0, true, true, false, u"", 0},
        {"count word cut", {1}, 0, false, false, false, u"", 0},
        {"start past the end", {1, 0, 'a'}, 7, true, true, false, u"", 7},
        {"huge count", {0xFF, 0xFF, 1, 'a', 0}, 0, false, true, false, u"", 0},
    };
    for (const BiffStringCase& c : cases) {
        TXLSBlob blob(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()));
        uint32_t position = c.start;
        std::u16string text = u"junk";
        EXPECT_EQ(blob.ReadBiffString(position, c.shortLength, c.optionByte, text), c.ok) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(position, c.end) << c.name;
    }
}

// A stream that accepts at most `limit` bytes per write.
class ShortStream : public TStream {
public:
    explicit ShortStream(size_t limit) : limit_(limit) {}
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t count) override {
        size_t n = count < limit_ ? count : limit_;
        written += n;
        return n;
    }
    int64_t Seek(int64_t, SeekOrigin) override { return 0; }
    size_t written = 0;

private:
    size_t limit_;
};

TEST(XLSBlob, WriteToStreamReportsAShortWrite) {
    TXLSBlob blob(5);
    blob.Fill(0, 5, 7);
    blob.SetLength(4);
    TMemoryStream memory;
    EXPECT_EQ(blob.WriteToStream(memory), 1);
    EXPECT_EQ(memory.Bytes(), (std::vector<uint8_t>{7, 7, 7, 7}));
    ShortStream full(100), cut(3);
    EXPECT_EQ(blob.WriteToStream(full), 1);
    EXPECT_EQ(blob.WriteToStream(cut), -1);
}

}  // namespace
}  // namespace korvel
