// TXLSStyleXFs: the workbook's cell-format (XF) table with its companion
// tables (fonts, number formats, borders, fills, named styles, palette), and
// the FONT, FORMAT, XF, STYLE and PALETTE records built from them.
//
// A new table holds the default set of a new workbook: 21 XFs (0-14 style XFs
// with 0 the Normal style, 15 the default cell format, 16-20 the styles of the
// number-format styles), 4 fonts, the stored currency formats 5-8, the no-line
// border, two fills, six styles and the default palette.
//
// Usage bookkeeping: every holder of an XF id (cells, row formats, column
// formats) registers its use through MoveUse. PrepareForSave keeps XFs 0-20,
// every style XF and every cell XF in use, in id order, and drops the rest;
// fonts are kept when they are one of the first four or used by a kept XF.
// Output font numbers skip 4, the index the BIFF formats reserve.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/biff/XLSBlob.h"
#include "xls/model/XLSNumFormats.h"
#include "xls/model/XLSStyleBorders.h"
#include "xls/model/XLSStyleColor.h"
#include "xls/model/XLSStyleFonts.h"
#include "xls/model/XLSStyleNames.h"

namespace korvel {

// One entry of the XF table.
struct TXLSStyleXF {
    int32_t font = 0;        // font id
    int32_t numFormat = 0;   // number-format index
    int32_t border = 0;      // border id
    int32_t fill = 0;        // fill id
    int32_t parent = 0;      // parent style XF; -1 for a style XF
    uint8_t readingOrder = 0;  // 2 bits
    bool shrinkToFit = false;
    uint8_t indent = 0;        // 4 bits
    uint8_t rotation = 0;
    bool wrap = false;
    uint8_t verticalAlign = 2;    // 3 bits; 2 = bottom
    uint8_t horizontalAlign = 0;  // 3 bits; 0 = general
    uint8_t protection = 1;       // bit 0 locked, bit 1 hidden
    uint8_t usedAttributes = 0;   // stored value; the record carries it shifted left by 2

    bool IsStyle() const { return parent < 0; }
    bool operator==(const TXLSStyleXF&) const = default;
};

class TXLSStyleXFs {
public:
    static constexpr int32_t kDefaultCount = 21;
    static constexpr int32_t kDefaultCellXF = 15;
    static constexpr uint16_t kBiff8 = 0x0600;
    static constexpr uint16_t kBiff5 = 0x0500;

    TXLSStyleXFs();                      // the default set
    void Reset();                        // back to the default set (workbook Clear)
    int32_t Count() const { return static_cast<int32_t>(xfs_.size()); }  // number of XF entries

    // One use of a cell (row, column) format moves from XF fromXF to XF toXF;
    // 0 or an out-of-range id on either side means none. Inline: every cell
    // a reader makes moves one.
    void MoveUse(int32_t fromXF, int32_t toXF) {
        if (fromXF > 0 && fromXF < Count() && uses_[static_cast<size_t>(fromXF)] > 0) --uses_[static_cast<size_t>(fromXF)];
        if (toXF > 0 && toXF < Count()) ++uses_[static_cast<size_t>(toXF)];
    }
    int32_t UseCount(int32_t xf) const;
    // Id of an XF equal to xf except for the wrap flag = wrap: xf itself when
    // it already has that flag, else an equal cell XF found or appended. An
    // xf out of range stands for the default cell format 15; a style XF gives
    // a cell XF whose parent is that style.
    int32_t FindOrAddWithWrap(int32_t xf, bool wrap);
    bool WrapText(int32_t xf) const;
    // True when the XF's number format is a date format (built-ins 14-22,
    // 45-47, or a stored text containing DD, MM, YY, HH or SS after
    // upper-casing). False for out-of-range ids.
    bool IsDateFormat(int32_t xf) const { return Valid(xf) && formats_.IsDateFormat(xfs_[xf].numFormat); }

    // Save side. Compacts and numbers the entries in use (see the file comment);
    // call once per save before any record is built. For the default set the
    // output positions equal the ids.
    void PrepareForSave(uint16_t bofVersion);
    // 1-based output position of xf; 0 for xf <= 0, for ids out of range and
    // for XFs that PrepareForSave dropped.
    int32_t OutputIndex(int32_t xf) const;
    // The XF number a cell, row or column record carries: OutputIndex - 1, with
    // the default cell format's number for an XF that has no output position.
    uint16_t RecordXFIndex(int32_t xf) const;

