// The workbook's load and save entry points: the one place that knows which
// reader or writer serves each format.
#include "common/TextUtil.h"
#include "platform/Stream.h"
#include "xls/biff/XLSWorkbookReader.h"
#include "xls/biff/XLSWorkbookWriter.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

int32_t TXLSWorkbook::Open(const std::u16string& fileName, const std::u16string& password) {
    int32_t format = fileFormat_;
    int32_t result = ReadWorkbookFile(*this, fileName, nullptr, password, format);
    fileFormat_ = format;
    if (result == kXLSOk) {
        fileName_ = fileName;
        loadedFormat_ = fileFormat_;
    }
    return result;
}

int32_t TXLSWorkbook::OpenStream(TStream& stream, const std::u16string& password) {
    int32_t format = fileFormat_;
    int32_t result = ReadWorkbookFile(*this, std::u16string(), &stream, password, format);
    fileFormat_ = format;
    if (result == kXLSOk) {
        fileName_.clear();
        loadedFormat_ = fileFormat_;
    }
    return result;
}

int32_t TXLSWorkbook::SaveAs(const std::u16string& fileName) {
    return SaveAsFormat(fileName, nullptr, defaultSaveFormat_);
}

int32_t TXLSWorkbook::SaveToStream(TStream& stream) { return SaveAsFormat(std::u16string(), &stream, defaultSaveFormat_); }

int32_t TXLSWorkbook::SaveToStream(TStream& stream, int32_t format) {
    return SaveAsFormat(std::u16string(), &stream, format);
}

int32_t TXLSWorkbook::Save() {
    if (fileName_.empty() || fileFormat_ < kXLSFormatBiff5 || fileFormat_ > kXLSFormatHtml) return kXLSCannotSave;
    // A copy: the save may set FileName again.
    const std::u16string name = fileName_;
    return SaveAsFormat(name, nullptr, fileFormat_);
}

int32_t TXLSWorkbook::SaveAsFormat(const std::u16string& fileName, TStream* stream, int32_t format) {
    const bool noTarget = stream == nullptr && TrimControlAndBlank(fileName).empty();
    switch (format) {
    case kXLSFormatHtml:
    case kXLSFormatRtf:
    case 5: case 6: case 7: case 8:
        // The HTML, RTF and single-sheet exporters are not part of this build.
        return kXLSExportFailed;
    case kXLSFormatXlsx:
        fileFormat_ = kXLSFormatXlsx;
        // No Office Open XML writer in this build: nothing is written.
        return kXLSNoFileName;
    default:
        fileFormat_ = format;
        if (noTarget) return kXLSNoFileName;
        return WriteBiffWorkbook(*this, fileName, stream, format);
    }
}

}  // namespace korvel
