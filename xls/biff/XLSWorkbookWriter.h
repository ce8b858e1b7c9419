// The BIFF workbook writer: the workbook globals substream ([MS-XLS] 2.1.7.20.1)
// followed by every worksheet substream, written as one "Workbook" (BIFF8) or
// "Book" (BIFF5) stream of a compound document.
//
// Every record is built once into in-memory record lists; the only values
// fixed up afterwards are the BOUNDSHEET offsets (all sizes are known before
// the BOUNDSHEET records are built) and each sheet's INDEX. The stream is
// written strictly in order and padded with zero bytes to a multiple of 512.
// Saving the same workbook twice gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/biff/XLSBlobList.h"
#include "xls/biff/XLSRecordBuffer.h"
#include "xls/biff/XLSWorksheetWriter.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/storage/XLSFileItem.h"

namespace korvel {

class TStream;

// A part of a loaded file kept for rewriting (the macro storage, the "Ctls"
// stream). A reader that keeps such a part stores an object of a class derived
// from this one in TXLSWorkbook::KeptMacroStorage / KeptControlStream; the
// writer copies it into the new document when the workbook is saved in the
// format it was loaded from, and only then announces a macro project (OBJPROJ).
class TXLSKeptPart : public TXLSKeptObject {
public:
    // Writes the part into root. Returns true on success.
    virtual bool SaveInto(TCompoundStorageWriter& root) const = 0;
};

// The usual kept part: a storage or stream read from the loaded document.
class TXLSKeptFileItem : public TXLSKeptPart {
public:
    explicit TXLSKeptFileItem(std::unique_ptr<TXLSFileItem> item) : item_(std::move(item)) {}
    bool SaveInto(TCompoundStorageWriter& root) const override {
        return item_ && item_->Save(root) == kFileItemOk;
    }
    const TXLSFileItem* Item() const { return item_.get(); }

private:
    std::unique_ptr<TXLSFileItem> item_;
};

// Writes the workbook as a compound document, into `stream` when it is not
// nullptr, else to the file `fileName` (UTF-16 path, replaced when it
// exists). format 1 writes BIFF5 into a "Book" stream; any other value BIFF8
// into "Workbook". Adds a sheet when the workbook has none.
// The file is written through a temporary file that replaces the target only
// once complete: a failed save leaves an existing file untouched and creates
// none.
// Results: 1 written (FileName := fileName for a file); -1 no stream and a
// file name that is empty after trimming blanks and control characters, a
// failed stream write, or a workbook without a sheet; -2 the file could not be
// written; other codes of the sheet writer, unchanged.
int32_t WriteBiffWorkbook(TXLSWorkbook& workbook, const std::u16string& fileName, TStream* stream, int32_t format);

// Builds the globals and sheet records and writes the whole workbook stream
// (padded to a multiple of 512 bytes) to out. Same results as above, without -2.
int32_t WriteBiffWorkbookStream(TXLSWorkbook& workbook, int32_t format, TStream& out);

class TXLSWorkbookWriter {
public:
    TXLSWorkbookWriter(TXLSWorkbook& workbook, int32_t format);

    // Builds every record list. Results: 1, -1 (no sheet), or a sheet writer code.
    int32_t Build();
    // Writes the lists and the padding. Results: 1 or -1 (short write).
    int32_t WriteTo(TStream& out) const;
    // Bytes WriteTo writes before the padding.
    int64_t StreamSize() const;
    bool Biff8() const { return bofVersion_ >= 0x0600; }

private:
    void BuildGlobals();
    void BuildGlobalsTail();
    void AppendBof();
    void AppendWindow1();
    void AppendStyleRecords();
    void AppendExternSheets();
    void AppendBoundSheets();
    uint32_t BoundSheetSize(const IXLSWorksheet& sheet);
    void WordRecord(TXLSBlobList& list, uint16_t id, uint16_t value);
    void Add(TXLSBlobList& list) { buffer_.AddTo(list, maxBody_); }
    bool KeepsLoadedParts() const;

    TXLSWorkbook& workbook_;
    uint16_t bofVersion_;
    uint16_t maxBody_;
    TXLSRecordBuffer buffer_;
    std::string ansi_;
    TXLSBlobList globals_;
    TXLSBlobList tail_;
    std::vector<TXLSSheetStreamLists> sheets_;
    std::vector<int64_t> offsets_;
};

}  // namespace korvel
