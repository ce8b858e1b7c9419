#include <gtest/gtest.h>

#include "tests/xml/XMLTestSupport.h"

namespace korvel {
namespace {

using xmltest::LoadText;
using xmltest::SaveText;

// A parser whose change handler records the names of the items it hears about.
struct Recorder {
    TKRXMLParser parser;
    std::vector<std::string> changed;
    Recorder() {
        parser.XMLItemChanged = [this](TKRXMLParser& sender, TXMLItem& item) {
            EXPECT_EQ(&sender, &parser);
            changed.push_back(item.Name());
        };
    }
};

std::vector<std::string> ChildNames(const TXMLItem& item) {
    std::vector<std::string> names;
    for (size_t i = 0; i < item.SubItemCount(); ++i) names.push_back(item.SubItems(static_cast<long long>(i)).Name());
    return names;
}

TEST(XmlItemEvents, ChangesNotifyTheParser) {
    Recorder r;
    TXMLItem& root = r.parser.RootItem();
    root.SetName("root");                // root
    TXMLItem& child = root.New();        // root
    EXPECT_EQ(child.Parser(), &r.parser);
    child.SetName("child");              // child
    child.SetText("t");                  // child
    child.SetCData("c");                 // none
    child.SetParams(TXMLParams());       // child
    child.Params().SetValue("k", "v");   // none: changed in place
    root.New().SetName("second");        // root, second
    root.Delete(0);                      // root
    EXPECT_EQ(r.changed, (std::vector<std::string>{"root", "root", "child", "child", "child", "root", "second", "root"}));
}

TEST(XmlItemEvents, ClearAndLoadAreSilentAndTheHandlerComesBack) {
    Recorder r;
    LoadText(r.parser, "<a><b>t</b><c x=\"1\"/></a>");
    EXPECT_TRUE(r.changed.empty());
    ASSERT_TRUE(static_cast<bool>(r.parser.XMLItemChanged));
    r.parser.RootItem().Clear();
    EXPECT_TRUE(r.changed.empty());
    EXPECT_THROW(LoadText(r.parser, "<a><b"), EXMLParserError);
    ASSERT_TRUE(static_cast<bool>(r.parser.XMLItemChanged));
    r.parser.RootItem().SetName("after");
    EXPECT_EQ(r.changed, std::vector<std::string>{"after"});
}

TEST(XmlParserEvents, CancellingLoadSaveAndClear) {
    TKRXMLParser parser;
    LoadText(parser, "<a><b/></a>");
    std::vector<std::string> log;
    bool allow = false;
    auto ask = [&](const char* what) {
        return [&, what](TKRXMLParser&, bool& allowed) {
            EXPECT_TRUE(allowed);
            log.push_back(what);
            allowed = allow;
        };
    };
    parser.BeforeLoad = ask("before-load");
    parser.BeforeSave = ask("before-save");
    parser.BeforeClear = ask("before-clear");
    parser.OnLoaded = [&](TKRXMLParser&) { log.push_back("loaded"); };
    parser.OnSaved = [&](TKRXMLParser&) { log.push_back("saved"); };
    parser.OnCleared = [&](TKRXMLParser&) { log.push_back("cleared"); };

    LoadText(parser, "<other/>");
    EXPECT_EQ(SaveText(parser), "");
    parser.Clear();
    EXPECT_EQ(parser.RootItem().Name(), "a");
    EXPECT_EQ(parser.RootItem().SubItemCount(), 1u);
    EXPECT_EQ(log, (std::vector<std::string>{"before-load", "before-save", "before-clear"}));

    log.clear();
    allow = true;
    EXPECT_NE(SaveText(parser), "");
    parser.Clear();
    EXPECT_EQ(parser.RootItem().Name(), "");
    LoadText(parser, "<other/>");
    EXPECT_EQ(parser.RootItem().Name(), "");  // an empty element makes a child of the unnamed root
    EXPECT_EQ(ChildNames(parser.RootItem()), std::vector<std::string>{"other"});
    EXPECT_EQ(log, (std::vector<std::string>{"before-save", "saved", "before-clear", "cleared", "before-load",
                                             "loaded"}));
}

TEST(XmlParserEvents, CancelledFileSaveLeavesTheFileAlone) {
    xmltest::TempFolder folder;
    std::string path = folder.File("keep.xml");
    {
        TMemoryStream original = xmltest::StreamOf("precious");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(original.Bytes().data(), 1, original.Bytes().size(), f);
        std::fclose(f);
    }
    TKRXMLParser parser;
    parser.RootItem().SetName("a");
    int saved = 0;
    parser.BeforeSave = [](TKRXMLParser&, bool& allow) { allow = false; };
    parser.OnSaved = [&](TKRXMLParser&) { ++saved; };
    parser.SaveToFile(path);
    EXPECT_EQ(saved, 0);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char buffer[16] = {};
    size_t got = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buffer, got), "precious");
}

