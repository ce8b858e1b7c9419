#include "xls/storage/CompoundNames.h"

#include <algorithm>

#include "xls/storage/CompoundFormat.h"
#include "xls/storage/CompoundUpcaseTable.h"

namespace korvel {

char16_t CompoundUpcase(char16_t unit) {
    if (unit < 0x80) return (unit >= u'a' && unit <= u'z') ? char16_t(unit - 32) : unit;
    const TUpcaseRun* end = kUpcaseRuns + kUpcaseRunCount;
    const TUpcaseRun* run = std::lower_bound(
        kUpcaseRuns, end, unit, [](const TUpcaseRun& r, char16_t u) { return r.Last < u; });
    if (run == end || unit < run->First || (unit - run->First) % run->Stride != 0) return unit;
    return static_cast<char16_t>(unit + run->Delta);
}

int CompareCompoundNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t ua = CompoundUpcase(a[i]);
        const char16_t ub = CompoundUpcase(b[i]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    return 0;
}

bool IsValidCompoundName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameUnits) return false;
    return std::none_of(name.begin(), name.end(), [](char16_t u) {
        return u == 0 || u == u'/' || u == u'\\' || u == u':' || u == u'!';
    });
}

}  // namespace korvel
