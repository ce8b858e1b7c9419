#include "xls/biff/XLSWorkbookWriter.h"

#include "common/TextUtil.h"
#include "platform/CodePage.h"
#include "platform/Stream.h"
#include "xls/biff/XLSDrawingGroupRecord.h"
#include "xls/biff/XLSRecordIds.h"
#include "xls/biff/XLSWriterResults.h"
#include "xls/model/XLSStringTable.h"
#include "xls/model/XLSStyles.h"
#include "xls/storage/CompoundDocumentWriter.h"

namespace korvel {

namespace Rec = XLSRecordId;

namespace {

constexpr uint16_t kBiff8Version = 0x0600;
constexpr uint16_t kBiff5Version = 0x0500;
constexpr uint16_t kBiff8MaxBody = 8224;
constexpr uint16_t kBiff5MaxBody = 2080;
constexpr uint16_t kGlobalsSubstream = 0x0005;
constexpr uint16_t kCodePageUtf16 = 1200;
constexpr uint32_t kStreamPadding = 512;

}  // namespace

TXLSWorkbookWriter::TXLSWorkbookWriter(TXLSWorkbook& workbook, int32_t format)
    : workbook_(workbook),
      bofVersion_(format == kXLSFormatBiff5 ? kBiff5Version : kBiff8Version),
      maxBody_(format == kXLSFormatBiff5 ? kBiff5MaxBody : kBiff8MaxBody) {}

void TXLSWorkbookWriter::WordRecord(TXLSBlobList& list, uint16_t id, uint16_t value) {
    buffer_.Begin(id);
    buffer_.Word(value);
    Add(list);
}

bool TXLSWorkbookWriter::KeepsLoadedParts() const {
    return workbook_.KeptMacroStorage() && workbook_.FileFormat() == workbook_.LoadedFormat() &&
           dynamic_cast<const TXLSKeptPart*>(workbook_.KeptMacroStorage().get()) != nullptr;
}

int32_t TXLSWorkbookWriter::Build() {
    workbook_.SetRecordDataLimit(maxBody_);
    workbook_.SetBofVersion(bofVersion_);
    workbook_.StringTable().SetRecordDataLimit(maxBody_);
    workbook_.SetStreamOffset(0);

    IXLSWorkSheets& sheets = workbook_.Sheets();
    if (sheets.Count() == 0) sheets.Add();
    if (sheets.Count() == 0) return kXLSWriteFailed;

    uint16_t selected = 0;
    for (int32_t i = 1; i <= sheets.Count(); ++i) selected += sheets.Items(i)->Selected() ? 1 : 0;
    workbook_.SetSelectedSheetCount(selected);

    workbook_.Styles().PrepareForSave(bofVersion_);
    if (Biff8()) workbook_.StringTable().AssignWriteIndexes();

    BuildGlobals();
    BuildGlobalsTail();

    // Every size before the first sheet is now known but the BOUNDSHEET records'.
    int64_t offset = globals_.Total() + tail_.Total();
    for (int32_t i = 1; i <= sheets.Count(); ++i) offset += BoundSheetSize(*sheets.Items(i));

    TXLSWorksheetWriter sheetWriter(workbook_, bofVersion_, buffer_);
    sheets_.clear();
    sheets_.reserve(static_cast<size_t>(sheets.Count()));
    offsets_.clear();
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        offsets_.push_back(offset);
        sheets_.emplace_back();
        const int32_t result = sheetWriter.BuildSheetStream(*sheets.Items(i), offset, sheets_.back());
        if (result != kXLSWriteOk) return result;
        offset += sheets_.back().Total();
    }
    AppendBoundSheets();
    workbook_.SetStreamOffset(static_cast<int32_t>(offset));
    return kXLSWriteOk;
}

void TXLSWorkbookWriter::AppendBof() {
    buffer_.Begin(Rec::kBOF);
    if (Biff8()) {
        buffer_.Word(kBiff8Version);
        buffer_.Word(kGlobalsSubstream);
        buffer_.Word(0x18AF);       // build
        buffer_.Word(0x07CD);       // year
        buffer_.Long(0x000080C9);   // file history flags
        buffer_.Long(0x00000106);   // lowest version that can read all records
    } else {
        buffer_.Word(kBiff5Version);
        buffer_.Word(kGlobalsSubstream);
        buffer_.Word(0x096C);
        buffer_.Word(0x07C9);
    }
    Add(globals_);
}

