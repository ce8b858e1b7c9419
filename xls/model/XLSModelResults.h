// Result codes of the workbook's load and save entry points. Operations return
// them and never throw for them.
#pragma once

#include <cstdint>

namespace korvel {

inline constexpr int32_t kXLSOk = 1;
inline constexpr int32_t kXLSEndOfStream = 100;
// SaveAsFormat: no file name (after trimming) and no stream; also a format
// whose exporter is not built, and a failed export.
inline constexpr int32_t kXLSNoFileName = -1;
inline constexpr int32_t kXLSExportFailed = -1;
// SaveAsFormat: the compound document could not be created at the file name.
inline constexpr int32_t kXLSCannotCreateFile = -2;
// SaveAsFormat: the in-memory compound document could not be created.
inline constexpr int32_t kXLSCannotCreateMemoryStorage = -3;
// Save: no FileName, or FileFormat outside 1 .. 3.
inline constexpr int32_t kXLSCannotSave = -4;
// Open: the file cannot be opened.
inline constexpr int32_t kXLSCannotOpen = -1;
// Open: the content is not a format this library reads / an HTML file / an XML file.
inline constexpr int32_t kXLSUnknownFormat = -3000;
inline constexpr int32_t kXLSHtmlFile = -3001;
inline constexpr int32_t kXLSXmlFile = -3002;

// Format codes of DefaultSaveFormat, FileFormat, LoadedFormat and SaveAsFormat.
inline constexpr int32_t kXLSFormatNone = 0;
inline constexpr int32_t kXLSFormatBiff5 = 1;
inline constexpr int32_t kXLSFormatBiff8 = 2;
inline constexpr int32_t kXLSFormatHtml = 3;
inline constexpr int32_t kXLSFormatRtf = 4;
inline constexpr int32_t kXLSFormatSheetFirst = 5;   // 5 .. 8: single-sheet exports
inline constexpr int32_t kXLSFormatSheetLast = 8;
inline constexpr int32_t kXLSFormatXlsx = 9;

}  // namespace korvel
