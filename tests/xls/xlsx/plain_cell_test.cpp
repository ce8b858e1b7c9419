// The sheet parser's one-pass cell match: which cell elements it takes,
// what it gives for them, and that it never reads past the bytes it is
// given.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "xls/xlsx/XLSXPlainCell.h"

namespace korvel {
namespace {

// An attribute as the test writes it: "-" when absent.
std::string Shown(std::string_view value) { return value.data() == nullptr ? "-" : std::string(value); }

// Bytes held in a buffer of exactly their size, so that a read past them
// is caught under the address sanitizer. The views of a match point into it.
class ExactBytes {
public:
    explicit ExactBytes(const std::string& bytes) : size_(bytes.size()), data_(new char[bytes.size()]) {
        std::copy(bytes.begin(), bytes.end(), data_.get());
    }
    size_t Match(TXLSXPlainCell& cell) const { return MatchPlainCell(std::string_view(data_.get(), size_), cell); }

private:
    size_t size_;
    std::unique_ptr<char[]> data_;
};

size_t MatchExact(const std::string& bytes, TXLSXPlainCell& cell) { return ExactBytes(bytes).Match(cell); }

TEST(XLSXPlainCell, TakesTheCommonForms) {
    const struct {
        std::string element;
        std::string r, s, t;
        bool hasValue;
        std::string value;
        bool empty;
        std::string lastTag;  // the text from the last tag on
    } rows[] = {
        {R"(<c r="A1" t="str"><v>cam-1</v></c>)", "A1", "-", "str", true, "cam-1", false, "</c>"},
        {R"(<c r='B7'  s="3"/>)", "B7", "3", "-", false, "", true, R"(<c r='B7'  s="3"/>)"},
        {R"(<c/>)", "-", "-", "-", false, "", true, "<c/>"},
        {R"(<c></c>)", "-", "-", "-", false, "", false, "</c>"},
        {R"(<c r="C2"><v></v></c>)", "C2", "-", "-", true, "", false, "</c>"},
        {R"(<c t="s"><v>12</v></c>)", "-", "-", "s", true, "12", false, "</c>"},
        // The first of a name counts; other names are passed over.
        {R"(<c r="A1" r="B2" cm="1" s="2" s="4"><v>1</v></c>)", "A1", "2", "-", true, "1", false, "</c>"},
        {R"(<c r=""/>)", "", "-", "-", false, "", true, R"(<c r=""/>)"},
        // ">" and "/" inside a value do not end the tag.
        {R"(<c ph="a>b/" r="D4"><v>x</v></c>)", "D4", "-", "-", true, "x", false, "</c>"},
        {"<c t=\"str\"><v>caf\xC3\xA9 \t2</v></c>", "-", "-", "str", true, "caf\xC3\xA9 \t2", false, "</c>"},
        {R"(<c t="str"><v>a > b</v></c>)", "-", "-", "str", true, "a > b", false, "</c>"},
        // As many attributes as an element taken whole may have.
        {R"(<c a="1" b="1" d="1" e="1" f="1" g="1" h="1" r="A1"><v>1</v></c>)", "A1", "-", "-", true, "1", false, "</c>"},
        {R"(<c r="XFD1048576" s="12" t="str"><v>x</v></c>)", "XFD1048576", "12", "str", true, "x", false, "</c>"},
        {R"(<c r="AB12" t="b" s=""><v>1</v></c>)", "AB12", "", "b", true, "1", false, "</c>"},
        {R"(<c r="C3" t="n"></c>)", "C3", "-", "n", false, "", false, "</c>"},
        // Inline strings of one plain "t", whatever the type says.
        {R"(<c r="A1" t="inlineStr"><is><t>cam-1 (spare)</t></is></c>)", "A1", "-", "inlineStr", true, "cam-1 (spare)", false, "</c>"},
        {R"(<c t="s" s="2"><is><t>x</t></is></c>)", "-", "2", "s", true, "x", false, "</c>"},
        {R"(<c r="B2" t="inlineStr"><is><t></t></is></c>)", "B2", "-", "inlineStr", true, "", false, "</c>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.element);
        const std::string bytes = row.element + R"(<c r="Z9"><v>9</v></c>)";
        TXLSXPlainCell cell;
        const ExactBytes exact(bytes);
        ASSERT_EQ(exact.Match(cell), row.element.size());
        EXPECT_EQ(Shown(cell.R), row.r);
        EXPECT_EQ(Shown(cell.S), row.s);
        EXPECT_EQ(Shown(cell.T), row.t);
        EXPECT_EQ(cell.HasValue, row.hasValue);
        EXPECT_EQ(cell.InlineText, row.element.find("<is>") != std::string::npos);
        EXPECT_EQ(std::string(cell.Value), row.value);
        EXPECT_EQ(cell.Empty, row.empty);
        EXPECT_EQ(row.element.substr(cell.LastTagAt), row.lastTag);
        // Cut anywhere, the element is not whole: nothing is taken.
        for (size_t length = 0; length < row.element.size(); ++length)
            EXPECT_EQ(MatchExact(row.element.substr(0, length), cell), 0u) << length;
    }
}

// The reference of the usual form is parsed on the way; any other r is
// given as text, for the caller to parse or reject.
TEST(XLSXPlainCell, GivesThePositionOfTheUsualReference) {
    const struct {
        std::string element;
        std::string r;
        bool hasPosition;
        int32_t row, col;  // 0-based
    } rows[] = {
        {R"(<c r="A1"><v>1</v></c>)", "A1", true, 0, 0},
        {R"(<c r="B7" s="3" t="s"><v>1</v></c>)", "B7", true, 6, 1},
        {R"(<c r="Z26" t="str" s="3"><v>1</v></c>)", "Z26", true, 25, 25},
        {R"(<c r="AA10"></c>)", "AA10", true, 9, 26},
        {R"(<c r="XFD1048576"><v>1</v></c>)", "XFD1048576", true, 1048575, 16383},
        {R"(<c r="XFD1"/>)", "XFD1", false, 0, 0},       // "/>"
        {R"(<c r="b7"><v>1</v></c>)", "b7", false, 0, 0},  // lower case
        {R"(<c r="$B$7"><v>1</v></c>)", "$B$7", false, 0, 0},
        {R"(<c r="B07"><v>1</v></c>)", "B07", false, 0, 0},
        {R"(<c r="B0"><v>1</v></c>)", "B0", false, 0, 0},
        {R"(<c r="XFE1"><v>1</v></c>)", "XFE1", false, 0, 0},  // past the last column
        {R"(<c r="A1048577"><v>1</v></c>)", "A1048577", false, 0, 0},
        {R"(<c r="AAAA1"><v>1</v></c>)", "AAAA1", false, 0, 0},
        {R"(<c r="A12345678"><v>1</v></c>)", "A12345678", false, 0, 0},
        {R"(<c r="A1x"><v>1</v></c>)", "A1x", false, 0, 0},
        {R"(<c r='A1'><v>1</v></c>)", "A1", false, 0, 0},
        {R"(<c  r="A1"><v>1</v></c>)", "A1", false, 0, 0},
        {R"(<c r="A1" s="1" s="2"><v>1</v></c>)", "A1", false, 0, 0},  // the first s counts
        {R"(<c r="A1" cm="1"><v>1</v></c>)", "A1", false, 0, 0},
        {R"(<c s="1" r="A1"><v>1</v></c>)", "A1", false, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.element);
        TXLSXPlainCell cell;
        const ExactBytes exact(row.element + "<c/>");
        ASSERT_EQ(exact.Match(cell), row.element.size());
        EXPECT_EQ(Shown(cell.R), row.r);
        EXPECT_EQ(cell.HasPosition, row.hasPosition);
        if (row.hasPosition) {
            EXPECT_EQ(cell.Position.Row, row.row);
            EXPECT_EQ(cell.Position.Col, row.col);
        }
    }
    // The duplicate s above: the first one counts, as for any other form.
    TXLSXPlainCell cell;
    const ExactBytes duplicate(R"(<c r="A1" s="1" s="2"/>)");
    ASSERT_GT(duplicate.Match(cell), 0u);
    EXPECT_EQ(Shown(cell.S), "1");
    // A match after one that was parsed on the way does not keep its position.
    ASSERT_GT(MatchExact(R"(<c r="B2"><v>1</v></c>)", cell), 0u);
    ASSERT_GT(MatchExact(R"(<c r="b3"><v>1</v></c>)", cell), 0u);
    EXPECT_FALSE(cell.HasPosition);
}

TEST(XLSXPlainCell, LeavesOtherFormsToTheGeneralPath) {
    const char* const elements[] = {
        R"(<c r="A1"><v>a&amp;b</v></c>)",                  // entity in the value
        R"(<c r="A&amp;1"/>)",                              // entity in an attribute
        R"(<c r="A1"><v> 1</v></c>)",                       // white space first
        "<c r=\"A1\"><v>\t1</v></c>",
        "<c r=\"A1\"><v>1\n2</v></c>",                      // line feed
        "<c r=\"A1\">\n<v>1</v></c>",
        "<c r=\"A\n1\"/>",
        "<c\tr=\"A1\"/>",                                   // tab between attributes
        R"(<c r="A1"><f>1+1</f><v>2</v></c>)",              // formula
        // Inline strings other than a lone plain "t".
        R"(<c r="A1" t="inlineStr"><is><r><t>x</t></r></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t xml:space="preserve"> x</t></is></c>)",
        R"(<c r="A1" t="inlineStr"><is>x</is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t/></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t>x</t><rPh><t>y</t></rPh></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t> x</t></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t>a&amp;b</t></is></c>)",
        "<c r=\"A1\" t=\"inlineStr\"><is><t>a\nb</t></is></c>",
        R"(<c r="A1" t="inlineStr"><is><t>x</t></is><v>1</v></c>)",
        R"(<c r="A1"><v>1</v><is><t>x</t></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t>x</t ></is></c>)",
        R"(<c r="A1" t="inlineStr"><is><t>x</t></x></c>)",
        R"(<c r="A1" t="inlineStr"><x:is><t>x</t></x:is></c>)",
        R"(<c r="A1"><v>1</v><v>2</v></c>)",                // second value
        R"(<c r="A1">text</c>)",                            // own text
        R"(<c r="A1"><v>1</v></c >)",                       // blanks in end tags
        R"(<c r="A1"><v>1</v ></c>)",
        R"(<c r="A1" />)",                                  // blank before "/>"
        R"(<c r="A1"><v>1</v></x>)",                        // another end tag
        R"(<x:c r="A1"/>)",                                 // prefixes
        R"(<c x:r="A1"/>)",
        R"(<col min="1"/>)",                                // other elements
        R"(<cr/>)",
        R"(</c>)",
        R"(<c r=A1/>)",                                     // unquoted
        R"(<c r="A1/>)",                                    // unterminated
        R"(<c r="A<1"/>)",
        R"(<c r="A1" t="a<b"><v>1</v></c>)",
        "<c r=\"A1\" s=\"1\n\"><v>1</v></c>",
        R"(<c r"A1"/>)",
        R"(<c r="A1"><v><![CDATA[1]]></v></c>)",
        R"(<c r="A1"><!--x--><v>1</v></c>)",
        // More attributes than an element taken whole may have.
        R"(<c a="1" b="1" d="1" e="1" f="1" g="1" h="1" i="1" r="A1"><v>1</v></c>)",
    };
    for (const char* element : elements) {
        TXLSXPlainCell cell;
        EXPECT_EQ(MatchExact(std::string(element) + "<c/>", cell), 0u) << element;
    }
}

}  // namespace
}  // namespace korvel