void TXLSWorkbookWriter::AppendWindow1() {
    const IXLSWorksheet* active = workbook_.ActiveSheet();
    buffer_.Begin(Rec::kWINDOW1);
    buffer_.Word(0);       // horizontal position
    buffer_.Word(0);       // vertical position
    buffer_.Word(0x25BC);  // width
    buffer_.Word(0x1572);  // height
    buffer_.Word(0x0038);  // horizontal and vertical scroll bars, sheet tabs shown
    buffer_.Word(static_cast<uint16_t>(active && active->Index() > 0 ? active->Index() - 1 : 0));
    buffer_.Word(0);       // first visible tab
    buffer_.Word(workbook_.SelectedSheetCount());
    buffer_.Word(0x0258);  // tab bar width ratio, per mille
    Add(globals_);
}

void TXLSWorkbookWriter::AppendStyleRecords() {
    std::vector<TXLSBlob> records;
    workbook_.Styles().BuildRecords(bofVersion_, workbook_.CodePage(), records);
    for (const TXLSBlob& record : records) {
        const uint32_t length = record.Length();
        if (length < 4) continue;
        buffer_.Begin(record.ReadWord(0));
        buffer_.Bytes(record.Data() + 4, length - 4);
        Add(globals_);
    }
}

void TXLSWorkbookWriter::AppendExternSheets() {
    IXLSWorkSheets& sheets = workbook_.Sheets();
    WordRecord(globals_, Rec::kEXTERNCOUNT, static_cast<uint16_t>(sheets.Count() + 1));
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        ansi_.clear();
        AppendWideToMultiByte(workbook_.CodePage(), sheets.Items(i)->Name(), ansi_);
        const size_t fit = FitMultiByte(workbook_.CodePage(), ansi_, 255);
        buffer_.Begin(Rec::kEXTERNSHEET);
        buffer_.Byte(static_cast<uint8_t>(fit));
        buffer_.Byte(0x03);  // a sheet of this workbook, by name
        buffer_.Ansi(std::string_view(ansi_).substr(0, fit));
        Add(globals_);
    }
    WordRecord(globals_, Rec::kEXTERNSHEET, 0x0401);  // this workbook, no particular sheet
}

void TXLSWorkbookWriter::BuildGlobals() {
    AppendBof();
    WordRecord(globals_, Rec::kCODEPAGE, Biff8() ? kCodePageUtf16 : workbook_.CodePage());
    if (Biff8()) {
        WordRecord(globals_, Rec::kDSF, 0);
    } else {
        AppendExternSheets();
    }
    AppendWindow1();
    WordRecord(globals_, Rec::kBACKUP, 0);
    WordRecord(globals_, Rec::kDATEMODE, workbook_.Date1904() ? 1 : 0);
    WordRecord(globals_, Rec::kPRECISION, 1);
    WordRecord(globals_, Rec::kREFMODE, 1);  // A1 references
    if (KeepsLoadedParts()) {
        buffer_.Begin(Rec::kOBJPROJ);
        Add(globals_);
    }
    if (Biff8()) WordRecord(globals_, Rec::kFNGROUPCOUNT, 14);
    const TXLSWorkbookProtection& protection = workbook_.Protection();
    if (protection.Protected) {
        WordRecord(globals_, Rec::kPROTECT, 1);
        WordRecord(globals_, Rec::kPASSWORD, protection.PasswordHash);
    }
    WordRecord(globals_, Rec::kBOOKBOOL, 0);
    AppendStyleRecords();
    if (!Biff8()) return;

    buffer_.Begin(Rec::kCOUNTRY);
    buffer_.Word(1);  // default country
    buffer_.Word(1);  // system country
    Add(globals_);
    buffer_.Begin(Rec::kRECALCID);
    buffer_.Long(0x000001C1);
    buffer_.Long(0x00FFFFFF);
    Add(globals_);
    workbook_.StringTable().WriteSST(globals_, static_cast<int32_t>(globals_.Total()));
}

void TXLSWorkbookWriter::BuildGlobalsTail() {
    if (Biff8()) {
        // The internal reference of a workbook without external references.
        buffer_.Begin(Rec::kSUPBOOK);
        buffer_.Word(static_cast<uint16_t>(workbook_.Sheets().Count()));
        buffer_.Word(0x0401);
        Add(tail_);
        WordRecord(tail_, Rec::kEXTERNSHEET, 0);  // no references
        std::vector<uint8_t> drawingGroup;
        AppendEmptyDrawingGroup(drawingGroup);
        buffer_.Begin(Rec::kMSODRAWINGGROUP);
        buffer_.Bytes(drawingGroup.data(), static_cast<uint32_t>(drawingGroup.size()));
        buffer_.AddTo(tail_, kBiff8MaxBody);
    }
    buffer_.Begin(Rec::kEOF);
    Add(tail_);
}

