#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/xml/XMLTestSupport.h"
#include "xml/XMLErrors.h"

namespace korvel {
namespace {

using xmltest::StreamOf;
using xmltest::Token;
using xmltest::Tokenize;
using xmltest::TokenizeError;
using K = TXMLTokenKind;

struct TokenCase {
    const char* name;
    std::string document;
    std::vector<Token> tokens;
};

class TokenKinds : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenKinds, FixedAndWholeStreamWindowsAgree) {
    const TokenCase& c = GetParam();
    EXPECT_EQ(Tokenize<TXMLTokenizer>(c.document), c.tokens);
    EXPECT_EQ(Tokenize<TXMLLargeTokenizer>(c.document), c.tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Xml, TokenKinds,
    ::testing::Values(
        TokenCase{"declaration", "<?xml version='1.0'?>", {{K::Declaration, "<?xml version='1.0'?>"}}},
        TokenCase{"declaration_any_case", "<?XmL a?>", {{K::Declaration, "<?XmL a?>"}}},
        TokenCase{"other_processing_instruction", "<?other?>", {{K::StartTag, "<?other?>"}}},
        TokenCase{"doctype", "<!DOCTYPE map>", {{K::StartTag, "<!DOCTYPE map>"}}},
        TokenCase{"comment", "<!-- note -->", {{K::Comment, "<!-- note -->"}}},
        TokenCase{"comment_ends_at_first_bracket",
                  "<!-- x > y -->",
                  {{K::Comment, "<!-- x >"}, {K::Text, "y -->"}}},
        TokenCase{"cdata_keeps_inner_bracket", "<![CDATA[a>b]]>", {{K::CData, "<![CDATA[a>b]]>"}}},
        TokenCase{"cdata_any_case_and_raw", "<![cdata[a\r\n  b]]>", {{K::CData, "<![cdata[a\r\n  b]]>"}}},
        TokenCase{"empty_element", "<br/>", {{K::EmptyElementTag, "<br/>"}}},
        TokenCase{"end_tag_with_blank", "</a >", {{K::EndTag, "</a >"}}},
        TokenCase{"slash_close_wins_over_end_tag", "</a/>", {{K::EmptyElementTag, "</a/>"}}},
        TokenCase{"start_tag", "<string name=\"x\">", {{K::StartTag, "<string name=\"x\">"}}},
        TokenCase{"text_blanks_collapse",
                  "<a>  hello   world  </a>",
                  {{K::StartTag, "<a>"}, {K::Text, "hello world"}, {K::EndTag, "</a>"}}},
        TokenCase{"text_crlf_removed", "<a>a\r\nb</a>", {{K::StartTag, "<a>"}, {K::Text, "ab"}, {K::EndTag, "</a>"}}},
        TokenCase{"text_lf_kept", "<a>a\nb</a>", {{K::StartTag, "<a>"}, {K::Text, "a\nb"}, {K::EndTag, "</a>"}}},
        TokenCase{"tag_text_cleaned", "<a  x=\"1\"\r\n>", {{K::StartTag, "<a x=\"1\">"}}},
        TokenCase{"trailing_text_without_tag", "<a>tail \n", {{K::StartTag, "<a>"}, {K::Text, "tail"}}},
        TokenCase{"zero_byte_ends_input",
                  std::string("<a>x\0<b>", 8),
                  {{K::StartTag, "<a>"}, {K::Text, "x"}}},
        TokenCase{"only_white_space", " \r\n\t ", {}},
        TokenCase{"empty", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CleanCase {
    std::string raw;
    std::string cleaned;
};

TEST(XmlTokenText, CleaningRemovesLinePairsThenCollapsesBlanks) {
    const CleanCase cases[] = {
        {"a\r\nb", "ab"},          {"a\nb", "a\nb"},         {"a\rb", "a\rb"},
        {"a\n\rb", "ab"},          {"a\r\n\rb", "a\rb"},     {"a\n\r\nb", "a\nb"},
        {"a\r\r\n\nb", "a\r\nb"},  {"a    b", "a b"},        {"a \r\n b", "a b"},
        {"  ", " "},               {"a\t\tb", "a\t\tb"},     {"", ""},
    };
    for (const CleanCase& c : cases) EXPECT_EQ(CleanXMLTokenText(c.raw), c.cleaned) << "raw: " << c.raw;
}

// A document of the given first lines followed by enough short lines that the
// 4096-byte window is full at its first fill.
std::string WithFiller(const std::string& head) {
    std::string doc = head;
    while (doc.size() < 3 * kXMLTokenizerWindowSize) doc += "<e>filler</e>\n";
    return doc + "</r>";
}

TEST(XmlTokenizerWindow, LongestLineFitsInWindowLessOneByte) {
    struct Case {
        size_t lineBytes;  // the text line, its line feed included
        bool fits;
    };
    const Case cases[] = {{4094, true}, {4095, true}, {4096, false}, {4097, false}, {6000, false}};
    for (const Case& c : cases) {
        std::string value(c.lineBytes - 1, 'v');
        std::string doc = WithFiller("<r>\n" + value + "\n");
        std::string error = TokenizeError<TXMLTokenizer>(doc);
        if (c.fits) {
            EXPECT_EQ(error, "") << c.lineBytes;
            auto tokens = Tokenize<TXMLTokenizer>(doc);
            ASSERT_GE(tokens.size(), 2u);
            EXPECT_EQ(tokens[1], Token(K::Text, value)) << c.lineBytes;
        } else {
            EXPECT_EQ(error, "Line too long on line 2") << c.lineBytes;
        }
        EXPECT_EQ(TokenizeError<TXMLLargeTokenizer>(doc), "") << c.lineBytes;
    }
}

TEST(XmlTokenizerWindow, FirstLineAtWindowLimit) {
    // The first line starts the window, so the same limit applies to it.
    std::string fits = WithFiller("<r>" + std::string(4095 - 4, ' ') + "\n");
    std::string tooLong = WithFiller("<r>" + std::string(4096 - 4, ' ') + "\n");
    EXPECT_EQ(TokenizeError<TXMLTokenizer>(fits), "");
    EXPECT_EQ(TokenizeError<TXMLTokenizer>(tooLong), "Line too long on line 1");
}

TEST(XmlTokenizerWindow, SingleLineDocuments) {
    std::string small = "<r>" + std::string(4000, 'x') + "</r>";
    std::string exact = "<r>" + std::string(4096 - 7, 'x') + "</r>";
    std::string large = "<r>" + std::string(100000, 'x') + "</r>";
    ASSERT_EQ(exact.size(), kXMLTokenizerWindowSize);
    std::vector<Token> smallTokens = {{K::StartTag, "<r>"}, {K::Text, std::string(4000, 'x')}, {K::EndTag, "</r>"}};
    EXPECT_EQ(Tokenize<TXMLTokenizer>(small), smallTokens);
    EXPECT_EQ(Tokenize<TXMLLargeTokenizer>(small), smallTokens);
    // A full window without a line feed cannot be cut.
    EXPECT_EQ(TokenizeError<TXMLTokenizer>(exact), "Line too long on line 1");
    EXPECT_EQ(TokenizeError<TXMLTokenizer>(large), "Line too long on line 1");
    // The whole-stream window needs no cut and reads past the last line feed.
    std::vector<Token> largeTokens = {{K::StartTag, "<r>"}, {K::Text, std::string(100000, 'x')}, {K::EndTag, "</r>"}};
    EXPECT_EQ(Tokenize<TXMLLargeTokenizer>(large), largeTokens);
    EXPECT_EQ(Tokenize<TXMLLargeTokenizer>(large + "\n<x/>").back(), Token(K::EmptyElementTag, "<x/>"));
}

// Places `piece` so that it starts `before` bytes ahead of the first cut.
std::string StraddlingFirstCut(const std::string& piece, size_t before) {
    std::string head = "<r>\n";
    std::string pad;
    while (head.size() + pad.size() + 20 < kXMLTokenizerWindowSize - before) pad += "<p>1</p>\n";
    pad += std::string(kXMLTokenizerWindowSize - before - head.size() - pad.size() - 1, ' ') + "\n";
    return WithFiller(head + pad + piece);
}

TEST(XmlTokenizerWindow, TokensStraddlingARefillStayWhole) {
    const std::string cdata = "<![CDATA[line one\n   line two >\n\n line three]]>";
    const std::string text = "first\n  second\nthird";
    const std::string tag = "<e\nname=\"k\"\n/>";
    for (size_t before : {1, 5, 12, 30}) {
        for (const std::string& piece : {cdata, "<v>" + text + "</v>", tag}) {
            std::string doc = StraddlingFirstCut(piece + "\n", before);
            auto fixed = Tokenize<TXMLTokenizer>(doc);
            auto whole = Tokenize<TXMLLargeTokenizer>(doc);
            EXPECT_EQ(fixed, whole) << "before=" << before << " piece=" << piece;
        }
        auto tokens = Tokenize<TXMLTokenizer>(StraddlingFirstCut(cdata + "\n", before));
        EXPECT_NE(std::find(tokens.begin(), tokens.end(), Token(K::CData, cdata)), tokens.end()) << before;
        tokens = Tokenize<TXMLTokenizer>(StraddlingFirstCut("<v>" + text + "</v>\n", before));
        EXPECT_NE(std::find(tokens.begin(), tokens.end(), Token(K::Text, "first\n second\nthird")), tokens.end())
            << before;
        tokens = Tokenize<TXMLTokenizer>(StraddlingFirstCut(tag + "\n", before));
        EXPECT_NE(std::find(tokens.begin(), tokens.end(), Token(K::EmptyElementTag, "<e\nname=\"k\"\n/>")),
                  tokens.end())
            << before;
    }
}

TEST(XmlTokenizerErrors, StreamEndingInsideATag) {
    const char* tags[] = {"<a><b", "<a x=\"1\"", "<", "<a>\n\n<!-- open"};
    for (const char* doc : tags) {
        EXPECT_EQ(TokenizeError<TXMLTokenizer>(doc).rfind("Unterminated tag on line ", 0), 0u) << doc;
        EXPECT_EQ(TokenizeError<TXMLLargeTokenizer>(doc).rfind("Unterminated tag on line ", 0), 0u) << doc;
    }
    EXPECT_EQ(TokenizeError<TXMLTokenizer>("<a>\n\n<b"), "Unterminated tag on line 3");
    EXPECT_EQ(TokenizeError<TXMLLargeTokenizer>("<a><![CDATA[x>y]>"), "Unterminated CDATA section on line 1");
    // The same open tag after a few refills: the scan never leaves the window.
    EXPECT_EQ(TokenizeError<TXMLTokenizer>(WithFiller("<r>\n") + "\n<open attr=\"" + std::string(3000, 'z'))
                  .rfind("Unterminated tag", 0),
              0u);
}

TEST(XmlTokenizerErrors, MessageCarriesLineNumber) {
    TMemoryStream stream = StreamOf("\n\n<a>");
    TXMLTokenizer tokenizer(stream);
    EXPECT_EQ(tokenizer.Line(), 3);
    try {
        tokenizer.RaiseError("Bad thing");
        FAIL() << "no error raised";
    } catch (const EXMLParserError& e) {
        EXPECT_STREQ(e.what(), "Bad thing on line 3");
        EXPECT_STREQ(e.Kind(), "EXMLParserError");
        EXPECT_EQ(e.Line(), 3);
    }
}

TEST(XmlTokenizer, EndOfInputIsSticky) {
    for (bool large : {false, true}) {
        TMemoryStream stream = StreamOf("<a/>");
        std::unique_ptr<TXMLTokenizer> tokenizer =
            large ? std::make_unique<TXMLLargeTokenizer>(stream) : std::make_unique<TXMLTokenizer>(stream);
        EXPECT_EQ(tokenizer->Kind(), K::EmptyElementTag);
        EXPECT_EQ(tokenizer->Advance(), K::EndOfInput);
        EXPECT_EQ(tokenizer->Advance(), K::EndOfInput);
        EXPECT_EQ(tokenizer->TokenText(), "");
    }
}

TEST(XmlTokenizer, DestroyLeavesStreamAtCurrentToken) {
    for (bool large : {false, true}) {
        TMemoryStream stream = StreamOf("<a>  body</a>");
        {
            std::unique_ptr<TXMLTokenizer> tokenizer =
                large ? std::make_unique<TXMLLargeTokenizer>(stream) : std::make_unique<TXMLTokenizer>(stream);
            ASSERT_EQ(tokenizer->Advance(), K::Text);
        }
        EXPECT_EQ(stream.Position(), 5) << large;
    }
}

TEST(XmlTokenizer, StartsAtTheStreamPosition) {
    TMemoryStream stream = StreamOf("junk<a>x</a>");
    stream.Seek(4, SeekOrigin::Begin);
    TXMLLargeTokenizer tokenizer(stream);
    EXPECT_EQ(tokenizer.Kind(), K::StartTag);
    EXPECT_EQ(tokenizer.TokenText(), "<a>");
}

// A stream that hands out a few bytes per read and under-reports its size,
// as pipes and sockets can.
class TrickleStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    size_t Read(void* buffer, size_t count) override { return TMemoryStream::Read(buffer, count < 3 ? count : 3); }
    int64_t Size() override { return 0; }
};

TEST(XmlTokenizer, ShortReadsAndWrongSizeLoseNothing) {
    std::string doc = WithFiller("<r>\n<v>a\nb</v>\n");
    std::vector<uint8_t> bytes(doc.begin(), doc.end());
    auto expected = Tokenize<TXMLLargeTokenizer>(doc);
    for (bool large : {false, true}) {
        TrickleStream stream(bytes);
        std::unique_ptr<TXMLTokenizer> tokenizer =
            large ? std::make_unique<TXMLLargeTokenizer>(stream) : std::make_unique<TXMLTokenizer>(stream);
        std::vector<Token> tokens;
        for (auto kind = tokenizer->Kind(); kind != K::EndOfInput; kind = tokenizer->Advance())
            tokens.emplace_back(kind, tokenizer->TokenText());
        EXPECT_EQ(tokens, expected) << large;
    }
}

}  // namespace
}  // namespace korvel
