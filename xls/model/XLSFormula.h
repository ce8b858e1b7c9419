// The one seam between the cell model and a formula engine. The model needs
// only two things of it: compile a formula text in the context of a sheet, and
// evaluate a compiled formula for a cell. No engine exists yet: compiling
// yields no formula, so the value setter stores texts beginning with "=" as
// texts, and evaluation fails (the cell reads as null).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "xls/model/Variant.h"

namespace korvel {

// A compiled formula, owned by its cell. An engine derives its token form from it.
class TXLSFormula {
public:
    virtual ~TXLSFormula() = default;
};

// The workbook's formula calculator, created on first use.
class TXLSFormulaEngine {
public:
    // Compiles `text` (without the leading "=") for the sheet with id sheetId.
    // Returns the formula, or nullptr when it does not compile.
    std::unique_ptr<TXLSFormula> Compile(std::u16string_view text, int32_t sheetId);
    // Evaluates a formula of the cell (row, column; 0-based) of the sheet at
    // position sheetIndex. changeStamp lets an engine reuse results computed
    // at the same stamp. Returns the value, or nothing when evaluation fails.
    std::optional<Variant> Evaluate(const TXLSFormula& formula, int32_t sheetIndex, int32_t row, int32_t column,
                                    int32_t changeStamp);
};

}  // namespace korvel
