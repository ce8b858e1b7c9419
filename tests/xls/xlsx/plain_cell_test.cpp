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
        EXPECT_EQ(std::string(cell.Value), row.value);
        EXPECT_EQ(cell.Empty, row.empty);
        EXPECT_EQ(row.element.substr(cell.LastTagAt), row.lastTag);
        // Cut anywhere, the element is not whole: nothing is taken.
        for (size_t length = 0; length < row.element.size(); ++length)
            EXPECT_EQ(MatchExact(row.element.substr(0, length), cell), 0u) << length;
    }
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
        R"(<c r="A1" t="inlineStr"><is><t>x</t></is></c>)",  // inline string
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
