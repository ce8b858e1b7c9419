// The number-format list: the built-in formats 0-49 known by index, the
// stored formats that are written as FORMAT records (the four currency
// formats of a new workbook and every custom format, custom ones numbered
// from 164), and a per-index date flag.
#pragma once

#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace korvel {

class TXLSNumFormatList {
public:
    static constexpr int32_t kFirstCustomIndex = 164;
    static constexpr int32_t kMaxIndex = 0xFFFF;

    TXLSNumFormatList() { Reset(); }
    // The stored formats of a new workbook: 5-8.
    void Reset();

    // The text of a format: the stored text, else the built-in one, else empty.
    std::u16string FormatText(int32_t index) const;
    // The stored text only (what a FORMAT record carries); empty when none.
    const std::u16string& StoredText(int32_t index) const;
    // The built-in date formats: 14-22 and 45-47.
    static bool IsBuiltInDate(int32_t index) { return (index >= 14 && index <= 22) || (index >= 45 && index <= 47); }
    // Built-ins 14-22 and 45-47, and stored formats whose text looks like a date.
    // Inline: reading a workbook asks it for every number cell.
    bool IsDateFormat(int32_t index) const {
        if (IsBuiltInDate(index)) return true;
        return index >= 0 && index <= kMaxIndex && storedDates_[static_cast<size_t>(index)];
    }

    // Stores a format under the index a file gives (replacing any text there).
    // Indices outside 0-65535 are ignored.
    void AddFormat(int32_t index, std::u16string_view text);
    // Index of a format with this text (stored first, then built-in), or a new
    // custom index at NextCustomIndex(); -1 when no index is left.
    int32_t FindOrAddFormat(std::u16string_view text);
    // The index the next custom format receives: one above the highest stored
    // index, at least 164.
    int32_t NextCustomIndex() const;

    // True for a format text that shows a date or time: after upper-casing
    // ASCII letters it contains DD, MM, YY, HH or SS.
    static bool LooksLikeDate(std::u16string_view text);
    // The built-in text of index 0-49, empty for indices the table leaves out.
    static std::u16string_view BuiltInText(int32_t index);

    // The stored formats in index order.
    const std::map<int32_t, std::u16string>& Stored() const { return stored_; }

private:
    void Store(int32_t index, std::u16string_view text);

    std::map<int32_t, std::u16string> stored_;
    // Which stored formats look like a date, kept as they are stored: cells
    // ask for every number they read and hand out.
    std::bitset<kMaxIndex + 1> storedDates_;
};

}  // namespace korvel
