// Entry point of the BIFF workbook writer, called by the workbook's save
// dispatcher for the formats 1 (BIFF5) and 2 (BIFF8).
#pragma once

#include <cstdint>
#include <string>

namespace korvel {

class TStream;
class TXLSWorkbook;

// Writes the workbook as a compound document, into `stream` when it is not
// nullptr, else to the file `fileName` (replaced when it exists). The caller
// has set FileFormat and checked that a name or a stream is given.
// Results: 1 written; -2 the file could not be created; -3 the in-memory
// document could not be made; -1 nothing written (no writer available) or the
// writer's own failure codes.
int32_t WriteBiffWorkbook(TXLSWorkbook& workbook, const std::u16string& fileName, TStream* stream, int32_t format);

}  // namespace korvel
