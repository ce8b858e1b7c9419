// Element name rules: [MS-CFB] 2.6.4 order and case folding.
#include <gtest/gtest.h>

#include <algorithm>

#include "xls/storage/CompoundNames.h"

namespace korvel {
namespace {

TEST(CompoundNames, UpcaseFollowsUnicodeSimpleMappings) {
    struct {
        char16_t In, Out;
    } cases[] = {
        {u'a', u'A'},
        {u'z', u'Z'},
        {u'A', u'A'},
        {u'0', u'0'},
        {u'_', u'_'},
        {u'{', u'{'},
        {u'\u00E9', u'\u00C9'},  // é
        {u'\u00FF', u'\u0178'},  // ÿ -> Ÿ, outside Latin-1
        {u'\u00DF', u'\u00DF'},  // ß has no one-unit upper case
        {u'\u00F7', u'\u00F7'},  // ÷ sits inside the Latin-1 lower-case run
        {u'\u0101', u'\u0100'},  // ā: alternating upper/lower pairs
        {u'\u0100', u'\u0100'},
        {u'\u03C9', u'\u03A9'},                // ω
        {u'\u0436', u'\u0416'},                // ж
        {u'\u0451', u'\u0401'},                // ё
        {u'\uFF41', u'\uFF21'},                // fullwidth a
        {u'\u4E2D', u'\u4E2D'},                // CJK, no case
        {char16_t(0xD83D), char16_t(0xD83D)},  // surrogates are left alone
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompoundUpcase(c.In), c.Out) << int(c.In);
}

TEST(CompoundNames, OrderIsLengthFirstThenUpperCasedUnits) {
    // Ascending order: a shorter name always comes first, whatever its letters.
    const std::vector<std::u16string> ascending = {
        u"Z",        u"ab",
        u"AC",       u"b_",
        u"Ole",      u"Book",
        u"Ctls",     u"VBA_",
        u"Workbook", u"\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"};
    for (size_t i = 0; i + 1 < ascending.size(); ++i)
        EXPECT_LT(CompareCompoundNames(ascending[i], ascending[i + 1]), 0)
            << i << ": " << ascending[i].size();
    EXPECT_EQ(CompareCompoundNames(u"workbook", u"WORKBOOK"), 0);
    EXPECT_EQ(CompareCompoundNames(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0);
    EXPECT_NE(CompareCompoundNames(u"book", u"bo0k"), 0);
    // '_' (0x5F) lies between the upper- and lower-case letters: upper-casing
    // decides which side a lower-case letter falls on.
    EXPECT_GT(CompareCompoundNames(u"_", u"a"), 0);
    EXPECT_TRUE(SameCompoundName(u"\x05SummaryInformation", u"\x05summaryinformation"));
}

TEST(CompoundNames, ValidNames) {
    EXPECT_TRUE(IsValidCompoundName(u"Workbook"));
    EXPECT_TRUE(
        IsValidCompoundName(u"\x01"
                            u"CompObj"));
    EXPECT_TRUE(IsValidCompoundName(std::u16string(31, u'x')));
    EXPECT_FALSE(IsValidCompoundName(std::u16string(32, u'x')));
    EXPECT_FALSE(IsValidCompoundName(u""));
    for (char16_t bad : {u'/', u'\\', u':', u'!', u'\0'})
        EXPECT_FALSE(IsValidCompoundName(std::u16string(u"ab") + bad + u"c")) << int(bad);
}

}  // namespace
}  // namespace korvel
