#include "xls/biff/XLSFileFormat.h"

#include <memory>

#include "common/TextUtil.h"
#include "platform/Errors.h"
#include "platform/FileBytes.h"
#include "platform/FileStream.h"
#include "xls/biff/XLSReader.h"
#include "xls/biff/XLSWorkbookReader.h"
#include "xls/model/XLSModelResults.h"

namespace korvel {

namespace {

constexpr uint32_t kCompoundMagic = 0xE011CFD0;
constexpr uint32_t kZipMagic = 0x04034B50;
constexpr uint16_t kBofId = 0x0809;
// "<htm" and "<xml" little-endian; OR-ing 0x20 into the letters ignores their case.
constexpr uint32_t kLetterCaseBits = 0x20202000;
constexpr uint32_t kHtmlMagic = 0x6D74683C;
constexpr uint32_t kXmlMagic = 0x6C6D783C;

// file: the stream's bytes when they are a whole file in memory (the BIFF
// reader then uses them in place), else nullptr.
int32_t ReadDetected(TXLSWorkbook& workbook, TStream& stream, const std::u16string& password, int32_t& fileFormat,
                     const std::shared_ptr<const TFileBytes>& file = nullptr) {
    switch (DetectFileFormat(stream)) {
    case kFileCompoundDocument:
    case kFilePlainBiff: {
        TXLSReader reader(workbook, password);
        if (file) file->TouchAhead();
        const int32_t result = file ? reader.ReadBytes(file, file->Bytes()) : reader.ReadStream(stream);
        if (result == kXLSOk) fileFormat = reader.FileFormat();
        return result;
    }
    case kFileZipPackage:
        return ReadPackageWorkbook(workbook, stream, password, fileFormat);
    case kFileHtml:
        return kXLSHtmlFile;
    case kFileXml:
        return kXLSXmlFile;
    default:
        return kXLSUnknownFormat;
    }
}

}  // namespace

int32_t DetectFileFormat(TStream& stream) {
    uint8_t head[4] = {};
    size_t got = 0;
    try {
        if (stream.Seek(0, SeekOrigin::Begin) == 0) {
            while (got < sizeof head) {
                const size_t n = stream.Read(head + got, sizeof head - got);
                if (n == 0) break;
                got += n;
            }
        }
        stream.Seek(0, SeekOrigin::Begin);
    } catch (const EKorvelError&) {
        return kFileUnknown;
    }
    if (got < sizeof head) return kFileUnknown;
    const uint32_t value = head[0] | (head[1] << 8) | (head[2] << 16) | (uint32_t(head[3]) << 24);
    if (value == kCompoundMagic) return kFileCompoundDocument;
    if (value == kZipMagic) return kFileZipPackage;
    if ((value & 0xFFFF) == kBofId) return kFilePlainBiff;
    if ((value | kLetterCaseBits) == kHtmlMagic) return kFileHtml;
    if ((value | kLetterCaseBits) == kXmlMagic) return kFileXml;
    return kFileUnknown;
}

int32_t ReadWorkbookFile(TXLSWorkbook& workbook, const std::u16string& fileName, TStream* stream,
                         const std::u16string& password, int32_t& fileFormat) {
    if (stream != nullptr) return ReadDetected(workbook, *stream, password, fileFormat);
    // The file is mapped when the system allows; else it is read as a stream.
    const std::string path = Utf16ToUtf8(fileName);
    std::shared_ptr<const TFileBytes> bytes = ReadFileBytes(path);
    if (bytes) {
        TSpanStream view(bytes->Bytes());
        // A mapped package is read through the file instead: its parts are
        // copied out piece by piece anyway (to be inflated, or checked
        // against their CRC), and reading them from the system's file cache
        // costs about half of faulting in every page of a mapping, whose
        // pages would also count as the program's memory.
        if (!bytes->Mapped() || DetectFileFormat(view) != kFileZipPackage)
            return ReadDetected(workbook, view, password, fileFormat, bytes);
    }
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(path, FileMode::OpenRead);
    } catch (const EKorvelError&) {
        if (!bytes) return kXLSCannotOpen;
        TSpanStream view(bytes->Bytes());
        return ReadDetected(workbook, view, password, fileFormat, bytes);
    }
    bytes.reset();
    // The open file is read once: the reader takes its bytes from it instead
    // of opening the path a second time.
    return ReadDetected(workbook, *file, password, fileFormat);
}

}  // namespace korvel
