// Opens arbitrary bytes as a workbook through Open's stream path (zip
// packages go to the Office Open XML reader) and reads every cell of every
// sheet back. No error may escape Open, and reading the cells must not fail.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Stream.h"
#include "tools/XLSCellDump.h"
#include "xls/model/XLSWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvel::TSpanStream stream({data, size});
    korvel::TXLSWorkbook workbook;
    workbook.OpenStream(stream);
    // Also after a failed read: what was read before it stays and must be sound.
    std::string dump;
    korvel::AppendCellDump(workbook, dump);
    return 0;
}
