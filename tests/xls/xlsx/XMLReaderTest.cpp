#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "xls/xlsx/XMLReader.h"
#include "xls/xlsx/XMLReaderError.h"

namespace korvel {
namespace {

// Hands out at most chunk bytes per Read, so tokens straddle every refill.
class TChunkedStream : public TStream {
public:
    TChunkedStream(std::string bytes, size_t chunk) : bytes_(std::move(bytes)), chunk_(chunk) {}
    size_t Read(void* buffer, size_t count) override {
        size_t n = std::min({count, chunk_, bytes_.size() - pos_});
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t, SeekOrigin) override { return -1; }

private:
    std::string bytes_;
    size_t chunk_;
    size_t pos_ = 0;
};

const char* KindCode(TXMLNodeType type) {
    switch (type) {
        case TXMLNodeType::StartTag: return "S";
        case TXMLNodeType::EndTag: return "E";
        case TXMLNodeType::Text: return "T";
        case TXMLNodeType::Comment: return "C";
        case TXMLNodeType::CData: return "D";
        case TXMLNodeType::DocumentType: return "DT";
        case TXMLNodeType::ProcessingInstruction: return "PI";
        case TXMLNodeType::XmlDeclaration: return "X";
        case TXMLNodeType::Attribute: return "A";
        case TXMLNodeType::None: return "N";
    }
    return "?";
}

// One line per node: kind, name, depth, "/" for empty start tags, the
// attributes and the value in brackets.
std::string Trace(TXMLReader& reader) {
    std::string out;
    while (reader.Next()) {
        out += KindCode(reader.NodeType());
        out += ":" + std::string(reader.Name()) + "@" + std::to_string(reader.Depth());
        if (reader.NodeType() == TXMLNodeType::StartTag && reader.NoContent()) out += "/";
        for (size_t i = 0; i < reader.AttributeCount(); ++i)
            out += " " + std::string(reader.Attribute(i).Name) + "=" + std::string(reader.Attribute(i).Value);
        if (!reader.ValueUtf8().empty()) out += "[" + std::string(reader.ValueUtf8()) + "]";
        out += "\n";
    }
    return out;
}

// Traces input read whole and in chunks of 1, 2 and 3 bytes; all must agree.
std::string TraceAllWays(const std::string& input) {
    TChunkedStream whole(input, 1 << 20);
    TXMLReader reader(whole);
    std::string expected = Trace(reader);
    for (size_t chunk : {1, 2, 3}) {
        TChunkedStream stream(input, chunk);
        TXMLReader chunked(stream);
        EXPECT_EQ(Trace(chunked), expected) << "chunk " << chunk;
    }
    return expected;
}

// The error text input raises, read whole and in 1-byte chunks.
std::string ErrorOf(const std::string& input) {
    std::string texts[2];
    for (size_t way = 0; way < 2; ++way) {
        TChunkedStream stream(input, way == 0 ? 1 << 20 : 1);
        TXMLReader reader(stream);
        try {
            while (reader.Next()) {
            }
            texts[way] = "no error";
        } catch (const EXMLReaderError& e) {
            texts[way] = e.what();
        }
    }
    EXPECT_EQ(texts[0], texts[1]) << "whole vs chunked";
    return texts[0];
}

TEST(XMLReaderNodes, EveryNodeKind) {
    const std::pair<std::string, std::string> rows[] = {
        {R"(<?xml version="1.0" encoding="UTF-8"?><a x="1" y='2'>t<b/></a>)",
         "X:xml@0[version=\"1.0\" encoding=\"UTF-8\"]\nS:a@0 x=1 y=2\nT:@1[t]\nS:b@1/\nE:a@0\n"},
        {"<a><!-- c <x> --></a>", "S:a@0\nC:@1[<!-- c <x> -->]\nE:a@0\n"},
        {"<a><![CDATA[<raw> &amp; ]] ]]></a>", "S:a@0\nD:@1[<raw> &amp; ]] ]\nE:a@0\n"},
        {"<!DOCTYPE n [<!ENTITY x \"y\">]><n/>", "DT:@0[ n [<!ENTITY x \"y\">]]\nS:n@0/\n"},
        {"<a><?pi some ? content?><?empty?></a>", "S:a@0\nPI:pi@1[some ? content]\nPI:empty@1\nE:a@0\n"},
        {"<a\n  x = \"1\"\n/>", "S:a@0/ x=1\n"},
        {"<a></a >", "S:a@0\nE:a@0\n"},
        {"<ns:a xml:space=\"preserve\" a-b.c_d=\"\"/>", "S:ns:a@0/ xml:space=preserve a-b.c_d=\n"},
        {"<a p=\"1\" q = '2'\tr=\"&amp;\" s=\"x\ny\" t='\"' u=\"'\"></a>",
         "S:a@0 p=1 q=2 r=& s=x\ny t=\" u='\nE:a@0\n"},
        {"", ""},
    };
    for (const auto& [input, expected] : rows) {
        SCOPED_TRACE(input);
        EXPECT_EQ(TraceAllWays(input), expected);
    }
}

TEST(XMLReaderNodes, WhiteSpaceAndText) {
    const std::pair<std::string, std::string> rows[] = {
        {"<a>\n  <b/>\r\n\t<c>x</c>\n</a>\n", "S:a@0\nS:b@1/\nS:c@1\nT:@2[x]\nE:c@1\nE:a@0\n"},
        {"<a>  ab </a>", "S:a@0\nT:@1[  ab ]\nE:a@0\n"},
        // White space that is an element's whole content is kept.
        {"<t> </t>", "S:t@0\nT:@1[ ]\nE:t@0\n"},
        {"<r><t>\n</t><u/> </r>", "S:r@0\nS:t@1\nT:@2[\n]\nE:t@1\nS:u@1/\nE:r@0\n"},
        {"<a>x > y</a>", "S:a@0\nT:@1[x > y]\nE:a@0\n"},
        {"<a>> 5</a>", "S:a@0\nT:@1[> 5]\nE:a@0\n"},
        {"\n\n<a/>\n\n", "S:a@0/\n"},
    };
    for (const auto& [input, expected] : rows) {
        SCOPED_TRACE(input);
        EXPECT_EQ(TraceAllWays(input), expected);
    }
}

// Line and position after each node, read whole (where plain nodes are taken
// in one step) and one byte at a time (where they never are): the position
// counts the bytes of the line up to the end of the node's markup.
TEST(XMLReaderNodes, PositionsAfterEachNode) {
    const std::string input = "<a x=\"1\"><b>text</b><c/>tail\n<d k='v'>x&amp;y</d></a>";
    const std::vector<std::pair<int64_t, int64_t>> expected = {
        {1, 9}, {1, 12}, {1, 16}, {1, 20}, {1, 24}, {2, 0}, {2, 9}, {2, 16}, {2, 20}, {2, 24},
    };
    for (size_t chunk : {size_t(1) << 20, size_t(1)}) {
        TChunkedStream stream(input, chunk);
        TXMLReader reader(stream);
        std::vector<std::pair<int64_t, int64_t>> seen;
        while (reader.Next()) seen.emplace_back(reader.Line(), reader.Position());
        EXPECT_EQ(seen, expected) << "chunk " << chunk;
    }
}

TEST(XMLReaderNodes, ByteOrderMark) {
    EXPECT_EQ(TraceAllWays("\xEF\xBB\xBF<a>x</a>"), "S:a@0\nT:@1[x]\nE:a@0\n");
    EXPECT_EQ(ErrorOf("\xEF\xBB\xBF<a x>"), ErrorOf("<a x>"));  // positions ignore the mark
    EXPECT_EQ(ErrorOf("\xFF\xFE<\0a\0/\0>\0"), "UTF-16 encoding is not supported!");
    EXPECT_EQ(ErrorOf("\xFE\xFF\0<\0a"), "UTF-16 encoding is not supported!");
    EXPECT_EQ(ErrorOf("\xEF\xBB<a/>").rfind("Unexpected symbol < at line 1 at position 3", 0), 0u);
    EXPECT_EQ(ErrorOf("\xEF"), "Unexpected end of file! token position: 1:0 token type: ttNone current position: 1:1");
}

TEST(XMLReaderNodes, EntitiesInTextAndValues) {
    const std::pair<std::string, std::u16string> rows[] = {
        {"&AMP;", u"&"},   {"&amp;", u"&"},     {"&#65;", u"A"},       {"&#x41;", u"A"},
        {"&#X41;", u"A"},  {"&#233;", u"\u00E9"}, {"&#x1F600;", u"\U0001F600"},
        {"&lt;&gt;&apos;&quot;", u"<>'\""}, {"a&Lt;b", u"a<b"}, {"\xC3\xA9", u"\u00E9"},
    };
    for (const auto& [escaped, expected] : rows) {
        SCOPED_TRACE(escaped);
        for (const std::string& doc : {"<a>" + escaped + "</a>", "<a v=\"" + escaped + "\"/>"}) {
            TChunkedStream stream(doc, 1);
            TXMLReader reader(stream);
            ASSERT_TRUE(reader.Next());
            if (reader.HasAttributes()) {
                reader.MoveToAttribute("v");
            } else {
                ASSERT_TRUE(reader.Next());
            }
            EXPECT_EQ(reader.Value(), expected);
        }
    }
}

TEST(XMLReaderErrors, InvalidEntities) {
    const std::pair<const char*, const char*> rows[] = {
        {"<a>&nbsp;</a>", "Invalid entity at line 1 at position 9 context: \"&nbsp;\""},
        {"<a>&;</a>", "Invalid entity at line 1 at position 5 context: \"&;\""},
        {"<a>&#;</a>", "Invalid entity at line 1 at position 6 context: \"&#;\""},
        {"<a>&#x;</a>", "Invalid entity at line 1 at position 7 context: \"&#x;\""},
        {"<a>&#12a;</a>", "Invalid entity at line 1 at position 9 context: \"&#12a;\""},
        {"<a>&#0;</a>", "Invalid entity at line 1 at position 7 context: \"&#0;\""},
        {"<a>&#xD800;</a>", "Invalid entity at line 1 at position 11 context: \"&#xD800;\""},
        {"<a>&#x110000;</a>", "Invalid entity at line 1 at position 13 context: \"&#x110000;\""},
        {"<a>&a&b;</a>", "Invalid entity at line 1 at position 6 context: \"&a&\""},
        {"<a>&amp</a>", "Invalid entity at line 1 at position 8 context: \"&amp<\""},
        {"<a x='&bogus;'/>", "Invalid entity at line 1 at position 13 context: \"&bogus;\""},
        {"<a>&amp", "Invalid entity at line 1 at position 7 context: \"&amp\""},
    };
    for (auto [input, expected] : rows) {
        SCOPED_TRACE(input);
        EXPECT_EQ(ErrorOf(input), expected);
    }
}

TEST(XMLReaderErrors, StructureAndTokenErrors) {
    const std::pair<const char*, const char*> rows[] = {
        {"</a>", "Unexpected token at line 1 position 1."},
        {"<a/></a>", "Unexpected token at line 1 position 5."},
        {"text", "Unexpected token at line 1 position 1."},
        {"<a/>text", "Unexpected token at line 1 position 5."},
        {"<a><!DOCTYPE x></a>", "Unexpected token at line 1 position 4."},
        {"<![CDATA[x]]>", "Unexpected token at line 1 position 1."},
        {"<a>", "Unexpected end of file! token position: 1:3 token type: ttNone current position: 1:3"},
        {"<a><b></b>", "Unexpected end of file! token position: 1:10 token type: ttNone current position: 1:10"},
        {"<a x=\"1>", "Unexpected end of file! token position: 1:6 token type: ttValue current position: 1:8"},
        {"<a><!-- x", "Unexpected end of file! token position: 1:4 token type: ttComment current position: 1:9"},
        {"<a><![CDATA[x", "Unexpected end of file! token position: 1:4 token type: ttOpenCDATA current position: 1:13"},
        {"<a", "Unexpected end of file! token position: 1:2 token type: ttNone current position: 1:2"},
        {"<a x>", "Unexpected token at line 1 position 5. Expected \"=\""},
        {"<a x=>", "Unexpected token at line 1 position 6. Expected Value"},
        {"<a \"v\">", "Unexpected token at line 1 position 4. Expected attribute, \">\" or \"/>\""},
        {"<a></a x>", "Unexpected token at line 1 position 8. Expected \">\""},
        {"< a>", "Unexpected token at line 1 position 2. Expected Name"},
        {"<a></ a>", "Unexpected token at line 1 position 6. Expected Name"},
        {"<?" "?>", "Unexpected token at line 1 position 3. Expected Name"},
        {"<?xml=\"1\"?>", "Unexpected token at line 1 position 6. Expected whitespace or ?>"},
        {"<a>\n\n  <b x>", "Unexpected token at line 3 position 7. Expected \"=\""},
        {"<a b=\"1\" %>", "Unexpected symbol % at line 1 at position 10 context: \"<a b=\"1\" %>\""},
        {"<!x>", "Unexpected symbol ! at line 1 at position 2 context: \"<!x>\""},
        {"<a/ >", "Unexpected symbol / at line 1 at position 3 context: \"<a/ >\""},
        {"<?pi?a?>", "Unexpected symbol ? at line 1 at position 5 context: \"<?pi?a?>\""},
        {"<a><?pi a>b?></a>", "no error"},
        {"<a>\xC3\xA9</a>", "no error"},
        {"<a x=\"1\" y>", "Unexpected token at line 1 position 11. Expected \"=\""},
        {"<a x=\"1\" y=\"2\"/ >", "Unexpected symbol / at line 1 at position 15 context: \"<a x=\"1\" y=\"2\"/ >\""},
        {"<a></a/>", "Unexpected token at line 1 position 7. Expected \">\""},
        {"<a x=\"1\"", "Unexpected end of file! token position: 1:8 token type: ttNone current position: 1:8"},
    };
    for (auto [input, expected] : rows) {
        SCOPED_TRACE(input);
        EXPECT_EQ(ErrorOf(input), expected);
    }
}

// The context around an unexpected symbol is the same however the input
// arrives (the buffer keeps the bytes before the read position).
TEST(XMLReaderErrors, ContextDoesNotDependOnBlockBoundaries) {
    std::string doc = "<a>";
    for (int i = 0; i < 100; ++i) doc += "<b/>";
    doc += "<c \x01 d='1'/></a>";
    for (size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(406), size_t(1000)}) {
        SCOPED_TRACE(chunk);
        TChunkedStream stream(doc, chunk);
        TXMLReader reader(stream);
        try {
            while (reader.Next()) {
            }
            FAIL() << "no error";
        } catch (const EXMLReaderError& e) {
            EXPECT_STREQ(e.what(),
                         "Unexpected symbol \x01 at line 1 at position 407 context: \"><b/><b/><b/><b/><c \x01 d='1'/></a>\"");
        }
    }
}

TEST(XMLReaderAttributes, FindMoveAndRestore) {
    TChunkedStream stream("<c r=\"B2\" s=\"3\" t=\"s\" u=\"&#233;\"><v>0</v></c>", 3);
    TXMLReader reader(stream);
    ASSERT_TRUE(reader.Next());
    EXPECT_TRUE(reader.HasAttributes());
    EXPECT_FALSE(reader.IsEmptyOrNotStart());
    ASSERT_TRUE(reader.FindAttribute("t"));
    EXPECT_EQ(reader.FindAttribute("t")->Value, "s");
    EXPECT_FALSE(reader.HasAttribute("R"));  // names are case-sensitive
    reader.MoveToAttribute("u");
    EXPECT_EQ(reader.NodeType(), TXMLNodeType::Attribute);
    EXPECT_EQ(reader.Name(), "u");
    EXPECT_EQ(reader.Value(), u"\u00E9");
    EXPECT_TRUE(reader.HasAttributes());
    reader.MoveToAttribute("r");
    EXPECT_EQ(reader.ValueUtf8(), "B2");
    reader.MoveToElement();
    EXPECT_EQ(reader.NodeType(), TXMLNodeType::StartTag);
    EXPECT_EQ(reader.Name(), "c");
    try {
        reader.MoveToAttribute("zz");
        FAIL() << "unknown attribute accepted";
    } catch (const EXMLReaderError& e) {
        EXPECT_STREQ(e.what(), "Attribute zz not found!");
    }
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.Name(), "v");
    EXPECT_FALSE(reader.HasAttributes());
    EXPECT_FALSE(reader.FindAttribute("r"));
}

