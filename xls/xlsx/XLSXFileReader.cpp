#include "xls/xlsx/XLSXFileReader.h"

#include "xls/xlsx/ZipErrors.h"

namespace korvel {

void TXLSXFileReader::OpenArchive(TStream& stream) {
    if (stream_) throw EZipError(kZipTextAlreadyOpened);
    stream_ = &stream;
    archive_.OpenForReading(stream);
}

std::unique_ptr<TStream> TXLSXFileReader::OpenEntry(std::string_view name) {
    return archive_.OpenEntry(name);
}

}  // namespace korvel