uint32_t TXLSWorkbookWriter::BoundSheetSize(const IXLSWorksheet& sheet) {
    if (Biff8()) return 12 + 2 * static_cast<uint32_t>(sheet.Name().size());
    ansi_.clear();
    AppendWideToMultiByte(workbook_.CodePage(), sheet.Name(), ansi_);
    return 11 + static_cast<uint32_t>(FitMultiByte(workbook_.CodePage(), ansi_, 255));
}

void TXLSWorkbookWriter::AppendBoundSheets() {
    IXLSWorkSheets& sheets = workbook_.Sheets();
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        const IXLSWorksheet& sheet = *sheets.Items(i);
        buffer_.Begin(Rec::kBOUNDSHEET);
        buffer_.Long(static_cast<uint32_t>(offsets_[static_cast<size_t>(i - 1)]));
        buffer_.Byte(static_cast<uint8_t>(sheet.Visibility()));
        buffer_.Byte(0);  // worksheet
        if (Biff8()) {
            buffer_.Byte(static_cast<uint8_t>(sheet.Name().size()));
            buffer_.Byte(0x01);
            buffer_.Wide(sheet.Name());
        } else {
            ansi_.clear();
            AppendWideToMultiByte(workbook_.CodePage(), sheet.Name(), ansi_);
            const size_t fit = FitMultiByte(workbook_.CodePage(), ansi_, 255);
            buffer_.Byte(static_cast<uint8_t>(fit));
            buffer_.Ansi(std::string_view(ansi_).substr(0, fit));
        }
        Add(globals_);
    }
}

int64_t TXLSWorkbookWriter::StreamSize() const {
    int64_t size = globals_.Total() + tail_.Total();
    for (const TXLSSheetStreamLists& lists : sheets_) size += lists.Total();
    return size;
}

int32_t TXLSWorkbookWriter::WriteTo(TStream& out) const {
    if (globals_.WriteToStream(out) != 1 || tail_.WriteToStream(out) != 1) return kXLSWriteFailed;
    for (const TXLSSheetStreamLists& lists : sheets_) {
        if (TXLSWorksheetWriter::WriteSheetStream(lists, out) != kXLSWriteOk) return kXLSWriteFailed;
    }
    const uint32_t tailBytes = static_cast<uint32_t>(StreamSize() % kStreamPadding);
    if (tailBytes != 0) {
        static const uint8_t zeros[kStreamPadding] = {};
        const size_t padding = kStreamPadding - tailBytes;
        if (out.Write(zeros, padding) != padding) return kXLSWriteFailed;
    }
    return kXLSWriteOk;
}

int32_t WriteBiffWorkbookStream(TXLSWorkbook& workbook, int32_t format, TStream& out) {
    TXLSWorkbookWriter writer(workbook, format);
    const int32_t result = writer.Build();
    if (result != kXLSWriteOk) return result;
    return writer.WriteTo(out);
}

int32_t WriteBiffWorkbook(TXLSWorkbook& workbook, const std::u16string& fileName, TStream* stream, int32_t format) {
    if (!stream && TrimControlAndBlank(std::u16string_view(fileName)).empty()) return kXLSNoFileName;

    TCompoundDocumentWriter document;
    TCompoundStreamWriter* book = nullptr;
    const std::u16string_view streamName = format == kXLSFormatBiff5 ? u"Book" : u"Workbook";
    if (document.Root().CreateStream(streamName, book) != kStorageOk || !book) return kXLSWriteFailed;

    TXLSWorkbookWriter writer(workbook, format);
    int32_t result = writer.Build();
    if (result != kXLSWriteOk) return result;
    book->Reserve(static_cast<size_t>(writer.StreamSize() + kStreamPadding));
    result = writer.WriteTo(*book);
    if (result != kXLSWriteOk) return result;

    if (workbook.FileFormat() == workbook.LoadedFormat()) {
        for (const std::unique_ptr<TXLSKeptObject>* kept : {&workbook.KeptMacroStorage(), &workbook.KeptControlStream()}) {
            const auto* part = dynamic_cast<const TXLSKeptPart*>(kept->get());
            if (part && !part->SaveInto(document.Root())) return kXLSWriteFailed;
        }
    }

    if (stream) return document.SaveToStream(*stream) == kStorageOk ? kXLSWriteOk : kXLSWriteFailed;
    const int32_t saved = document.SaveToFile(Utf16ToUtf8(fileName));
    if (saved == kStorageTooLarge) return kXLSWriteFailed;
    if (saved != kStorageOk) return kXLSCannotCreateFile;
    workbook.SetFileName(fileName);
    return kXLSWriteOk;
}

}  // namespace korvel