TEST(XMLReaderSkip, SkipsSubtreesAndResumes) {
    const char* doc = "<r><s a=\"1\"><x>&amp;text</x><y/><s>deep</s></s>bbb<e/><f>z</f></r>";
    TChunkedStream stream(doc, 2);
    TXMLReader reader(stream);
    ASSERT_TRUE(reader.Next());  // r
    ASSERT_TRUE(reader.Next());  // s
    reader.MoveToAttribute("a");
    ASSERT_TRUE(reader.SkipElement());  // restores s, skips it
    EXPECT_EQ(reader.NodeType(), TXMLNodeType::Text);
    EXPECT_EQ(reader.ValueUtf8(), "bbb");  // texts are built again after the skip
    EXPECT_EQ(reader.Depth(), 1);
    ASSERT_TRUE(reader.Next());  // e, empty
    ASSERT_TRUE(reader.SkipElement());
    EXPECT_EQ(reader.Name(), "f");
    ASSERT_TRUE(reader.SkipElement());
    EXPECT_EQ(reader.NodeType(), TXMLNodeType::EndTag);
    EXPECT_EQ(reader.Name(), "r");
    EXPECT_EQ(reader.Depth(), 0);
    EXPECT_FALSE(reader.Next());
}

TEST(XMLReaderSkip, ErrorsInsideASkippedSubtreeStillCount) {
    TChunkedStream stream("<r><s><x>&nbsp;</x></s></r>", 100);
    TXMLReader reader(stream);
    reader.Next();
    reader.Next();
    EXPECT_THROW(reader.SkipElement(), EXMLReaderError);
}

