// The font table of the cell formats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/XLSStyleColor.h"

namespace korvel {

struct TXLSStyleFont {
    uint16_t height = 200;  // twips
    bool italic = false;
    bool strikeout = false;
    bool outline = false;
    bool shadow = false;
    bool bold = false;
    bool superscript = false;
    bool subscript = false;
    uint8_t underline = 0;
    uint8_t family = 0;
    uint8_t charSet = 0;
    TXLSStyleColor color;  // automatic
    std::u16string name = u"Arial";

    bool operator==(const TXLSStyleFont&) const = default;
};

class TXLSStyleFonts {
public:
    static constexpr int32_t kDefaultCount = 4;

    TXLSStyleFonts() { Reset(); }
    // Four identical default fonts (Arial, 10 points, automatic colour).
    void Reset();

    int32_t Count() const { return static_cast<int32_t>(fonts_.size()); }
    // The font at id; the default font for an id out of range.
    const TXLSStyleFont& Font(int32_t id) const;
    static const TXLSStyleFont& DefaultFont();

    // Id of an equal font, or a new one appended.
    int32_t FindOrAdd(const TXLSStyleFont& font);
    // Stores font at position (0-based), filling any gap with default fonts.
    // Negative positions are ignored.
    void SetFont(int32_t position, const TXLSStyleFont& font);
    // Keeps the first count fonts (grows with default fonts); count >= 0.
    void SetCount(int32_t count);

private:
    std::vector<TXLSStyleFont> fonts_;
};

}  // namespace korvel