    // Record builders (call after PrepareForSave). codePage converts names
    // to 8-bit text in BIFF5 (1252 by default). The counts give how many
    // records of each kind there are; FormatRecord gives an empty blob
    // (Capacity 0) for an index without stored text.
    int32_t FontRecordCount() const;
    TXLSBlob FontRecord(int32_t position, uint16_t bofVersion, uint32_t codePage = 1252) const;
    int32_t FormatRecordLimit() const;  // FORMAT indices run from 0 to this - 1
    TXLSBlob FormatRecord(int32_t index, uint16_t bofVersion, uint32_t codePage = 1252) const;
    int32_t XFRecordCount() const;
    TXLSBlob XFRecord(int32_t position, uint16_t bofVersion) const;
    int32_t StyleRecordCount() const;
    TXLSBlob StyleRecord(int32_t index, uint16_t bofVersion, uint32_t codePage = 1252) const;
    TXLSBlob PaletteRecord() const;
    // Every record above in globals order: FONT, FORMAT, XF, STYLE, PALETTE.
    void BuildRecords(uint16_t bofVersion, uint32_t codePage, std::vector<TXLSBlob>& out) const;

    // Reader side.
    const TXLSStyleXF& XF(int32_t xf) const;  // XF 15 for an id out of range
    // Stores xf at position (0-based), filling a gap with copies of the
    // default cell format; negative positions are ignored. The use counts of
    // a replaced entry are kept.
    void SetXF(int32_t position, const TXLSStyleXF& xf);
    // Keeps the first count XFs (count >= 0; grows like SetXF).
    void SetXFCount(int32_t count);
    int32_t AddXF(const TXLSStyleXF& xf);
    // Marks xf as a style XF (parent -1); ignored out of range.
    void MarkAsStyle(int32_t xf);
    void SetFontCount(int32_t count) { fonts_.SetCount(count); }
    void SetPaletteColor(int32_t colour, uint32_t bgr) { palette_.SetPaletteColor(colour, bgr); }
    void AddFormat(int32_t index, std::u16string_view text) { formats_.AddFormat(index, text); }
    void RegisterStyle(const TXLSStyle& style) { styles_.Register(style); }

    TXLSStyleFonts& Fonts() { return fonts_; }
    const TXLSStyleFonts& Fonts() const { return fonts_; }
    TXLSNumFormatList& NumFormats() { return formats_; }
    const TXLSNumFormatList& NumFormats() const { return formats_; }
    TXLSStyleBorders& Borders() { return borders_; }
    const TXLSStyleBorders& Borders() const { return borders_; }
    TXLSStyleFills& Fills() { return fills_; }
    const TXLSStyleFills& Fills() const { return fills_; }
    TXLSStyles& Styles() { return styles_; }
    const TXLSStyles& Styles() const { return styles_; }
    TXLSColorManager& Palette() { return palette_; }
    const TXLSColorManager& Palette() const { return palette_; }

private:
    bool Valid(int32_t xf) const { return xf >= 0 && xf < Count(); }
    int32_t OutputPosition(int32_t xf) const;  // 0-based; -1 when none
    uint16_t FontRecordIndex(int32_t font) const;
    void AppendXFBodyBiff8(TXLSBlob& record, const TXLSStyleXF& xf) const;
    void AppendXFBodyBiff5(TXLSBlob& record, const TXLSStyleXF& xf) const;

    std::vector<TXLSStyleXF> xfs_;
    std::vector<int32_t> uses_;          // per XF: cells, rows and columns that use it
    std::vector<int32_t> xfOutput_;      // per XF: 0-based output position, -1 when dropped
    std::vector<int32_t> outputXFs_;     // the XF ids in output order
    std::vector<int32_t> fontOutput_;    // per font: 0-based output position, -1 when dropped
    std::vector<int32_t> outputFonts_;   // the font ids in output order
    bool prepared_ = false;              // false: output positions equal the ids
    TXLSStyleFonts fonts_;
    TXLSNumFormatList formats_;
    TXLSStyleBorders borders_;
    TXLSStyleFills fills_;
    TXLSStyles styles_;
    TXLSColorManager palette_;
};

}  // namespace korvel