TEST(XMLReaderText, ReadsAllTextBelowAnElement) {
    TChunkedStream stream(
        "<sst><si><r><rPr/><t>ab</t></r><r><t xml:space=\"preserve\">cd </t></r><!--x--><![CDATA[no]]></si>"
        "<si><t/></si><si><t>&#233;</t></si></sst>",
        5);
    TXMLReader reader(stream);
    ASSERT_TRUE(reader.Next());
    ASSERT_TRUE(reader.Next());
    EXPECT_EQ(reader.ReadElementText(), u"abcd ");
    EXPECT_EQ(reader.NodeType(), TXMLNodeType::EndTag);
    EXPECT_EQ(reader.Name(), "si");
    ASSERT_TRUE(reader.Next());  // second si
    ASSERT_TRUE(reader.Next());  // empty t
    EXPECT_TRUE(reader.IsEmptyOrNotStart());
    EXPECT_EQ(reader.ReadElementText(), u"");
    EXPECT_EQ(reader.Name(), "t");  // did not move
    ASSERT_TRUE(reader.Next());  // </si>
    ASSERT_TRUE(reader.Next());  // third si
    std::string utf8;
    reader.ReadElementTextUtf8(utf8);
    EXPECT_EQ(utf8, "\xC3\xA9");
}

