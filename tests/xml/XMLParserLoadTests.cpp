#include <gtest/gtest.h>

#include "tests/xml/XMLTestSupport.h"
#include "xml/XMLEntities.h"
#include "xml/XMLTagParts.h"

namespace korvel {
namespace {

using xmltest::LoadText;
using xmltest::StreamOf;

TEST(XmlEntities, DecodeKnowsFourEntitiesInFixedOrder) {
    const std::pair<std::string, std::string> cases[] = {
        {"&lt;b&gt;", "<b>"},
        {"&quot;x&quot;", "\"x\""},
        {"a &amp; b", "a & b"},
        {"&amp;lt;", "&lt;"},  // one decoding pass only
        {"&amp;amp;", "&amp;"},
        {"&apos;&#65;&#x41;&nbsp;", "&apos;&#65;&#x41;&nbsp;"},
        {"&LT;", "&LT;"},
        {"&", "&"},
        {"&lt", "&lt"},
        {"plain", "plain"},
    };
    for (const auto& [encoded, decoded] : cases) EXPECT_EQ(DecodeXMLEntities(encoded), decoded) << encoded;
}

TEST(XmlEntities, EncodeEscapesAndTurnsCrLfIntoBreaks) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<b>&\"c\"", "a&lt;b&gt;&amp;&quot;c&quot;"},
        {"one\r\ntwo", "one<br/>two"},
        {"lone\rcr\nlf", "lone\rcr\nlf"},
        {"&lt;", "&amp;lt;"},
        {"'", "'"},
    };
    for (const auto& [plain, encoded] : cases) EXPECT_EQ(EncodeXMLEntities(plain), encoded) << plain;
}

TEST(XmlTagParts, Name) {
    const std::pair<std::string, std::string> cases[] = {
        {"<a>", "a"},       {"<string name=\"x\">", "string"}, {"<br/>", "br"}, {"<a/>", "a"},
        {"<x:y z=1>", "x:y"}, {"<a/b c>", "a/b"},             {"<>", ""},      {"<", ""},
    };
    for (const auto& [tag, name] : cases) EXPECT_EQ(XMLTagName(tag), name) << tag;
}

struct AttributeCase {
    const char* name;
    std::string tag;
    std::vector<TXMLParam> params;
};

class XmlTagAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(XmlTagAttributes, Parse) {
    TXMLParams params;
    params.Add("stale", "value");
    ParseXMLTagAttributes(GetParam().tag, params);
    std::vector<TXMLParam> got(params.begin(), params.end());
    EXPECT_EQ(got, GetParam().params);
}

