// Stands in for the Office Open XML workbook reader until it is built: the
// one place where a zip package is handed on. Replace this source in
// io.cmake by the reader's own definition of ReadPackageWorkbook.
#include "xls/biff/XLSFileFormat.h"
#include "xls/model/XLSModelResults.h"

namespace korvel {

int32_t ReadPackageWorkbook(TXLSWorkbook&, TStream&, const std::u16string&, int32_t&) { return kXLSUnknownFormat; }

}  // namespace korvel
