// The package side of the Office Open XML reader: a zip archive opened once
// over the caller's stream, handing out its parts by name.
#pragma once

#include <memory>
#include <string_view>

#include "platform/Stream.h"
#include "xls/xlsx/ZipArchive.h"

namespace korvel {

class TXLSXFileReader {
public:
    // Attaches stream (not owned; it must outlive the reader and every part
    // stream) and reads the archive directory. Throws EZipError "Archive is
    // already opened" when a stream is already attached and "Can't open zip
    // archive" when the stream is not a readable zip archive.
    void OpenArchive(TStream& stream);
    // A new stream over the part's bytes (owned by the caller), or nullptr
    // when the package has no such part or no archive is open. Part names
    // match as described in ZipNames.h ("/xl/workbook.xml" finds
    // "xl/workbook.xml"). Throws as TZipArchive::OpenEntry does.
    std::unique_ptr<TStream> OpenEntry(std::string_view name);
    bool EntryExists(std::string_view name) const { return archive_.Entries().Exists(name); }

    bool IsOpen() const { return stream_ != nullptr; }
    const TZipArchive& Archive() const { return archive_; }

private:
    TStream* stream_ = nullptr;
    TZipArchive archive_;
};

}  // namespace korvel