TEST(XmlItem, SubItemsOutOfRange) {
    TXMLItem item;
    item.New();
    for (long long index : {-1LL, 1LL, 5LL}) {
        try {
            item.SubItems(index);
            FAIL() << index;
        } catch (const EXMLListError& e) {
            EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
            EXPECT_STREQ(e.Kind(), "EListError");
        }
    }
    EXPECT_THROW(item.Delete(1), EXMLListError);
    EXPECT_NO_THROW(item.SubItems(0));
}

TEST(XmlItem, IndexOfAndIndexOfName) {
    TXMLItem root;
    for (const char* name : {"a", "B", "a", "c"}) root.New().SetName(name);
    TXMLItem other;
    EXPECT_EQ(root.IndexOf(&root.SubItems(2)), 2);
    EXPECT_EQ(root.IndexOf(&other), -1);
    EXPECT_EQ(root.IndexOf(nullptr), -1);
    EXPECT_EQ(root.IndexOfName("A"), 0);
    EXPECT_EQ(root.IndexOfName("a", 1), 2);
    EXPECT_EQ(root.IndexOfName("a", 3), -1);
    EXPECT_EQ(root.IndexOfName("b", -4), 1);
    EXPECT_EQ(root.IndexOfName("c", 99), -1);
    EXPECT_EQ(root.Count(), 4u);
}

TEST(XmlItem, MoveReordersChildren) {
    TXMLItem root;
    for (const char* name : {"a", "b", "c", "d"}) root.New().SetName(name);
    root.Move(root.SubItems(0), 2);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"b", "c", "a", "d"}));
    root.Move(root.SubItems(3), 0);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"d", "b", "c", "a"}));
    TXMLItem stranger;
    EXPECT_THROW(root.Move(stranger, 0), EXMLListError);
    EXPECT_THROW(root.Move(root.SubItems(0), 4), EXMLListError);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"d", "b", "c", "a"}));
}

TEST(XmlItem, SetParentMovesSubtree) {
    TKRXMLParser parser;
    LoadText(parser, "<r><a><x/></a><b/></r>");
    TXMLItem& root = parser.RootItem();
    TXMLItem& a = root.SubItems(0);
    TXMLItem& b = root.SubItems(1);
    a.SetParent(&b);
    EXPECT_EQ(ChildNames(root), std::vector<std::string>{"b"});
    EXPECT_EQ(ChildNames(b), std::vector<std::string>{"a"});
    EXPECT_EQ(a.Parent(), &b);
    EXPECT_EQ(a.SubItems(0).FullName(), "r/b/a/x/");
    a.SetParent(&b);  // already there: not listed twice
    EXPECT_EQ(b.SubItemCount(), 1u);
    EXPECT_THROW(b.SetParent(&a.SubItems(0)), EXMLTreeError);  // into its own subtree
    EXPECT_THROW(b.SetParent(&b), EXMLTreeError);
    EXPECT_THROW(a.SetParent(nullptr), EXMLTreeError);
    EXPECT_THROW(root.SetParent(&a), EXMLTreeError);
    EXPECT_EQ(ChildNames(root), std::vector<std::string>{"b"});
    EXPECT_EQ(a.Parent(), &b);
}

TEST(XmlItem, MovedIntoAnotherTreeReportsToThatParser) {
    Recorder target;
    target.parser.RootItem().SetName("target");
    target.changed.clear();
    TXMLItem* moved = nullptr;
    {
        Recorder source;
        LoadText(source.parser, "<r><a><b/></a></r>");
        moved = &source.parser.RootItem().SubItems(0);
        moved->SetParent(&target.parser.RootItem());
        EXPECT_TRUE(source.changed.empty());
    }
    moved->SubItems(0).SetText("x");
    moved->SetName("renamed");
    EXPECT_EQ(target.changed, (std::vector<std::string>{"b", "renamed"}));
    EXPECT_EQ(moved->FullName(), "target/renamed/");
}

TEST(XmlItem, ClearEmptiesEverything) {
    TKRXMLParser parser;
    LoadText(parser, "<r k=\"v\">text<a/><![CDATA[c]]></r>");
    TXMLItem& root = parser.RootItem();
    root.Clear();
    EXPECT_EQ(root.Name(), "");
    EXPECT_EQ(root.Text(), "");
    EXPECT_EQ(root.CData(), "");
    EXPECT_TRUE(root.Params().Empty());
    EXPECT_EQ(root.SubItemCount(), 0u);
    EXPECT_EQ(root.FullName(), "/");
}

}  // namespace
}  // namespace korvel
