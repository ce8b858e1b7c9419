#include "xls/model/XLSStyleColor.h"

#include <cmath>

namespace korvel {

namespace {

constexpr uint32_t RGB(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Entries 0-7: black, white, red, green, blue, yellow, magenta, cyan.
constexpr uint32_t kFixedColors[TXLSColorManager::kFirstWritable] = {
    RGB(0x00, 0x00, 0x00), RGB(0xFF, 0xFF, 0xFF), RGB(0xFF, 0x00, 0x00), RGB(0x00, 0xFF, 0x00),
    RGB(0x00, 0x00, 0xFF), RGB(0xFF, 0xFF, 0x00), RGB(0xFF, 0x00, 0xFF), RGB(0x00, 0xFF, 0xFF),
};

// The writable palette 8-63 of a new workbook (dark shades use 7F).
constexpr uint32_t kDefaultPalette[TXLSColorManager::kWritableCount] = {
    RGB(0x00, 0x00, 0x00), RGB(0xFF, 0xFF, 0xFF), RGB(0xFF, 0x00, 0x00), RGB(0x00, 0xFF, 0x00),
    RGB(0x00, 0x00, 0xFF), RGB(0xFF, 0xFF, 0x00), RGB(0xFF, 0x00, 0xFF), RGB(0x00, 0xFF, 0xFF),
    RGB(0x7F, 0x00, 0x00), RGB(0x00, 0x7F, 0x00), RGB(0x00, 0x00, 0x7F), RGB(0x7F, 0x7F, 0x00),
    RGB(0x7F, 0x00, 0x7F), RGB(0x00, 0x7F, 0x7F), RGB(0xC0, 0xC0, 0xC0), RGB(0x7F, 0x7F, 0x7F),
    RGB(0x99, 0x99, 0xFF), RGB(0x99, 0x33, 0x66), RGB(0xFF, 0xFF, 0xCC), RGB(0xCC, 0xFF, 0xFF),
    RGB(0x66, 0x00, 0x66), RGB(0xFF, 0x7F, 0x7F), RGB(0x00, 0x66, 0xCC), RGB(0xCC, 0xCC, 0xFF),
    RGB(0x00, 0x00, 0x7F), RGB(0xFF, 0x00, 0xFF), RGB(0xFF, 0xFF, 0x00), RGB(0x00, 0xFF, 0xFF),
    RGB(0x7F, 0x00, 0x7F), RGB(0x7F, 0x00, 0x00), RGB(0x00, 0x7F, 0x7F), RGB(0x00, 0x00, 0xFF),
    RGB(0x00, 0xCC, 0xFF), RGB(0xCC, 0xFF, 0xFF), RGB(0xCC, 0xFF, 0xCC), RGB(0xFF, 0xFF, 0x99),
    RGB(0x99, 0xCC, 0xFF), RGB(0xFF, 0x99, 0xCC), RGB(0xCC, 0x99, 0xFF), RGB(0xFF, 0xCC, 0x99),
    RGB(0x33, 0x66, 0xFF), RGB(0x33, 0xCC, 0xCC), RGB(0x99, 0xCC, 0x00), RGB(0xFF, 0xCC, 0x00),
    RGB(0xFF, 0x99, 0x00), RGB(0xFF, 0x66, 0x00), RGB(0x66, 0x66, 0x99), RGB(0x96, 0x96, 0x96),
    RGB(0x00, 0x33, 0x66), RGB(0x33, 0x99, 0x66), RGB(0x00, 0x33, 0x00), RGB(0x33, 0x33, 0x00),
    RGB(0x99, 0x33, 0x00), RGB(0x99, 0x33, 0x66), RGB(0x33, 0x33, 0x99), RGB(0x33, 0x33, 0x33),
};

// Theme colours 0-11 of the default Office theme ([MS-OI29500] / DrawingML
// clrScheme order: dk1, lt1, dk2, lt2, accent1-6, hlink, folHlink), as BGR.
constexpr uint32_t kThemeColors[12] = {
    RGB(0x00, 0x00, 0x00), RGB(0xFF, 0xFF, 0xFF), RGB(0x1F, 0x49, 0x7D), RGB(0xEE, 0xEC, 0xE1),
    RGB(0x4F, 0x81, 0xBD), RGB(0xC0, 0x50, 0x4D), RGB(0x9B, 0xBB, 0x59), RGB(0x80, 0x64, 0xA2),
    RGB(0x4B, 0xAC, 0xC6), RGB(0xF7, 0x96, 0x46), RGB(0x00, 0x00, 0xFF), RGB(0x80, 0x00, 0x80),
};

// A tint moves each channel toward white (tint > 0) or black (tint < 0).
uint32_t ApplyTint(uint32_t bgr, double tint) {
    if (!(tint > -1.0 && tint < 1.0) || tint == 0.0) return bgr;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double channel = double((bgr >> shift) & 0xFF);
        channel = tint < 0 ? channel * (1.0 + tint) : channel + (255.0 - channel) * tint;
        out |= uint32_t(std::lround(channel)) << shift;
    }
    return out;
}

}  // namespace

void TXLSColorManager::Reset() {
    for (int i = 0; i < kFirstWritable; ++i) colors_[i] = kFixedColors[i];
    for (int i = 0; i < kWritableCount; ++i) colors_[kFirstWritable + i] = kDefaultPalette[i];
}

uint32_t TXLSColorManager::PaletteColor(int32_t index) const {
    return index >= 0 && index < kEntries ? colors_[index] : 0;
}

void TXLSColorManager::SetPaletteColor(int32_t colour, uint32_t bgr) {
    if (colour < 1 || colour > kWritableCount) return;
    colors_[kFirstWritable - 1 + colour] = bgr & 0xFFFFFF;
}

uint16_t TXLSColorManager::NearestIndex(uint32_t bgr) const {
    uint16_t best = kFirstWritable;
    int64_t bestDistance = INT64_MAX;
    for (int i = kFirstWritable; i < kEntries; ++i) {
        int64_t distance = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            int64_t d = int64_t((bgr >> shift) & 0xFF) - int64_t((colors_[i] >> shift) & 0xFF);
            distance += d * d;
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<uint16_t>(i);
        }
    }
    return best;
}

uint16_t TXLSColorManager::IndexOf(const TXLSStyleColor& colour) const {
    switch (colour.kind) {
    case TXLSStyleColor::Kind::Index:
        return colour.value > kXLSColorAutomatic ? kXLSColorAutomatic : static_cast<uint16_t>(colour.value);
    case TXLSStyleColor::Kind::Palette:
        if (colour.value >= 1 && colour.value <= kWritableCount)
            return static_cast<uint16_t>(colour.value + kFirstWritable - 1);
        return kXLSColorAutomatic;
    case TXLSStyleColor::Kind::RGB:
        return NearestIndex(colour.value);
    case TXLSStyleColor::Kind::Theme:
        if (colour.value >= 12) return kXLSColorAutomatic;
        return NearestIndex(ApplyTint(kThemeColors[colour.value], colour.tint));
    }
    return kXLSColorAutomatic;
}

bool TXLSColorManager::Modified() const {
    for (int i = 0; i < kWritableCount; ++i)
        if (colors_[kFirstWritable + i] != kDefaultPalette[i]) return true;
    return false;
}

}  // namespace korvel
