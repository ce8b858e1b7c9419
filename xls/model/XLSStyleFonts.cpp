#include "xls/model/XLSStyleFonts.h"

namespace korvel {

const TXLSStyleFont& TXLSStyleFonts::DefaultFont() {
    static const TXLSStyleFont kDefault;
    return kDefault;
}

void TXLSStyleFonts::Reset() {
    fonts_.assign(kDefaultCount, DefaultFont());
}

const TXLSStyleFont& TXLSStyleFonts::Font(int32_t id) const {
    return id >= 0 && id < Count() ? fonts_[static_cast<size_t>(id)] : DefaultFont();
}

int32_t TXLSStyleFonts::FindOrAdd(const TXLSStyleFont& font) {
    for (int32_t id = 0; id < Count(); ++id)
        if (fonts_[static_cast<size_t>(id)] == font) return id;
    fonts_.push_back(font);
    return Count() - 1;
}

void TXLSStyleFonts::SetFont(int32_t position, const TXLSStyleFont& font) {
    if (position < 0) return;
    if (position >= Count()) fonts_.resize(static_cast<size_t>(position) + 1, DefaultFont());
    fonts_[static_cast<size_t>(position)] = font;
}

void TXLSStyleFonts::SetCount(int32_t count) {
    if (count < 0) return;
    fonts_.resize(static_cast<size_t>(count), DefaultFont());
}

}  // namespace korvel
