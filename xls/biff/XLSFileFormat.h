// Recognising a workbook file by its first bytes, and the entry point that
// hands it to the matching reader (called by the workbook's Open and
// OpenStream, see XLSWorkbookReader.h).
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

class TStream;
class TXLSWorkbook;

// What DetectFileFormat recognises.
inline constexpr int32_t kFileCompoundDocument = 1;
inline constexpr int32_t kFileZipPackage = 2;
inline constexpr int32_t kFilePlainBiff = 3;
inline constexpr int32_t kFileHtml = 4;
inline constexpr int32_t kFileXml = 5;
inline constexpr int32_t kFileUnknown = -1;

// Looks at the first four bytes: D0 CF 11 E0 a compound document; "PK" 03 04
// a zip package; a BOF record id (09 08) a plain BIFF stream; "<htm" or
// "<xml" in any case HTML or XML; anything else, or fewer than four bytes,
// kFileUnknown. Leaves the stream at position 0.
int32_t DetectFileFormat(TStream& stream);

// The reader of zip packages (Office Open XML workbooks, xls/xlsx/XLSXReader.h):
// reads the package from stream into workbook and on success sets fileFormat
// to kXLSFormatXlsx (9). Results: 1, or -1 when the package cannot be read
// (what was read before the failure stays in the workbook).
int32_t ReadPackageWorkbook(TXLSWorkbook& workbook, TStream& stream, const std::u16string& password,
                            int32_t& fileFormat);

}  // namespace korvel
