// Colours of the style tables and the workbook's 64-entry palette.
#pragma once

#include <array>
#include <cstdint>

namespace korvel {

// Palette index that stands for "automatic" in FONT records.
inline constexpr uint16_t kXLSColorAutomatic = 0x7FFF;

// A colour as the model keeps it: a palette index given directly, a colour of
// the writable palette (1-56), an RGB value, or a theme colour with a tint.
struct TXLSStyleColor {
    enum class Kind : uint8_t { Index, Palette, RGB, Theme };

    Kind kind = Kind::Index;
    uint32_t value = kXLSColorAutomatic;  // index, palette colour, 0x00BBGGRR, or theme number
    double tint = 0.0;                    // theme colours only

    static TXLSStyleColor FromIndex(uint16_t index) { return {Kind::Index, index, 0.0}; }
    static TXLSStyleColor FromPalette(uint8_t colour) { return {Kind::Palette, colour, 0.0}; }
    static TXLSStyleColor FromRGB(uint32_t bgr) { return {Kind::RGB, bgr & 0xFFFFFF, 0.0}; }
    static TXLSStyleColor FromTheme(uint32_t theme, double tint) { return {Kind::Theme, theme, tint}; }

    bool operator==(const TXLSStyleColor&) const = default;
};

// The palette: entries 0-7 the fixed colours, 8-63 the writable palette, each
// 0x00BBGGRR.
class TXLSColorManager {
public:
    static constexpr int kEntries = 64;
    static constexpr int kFirstWritable = 8;
    static constexpr int kWritableCount = 56;

    TXLSColorManager() { Reset(); }
    void Reset();

    // 0x00BBGGRR of entry 0-63; 0 for any other index.
    uint32_t PaletteColor(int32_t index) const;
    // Sets writable colour 1-56 (entry colour + 7), as PALETTE entries are
    // numbered; other numbers are ignored.
    void SetPaletteColor(int32_t colour, uint32_t bgr);

    // The palette index a colour is written as: Palette 1-56 -> 8-63; Index
    // kept (values above 0x7FFF become automatic); RGB and Theme -> the nearest
    // writable entry by squared RGB distance (the first one on a tie).
    uint16_t IndexOf(const TXLSStyleColor& colour) const;
    // Entry 8-63 nearest to an RGB value.
    uint16_t NearestIndex(uint32_t bgr) const;
    // True when any writable entry differs from the default palette.
    bool Modified() const;

private:
    std::array<uint32_t, kEntries> colors_{};
};

}  // namespace korvel
