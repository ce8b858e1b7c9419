// The styles part ("xl/styles.xml") into the workbook's style tables: number
// formats, fonts, fills, borders, the style and cell formats, the named
// styles and the indexed palette.
//
// XF numbering: the model keeps the BIFF arrangement (0-14 style XFs, 15 the
// default cell format, 16-20 the number-format styles). Entry k > 0 of
// cellStyleXfs becomes model XF k + 20 (entry 0 stays 0, the Normal style);
// the style XF maximum is the largest such k. Entry 0 of cellXfs becomes
// model XF 15 and entry k > 0 model XF k + maximum + 20, which is also where
// a cell's, row's or column's "s" / "style" k > 0 points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/XLSStyles.h"

namespace korvel {

class TXMLReader;

// Model XF of cellStyleXfs entry k.
inline int32_t StyleXFId(int64_t k) { return k > 0 ? static_cast<int32_t>(k + 20) : 0; }
// Model XF of cellXfs entry k.
inline int32_t CellXFEntryId(int64_t k, int32_t styleMax) {
    return k > 0 ? static_cast<int32_t>(k + styleMax + 20) : 15;
}
// Model XF a cell's "s" attribute k refers to (0: no format of its own).
inline int32_t CellStyleAttributeXF(int64_t k, int32_t styleMax) {
    return k > 0 ? static_cast<int32_t>(k + styleMax + 20) : 0;
}

// XF indices a package may use: beyond this a style index is taken as
// damage and ignored, so a hostile file cannot make the table huge.
inline constexpr int64_t kXLSXMaxXFIndex = 65000;

class TXLSXStylesReader {
public:
    explicit TXLSXStylesReader(TXLSStyleXFs& styles) : styles_(styles) {}

    // Reads the whole part. Throws EXLSXReaderError / EXMLReaderError on
    // malformed XML.
    void Read(TXMLReader& reader);
    // The largest cellStyleXfs index read (0 when none).
    int32_t StyleXFMaximum() const { return styleMax_; }

private:
    void ReadNumFmts(TXMLReader& reader);
    void ReadFonts(TXMLReader& reader);
    void ReadFills(TXMLReader& reader);
    void ReadBorders(TXMLReader& reader);
    void ReadXfs(TXMLReader& reader, bool cellXfs);
    void ReadCellStyles(TXMLReader& reader);
    void ReadColors(TXMLReader& reader);
    TXLSStyleXF ReadXf(TXMLReader& reader, bool styleXf);
    int32_t FillId(int64_t index) const;
    int32_t BorderId(int64_t index) const;
    void StoreCellXfs();

    TXLSStyleXFs& styles_;
    int32_t styleMax_ = 0;
    std::vector<int32_t> fillIds_;    // package fill index -> model fill id
    std::vector<int32_t> borderIds_;  // package border index -> model border id
    // cellXfs entries wait for the end of the part: their numbers depend on
    // the style XF maximum, which is only known once cellStyleXfs was read.
    std::vector<TXLSStyleXF> cellEntries_;
};

}  // namespace korvel
