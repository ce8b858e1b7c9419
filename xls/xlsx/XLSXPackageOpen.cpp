// The package branch of the workbook's Open: a zip package is an Office Open
// XML workbook, read by TXLSXReader.
#include "xls/biff/XLSFileFormat.h"
#include "xls/model/XLSModelResults.h"
#include "xls/xlsx/XLSXReader.h"

namespace korvel {

int32_t ReadPackageWorkbook(TXLSWorkbook& workbook, TStream& stream, const std::u16string& password,
                            int32_t& fileFormat) {
    TXLSXReader reader(&workbook, password);
    const int32_t result = reader.ReadPackage(stream);
    if (result == kXLSXReadOk) fileFormat = kXLSFormatXlsx;
    return result;
}

}  // namespace korvel