// Where the reader stands after an element's content: the text, the node,
// its depth, line and position, then the rest of the document.
struct AfterContent {
    bool taken = false;
    std::string text, state;
};

// The current node, its depth, the line and position, then the trace of
// the rest of the document.
std::string StandingAndRest(TXMLReader& reader) {
    return std::string(KindCode(reader.NodeType())) + ":" + std::string(reader.Name()) + "@" +
           std::to_string(reader.Depth()) + " " + std::to_string(reader.Line()) + ":" +
           std::to_string(reader.Position()) + "\n" + Trace(reader);
}

// From the first start tag named v: its content taken in one step (when
// plainStep and the reader agrees) or node by node.
AfterContent ReadContent(const std::string& input, size_t chunk, bool plainStep) {
    TChunkedStream stream(input, chunk);
    TXMLReader reader(stream);
    while (reader.Next() && reader.Name() != "v") {
    }
    AfterContent after;
    std::string_view plain;
    if (plainStep && reader.TakePlainTextContent(plain)) {
        after.taken = true;
        after.text = plain;
    } else {
        const int depth = reader.Depth();
        while (reader.Next() && !(reader.NodeType() == TXMLNodeType::EndTag && reader.Depth() == depth))
            if (reader.NodeType() == TXMLNodeType::Text) after.text += reader.ValueUtf8();
    }
    after.state = StandingAndRest(reader);
    return after;
}

