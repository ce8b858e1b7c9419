#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/xml/XMLTestSupport.h"

namespace korvel {
namespace {

using xmltest::LoadText;
using xmltest::SaveText;
using xmltest::TempFolder;

const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

TEST(XmlSave, EmptyParser) {
    TKRXMLParser parser;
    EXPECT_EQ(SaveText(parser), kDeclaration + "  </>\r\n");
}

TEST(XmlSave, IndentedTreeWithTextCDataAndEmptyElements) {
    TKRXMLParser parser;
    TXMLItem& map = parser.RootItem();
    map.SetName("map");
    TXMLItem& entry = map.New();
    entry.SetName("string");
    entry.Params().SetValue("name", "cam1U");
    entry.SetText("admin");
    TXMLItem& empty = map.New();
    empty.SetName("e");
    TXMLItem& raw = map.New();
    raw.SetName("r");
    raw.SetText("  ");
    raw.SetCData("x<y");
    raw.New().SetName("leaf");
    EXPECT_EQ(SaveText(parser), kDeclaration +
                                    "  <map>\r\n"
                                    "    <string name=\"cam1U\">\r\n"
                                    "      admin\r\n"
                                    "    </string>\r\n"
                                    "    <e>\r\n"
                                    "    </e>\r\n"
                                    "    <r>\r\n"
                                    "      <![CDATA[x<y]]>\r\n"
                                    "      <leaf>\r\n"
                                    "      </leaf>\r\n"
                                    "    </r>\r\n"
                                    "  </map>\r\n");
}

TEST(XmlSave, TextAndAttributeValuesAreEncoded) {
    TKRXMLParser parser;
    parser.RootItem().SetName("a");
    parser.RootItem().Params().SetValue("q", "\"<&>\"");
    parser.RootItem().SetText("one\r\ntwo & <three>\nfour");
    EXPECT_EQ(SaveText(parser), kDeclaration +
                                    "  <a q=\"&quot;&lt;&amp;&gt;&quot;\">\r\n"
                                    "    one<br/>two &amp; &lt;three&gt;\nfour\r\n"
                                    "  </a>\r\n");
}

TEST(XmlSave, WithoutLineBreaksNothingIsIndentedBelowTheRoot) {
    TKRXMLParser parser;
    parser.RootItem().SetName("map");
    TXMLItem& child = parser.RootItem().New();
    child.SetName("string");
    child.Params().SetValue("name", "k");
    child.SetText("v");
    parser.SetCrLfInAsString(false);
    EXPECT_FALSE(parser.CrLfInAsString());
    EXPECT_EQ(SaveText(parser), kDeclaration + "  <map>  <string name=\"k\">  v  </string>  </map>");
    // The flag is handed down to every item when saving.
    EXPECT_FALSE(child.LineBreaks());
}

TEST(XmlSave, StyleSheetLine) {
    const std::string open = "<?xml-stylesheet type=\"text/xsl\" href=\"";
    ASSERT_EQ(open.size(), 39u);
    TKRXMLParser parser;
    parser.RootItem().SetName("a");
    parser.StyleSheet = "view.xsl";
    const std::string body = "  <a>\r\n  </a>\r\n";
    EXPECT_EQ(SaveText(parser), kDeclaration + open + "view.xsl\"?>\r\n" + body);
    EXPECT_EQ(SaveText(parser, true), kDeclaration + body);
    parser.StyleSheet = " \t";
    EXPECT_EQ(SaveText(parser), kDeclaration + body);
}

TEST(XmlSave, SavedDocumentLoadsBackToTheSameTree) {
    TKRXMLParser parser;
    LoadText(parser,
             "<map><string name=\"a&amp;b\">x &lt; y<br/>z</string><g k=\"1\"><h/></g>"
             "<c><![CDATA[ raw ]]></c></map>");
    std::string saved = SaveText(parser);
    TKRXMLParser again;
    LoadText(again, saved);
    const TXMLItem& root = again.RootItem();
    EXPECT_EQ(root.Name(), "map");
    ASSERT_EQ(root.SubItemCount(), 3u);
    EXPECT_EQ(root.SubItems(0).Params().Value("name"), "a&b");
    EXPECT_EQ(root.SubItems(0).Text(), "x < y\r\nz");
    EXPECT_EQ(root.SubItems(1).Params().Value("k"), "1");
    EXPECT_EQ(root.SubItems(1).SubItems(0).Name(), "h");
    EXPECT_EQ(root.SubItems(2).CData(), " raw ");
}

TEST(XmlSave, DeepTreesNeitherOverflowNorLoseElements) {
    const int depth = 200000;
    std::string document;
    for (int i = 0; i < depth; ++i) document += "<d>";
    TKRXMLParser parser;
    LoadText(parser, document);
    parser.SetCrLfInAsString(false);  // keeps the output linear in the depth
    std::string saved = SaveText(parser);
    size_t closes = 0;
    for (size_t at = saved.find("</d>"); at != std::string::npos; at = saved.find("</d>", at + 1)) ++closes;
    EXPECT_EQ(closes, static_cast<size_t>(depth));
}

TEST(XmlSaveFile, StyleSheetLineIsLeftOutOfXslFiles) {
    TempFolder folder;
    TKRXMLParser parser;
    parser.RootItem().SetName("a");
    parser.StyleSheet = "s.xsl";
    int saved = 0;
    parser.OnSaved = [&](TKRXMLParser&) { ++saved; };
    parser.SaveToFile(folder.File("out.xml"));
    parser.SaveToFile(folder.File("out.XsL"));
    EXPECT_EQ(saved, 2);
    EXPECT_EQ(ReadFile(folder.File("out.xml")),
              kDeclaration + "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\r\n  <a>\r\n  </a>\r\n");
    EXPECT_EQ(ReadFile(folder.File("out.XsL")), kDeclaration + "  <a>\r\n  </a>\r\n");
    EXPECT_THROW(parser.SaveToFile(folder.File("missing/out.xml")), EFOpenError);
}

TEST(XmlLoadFile, LoadsAndFallsBackUpToThreeAttempts) {
    TempFolder folder;
    std::string path = folder.File("prefs.xml");
    std::ofstream(path, std::ios::binary) << "<map>\n<v>" << std::string(5000, 'a') << "</v>\n</map>";
    TKRXMLParser parser;
    int asked = 0;
    parser.BeforeLoad = [&](TKRXMLParser&, bool&) { ++asked; };
    parser.LoadFromFile(path);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(parser.RootItem().SubItems(0).Text(), std::string(5000, 'a'));

    std::ofstream(path, std::ios::binary | std::ios::trunc) << "<map>\n<v";
    asked = 0;
    EXPECT_THROW(parser.LoadFromFile(path), EXMLParserError);
    EXPECT_EQ(asked, 3);
}

TEST(XmlLoadFile, MissingFileRaisesOpenError) {
    TempFolder folder;
    std::string path = folder.File("absent.xml");
    TKRXMLParser parser;
    try {
        parser.LoadFromFile(path);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"" + path + "\". ", 0), 0u) << e.what();
    }
}

}  // namespace
}  // namespace korvel
