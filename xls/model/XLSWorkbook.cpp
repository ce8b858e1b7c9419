#include "xls/model/XLSWorkbook.h"

#include "xls/model/XLSFormula.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"

namespace korvel {

TXLSWorkbook::TXLSWorkbook()
    : styles_(std::make_unique<TXLSStyleXFs>()),
      strings_(std::make_unique<TXLSStringTable>()),
      sheets_(std::make_unique<IXLSWorkSheets>(*this)) {}

TXLSWorkbook::~TXLSWorkbook() {
    // Sheets first: their stores refer to the string table and the styles.
    sheets_.reset();
}

void TXLSWorkbook::BumpChangeStamp() {
    // Wraps through the negatives without overflow and skips 0.
    changeStamp_ = changeStamp_ == -1 ? 1 : static_cast<int32_t>(static_cast<uint32_t>(changeStamp_) + 1u);
}

TXLSFormulaEngine& TXLSWorkbook::FormulaEngine() {
    if (!formulaEngine_) formulaEngine_ = std::make_unique<TXLSFormulaEngine>();
    return *formulaEngine_;
}

void TXLSWorkbook::Clear() {
    sheets_.reset();
    formulaEngine_.reset();
    protection_ = TXLSWorkbookProtection{};
    styles_->Reset();
    strings_ = std::make_unique<TXLSStringTable>();
    sheets_ = std::make_unique<IXLSWorkSheets>(*this);
    keptMacroStorage_.reset();
    keptControlStream_.reset();
}

std::u16string TXLSWorkbook::SheetNameAt(int32_t position) const {
    IXLSWorksheet* sheet = sheets_->Items(position);
    return sheet != nullptr ? sheet->Name() : std::u16string();
}

}  // namespace korvel
