// Code-page conversions against the code-page tables of an independent
// implementation (Python's codecs), plus the Windows rules for unmappable
// characters and bounded buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/CodePage.h"

namespace korvel {
namespace {

std::string Hex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

struct RoundTripCase {
    uint32_t codePage;
    const char* bytesHex;
    std::u16string wide;
};

class CodePageRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(CodePageRoundTrip, DecodesAndEncodesLikeTheReferenceTables) {
    const RoundTripCase& c = GetParam();
    std::string bytes = Hex(c.bytesHex);
    EXPECT_EQ(MultiByteToWide(c.codePage, bytes), c.wide);
    EXPECT_EQ(WideToMultiByte(c.codePage, c.wide), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, CodePageRoundTrip,
    ::testing::Values(
        RoundTripCase{1252, "4772fcdf6520808283", u"Gr\u00fc\u00dfe \u20ac\u201a\u0192"},
        RoundTripCase{1250, "a3f3649f208cc6", u"\u0141\u00f3d\u017a \u015a\u0106"},
        RoundTripCase{1251, "cff0e8e2e5f2", u"\u041f\u0440\u0438\u0432\u0435\u0442"},
        RoundTripCase{1253, "c1e8deede1", u"\u0391\u03b8\u03ae\u03bd\u03b1"},
        RoundTripCase{1254, "dd7374616e62756c20f0", u"\u0130stanbul \u011f"},
        RoundTripCase{1255, "f9ece5ed", u"\u05e9\u05dc\u05d5\u05dd"},
        RoundTripCase{1256, "e3d1cdc8c7", u"\u0645\u0631\u062d\u0628\u0627"},
        RoundTripCase{1257, "c0fe756f6c6173", u"\u0104\u017euolas"},
        RoundTripCase{437, "80ceb0", u"\u00c7\u256c\u2591"},
        RoundTripCase{850, "80989d", u"\u00c7\u00ff\u00d8"},
        RoundTripCase{874, "cac7d1cab4d580", u"\u0e2a\u0e27\u0e31\u0e2a\u0e14\u0e35\u20ac"},
        RoundTripCase{10000, "bdb9db", u"\u03a9\u03c0\u20ac"},
        RoundTripCase{932, "b193fa967b8cea", u"\uff71\u65e5\u672c\u8a9e"},
        RoundTripCase{936, "d6d0cec4", u"\u4e2d\u6587"},
        RoundTripCase{949, "c7d1b1b9beee", u"\ud55c\uad6d\uc5b4"},
        RoundTripCase{950, "a4a4a4e5", u"\u4e2d\u6587"},
        RoundTripCase{65001, "41c3a4f09f9880", u"A\u00e4\U0001F600"},
        RoundTripCase{1200, "41003dd800de", u"A\U0001F600"}));

TEST(CodePage, CombiningMarksStaySeparateIn1255And1258) {
    // Every byte is its own character: a base letter is never merged with the
    // combining mark that follows it.
    EXPECT_EQ(MultiByteToWide(1258, Hex("5669eaf274")), u"Vi\u00ea\u0323t");
    EXPECT_EQ(MultiByteToWide(1255, Hex("f9c8")), u"\u05e9\u05b8");
    EXPECT_EQ(WideToMultiByte(1258, u"Vi\u00ea\u0323t"), Hex("5669eaf274"));
}

TEST(CodePage, UnassignedBytesOf1252KeepTheirValue) {
    EXPECT_EQ(MultiByteToWide(1252, Hex("818d8f909d")), u"\u0081\u008d\u008f\u0090\u009d");
    EXPECT_EQ(WideToMultiByte(1252, u"\u0081\u009d"), Hex("819d"));
}

TEST(CodePage, CharactersWithoutAFormBecomeTheDefaultCharacter) {
    EXPECT_EQ(WideToMultiByte(1252, u"a\u4e2db"), "a?b");
    EXPECT_EQ(WideToMultiByte(1251, u"\u00e9"), "?");
    EXPECT_EQ(WideToMultiByte(932, u"x\u0e2ay"), "x?y");
    // A surrogate pair is one character: one default character.
    EXPECT_EQ(WideToMultiByte(1252, u"a\U0001F600b"), "a?b");
    EXPECT_EQ(WideToMultiByte(936, u"a\U0001F600b"), "a?b");
    // Unpaired surrogates.
    EXPECT_EQ(WideToMultiByte(1252, std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
    EXPECT_EQ(WideToMultiByte(949, std::u16string(u"a") + char16_t(0xDC00)), "a?");
    EXPECT_EQ(WideToMultiByte(949, std::u16string(u"a") + char16_t(0xD800)), "a?");
}

TEST(CodePage, UndecodableBytesBecomeReplacementCharacters) {
    // 0x81 alone is a lead byte without its trail.
    EXPECT_EQ(MultiByteToWide(932, Hex("4181")), u"A\ufffd");
    EXPECT_EQ(MultiByteToWide(65001, Hex("41ff42")), u"A\ufffdB");
    EXPECT_EQ(MultiByteToWide(1200, Hex("410042")), u"A\ufffd");
    EXPECT_EQ(MultiByteToWide(1252, std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(CodePage, UnknownPagesConvertAs1252) {
    EXPECT_EQ(MultiByteToWide(367, Hex("41e9")), u"A\u00e9");
    EXPECT_EQ(WideToMultiByte(32769, u"\u20ac"), Hex("80"));
}

TEST(CodePage, SystemAnsiCodePageCanBeSetAndIsUsedByTheShorthands) {
    uint32_t saved = SystemAnsiCodePage();
    SetSystemAnsiCodePage(1251);
    EXPECT_EQ(SystemAnsiCodePage(), 1251u);
    EXPECT_EQ(AnsiToWide(Hex("cf")), u"\u041f");
    EXPECT_EQ(WideToAnsi(u"\u041f"), Hex("cf"));
    SetSystemAnsiCodePage(65001);
    EXPECT_EQ(WideToAnsi(u"\u041f"), Hex("d09f"));
    SetSystemAnsiCodePage(saved);
}

TEST(CodePage, AppendKeepsWhatIsAlreadyThere) {
    std::u16string wide = u"x";
    AppendMultiByteToWide(1252, "yz", wide);
    EXPECT_EQ(wide, u"xyz");
    std::string bytes = "a";
    AppendWideToMultiByte(932, u"\u65e5", bytes);
    EXPECT_EQ(bytes, "a" + Hex("93fa"));
}

// Bounded conversions write into a buffer with guard bytes after it.
struct BoundedNarrowCase {
    const char* name;
    uint32_t codePage;
    std::u16string text;
    size_t capacity;
    const char* expectedHex;
};

class BoundedNarrow : public ::testing::TestWithParam<BoundedNarrowCase> {};

TEST_P(BoundedNarrow, WritesWholeCharactersOnlyAndNeverPastTheBuffer) {
    const BoundedNarrowCase& c = GetParam();
    std::vector<char> buffer(c.capacity + 8, '\x7e');
    size_t written = WideToMultiByteBounded(c.codePage, c.text, buffer.data(), c.capacity);
    std::string expected = Hex(c.expectedHex);
    EXPECT_EQ(std::string(buffer.data(), written), expected);
    for (size_t i = written; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], '\x7e') << "byte " << i << " touched";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoundedNarrow,
    ::testing::Values(
        BoundedNarrowCase{"single_byte_cut", 1252, u"abcdef", 4, "61626364"},
        BoundedNarrowCase{"fits_exactly", 1252, u"abc", 3, "616263"},
        BoundedNarrowCase{"zero_capacity", 1252, u"abc", 0, ""},
        BoundedNarrowCase{"dbcs_not_split", 932, u"a\u65e5\u672c", 4, "6193fa"},
        BoundedNarrowCase{"dbcs_exact", 932, u"a\u65e5\u672c", 5, "6193fa967b"},
        BoundedNarrowCase{"halfwidth_kana_single", 932, u"\uff71\uff71\uff71", 2, "b1b1"},
        BoundedNarrowCase{"utf8_not_split", 65001, u"a\u00e4\u00e4", 4, "61c3a4"},
        BoundedNarrowCase{"utf8_four_bytes", 65001, u"a\U0001F600", 4, "61"},
        BoundedNarrowCase{"utf16_pair_not_split", 1200, u"a\U0001F600", 4, "6100"},
        BoundedNarrowCase{"utf16_odd_capacity", 1200, u"ab", 3, "6100"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CodePage, BoundedWideConversionKeepsSurrogatePairsWhole) {
    std::vector<char16_t> buffer(10, u'~');
    size_t written = MultiByteToWideBounded(65001, Hex("41f09f9880"), buffer.data(), 2);
    EXPECT_EQ(written, 1u);
    EXPECT_EQ(buffer[0], u'A');
    EXPECT_EQ(buffer[1], u'~');
    written = MultiByteToWideBounded(65001, Hex("41f09f9880"), buffer.data(), 3);
    EXPECT_EQ(std::u16string(buffer.data(), written), u"A\U0001F600");
    EXPECT_EQ(buffer[3], u'~');
    written = MultiByteToWideBounded(932, Hex("93fa967b"), buffer.data(), 1);
    EXPECT_EQ(std::u16string(buffer.data(), written), u"\u65e5");
}

TEST(CodePage, FitMultiByteFindsCharacterBoundaries) {
    // Lead bytes of 932 lie in 81-9F and E0-FC; A1-DF are single half-width kana.
    EXPECT_EQ(FitMultiByte(932, Hex("b193fa"), 2), 1u);
    EXPECT_EQ(FitMultiByte(932, Hex("93fa93fa"), 3), 2u);
    // 936/949/950 lead bytes are 81-FE.
    EXPECT_EQ(FitMultiByte(949, Hex("41c7d1"), 2), 1u);
    EXPECT_EQ(FitMultiByte(950, Hex("a4a4a4e5"), 3), 2u);
    EXPECT_EQ(FitMultiByte(65001, Hex("41e4b8ad"), 3), 1u);
    EXPECT_EQ(FitMultiByte(1252, "abc", 10), 3u);
    EXPECT_EQ(FitWide(u"a\U0001F600", 2), 1u);
    EXPECT_EQ(FitWide(u"ab", 1), 1u);
}

TEST(CodePage, LongTextsConvertCompletely) {
    // Longer than any internal chunk: nothing lost at buffer boundaries.
    std::u16string wide;
    for (int i = 0; i < 50000; ++i) wide += (i % 3 == 0) ? u'\u65e5' : u'a';
    std::string narrow = WideToMultiByte(932, wide);
    EXPECT_EQ(narrow.size(), 50000u + 16667u);
    EXPECT_EQ(MultiByteToWide(932, narrow), wide);
}

}  // namespace
}  // namespace korvel
