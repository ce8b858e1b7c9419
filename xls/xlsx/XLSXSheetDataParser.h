// TXLSXSheetDataParser: the XML side of a worksheet's sheetData. Reads the
// rows and cells from the part and turns them into cell operations
// (XLSXCellOps.h), touching nothing of the model, so that it can run on a
// helper thread while the operations are stored.
//
// Cells: a `c` element's `r` gives its position; a `c` without a usable `r`
// is the cell after the previous one of its row (the first column for the
// row's first cell), and a `row` without a usable `r` is the row after the
// previous one (the first row for the first). Values by `t`: "n" (default)
// a number; "b" a boolean; "s" a shared string; "str" and "inlineStr" (`is`)
// a text; "d" an ISO 8601 date; "e" no value. A formula cell (`f`) takes its
// cached value, as there is no formula engine to compute it. Values that do
// not parse leave the cell with its format only. Positions beyond the
// model's limits are left out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xls/xlsx/XLSXCellOps.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLScaner.h"

namespace korvel {

class TXMLReader;

class TXLSXSheetDataParser {
public:
    // Hands a full block over and leaves an empty one in its place.
    using TPut = std::function<void(std::unique_ptr<TXLSXCellOpBlock>&)>;

    // sharedStrings: how many shared strings there are; styleXFMaximum: as
    // CellStyleAttributeXF takes it.
    TXLSXSheetDataParser(size_t sharedStrings, int32_t styleXFMaximum);

    // From sheetData's start tag to its end tag (left current): fills block,
    // putting every full one and the last. Throws the XML reader's errors.
    void Read(TXMLReader& reader, const TPut& put, std::unique_ptr<TXLSXCellOpBlock>& block);
    int32_t FormulaCount() const { return formulaCount_; }

private:
    enum class TCellType : uint8_t { Number, Boolean, Shared, Text, InlineText, Date, Error, Unknown };

    // The cell being read.
    struct TCell {
        TXLSXCellPos pos;
        int32_t xf = 0;
        TCellType type = TCellType::Number;
        bool haveValue = false, inlineText = false, formula = false;
    };

    void ReadRow(TXMLReader& reader);
    void ReadRowSettings(const TXMLReader& reader);
    void ReadCell(TXMLReader& reader);
    void ReadPlainCell(const TXMLPlainElement& element);
    // Takes the run of cells ahead that MatchPlainCell matches, if any.
    void TakePlainCells(TXMLReader& reader);
    // From the cell's attributes (anything with Name and Value views).
    template <typename Attributes>
    void BeginCell(const Attributes& attributes, size_t count);
    // From its r, s and t attribute values (nullptr when absent).
    void BeginCell(const std::string_view* r, const std::string_view* s, const std::string_view* t);
    // The same, for a cell whose position is known.
    void BeginCellAt(TXLSXCellPos pos, const std::string_view* s, const std::string_view* t);
    void EndCell(std::string_view value);
    void AddValue(TXLSXCellOp& op, TCellType type, bool inlineText, std::string_view value);
    TXLSXCellOp& AddOp();

    const size_t sharedStrings_;
    const int32_t styleXFMaximum_;
    const TPut* put_ = nullptr;
    std::unique_ptr<TXLSXCellOpBlock>* block_ = nullptr;
    int32_t row_ = -1;      // the current row (0-based)
    int32_t lastCol_ = -1;  // the previous cell's column in the current row
    int32_t formulaCount_ = 0;
    TCell cell_;
    TXLSXCellReferenceParser references_;
    std::string value_;     // a cell's value text on the node path, reused
    TXMLPlainElement plain_;
};

}  // namespace korvel
