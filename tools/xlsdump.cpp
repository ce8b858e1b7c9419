// xlsdump FILE [--password P]: opens a workbook and prints its cells as JSON
// lines (see tools/XLSCellDump.h). A file that does not open gives a message
// with the result code and exit code 1.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/TextUtil.h"
#include "tools/XLSCellDump.h"
#include "xls/model/XLSWorkbook.h"

int main(int argc, char** argv) {
    const char* file = nullptr;
    std::u16string password;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--password") == 0 && i + 1 < argc) {
            password = korvel::Utf8ToUtf16(argv[++i]);
        } else if (file == nullptr) {
            file = argv[i];
        } else {
            file = nullptr;
            break;
        }
    }
    if (file == nullptr) {
        std::fprintf(stderr, "usage: xlsdump FILE [--password P]\n");
        return 2;
    }
    korvel::TXLSWorkbook workbook;
    const int32_t result = workbook.Open(korvel::Utf8ToUtf16(file), password);
    if (result != korvel::kXLSOk) {
        std::fprintf(stderr, "xlsdump: cannot read %s: result %d\n", file, static_cast<int>(result));
        return 1;
    }
    std::string out;
    korvel::AppendCellDump(workbook, out);
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) return 1;
    return 0;
}
