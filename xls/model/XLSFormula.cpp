#include "xls/model/XLSFormula.h"

namespace korvel {

// No engine is built into this system yet; every text falls back to being
// stored as text by the caller.
std::unique_ptr<TXLSFormula> TXLSFormulaEngine::Compile(std::u16string_view, int32_t) { return nullptr; }

std::optional<Variant> TXLSFormulaEngine::Evaluate(const TXLSFormula&, int32_t, int32_t, int32_t, int32_t) {
    return std::nullopt;
}

}  // namespace korvel
