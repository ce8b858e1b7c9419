// The style records of TXLSReader: FONT, XF, STYLE, FORMAT and PALETTE, in
// the BIFF8 layout and the BIFF5 differences ([MS-XLS] 2.4.122, 2.4.353,
// 2.4.269, 2.4.126, 2.4.188).
#include "xls/biff/XLSReader.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

namespace {

constexpr size_t kFontMinSize = 15;
constexpr size_t kFontNameLengthOffset = 14;
constexpr uint16_t kFontItalic = 0x0002;
constexpr uint16_t kFontStrikeout = 0x0008;
constexpr uint16_t kFontOutline = 0x0010;
constexpr uint16_t kFontShadow = 0x0020;
constexpr uint16_t kFontBoldAbove = 400;

constexpr size_t kXFBiff8Size = 20;
constexpr size_t kXFBiff5Size = 16;
constexpr uint16_t kXFNoParent = 0x0FFF;
// BIFF font number 4 does not exist: the stored table has no slot for it.
constexpr uint16_t kMissingFontNumber = 4;

constexpr size_t kStyleMinSize = 4;
constexpr uint16_t kStyleBuiltIn = 0x8000;
constexpr uint16_t kStyleXFMask = 0x0FFF;
constexpr uint8_t kNoOutlineLevel = 255;

TXLSStyleColor ColorIndex(uint32_t index) { return TXLSStyleColor::FromIndex(static_cast<uint16_t>(index & 0x7F)); }

// The BIFF8 border and fill fields (the 32 bits at 10, the 32 bits at 14 and
// the 16 bits at 18).
void DecodeBorderFill(uint32_t lines, uint32_t colors, uint16_t fillColors, TXLSStyleBorder& border,
                      TXLSStyleFill& fill) {
    border.left = {static_cast<uint8_t>(lines & 0x0F), ColorIndex(lines >> 16)};
    border.right = {static_cast<uint8_t>((lines >> 4) & 0x0F), ColorIndex(lines >> 23)};
    border.top = {static_cast<uint8_t>((lines >> 8) & 0x0F), ColorIndex(colors)};
    border.bottom = {static_cast<uint8_t>((lines >> 12) & 0x0F), ColorIndex(colors >> 7)};
    border.diagonal = {static_cast<uint8_t>((colors >> 21) & 0x0F), ColorIndex(colors >> 14)};
    border.diagonalDown = (lines & 0x40000000u) != 0;
    border.diagonalUp = (lines & 0x80000000u) != 0;
    fill.pattern = static_cast<uint8_t>((colors >> 26) & 0x3F);
    fill.foreground = ColorIndex(fillColors);
    fill.background = ColorIndex(fillColors >> 7);
}

// BIFF5 packs the fill and the bottom line into the 32 bits at 8 and the
// other lines into the 32 bits at 12 ([MS-XLS] BIFF5 XF layout).
void DecodeBorderFillBiff5(uint32_t fillBottom, uint32_t lines, TXLSStyleBorder& border, TXLSStyleFill& fill) {
    fill.foreground = ColorIndex(fillBottom);
    fill.background = ColorIndex(fillBottom >> 7);
    fill.pattern = static_cast<uint8_t>((fillBottom >> 16) & 0x3F);
    border.bottom = {static_cast<uint8_t>((fillBottom >> 22) & 0x07), ColorIndex(fillBottom >> 25)};
    border.top = {static_cast<uint8_t>(lines & 0x07), ColorIndex(lines >> 9)};
    border.left = {static_cast<uint8_t>((lines >> 3) & 0x07), ColorIndex(lines >> 16)};
    border.right = {static_cast<uint8_t>((lines >> 6) & 0x07), ColorIndex(lines >> 23)};
}

uint8_t RotationFromOrientation(uint8_t orientation) {
    switch (orientation & 0x03) {
    case 1: return 255;  // stacked
    case 2: return 90;
    case 3: return 180;
    default: return 0;
    }
}

}  // namespace