TEST(XMLReaderText, PlainContentInOneStepEndsWhereNodeByNodeEnds) {
    const struct {
        std::string input;
        bool taken;  // read whole
    } rows[] = {
        {"<r><v>cam-1</v><w a=\"1\">x</w></r>", true},
        {"<r><v></v></r>", true},
        {"<r>\n<v>a b</x ><w/></r>", true},  // end tag names are not matched
        {"<v>root</v>", true},
        {"<r><v> lead</v></r>", false},
        {"<r><v>a&amp;b</v></r>", false},
        {"<r><v>a\nb</v></r>", false},
        {"<r><v>a<![CDATA[b]]></v></r>", false},
        {"<r><v>a<!--c--></v></r>", false},
        {"<r><v>a<b>c</b></v></r>", false},
        {"<r><v/><w/></r>", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input);
        const AfterContent expected = ReadContent(row.input, 1 << 20, false);
        for (size_t chunk : {size_t(1) << 20, size_t(1), size_t(7)}) {
            const AfterContent got = ReadContent(row.input, chunk, true);
            if (chunk == size_t(1) << 20) {
                EXPECT_EQ(got.taken, row.taken);
            }
            EXPECT_EQ(got.text, expected.text) << chunk;
            EXPECT_EQ(got.state, expected.state) << chunk;
        }
    }
}