INSTANTIATE_TEST_SUITE_P(
    Xml, XmlTagAttributes,
    ::testing::Values(
        AttributeCase{"none", "<a>", {}},
        AttributeCase{"quoted", "<string name=\"cam1U\">", {{"name", "cam1U"}}},
        AttributeCase{"several", "<a x=\"1\" y=\"two words\" z=3>", {{"x", "1"}, {"y", "two words"}, {"z", "3"}}},
        AttributeCase{"empty_element", "<e k=\"v\"/>", {{"k", "v"}}},
        AttributeCase{"blank_value_dropped", "<a x=\" \" y=\"1\">", {{"y", "1"}}},
        AttributeCase{"two_quotes_kept", "<a x=\"\">", {{"x", "\"\""}}},
        AttributeCase{"blanks_around_equals", "<a x = \"1\">", {{"x", ""}, {"\"1\"", ""}}},
        AttributeCase{"single_quotes_do_not_quote", "<a x='1 2'>", {{"x", "'1"}, {"2'", ""}}},
        AttributeCase{"entities_decoded", "<a x=\"&lt;&amp;&quot;\">", {{"x", "<&\""}}},
        AttributeCase{"repeat_replaces", "<a x=\"1\" y=\"2\" X=\"3\">", {{"x", "3"}, {"y", "2"}}},
        AttributeCase{"repeat_empty_removes", "<a x=\"1\" y=\"2\" x=\" \">", {{"y", "2"}}},
        AttributeCase{"value_with_equals", "<a q=\"a=b\">", {{"q", "a=b"}}},
        AttributeCase{"first_blank_starts_attributes", "<a\nx=\"1\" y=\"2\">", {{"y", "2"}}},
        AttributeCase{"line_feed_separates", "<a x=\"1\"\ny=\"2\">", {{"x", "1"}, {"y", "2"}}},
        AttributeCase{"line_feed_inside_quotes_kept", "<a x=\"1\ny\">", {{"x", "1\ny"}}},
        AttributeCase{"one_sided_quote", "<a x=\"abc>", {{"x", "abc"}}},
        AttributeCase{"valueless", "<input checked>", {{"checked", ""}}},
        AttributeCase{"valueless_then_set", "<a x y=\"2\" X=\"1\">", {{"x", "1"}, {"y", "2"}}},
        AttributeCase{"removal_takes_first_match", "<a x x=\"\" x=\"3\">", {{"x", "3"}}},
        AttributeCase{"removed_then_readded_goes_last", "<a x=\"1\" y=\"2\" x=\" \" x=\"4\">",
                      {{"y", "2"}, {"x", "4"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(XmlTagParts, ManyAttributesStayFast) {
    std::string tag = "<a";
    const int count = 200000;
    for (int i = 0; i < count; ++i) tag += " k" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    tag += " k7=\" \" K9=\"nine\">";
    TXMLParams params;
    ParseXMLTagAttributes(tag, params);  // quadratic lookups would take minutes here
    ASSERT_EQ(params.Count(), static_cast<size_t>(count - 1));
    EXPECT_EQ(params[7].Name, "k8");
    EXPECT_EQ(params.Value("k9"), "nine");
    EXPECT_EQ(params[count - 2].Value, std::to_string(count - 1));
}

TEST(XmlLoad, BuildsTreeFromFirstElement) {
    TKRXMLParser parser;
    LoadText(parser,
             "<?xml version='1.0'?>\n<!-- c -->\n<map a=\"1\">\n <string name=\"k\">v</string>\n"
             " <group><leaf/><Leaf x=\"2\"/></group>\n tail</map>");
    TXMLItem& root = parser.RootItem();
    EXPECT_EQ(root.Name(), "map");
    EXPECT_EQ(root.Params().Value("A"), "1");
    EXPECT_EQ(root.Text(), "tail");
    ASSERT_EQ(root.SubItemCount(), 2u);
    EXPECT_EQ(root.SubItems(0).Name(), "string");
    EXPECT_EQ(root.SubItems(0).Text(), "v");
    EXPECT_EQ(root.SubItems(0).Params().Value("name"), "k");
    EXPECT_EQ(root.SubItems(0).Parent(), &root);
    TXMLItem& group = root.SubItems(1);
    ASSERT_EQ(group.SubItemCount(), 2u);
    EXPECT_EQ(group.SubItems(1).Params().Value("x"), "2");
    EXPECT_EQ(group.SubItems(1).FullName(), "map/group/Leaf/");
    EXPECT_EQ(group.IndexOfName("LEAF", 1), 1);
}

TEST(XmlLoad, TextRuns) {
    struct Case {
        std::string document;
        std::string text;
    };
    const Case cases[] = {
        {"<a>&amp;lt;</a>", "&lt;"},
        // Only the new run is decoded; the first one keeps its "&lt;".
        {"<a>&amp;lt;<br/>y</a>", "&lt;\r\ny"},
        {"<a>one<BR/>two<br/>three</a>", "one\r\ntwo\r\nthree"},
        {"<a>x<b/>y</a>", "x\r\ny"},
        {"<a>line\nnext</a>", "line\nnext"},
        {"<a>line\r\nnext</a>", "linenext"},
        {"<a>  <br/>y</a>", "y"},
        {"<a><![CDATA[<raw&amp;>]]>t</a>", "t"},
    };
    for (const Case& c : cases) {
        TKRXMLParser parser;
        LoadText(parser, c.document);
        EXPECT_EQ(parser.RootItem().Text(), c.text) << c.document;
    }
}

TEST(XmlLoad, CDataIsRawAndLastOneWins) {
    TKRXMLParser parser;
    LoadText(parser, "<a><![CDATA[first]]><![CDATA[ <b>&amp;\r\n ]]></a>");
    EXPECT_EQ(parser.RootItem().CData(), " <b>&amp;\r\n ");
    EXPECT_EQ(parser.RootItem().SubItemCount(), 0u);
}

TEST(XmlLoad, TokensAfterTheRootAreIgnored) {
    TKRXMLParser parser;
    LoadText(parser, "<a>x</a>after<b/></a></a><c>y</c>");
    EXPECT_EQ(parser.RootItem().Name(), "a");
    EXPECT_EQ(parser.RootItem().Text(), "x");
    EXPECT_EQ(parser.RootItem().SubItemCount(), 0u);
}

TEST(XmlLoad, EndTagsAreNotMatchedByName) {
    TKRXMLParser parser;
    LoadText(parser, "<a><b>1</x><c>2</c></a>");
    ASSERT_EQ(parser.RootItem().SubItemCount(), 2u);
    EXPECT_EQ(parser.RootItem().SubItems(1).Name(), "c");
}

TEST(XmlLoad, StyleSheetDeclaration) {
    struct Case {
        std::string document;
        std::string styleSheet;
    };
    const Case cases[] = {
        {"<?xml-stylesheet type=\"text/xsl\" href=\"Show.XSL\"?><a/>", "Show.XSL"},
        {"<?XML-STYLESHEET HREF=\"x y.xsl\"?><a/>", "x y.xsl"},
        {"<?xml-stylesheet type=\"text/css\"?><a/>", "kept"},
        {"<?xml-stylesheet href=\"open?><a/>", "kept"},
        {"<?xml version=\"1.0\" href=\"no.xsl\"?><a/>", "kept"},
    };
    for (const Case& c : cases) {
        TKRXMLParser parser;
        parser.StyleSheet = "kept";
        LoadText(parser, c.document);
        EXPECT_EQ(parser.StyleSheet, c.styleSheet) << c.document;
    }
}

TEST(XmlLoad, EmptyDocumentGivesEmptyRoot) {
    for (const char* document : {"", "  \n ", "<?xml version='1.0'?>"}) {
        TKRXMLParser parser;
        parser.RootItem().SetName("old");
        parser.RootItem().New();
        int loaded = 0;
        parser.OnLoaded = [&](TKRXMLParser&) { ++loaded; };
        LoadText(parser, document);
        EXPECT_EQ(parser.RootItem().Name(), "");
        EXPECT_EQ(parser.RootItem().SubItemCount(), 0u);
        EXPECT_EQ(loaded, 1);
    }
}

TEST(XmlLoad, LongLineFallsBackToWholeStreamTokenizer) {
    std::string value(10000, 'q');
    std::string document = "<map>\n<string name=\"k\">" + value + "</string>\n</map>";
    TKRXMLParser parser;
    int asked = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++asked; };
    LoadText(parser, document);
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(parser.RootItem().SubItemCount(), 1u);
    EXPECT_EQ(parser.RootItem().SubItems(0).Text(), value);

    // A single-line document of any size loads too.
    std::string oneLine = "<map><string name=\"k\">" + value + "</string></map>";
    LoadText(parser, oneLine);
    EXPECT_EQ(parser.RootItem().SubItems(0).Text(), value);
}

TEST(XmlLoad, DefaultLargeTokenizerSkipsTheFixedWindow) {
    TKRXMLParser parser;
    parser.DefaultLargeTokenizer = true;
    int asked = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++asked; };
    LoadText(parser, "<map>" + std::string(9000, 'z') + "</map>");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(parser.RootItem().Text().size(), 9000u);
}

TEST(XmlLoad, LoadsFromTheStreamPositionAndRetriesFromThere) {
    std::string prefix = "not xml at all";
    TMemoryStream stream = StreamOf(prefix + "<map>" + std::string(5000, 'w') + "</map>");
    stream.Seek(static_cast<int64_t>(prefix.size()), SeekOrigin::Begin);
    TKRXMLParser parser;
    parser.LoadFromStream(stream);
    EXPECT_EQ(parser.RootItem().Name(), "map");
    EXPECT_EQ(parser.RootItem().Text(), std::string(5000, 'w'));
}

TEST(XmlLoad, BrokenDocumentFailsAfterBothAttempts) {
    TKRXMLParser parser;
    int asked = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++asked; };
    try {
        LoadText(parser, "<map>\n<string name=\"k\"");
        FAIL() << "no error";
    } catch (const EXMLParserError& e) {
        EXPECT_STREQ(e.what(), "Unterminated tag on line 2");
    }
    EXPECT_EQ(asked, 2);
}

TEST(XmlLoad, OtherErrorsAreNotRetried) {
    class FailingStream : public TMemoryStream {
    public:
        using TMemoryStream::TMemoryStream;
        size_t Read(void*, size_t) override { throw EReadError("Stream read error"); }
    };
    FailingStream stream(std::vector<uint8_t>{'<', 'a', '>'});
    TKRXMLParser parser;
    int asked = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++asked; };
    EXPECT_THROW(parser.LoadFromStream(stream), EReadError);
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace korvel
