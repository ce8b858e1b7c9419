// Placeholder for the BIFF workbook writer until the globals and sheet writers
// land: reports that nothing was written, so callers never mistake it for a
// saved file.
#include "xls/biff/XLSWorkbookWriter.h"

#include "xls/model/XLSModelResults.h"

namespace korvel {

int32_t WriteBiffWorkbook(TXLSWorkbook&, const std::u16string&, TStream*, int32_t) { return kXLSExportFailed; }

}  // namespace korvel
