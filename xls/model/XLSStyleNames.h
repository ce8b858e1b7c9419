// The named-style table: built-in styles (Normal, Comma, Currency, ...) and
// user styles, each pointing at a style XF.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvel {

struct TXLSStyle {
    int32_t builtInId = -1;  // 0-9 for a built-in style, -1 for a user style
    int32_t xf = 0;          // the style XF
    int32_t outlineLevel = -1;
    std::u16string name;     // user styles only

    bool IsBuiltIn() const { return builtInId >= 0 && builtInId <= 9 && name.empty(); }
    bool operator==(const TXLSStyle&) const = default;
};

class TXLSStyles {
public:
    TXLSStyles() { Reset(); }
    // The six styles of a new workbook: Comma -> 19, Currency -> 16,
    // Comma [0] -> 20, Currency [0] -> 17, Percent -> 18, Normal -> 0.
    void Reset();
    void Clear() { styles_.clear(); }

    int32_t Count() const { return static_cast<int32_t>(styles_.size()); }
    const TXLSStyle& Style(int32_t index) const { return styles_.at(static_cast<size_t>(index)); }
    // Registers a style; a built-in id already present (or a user name already
    // present) is pointed at the new XF instead of being added twice.
    void Register(const TXLSStyle& style);

private:
    std::vector<TXLSStyle> styles_;
};

}  // namespace korvel
