#include "xls/biff/XLSReader.h"

#include <optional>

#include "platform/BulkMemory.h"
#include "xls/biff/XLSReaderResults.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSWorkbookWriter.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSWorkbook.h"

namespace korvel {

namespace {

constexpr uint16_t kBiff5 = 0x0500;
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kBofGlobals = 0x0005;
constexpr uint16_t kBofWorksheet = 0x0010;
constexpr uint16_t kBofChart = 0x0020;
// A BOF body must hold the version and the substream type.
constexpr size_t kBofMinSize = 5;
// Sheet positions are 16-bit signed in the model: substreams beyond this
// many sheets are skipped rather than overflow them.
constexpr int32_t kMaxSheets = 0x7FFF;

}  // namespace

TXLSReader::TXLSReader(TXLSWorkbook& workbook, const std::u16string& password)
    : workbook_(workbook), stream_(password) {}

TXLSReader::~TXLSReader() = default;

int32_t TXLSReader::ReadFile(const std::u16string& path) {
    const int32_t opened = stream_.OpenFile(path);
    return opened == kXLSReadOk ? ReadWorkbook() : opened;
}

int32_t TXLSReader::ReadStream(TStream& stream) {
    const int32_t opened = stream_.OpenFromStream(stream);
    return opened == kXLSReadOk ? ReadWorkbook() : opened;
}

int32_t TXLSReader::ReadBytes(std::shared_ptr<const void> owner, std::span<const uint8_t> bytes) {
    const int32_t opened = stream_.OpenShared(std::move(owner), bytes);
    return opened == kXLSReadOk ? ReadWorkbook() : opened;
}

int32_t TXLSReader::FileFormat() const { return biffVersion_ < kBiff8 ? kXLSFormatBiff5 : kXLSFormatBiff8; }

int32_t TXLSReader::ReadWorkbook() {
    workbook_.Clear();
    // Reading fills the model's pools on this thread alone: the other CPU
    // makes their next 2 MiB piece present meanwhile.
    std::optional<TBulkAheadKeeper> keeper;
    if (stream_.StreamSize() >= kBulkPiece) keeper.emplace();
    int32_t result = ReadRecords();
    keeper.reset();
    ReleaseSharedStrings();
    if (result == kXLSReadOk) Finish();
    stream_.CloseWorkbookStream();
    if (result == kXLSReadOk && stream_.FromCompoundDocument()) KeepParts();
    stream_.ReleaseStorage();
    return result;
}

int32_t TXLSReader::ReadRecords() {
    TXLSRecordGroup group;
    group.reserve(16);
    uint16_t groupId = 0;
    int32_t result = kXLSReadOk;
    while (result == kXLSReadOk) {
        uint16_t id = 0, size = 0;
        std::span<const uint8_t> body;
        int32_t read = stream_.ReadHeader(id, size);
        if (read == kXLSReadOk) read = stream_.ReadBody(size, body);
        if (read == kXLSReadFailed) return kXLSReadFailed;
        const bool continuation = read == kXLSReadOk && state_ != TState::ChartSheet && !group.empty() &&
                                  (id == XLSRecordId::kCONTINUE ||
                                   (id == XLSRecordId::kMSODRAWINGGROUP && groupId == XLSRecordId::kMSODRAWINGGROUP));
        if (!continuation && !group.empty()) {
            const int32_t dispatched = Dispatch(groupId, group);
            group.clear();
            if (dispatched != kXLSReadOk) result = dispatched;
        }
        if (read == kXLSReadEndOfStream) {
            if (result == kXLSReadOk) result = kXLSReadEndOfStream;
            break;
        }
        if (result != kXLSReadOk) break;
        if (group.empty()) groupId = id;
        group.push_back(body);
        if (id == XLSRecordId::kFILEPASS) {
            // Decryption must be in force before the next body is read: that
            // body is encrypted like every other (a FILEPASS never continues).
            result = Dispatch(groupId, group);
            group.clear();
        }
    }
    if (result == kXLSReadEndOfStream && state_ == TState::None) result = kXLSReadOk;
    return result;
}

int32_t TXLSReader::Dispatch(uint16_t id, const TXLSRecordGroup& group) {
    if (id == XLSRecordId::kEOF) {
        HandleEof();
        return kXLSReadOk;
    }
    const std::span<const uint8_t> body = group.front();
    switch (state_) {
    case TState::None:
        return id == XLSRecordId::kBOF ? HandleBof(body) : kXLSReadOk;
    case TState::Globals:
        if (id == XLSRecordId::kBOF) {
            // A substream that starts without the globals' EOF ends them.
            HandleEof();
            return HandleBof(body);
        }
        // An empty FILEPASS still announces encrypted records: ignoring it
        // would read them as plain values, so it goes on to be refused.
        if (body.empty() && id != XLSRecordId::kFILEPASS) return kXLSReadOk;
        return DispatchGlobals(id, group);
    case TState::Worksheet:
        if (id == XLSRecordId::kBOF) {
            // A chart embedded in the sheet: its records are skipped.
            state_ = TState::SheetChart;
            return kXLSReadOk;
        }
        if (!body.empty() && sheetReader_) sheetReader_->Dispatch(id, group);
        return kXLSReadOk;
    case TState::ChartSheet:
    case TState::SheetChart:
        return kXLSReadOk;
    }
    return kXLSReadOk;
}

int32_t TXLSReader::HandleBof(std::span<const uint8_t> body) {
    if (body.size() < kBofMinSize) return kXLSReadOk;
    ByteCursor cursor(body);
    const uint16_t version = cursor.U16();
    const uint16_t type = cursor.U16();
    state_ = TState::None;
    switch (type) {
    case kBofGlobals:
        state_ = TState::Globals;
        if (version == kBiff5 || version == kBiff8) biffVersion_ = version;
        break;
    case kBofWorksheet:
    case kBofChart: {
        if (sheetIndex_ >= kMaxSheets || biffVersion_ == 0) break;
        ++sheetIndex_;
        IXLSWorkSheets& sheets = workbook_.Sheets();
        while (sheets.Count() < sheetIndex_) sheets.Add();
        if (type == kBofChart) {
            state_ = TState::ChartSheet;
        } else {
            state_ = TState::Worksheet;
            sheetReader_ = std::make_unique<TXLSSheetReader>(*sheets.Items(sheetIndex_), SheetSettings());
        }
        break;
    }
    default:
        break;  // macro sheets and modules: skipped to their EOF
    }
    return biffVersion_ != 0 ? kXLSReadOk : kXLSReadFailed;
}

void TXLSReader::HandleEof() {
    switch (state_) {
    case TState::SheetChart:
        state_ = TState::Worksheet;
        return;
    case TState::Worksheet:
        sheetReader_.reset();
        break;
    default:
        break;
    }
    state_ = TState::None;
}

TXLSSheetReadSettings TXLSReader::SheetSettings() {
    TXLSSheetReadSettings settings;
    settings.Biff8 = Biff8();
    settings.CodePage = codePage_;
    settings.Date1904 = date1904_;
    settings.SharedStrings = &sharedStrings_;
    return settings;
}

void TXLSReader::ReleaseSharedStrings() {
    workbook_.StringTable().ReleaseHeld(sharedStrings_);
}

void TXLSReader::Finish() {
    // The model has no first-visible-tab setting; the active tab selects the
    // active sheet when it names a substream that was read.
    if (activeTab_ < sheetIndex_) {
        if (IXLSWorksheet* sheet = workbook_.Sheets().Items(activeTab_ + 1)) sheet->Select();
    }
}

void TXLSReader::KeepParts() {
    const std::u16string macros = Biff8() ? u"_VBA_PROJECT_CUR" : u"_VBA_PROJECT";
    if (std::unique_ptr<TXLSFileItem> part = stream_.TakeKeptPart(macros))
        workbook_.KeptMacroStorage() = std::make_unique<TXLSKeptFileItem>(std::move(part));
    if (std::unique_ptr<TXLSFileItem> part = stream_.TakeKeptPart(u"Ctls"))
        workbook_.KeptControlStream() = std::make_unique<TXLSKeptFileItem>(std::move(part));
}

}  // namespace korvel
