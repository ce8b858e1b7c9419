// Entry point of the workbook readers, called by the workbook's Open and
// OpenStream.
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

class TStream;
class TXLSWorkbook;

// Reads a workbook from `stream` when it is not nullptr, else from the file
// `fileName`, decrypting with `password` when needed. Sets fileFormat to the
// detected format code. Results: 1 read; -1 the file cannot be opened; -3000
// unknown format; -3001 an HTML file; -3002 an XML file; or the readers'
// failure codes.
int32_t ReadWorkbookFile(TXLSWorkbook& workbook, const std::u16string& fileName, TStream* stream,
                         const std::u16string& password, int32_t& fileFormat);

}  // namespace korvel
