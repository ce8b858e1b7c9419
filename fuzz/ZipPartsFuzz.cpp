// Opens arbitrary bytes as a zip package and reads every member to its end,
// then walks the members that look like XML with the pull reader. Only the
// errors these layers document may escape.
#include <cstddef>
#include <cstdint>

#include "platform/Stream.h"
#include "xls/xlsx/XLSXFileReader.h"
#include "xls/xlsx/XMLReader.h"
#include "xls/xlsx/XMLReaderError.h"
#include "xls/xlsx/ZipErrors.h"

namespace {

void ReadMember(korvel::TXLSXFileReader& package, const korvel::TZipEntry& entry) {
    try {
        auto part = package.OpenEntry(entry.FileName());
        if (!part) return;
        uint8_t buffer[8192];
        while (part->Read(buffer, sizeof buffer) > 0) {
        }
        const std::string& name = entry.FileName();
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".xml") != 0) return;
        part = package.OpenEntry(name);
        korvel::TXMLReader reader(std::move(part));
        while (reader.Next()) {
        }
    } catch (const korvel::EZipError&) {
    } catch (const korvel::EXMLReaderError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvel::TSpanStream stream({data, size});
    korvel::TXLSXFileReader package;
    try {
        package.OpenArchive(stream);
    } catch (const korvel::EZipError&) {
        return 0;
    }
    const auto& entries = package.Archive().Entries();
    for (size_t i = 0; i < entries.Count(); ++i) ReadMember(package, entries[i]);
    return 0;
}