// An element as a one-line summary: name, attributes, children with their
// texts, its own text, "/" when empty.
std::string Summary(const TXMLPlainElement& element) {
    std::string out(element.Name);
    for (size_t i = 0; i < element.AttributeCount; ++i)
        out += " " + std::string(element.Attributes[i].Name) + "=" + std::string(element.Attributes[i].Value);
    for (size_t i = 0; i < element.ChildCount; ++i)
        out += " <" + std::string(element.Children[i].Name) + ">" + std::string(element.Children[i].Text);
    out += " [" + std::string(element.Text) + "]";
    if (element.Empty) out += "/";
    return out;
}

// The same summary, read node by node from the element's start tag.
std::string SummaryNodeByNode(TXMLReader& reader) {
    std::string out(reader.Name());
    for (size_t i = 0; i < reader.AttributeCount(); ++i)
        out += " " + std::string(reader.Attribute(i).Name) + "=" + std::string(reader.Attribute(i).Value);
    if (reader.NoContent()) return out + " []/";
    const int depth = reader.Depth();
    std::string text;
    while (reader.Next() && !(reader.NodeType() == TXMLNodeType::EndTag && reader.Depth() == depth)) {
        if (reader.NodeType() == TXMLNodeType::Text) text += reader.ValueUtf8();
        if (reader.NodeType() != TXMLNodeType::StartTag) continue;
        out += " <" + std::string(reader.Name()) + ">";
        const int childDepth = reader.Depth();
        if (reader.NoContent()) continue;
        while (reader.Next() && !(reader.NodeType() == TXMLNodeType::EndTag && reader.Depth() == childDepth))
            out += reader.ValueUtf8();
    }
    return out + " [" + text + "]";
}

// From the row's start tag: the element after it taken whole (when
// plainStep and the reader agrees) or node by node; then where the reader
// stands and the rest of the document.
AfterContent ReadElement(const std::string& input, size_t chunk, bool plainStep) {
    TChunkedStream stream(input, chunk);
    TXMLReader reader(stream);
    EXPECT_TRUE(reader.Next());
    AfterContent after;
    TXMLPlainElement element;
    if (plainStep && reader.TakePlainElement(element)) {
        after.taken = true;
        after.text = Summary(element);
    } else {
        EXPECT_TRUE(reader.Next());
        after.text = SummaryNodeByNode(reader);
    }
    after.state = StandingAndRest(reader);
    return after;
}

