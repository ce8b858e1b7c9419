// TXLSWorkbook: the root of the in-memory spreadsheet. It owns the sheet
// collection, the shared string table, the cell format tables (with the
// palette), the protection settings, the formula calculator and what a read
// kept for the next save (macro storage, "Ctls" stream). Loading and saving
// are dispatched by the io layer (xls/biff/XLSWorkbookIO.cpp), which alone
// knows every file format.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xls/model/XLSModelResults.h"
#include "xls/model/XLSWorkSheets.h"

namespace korvel {

class TStream;
class TXLSStringTable;
class TXLSStyleXFs;
class TXLSFormulaEngine;

// Workbook protection: the flag and the 16-bit password verifier.
struct TXLSWorkbookProtection {
    bool Protected = false;
    uint16_t PasswordHash = 0;
};

// Something a reader keeps verbatim for the writer (the macro storage, the
// "Ctls" stream). The io layer defines what it holds.
class TXLSKeptObject {
public:
    virtual ~TXLSKeptObject() = default;
};

class TXLSWorkbook {
public:
    // A new workbook: no sheet, code page 1252, 1900 date system, default formats.
    TXLSWorkbook();
    ~TXLSWorkbook();
    TXLSWorkbook(const TXLSWorkbook&) = delete;
    TXLSWorkbook& operator=(const TXLSWorkbook&) = delete;

    IXLSWorkSheets& Sheets() { return *sheets_; }
    IXLSWorksheet* ActiveSheet() const { return sheets_->ActiveSheet(); }

    // --- Loading and saving (defined in the io layer) ---
    // Reads a workbook file (password empty when none). On 1, FileName and
    // LoadedFormat are set; otherwise they keep their values. Results: 1, or
    // the reader's failure codes (kXLSCannotOpen, kXLSUnknownFormat, ...).
    int32_t Open(const std::u16string& fileName, const std::u16string& password = std::u16string());
    // The same from a stream; on 1 FileName is emptied.
    int32_t OpenStream(TStream& stream, const std::u16string& password = std::u16string());
    // SaveAsFormat(fileName, no stream, DefaultSaveFormat).
    int32_t SaveAs(const std::u16string& fileName);
    // SaveAsFormat(no name, stream, DefaultSaveFormat / format).
    int32_t SaveToStream(TStream& stream);
    int32_t SaveToStream(TStream& stream, int32_t format);
    // SaveAsFormat(FileName, no stream, FileFormat) when FileName is set and
    // FileFormat is 1 .. 3; otherwise kXLSCannotSave (-4).
    int32_t Save();
    // Writes the workbook in a format (kXLSFormat...) to the stream when one is
    // given, else to the file. Results: 1; -1 no name and no stream, or a
    // format without a writer; -2 / -3 the compound document could not be
    // made; or the writer's failure codes.
    int32_t SaveAsFormat(const std::u16string& fileName, TStream* stream, int32_t format);

    // Back to a new workbook's state, keeping FileName, FileFormat,
    // LoadedFormat, DefaultSaveFormat, DefaultSheetName, CodePage and Date1904.
    // Every sheet (and so every range on one) is freed.
    void Clear();

    // --- Properties ---
    const std::u16string& DefaultSheetName() const { return defaultSheetName_; }
    uint16_t CodePage() const { return codePage_; }
    int32_t SetCodePage(uint16_t codePage) { codePage_ = codePage; return kXLSOk; }
    bool Date1904() const { return date1904_; }
    void SetDate1904(bool date1904) { date1904_ = date1904; }
    const std::u16string& FileName() const { return fileName_; }
    void SetFileName(std::u16string fileName) { fileName_ = std::move(fileName); }
    int32_t FileFormat() const { return fileFormat_; }
    void SetFileFormat(int32_t format) { fileFormat_ = format; }
    int32_t LoadedFormat() const { return loadedFormat_; }
    void SetLoadedFormat(int32_t format) { loadedFormat_ = format; }
    int32_t DefaultSaveFormat() const { return defaultSaveFormat_; }
    void SetDefaultSaveFormat(int32_t format) { defaultSaveFormat_ = format; }

    // Bumped by every value write; never 0 (after -1 comes 1).
    int32_t ChangeStamp() const { return changeStamp_; }
    void BumpChangeStamp();

    // --- Owned parts ---
    TXLSStringTable& StringTable() { return *strings_; }
    TXLSStyleXFs& Styles() { return *styles_; }
    TXLSWorkbookProtection& Protection() { return protection_; }
    // The formula calculator, made on first use.
    TXLSFormulaEngine& FormulaEngine();
    std::unique_ptr<TXLSKeptObject>& KeptMacroStorage() { return keptMacroStorage_; }
    std::unique_ptr<TXLSKeptObject>& KeptControlStream() { return keptControlStream_; }

    // --- Writer state (set by the save path) ---
    int32_t StreamOffset() const { return streamOffset_; }
    void SetStreamOffset(int32_t offset) { streamOffset_ = offset; }
    uint16_t RecordDataLimit() const { return recordDataLimit_; }
    void SetRecordDataLimit(uint16_t limit) { recordDataLimit_ = limit; }
    uint16_t BofVersion() const { return bofVersion_; }
    void SetBofVersion(uint16_t version) { bofVersion_ = version; }
    uint16_t SelectedSheetCount() const { return selectedSheetCount_; }
    void SetSelectedSheetCount(uint16_t count) { selectedSheetCount_ = count; }

    // --- Sheet lookups for external references and formulas ---
    int32_t SheetCountPlusOne() const { return sheets_->Count() + 1; }
    int32_t SheetIdOfName(std::u16string_view name) const { return sheets_->IndexOfName(name); }
    int32_t PositionOfSheetId(int32_t sheetId) const { return sheets_->PositionOfSheetId(sheetId); }
    // Name of the sheet at a 1-based position; empty when there is none.
    std::u16string SheetNameAt(int32_t position) const;

private:
    std::u16string defaultSheetName_ = u"Sheet";
    uint16_t codePage_ = 1252;
    std::unique_ptr<TXLSStyleXFs> styles_;
    int32_t streamOffset_ = 0;
    TXLSWorkbookProtection protection_;
    uint16_t recordDataLimit_ = 8224;
    bool date1904_ = false;
    std::u16string fileName_;
    uint16_t bofVersion_ = 0x0600;
    // The sheets refer to the string table and the styles: declared after them
    // so they are destroyed first.
    std::unique_ptr<TXLSStringTable> strings_;
    std::unique_ptr<IXLSWorkSheets> sheets_;
    uint16_t selectedSheetCount_ = 0;
    std::unique_ptr<TXLSFormulaEngine> formulaEngine_;
    int32_t defaultSaveFormat_ = kXLSFormatBiff8;
    int32_t fileFormat_ = kXLSFormatNone;
    int32_t changeStamp_ = 1;
    int32_t loadedFormat_ = kXLSFormatNone;
    std::unique_ptr<TXLSKeptObject> keptMacroStorage_;
    std::unique_ptr<TXLSKeptObject> keptControlStream_;
};

}  // namespace korvel
