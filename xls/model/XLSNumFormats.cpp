#include "xls/model/XLSNumFormats.h"

#include <algorithm>

namespace korvel {

namespace {

constexpr int32_t kBuiltInCount = 50;

// The fixed table of built-in formats ([MS-XLS] 2.4.126); empty entries are
// indices the table leaves to the locale (5-8, 23-36).
constexpr std::u16string_view kBuiltIn[kBuiltInCount] = {
    u"General", u"0", u"0.00", u"#,##0", u"#,##0.00",
    u"", u"", u"", u"",
    u"0%", u"0.00%", u"0.00E+00", u"# ?/?", u"# ?\?/?\?",
    u"M/D/YY", u"D-MMM-YY", u"D-MMM", u"MMM-YY",
    u"h:mm AM/PM", u"h:mm:ss AM/PM", u"h:mm", u"h:mm:ss", u"M/D/YY h:mm",
    u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"", u"",
    u"_(#,##0_);(#,##0)", u"_(#,##0_);[Red](#,##0)",
    u"_(#,##0.00_);(#,##0.00)", u"_(#,##0.00_);[Red](#,##0.00)",
    u"_(\"$\"* #,##0_);_(\"$\"* (#,##0);_(\"$\"* \"-\"_);_(@_)",
    u"_(\"$\"* #,##0_);_(\"$\"* (#,##0);_(\"$\"* \"-\"_);_(@_)",
    u"_(\"$\"* #,##0.00_);_(\"$\"* (#,##0.00);_(\"$\"* \"-\"?\?_);_(@_)",
    u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)",
    u"mm:ss", u"[h]:mm:ss", u"mm:ss.0", u"##0.0E+0", u"@",
};

// The currency formats every new workbook stores.
constexpr std::pair<int32_t, std::u16string_view> kDefaultStored[] = {
    {5, u"\"$\"#,##0;(\"$\"#,##0)"},
    {6, u"\"$\"#,##0;[Red](\"$\"#,##0)"},
    {7, u"\"$\"#,##0.00;(\"$\"#,##0.00)"},
    {8, u"\"$\"#,##0.00;[Red](\"$\"#,##0.00)"},
};

const std::u16string kNoText;

}  // namespace

void TXLSNumFormatList::Reset() {
    stored_.clear();
    storedDates_.reset();
    for (const auto& [index, text] : kDefaultStored) Store(index, text);
}

void TXLSNumFormatList::Store(int32_t index, std::u16string_view text) {
    stored_.insert_or_assign(index, std::u16string(text));
    storedDates_[static_cast<size_t>(index)] = LooksLikeDate(text);
}

std::u16string_view TXLSNumFormatList::BuiltInText(int32_t index) {
    return index >= 0 && index < kBuiltInCount ? kBuiltIn[index] : std::u16string_view();
}

const std::u16string& TXLSNumFormatList::StoredText(int32_t index) const {
    auto found = stored_.find(index);
    return found == stored_.end() ? kNoText : found->second;
}

std::u16string TXLSNumFormatList::FormatText(int32_t index) const {
    auto found = stored_.find(index);
    if (found != stored_.end()) return found->second;
    return std::u16string(BuiltInText(index));
}

bool TXLSNumFormatList::LooksLikeDate(std::u16string_view text) {
    char16_t previous = 0;
    for (char16_t unit : text) {
        char16_t upper = (unit >= u'a' && unit <= u'z') ? char16_t(unit - u'a' + u'A') : unit;
        if (upper == previous && (upper == u'D' || upper == u'M' || upper == u'Y' || upper == u'H' || upper == u'S'))
            return true;
        previous = upper;
    }
    return false;
}

void TXLSNumFormatList::AddFormat(int32_t index, std::u16string_view text) {
    if (index < 0 || index > kMaxIndex) return;
    Store(index, text);
}

int32_t TXLSNumFormatList::NextCustomIndex() const {
    int32_t next = kFirstCustomIndex;
    if (!stored_.empty()) next = std::max(next, stored_.rbegin()->first + 1);
    return next;
}

int32_t TXLSNumFormatList::FindOrAddFormat(std::u16string_view text) {
    for (const auto& [index, stored] : stored_)
        if (stored == text) return index;
    for (int32_t index = 0; index < kBuiltInCount; ++index)
        if (!kBuiltIn[index].empty() && kBuiltIn[index] == text) return index;
    int32_t index = NextCustomIndex();
    if (index > kMaxIndex) return -1;
    Store(index, text);
    return index;
}

}  // namespace korvel
