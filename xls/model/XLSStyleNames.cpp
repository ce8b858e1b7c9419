#include "xls/model/XLSStyleNames.h"

namespace korvel {

namespace {
// Built-in style ids ([MS-XLS] BuiltInStyle istyBuiltIn).
constexpr int32_t kNormal = 0;
constexpr int32_t kComma = 3;
constexpr int32_t kCurrency = 4;
constexpr int32_t kPercent = 5;
constexpr int32_t kCommaNoDecimals = 6;
constexpr int32_t kCurrencyNoDecimals = 7;
}  // namespace

void TXLSStyles::Reset() {
    styles_ = {
        {kComma, 19, -1, {}},
        {kCurrency, 16, -1, {}},
        {kCommaNoDecimals, 20, -1, {}},
        {kCurrencyNoDecimals, 17, -1, {}},
        {kPercent, 18, -1, {}},
        {kNormal, 0, -1, {}},
    };
}

void TXLSStyles::Register(const TXLSStyle& style) {
    for (TXLSStyle& existing : styles_) {
        bool same = style.IsBuiltIn()
                        ? existing.IsBuiltIn() && existing.builtInId == style.builtInId &&
                              existing.outlineLevel == style.outlineLevel
                        : !existing.IsBuiltIn() && existing.name == style.name;
        if (same) {
            existing = style;
            return;
        }
    }
    styles_.push_back(style);
}

}  // namespace korvel
