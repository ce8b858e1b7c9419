// Placeholder for the workbook readers until they land: every input is
// reported as a format this build cannot read, and the workbook is left as it was.
#include "xls/biff/XLSWorkbookReader.h"

#include "xls/model/XLSModelResults.h"

namespace korvel {

int32_t ReadWorkbookFile(TXLSWorkbook&, const std::u16string&, TStream*, const std::u16string&, int32_t&) {
    return kXLSUnknownFormat;
}

}  // namespace korvel