TEST(XMLReaderElements, PlainElementInOneStepEndsWhereNodeByNodeEnds) {
    const struct {
        std::string element;
        bool taken;  // read whole
    } rows[] = {
        {R"(<c r="A1" t="str"><v>cam-1</v></c>)", true},
        {R"(<c r="B2"/>)", true},
        {R"(<c r='C3'  s="4" ><f>6*7</f><v>42</v></c>)", true},
        {R"(<c>own text</c>)", true},
        {R"(<c></c>)", true},
        {R"(<c r="A1"><v></v></x >)", true},  // end tag names are not matched
        {R"(<x:c x:r="A1"><x:v>1</x:v></x:c>)", true},
        {R"(<c r="A1"><is><t>in</t></is></c>)", false},
        {R"(<c r="A1"><v>a&amp;b</v></c>)", false},
        {R"(<c r="A&amp;1"/>)", false},
        {"<c r=\"A1\">\n<v>1</v></c>", false},
        {R"(<c r="A1"><v>1</v> </c>)", false},
        {R"(<c r="A1"><v> 1</v></c>)", false},
        {R"(<c r="A1"><f t="shared" si="0"/><v>1</v></c>)", false},
        {R"(<c a="1" b="2" c="3" d="4" e="5" f="6" g="7" h="8" i="9"/>)", false},
        {R"(<c><v>1</v><v>2</v><v>3</v><v>4</v><v>5</v></c>)", false},
        {R"(<c r="1"x="2"/>)", false},
        {R"(<c>text<v>1</v></c>)", false},
    };
    for (const auto& row : rows) {
        const std::string input = "<row>" + row.element + "<w k=\"v\">x</w></row>";
        SCOPED_TRACE(input);
        const AfterContent expected = ReadElement(input, 1 << 20, false);
        for (size_t chunk : {size_t(1) << 20, size_t(1), size_t(7)}) {
            const AfterContent got = ReadElement(input, chunk, true);
            if (chunk == size_t(1) << 20) {
                EXPECT_EQ(got.taken, row.taken);
            }
            EXPECT_EQ(got.text, expected.text) << chunk;
            EXPECT_EQ(got.state, expected.state) << chunk;
        }
    }
}

// Elements that a caller matched in the bytes ahead and handed over whole
// leave the reader where reading them node by node leaves it: on the last
// one's end tag, or on its start tag when it is empty.
TEST(XMLReaderElements, MatchedElementsEndWhereNodeByNodeEnds) {
    const std::vector<std::string> runs[] = {
        {R"(<c r="A1" t="str"><v>cam-1</v></c>)"},
        {R"(<c r="B2" s="1"/>)"},
        {R"(<c r="A1"><v>1</v></c>)", R"(<c r="B1"/>)"},
        {R"(<c r="A1"/>)", "<c></c>", R"(<c r='C1'><v>3</v></c>)"},
    };
    for (const auto& run : runs) {
        std::string elements;
        size_t lastTagAt = 0;
        bool lastEmpty = false;
        for (const std::string& element : run) {
            lastEmpty = element.ends_with("/>");
            lastTagAt = elements.size() + (lastEmpty ? 0 : element.rfind("</"));
            elements += element;
        }
        // On the second line, so that a wrong line or position shows.
        const std::string input = "<!-- sheet -->\n<row>" + elements + "<w k=\"v\">x</w></row>";
        SCOPED_TRACE(input);
        const auto toRow = [](TXMLReader& reader) {
            while (reader.Next() && reader.Name() != "row") {
            }
        };
        TChunkedStream byNodeStream(input, 1 << 20);
        TXMLReader byNode(byNodeStream);
        toRow(byNode);
        const int depth = byNode.Depth() + 1;
        for (size_t ended = 0; ended < run.size();) {
            ASSERT_TRUE(byNode.Next());
            const TXMLNodeType type = byNode.NodeType();
            if (byNode.Depth() == depth &&
                (type == TXMLNodeType::EndTag || (type == TXMLNodeType::StartTag && byNode.NoContent())))
                ++ended;
        }
        const std::string expected = StandingAndRest(byNode);

        TChunkedStream takenStream(input, 1 << 20);
        TXMLReader taken(takenStream);
        EXPECT_TRUE(taken.PlainBytesAhead().empty());  // no element open yet
        toRow(taken);
        const std::string_view ahead = taken.PlainBytesAhead();
        ASSERT_GE(ahead.size(), elements.size());
        EXPECT_EQ(ahead.substr(0, elements.size()), elements);
        taken.TakeMatchedElements(elements.size(), lastTagAt, lastEmpty);
        EXPECT_EQ(StandingAndRest(taken), expected);
    }
}

TEST(XMLReaderText, EndOfInputInsideTheElementIsAnError) {
    TChunkedStream stream("<si><t>ab</t>", 100);
    TXMLReader reader(stream);
    ASSERT_TRUE(reader.Next());
    EXPECT_THROW(reader.ReadElementText(), EXMLReaderError);
}