int32_t TXLSReader::ReadFont(std::span<const uint8_t> body) {
    TXLSStyleXFs& styles = workbook_.Styles();
    const int32_t position = fontCount_++;
    ByteCursor cursor(body);
    TXLSStyleFont font;
    font.height = cursor.U16();
    const uint16_t options = cursor.U16();
    font.color = TXLSStyleColor::FromIndex(cursor.U16());
    font.bold = cursor.U16() > kFontBoldAbove;
    const uint16_t escapement = cursor.U16();
    font.underline = cursor.U8();
    font.family = cursor.U8();
    font.charSet = cursor.U8();
    const uint8_t nameLength = cursor.U8At(kFontNameLengthOffset);
    cursor.Seek(kFontMinSize);
    font.italic = (options & kFontItalic) != 0;
    font.strikeout = (options & kFontStrikeout) != 0;
    font.outline = (options & kFontOutline) != 0;
    font.shadow = (options & kFontShadow) != 0;
    font.superscript = (escapement & 0x01) != 0;
    font.subscript = (escapement & 0x02) != 0;
    font.name.clear();
    bool ok = body.size() >= kFontMinSize && cursor.Ok();
    if (ok && Biff8()) {
        const bool wide = (cursor.U8() & 0x01) != 0;
        std::span<const uint8_t> chars = cursor.Bytes(wide ? nameLength * 2u : nameLength);
        if (wide) AppendWideChars(chars, font.name);
        else AppendCompressedChars(chars, font.name);
        ok = cursor.Ok();
    } else if (ok) {
        AppendCodePageChars(cursor.Bytes(nameLength), codePage_, font.name);
        ok = cursor.Ok();
    }
    if (!ok) {
        styles.Fonts().SetFont(position, TXLSStyleFonts::DefaultFont());
        return kXLSReadFailed;
    }
    styles.Fonts().SetFont(position, font);
    return kXLSReadOk;
}

void TXLSReader::ReadXF(std::span<const uint8_t> body) {
    TXLSStyleXFs& styles = workbook_.Styles();
    const int32_t position = xfCount_++;
    TXLSStyleXF xf;
    if (body.size() < (Biff8() ? kXFBiff8Size : kXFBiff5Size)) {
        // Keep the numbering of the XFs that follow.
        styles.SetXF(position, xf);
        return;
    }
    ByteCursor cursor(body);
    const uint16_t font = cursor.U16();
    xf.font = font > kMissingFontNumber ? font - 1 : font;
    xf.numFormat = cursor.U16();
    const uint16_t typeWord = cursor.U16();
    xf.protection = static_cast<uint8_t>(typeWord & 0x03);
    xf.parent = (typeWord >> 4) == kXFNoParent ? -1 : typeWord >> 4;
    const uint8_t alignment = cursor.U8();
    xf.horizontalAlign = alignment & 0x07;
    xf.wrap = (alignment & 0x08) != 0;
    xf.verticalAlign = (alignment >> 4) & 0x07;
    const uint8_t rotation = cursor.U8();
    TXLSStyleBorder border;
    TXLSStyleFill fill;
    if (Biff8()) {
        xf.rotation = rotation;
        const uint8_t indent = cursor.U8();
        xf.indent = indent & 0x0F;
        xf.shrinkToFit = (indent & 0x10) != 0;
        xf.readingOrder = (indent >> 6) & 0x03;
        xf.usedAttributes = cursor.U8() >> 2;
        const uint32_t lines = cursor.U32();
        const uint32_t colors = cursor.U32();
        DecodeBorderFill(lines, colors, cursor.U16(), border, fill);
    } else {
        xf.rotation = RotationFromOrientation(rotation);
        xf.usedAttributes = rotation >> 2;
        const uint32_t fillBottom = cursor.U32();
        DecodeBorderFillBiff5(fillBottom, cursor.U32(), border, fill);
    }
    xf.border = styles.Borders().FindOrAdd(border);
    xf.fill = styles.Fills().FindOrAdd(fill);
    styles.SetXF(position, xf);
}

void TXLSReader::ReadStyle(std::span<const uint8_t> body) {
    if (body.size() < kStyleMinSize) return;
    TXLSStyleXFs& styles = workbook_.Styles();
    ByteCursor cursor(body);
    const uint16_t word = cursor.U16();
    TXLSStyle style;
    style.xf = word & kStyleXFMask;
    if (word & kStyleBuiltIn) {
        style.builtInId = cursor.U8();
        const uint8_t level = cursor.U8();
        style.outlineLevel = level == kNoOutlineLevel ? -1 : level;
        if (style.xf >= xfCount_) return;
    } else {
        if (!ReadText(cursor, Biff8(), style.name) || style.name.empty()) return;
    }
    styles.RegisterStyle(style);
    styles.MarkAsStyle(style.xf);
}

void TXLSReader::ReadFormat(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t index = cursor.U16();
    std::u16string text;
    if (!cursor.Ok() || !ReadText(cursor, Biff8(), text)) return;
    workbook_.Styles().AddFormat(index, text);
}

void TXLSReader::ReadPalette(std::span<const uint8_t> body) {
    ByteCursor cursor(body);
    const uint16_t count = cursor.U16();
    for (int32_t colour = 1; colour <= count && cursor.Has(4); ++colour) {
        const uint32_t red = cursor.U8(), green = cursor.U8(), blue = cursor.U8();
        cursor.U8();
        workbook_.Styles().SetPaletteColor(colour, red | (green << 8) | (blue << 16));
    }
}

}  // namespace korvel
