#include "xls/model/XLSStyles.h"

#include <algorithm>

#include "common/Cp1252.h"
#include "platform/CodePage.h"
#include "xls/biff/XLSRecordIds.h"

namespace korvel {

namespace {

// Stored used-attribute values of the default XFs (the record shifts them by 2).
constexpr uint8_t kStyleUsedAttributes = 244;
constexpr uint8_t kNumberStyleUsedAttributes = 62;
constexpr uint32_t kDefaultCodePage = 1252;
constexpr uint16_t kStyleXFParentField = 0xFFF4;  // parent 0xFFF and the style flag
constexpr uint16_t kBuiltInStyleFlag = 0x8000;
constexpr uint16_t kStyleXFMask = 0x0FFF;
constexpr uint8_t kNoOutlineLevel = 0xFF;
constexpr uint8_t kUncompressedOption = 0x01;
constexpr int32_t kReservedFontIndex = 4;
constexpr uint16_t kPaletteEntryCount = 56;
constexpr size_t kMaxShortName = 0xFF;
constexpr size_t kMaxLongText = 0xFFFF;

const TXLSStyleXF& DefaultCellXF() {
    static const TXLSStyleXF kCell;  // parent 0, font 0, format 0
    return kCell;
}

TXLSStyleXF StyleXF(int32_t font, int32_t numFormat, uint8_t used) {
    TXLSStyleXF xf;
    xf.font = font;
    xf.numFormat = numFormat;
    xf.parent = -1;
    xf.usedAttributes = used;
    return xf;
}

std::vector<TXLSStyleXF> DefaultXFs() {
    std::vector<TXLSStyleXF> xfs;
    xfs.push_back(StyleXF(0, 0, 0));  // Normal
    for (int32_t font : {1, 1, 2, 2}) xfs.push_back(StyleXF(font, 0, kStyleUsedAttributes));
    for (int i = 5; i <= 14; ++i) xfs.push_back(StyleXF(0, 0, kStyleUsedAttributes));
    xfs.push_back(DefaultCellXF());  // 15
    for (int32_t format : {44, 42, 9, 43, 41}) xfs.push_back(StyleXF(1, format, kNumberStyleUsedAttributes));
    return xfs;
}

// 8-bit text of a BIFF5 record, cut to what its length byte can say.
std::string NarrowName(std::u16string_view text, uint32_t codePage, size_t maxBytes) {
    std::string narrow = (codePage == kDefaultCodePage || codePage == 0) ? Utf16ToCp1252(text)
                                                                         : WideToMultiByte(codePage, text);
    if (narrow.size() > maxBytes) narrow.resize(maxBytes);
    return narrow;
}

// Record header with the body length known up front, so the blob is exact.
TXLSBlob StartRecord(uint16_t id, size_t bodyLength) {
    TXLSBlob record(static_cast<uint32_t>(4 + bodyLength));
    record.WriteWord(id);
    record.WriteWord(static_cast<uint16_t>(bodyLength));
    return record;
}

uint8_t Biff5Orientation(uint8_t rotation) {
    switch (rotation) {
    case 255: return 1;  // stacked
    case 90: return 2;   // counterclockwise
    case 180: return 3;  // clockwise
    default: return 0;
    }
}

}  // namespace

TXLSStyleXFs::TXLSStyleXFs() { Reset(); }

void TXLSStyleXFs::Reset() {
    xfs_ = DefaultXFs();
    uses_.assign(xfs_.size(), 0);
    fonts_.Reset();
    formats_.Reset();
    borders_.Reset();
    fills_.Reset();
    styles_.Reset();
    palette_.Reset();
    prepared_ = false;
}

int32_t TXLSStyleXFs::UseCount(int32_t xf) const { return Valid(xf) ? uses_[xf] : 0; }

int32_t TXLSStyleXFs::AddXF(const TXLSStyleXF& xf) {
    xfs_.push_back(xf);
    uses_.push_back(0);
    prepared_ = false;
    return Count() - 1;
}

int32_t TXLSStyleXFs::FindOrAddWithWrap(int32_t xf, bool wrap) {
    int32_t base = Valid(xf) ? xf : kDefaultCellXF;
    if (!Valid(base)) base = AddXF(DefaultCellXF());
    if (xfs_[base].wrap == wrap) return base;
    TXLSStyleXF wanted = xfs_[base];
    wanted.wrap = wrap;
    if (wanted.IsStyle()) wanted.parent = base;
    for (int32_t id = 0; id < Count(); ++id)
        if (xfs_[id] == wanted) return id;
    return AddXF(wanted);
}

bool TXLSStyleXFs::WrapText(int32_t xf) const { return Valid(xf) && xfs_[xf].wrap; }

const TXLSStyleXF& TXLSStyleXFs::XF(int32_t xf) const {
    if (Valid(xf)) return xfs_[xf];
    return Valid(kDefaultCellXF) ? xfs_[kDefaultCellXF] : DefaultCellXF();
}

void TXLSStyleXFs::SetXF(int32_t position, const TXLSStyleXF& xf) {
    if (position < 0) return;
    if (position >= Count()) SetXFCount(position + 1);
    xfs_[position] = xf;
    prepared_ = false;
}

void TXLSStyleXFs::SetXFCount(int32_t count) {
    if (count < 0) return;
    xfs_.resize(static_cast<size_t>(count), DefaultCellXF());
    uses_.resize(static_cast<size_t>(count), 0);
    prepared_ = false;
}

void TXLSStyleXFs::MarkAsStyle(int32_t xf) {
    if (!Valid(xf)) return;
    xfs_[xf].parent = -1;
    prepared_ = false;
}

void TXLSStyleXFs::PrepareForSave(uint16_t /*bofVersion*/) {
    // The same compaction serves both BIFF versions: both reserve font index 4
    // and inline borders and fills into the XF record.
    xfOutput_.assign(xfs_.size(), -1);
    outputXFs_.clear();
    std::vector<bool> fontUsed(static_cast<size_t>(fonts_.Count()), false);
    for (int32_t id = 0; id < Count(); ++id) {
        const TXLSStyleXF& xf = xfs_[id];
        if (id >= kDefaultCount && !xf.IsStyle() && uses_[id] == 0) continue;
        xfOutput_[id] = static_cast<int32_t>(outputXFs_.size());
        outputXFs_.push_back(id);
        if (xf.font >= 0 && xf.font < fonts_.Count()) fontUsed[static_cast<size_t>(xf.font)] = true;
    }
    fontOutput_.assign(fontUsed.size(), -1);
    outputFonts_.clear();
    for (int32_t font = 0; font < fonts_.Count(); ++font) {
        if (font >= TXLSStyleFonts::kDefaultCount && !fontUsed[static_cast<size_t>(font)]) continue;
        fontOutput_[font] = static_cast<int32_t>(outputFonts_.size());
        outputFonts_.push_back(font);
    }
    prepared_ = true;
}

int32_t TXLSStyleXFs::OutputPosition(int32_t xf) const {
    if (!Valid(xf)) return -1;
    if (!prepared_) return xf;
    return xf < static_cast<int32_t>(xfOutput_.size()) ? xfOutput_[xf] : -1;
}

int32_t TXLSStyleXFs::OutputIndex(int32_t xf) const {
    if (xf <= 0) return 0;
    return OutputPosition(xf) + 1;
}

uint16_t TXLSStyleXFs::RecordXFIndex(int32_t xf) const {
    int32_t position = OutputPosition(xf);
    if (position < 0) position = std::max(OutputPosition(kDefaultCellXF), 0);
    return static_cast<uint16_t>(position);
}

uint16_t TXLSStyleXFs::FontRecordIndex(int32_t font) const {
    int32_t position = -1;
    if (font >= 0 && font < fonts_.Count())
        position = prepared_ ? (font < static_cast<int32_t>(fontOutput_.size()) ? fontOutput_[font] : -1) : font;
    if (position < 0) position = 0;
    return static_cast<uint16_t>(position >= kReservedFontIndex ? position + 1 : position);
}

int32_t TXLSStyleXFs::FontRecordCount() const {
    return prepared_ ? static_cast<int32_t>(outputFonts_.size()) : fonts_.Count();
}

TXLSBlob TXLSStyleXFs::FontRecord(int32_t position, uint16_t bofVersion, uint32_t codePage) const {
    if (position < 0 || position >= FontRecordCount()) return {};
    const TXLSStyleFont& font = fonts_.Font(prepared_ ? outputFonts_[position] : position);
    const bool biff8 = bofVersion >= kBiff8;
    std::u16string_view name = std::u16string_view(font.name).substr(0, kMaxShortName);
    std::string narrow = biff8 ? std::string() : NarrowName(name, codePage, kMaxShortName);
    size_t body = biff8 ? 16 + 2 * name.size() : 15 + narrow.size();
    TXLSBlob record = StartRecord(XLSRecordId::kFONT, body);
    uint16_t options = (font.italic ? 0x0002 : 0) | (font.strikeout ? 0x0008 : 0) |
                       (font.outline ? 0x0010 : 0) | (font.shadow ? 0x0020 : 0);
    uint16_t colour = palette_.IndexOf(font.color);
    record.WriteWord(font.height);
    record.WriteWord(options);
    record.WriteWord(colour == 0 ? kXLSColorAutomatic : colour);
    record.WriteWord(font.bold ? 700 : 400);
    record.WriteWord(static_cast<uint16_t>((font.superscript ? 1 : 0) | (font.subscript ? 2 : 0)));
    record.WriteByte(font.underline);
    record.WriteByte(font.family);
    record.WriteByte(font.charSet);
    record.WriteByte(0);
    if (biff8) {
        record.WriteByte(static_cast<uint8_t>(name.size()));
        record.WriteByte(kUncompressedOption);
        record.WriteWideText(name);
    } else {
        record.WriteByte(static_cast<uint8_t>(narrow.size()));
        record.WriteAnsiText(narrow);
    }
    return record;
}

int32_t TXLSStyleXFs::FormatRecordLimit() const { return formats_.NextCustomIndex(); }

TXLSBlob TXLSStyleXFs::FormatRecord(int32_t index, uint16_t bofVersion, uint32_t codePage) const {
    const std::u16string& stored = formats_.StoredText(index);
    if (stored.empty()) return {};
    if (bofVersion >= kBiff8) {
        std::u16string_view text = std::u16string_view(stored).substr(0, kMaxLongText);
        TXLSBlob record = StartRecord(XLSRecordId::kFORMAT, 5 + 2 * text.size());
        record.WriteWord(static_cast<uint16_t>(index));
        record.WriteWord(static_cast<uint16_t>(text.size()));
        record.WriteByte(kUncompressedOption);
        record.WriteWideText(text);
        return record;
    }
    std::string narrow = NarrowName(stored, codePage, kMaxShortName);
    TXLSBlob record = StartRecord(XLSRecordId::kFORMAT, 3 + narrow.size());
    record.WriteWord(static_cast<uint16_t>(index));
    record.WriteByte(static_cast<uint8_t>(narrow.size()));
    record.WriteAnsiText(narrow);
    return record;
}

int32_t TXLSStyleXFs::XFRecordCount() const {
    return prepared_ ? static_cast<int32_t>(outputXFs_.size()) : Count();
}

TXLSBlob TXLSStyleXFs::XFRecord(int32_t position, uint16_t bofVersion) const {
    if (position < 0 || position >= XFRecordCount()) return {};
    const TXLSStyleXF& xf = xfs_[prepared_ ? outputXFs_[position] : position];
    const bool biff8 = bofVersion >= kBiff8;
    TXLSBlob record = StartRecord(XLSRecordId::kXF, biff8 ? 20 : 16);
    record.WriteWord(FontRecordIndex(xf.font));
    record.WriteWord(static_cast<uint16_t>(xf.numFormat));
    uint16_t parentField = kStyleXFParentField;
    if (!xf.IsStyle()) parentField = static_cast<uint16_t>((std::max(OutputPosition(xf.parent), 0) & kStyleXFMask) << 4);
    record.WriteWord(static_cast<uint16_t>(parentField | (xf.protection & 0x03)));
    record.WriteByte(static_cast<uint8_t>((xf.horizontalAlign & 0x07) | (xf.wrap ? 0x08 : 0) |
                                          ((xf.verticalAlign & 0x07) << 4)));
    if (biff8) AppendXFBodyBiff8(record, xf);
    else AppendXFBodyBiff5(record, xf);
    return record;
}

void TXLSStyleXFs::AppendXFBodyBiff8(TXLSBlob& record, const TXLSStyleXF& xf) const {
    const TXLSStyleBorder& border = borders_.Border(xf.border);
    const TXLSStyleFill& fill = fills_.Fill(xf.fill);
    auto colour = [this](const TXLSStyleColor& c) { return uint32_t(palette_.IndexOf(c) & 0x7F); };
    record.WriteByte(xf.rotation);
    record.WriteByte(static_cast<uint8_t>((xf.indent & 0x0F) | (xf.shrinkToFit ? 0x10 : 0) |
                                          ((xf.readingOrder & 0x03) << 6)));
    record.WriteByte(static_cast<uint8_t>(xf.usedAttributes << 2));
    uint32_t lines = uint32_t(border.left.style & 0x0F) | uint32_t(border.right.style & 0x0F) << 4 |
                     uint32_t(border.top.style & 0x0F) << 8 | uint32_t(border.bottom.style & 0x0F) << 12 |
                     colour(border.left.color) << 16 | colour(border.right.color) << 23 |
                     uint32_t(border.diagonalDown) << 30 | uint32_t(border.diagonalUp) << 31;
    uint32_t more = colour(border.top.color) | colour(border.bottom.color) << 7 |
                    colour(border.diagonal.color) << 14 | uint32_t(border.diagonal.style & 0x0F) << 21 |
                    uint32_t(fill.pattern & 0x3F) << 26;
    record.WriteLongWord(lines);
    record.WriteLongWord(more);
    record.WriteWord(static_cast<uint16_t>(colour(fill.foreground) | colour(fill.background) << 7));
}

void TXLSStyleXFs::AppendXFBodyBiff5(TXLSBlob& record, const TXLSStyleXF& xf) const {
    const TXLSStyleBorder& border = borders_.Border(xf.border);
    const TXLSStyleFill& fill = fills_.Fill(xf.fill);
    auto colour = [this](const TXLSStyleColor& c) { return uint32_t(palette_.IndexOf(c) & 0x7F); };
    record.WriteByte(static_cast<uint8_t>(Biff5Orientation(xf.rotation) | (xf.usedAttributes << 2)));
    uint32_t fillAndBottom = colour(fill.foreground) | colour(fill.background) << 7 |
                             uint32_t(fill.pattern & 0x3F) << 16 | uint32_t(border.bottom.style & 0x07) << 22 |
                             colour(border.bottom.color) << 25;
    uint32_t otherLines = uint32_t(border.top.style & 0x07) | uint32_t(border.left.style & 0x07) << 3 |
                          uint32_t(border.right.style & 0x07) << 6 | colour(border.top.color) << 9 |
                          colour(border.left.color) << 16 | colour(border.right.color) << 23;
    record.WriteLongWord(fillAndBottom);
    record.WriteLongWord(otherLines);
}

int32_t TXLSStyleXFs::StyleRecordCount() const { return styles_.Count(); }

TXLSBlob TXLSStyleXFs::StyleRecord(int32_t index, uint16_t bofVersion, uint32_t codePage) const {
    if (index < 0 || index >= styles_.Count()) return {};
    const TXLSStyle& style = styles_.Style(index);
    int32_t position = OutputPosition(style.xf);
    if (position < 0) return {};
    uint16_t xfField = static_cast<uint16_t>(position & kStyleXFMask);
    if (style.IsBuiltIn()) {
        TXLSBlob record = StartRecord(XLSRecordId::kSTYLE, 4);
        record.WriteWord(xfField | kBuiltInStyleFlag);
        record.WriteByte(static_cast<uint8_t>(style.builtInId));
        record.WriteByte(style.outlineLevel < 0 ? kNoOutlineLevel : static_cast<uint8_t>(style.outlineLevel));
        return record;
    }
    if (bofVersion >= kBiff8) {
        std::u16string_view name = std::u16string_view(style.name).substr(0, kMaxShortName);
        TXLSBlob record = StartRecord(XLSRecordId::kSTYLE, 5 + 2 * name.size());
        record.WriteWord(xfField);
        record.WriteWord(static_cast<uint16_t>(name.size()));
        record.WriteByte(kUncompressedOption);
        record.WriteWideText(name);
        return record;
    }
    std::string narrow = NarrowName(style.name, codePage, kMaxShortName);
    TXLSBlob record = StartRecord(XLSRecordId::kSTYLE, 3 + narrow.size());
    record.WriteWord(xfField);
    record.WriteByte(static_cast<uint8_t>(narrow.size()));
    record.WriteAnsiText(narrow);
    return record;
}

TXLSBlob TXLSStyleXFs::PaletteRecord() const {
    TXLSBlob record = StartRecord(XLSRecordId::kPALETTE, 2 + 4 * kPaletteEntryCount);
    record.WriteWord(kPaletteEntryCount);
    for (int i = TXLSColorManager::kFirstWritable; i < TXLSColorManager::kEntries; ++i)
        record.WriteLongWord(palette_.PaletteColor(i));
    return record;
}

void TXLSStyleXFs::BuildRecords(uint16_t bofVersion, uint32_t codePage, std::vector<TXLSBlob>& out) const {
    auto keep = [&out](TXLSBlob&& record) {
        if (record.Length() > 0) out.push_back(std::move(record));
    };
    for (int32_t i = 0; i < FontRecordCount(); ++i) keep(FontRecord(i, bofVersion, codePage));
    for (const auto& stored : formats_.Stored()) keep(FormatRecord(stored.first, bofVersion, codePage));
    for (int32_t i = 0; i < XFRecordCount(); ++i) keep(XFRecord(i, bofVersion));
    for (int32_t i = 0; i < StyleRecordCount(); ++i) keep(StyleRecord(i, bofVersion, codePage));
    keep(PaletteRecord());
}

}  // namespace korvel