// A document far larger than one 40000-byte block, with values known from
// its construction, read in odd chunk sizes.
TEST(XMLReaderBlocks, LargeDocumentAcrossBlocks) {
    std::string doc = "<?xml version=\"1.0\"?>\n<sheetData>";
    const int rows = 20000;
    for (int i = 0; i < rows; ++i)
        doc += "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) + "\" t=\"s\"><v>" +
               std::to_string(i * 7) + "</v></c><c><is><t>x&amp;y</t></is></c></row>\n";
    doc += "</sheetData>";
    ASSERT_GT(doc.size(), 3 * TXMLScaner::kBlockSize);
    for (size_t chunk : {size_t(1 << 20), size_t(39999), size_t(7)}) {
        SCOPED_TRACE(chunk);
        TChunkedStream stream(doc, chunk);
        TXMLReader reader(stream);
        int seenRows = 0, seenInline = 0;
        std::string text;
        while (reader.Next()) {
            if (reader.NodeType() != TXMLNodeType::StartTag) continue;
            if (reader.Name() == "row") {
                ++seenRows;
                ASSERT_EQ(reader.FindAttribute("r")->Value, std::to_string(seenRows));
            } else if (reader.Name() == "v") {
                reader.ReadElementTextUtf8(text);
                ASSERT_EQ(text, std::to_string((seenRows - 1) * 7));
            } else if (reader.Name() == "is") {
                reader.ReadElementTextUtf8(text);
                ASSERT_EQ(text, "x&y");
                ++seenInline;
            }
        }
        EXPECT_EQ(seenRows, rows);
        EXPECT_EQ(seenInline, rows);
        EXPECT_EQ(reader.Line(), rows + 2);
    }
}

// Tokens longer than a block: the buffer must keep (and grow for) a token
// and a whole start tag while they are read.
TEST(XMLReaderBlocks, TokensLongerThanABlock) {
    std::string longValue(100000, 'v');
    std::string longText;
    for (int i = 0; i < 20000; ++i) longText += "ab&amp;";  // 140000 bytes, decodes to "ab&" * 20000
    std::string doc = "<r a=\"" + longValue + "\"";
    for (int i = 0; i < 3000; ++i) doc += " k" + std::to_string(i) + "=\"" + std::to_string(i * 3) + "\"";
    doc += "><t>" + longText + "</t><c><![CDATA[" + longValue + "]]></c><!--" + longValue + "--></r>";
    std::string decoded;
    for (int i = 0; i < 20000; ++i) decoded += "ab&";
    for (size_t chunk : {size_t(1 << 20), size_t(4093), size_t(1)}) {
        SCOPED_TRACE(chunk);
        TChunkedStream stream(doc, chunk);
        TXMLReader reader(stream);
        ASSERT_TRUE(reader.Next());
        ASSERT_EQ(reader.AttributeCount(), 3001u);
        EXPECT_TRUE(reader.Attribute(0).Value == longValue);
        for (int i = 0; i < 3000; ++i) {
            ASSERT_EQ(reader.Attribute(i + 1).Name, "k" + std::to_string(i));
            ASSERT_EQ(reader.Attribute(i + 1).Value, std::to_string(i * 3));
        }
        ASSERT_TRUE(reader.Next());
        std::string text;
        reader.ReadElementTextUtf8(text);
        EXPECT_TRUE(text == decoded);
        ASSERT_TRUE(reader.Next());  // c
        ASSERT_TRUE(reader.Next());
        EXPECT_EQ(reader.NodeType(), TXMLNodeType::CData);
        EXPECT_TRUE(reader.ValueUtf8() == longValue);
        ASSERT_TRUE(reader.Next());  // </c>
        ASSERT_TRUE(reader.Next());
        EXPECT_EQ(reader.NodeType(), TXMLNodeType::Comment);
        EXPECT_EQ(reader.ValueUtf8().size(), longValue.size() + 7);
        ASSERT_TRUE(reader.Next());
        EXPECT_EQ(reader.Name(), "r");
        EXPECT_FALSE(reader.Next());
    }
}

}  // namespace
}  // namespace korvel
