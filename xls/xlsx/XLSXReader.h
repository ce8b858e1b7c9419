// TXLSXReader: reads an Office Open XML workbook (a zip package of XML
// parts) into a TXLSWorkbook.
//
// Steps, each on one part, one part open at a time:
//   1. the workbook relationships "/xl/_rels/workbook.xml.rels" (required);
//   2. the shared strings "/xl/sharedStrings.xml" (optional: a package
//      without them reads on; every `si` is read, whatever `uniqueCount`
//      says or whether it is there at all);
//   3. the workbook part "/xl/workbook.xml" (required): the sheet list with
//      names, relationship ids and visibility, the active tab, the date
//      system and the workbook protection;
//   4. the styles "/xl/styles.xml" (optional: without it the default
//      formats stay), see XLSXStyles.h for the XF numbering;
//   5. every worksheet through its relationship (a sheet whose relationship
//      id is unknown stays empty), see XLSXSheetReader.h;
//   6. the view: the active tab becomes the active sheet.
// The shared strings and styles parts are also found through the workbook
// relationships when they are stored under other names.
//
// A reader is made for one read and then destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/XLSStringTable.h"
#include "xls/xlsx/XLSXFileReader.h"
#include "xls/xlsx/XLSXRelations.h"

namespace korvel {

class TStream;
class TXLSWorkbook;
class TXMLReader;

inline constexpr int32_t kXLSXReadOk = 1;
inline constexpr int32_t kXLSXReadFailed = -1;

class TXLSXReader {
public:
    // workbook may be nullptr (ReadPackage then fails). The password is not
    // used: encrypted packages are compound documents, not zip archives.
    TXLSXReader(TXLSWorkbook* workbook, const std::u16string& password);
    ~TXLSXReader();
    TXLSXReader(const TXLSXReader&) = delete;
    TXLSXReader& operator=(const TXLSXReader&) = delete;

    // Reads the package from stream (not owned; read from wherever the zip
    // directory says). The workbook is emptied first and set to the 1900
    // date system unless the package says otherwise. Results: kXLSXReadOk,
    // or kXLSXReadFailed when any step fails (not a zip archive, a required
    // part missing, malformed XML, a required attribute missing, ...);
    // Failure() then gives the error text. What was read before a failure
    // stays in the workbook.
    int32_t ReadPackage(TStream& stream);

    const std::string& Failure() const { return failure_; }
    // Formula cells seen (they carry their cached values).
    int32_t FormulaCount() const { return formulaCount_; }

private:
    struct TSheetEntry {
        int32_t Position = 0;  // 1-based sheet position
        std::string RelationId;
    };

    void ReadAll(TStream& stream);
    // Opens a part for reading. Throws "Can't to open NAME" when the package
    // has no such part (or the zip layer's error when it cannot be opened)
    // and "Cannot open other xml reader" while another part is open.
    TXMLReader& OpenPart(const std::string& name);
    // The same for a part the package may lack: nullptr when it is missing
    // or cannot be opened.
    TXMLReader* TryOpenPart(const std::string& name);
    void ClosePart();
    // fixedName when the package has that part, else the target of the
    // first workbook relationship whose type ends in typeSuffix ("" if none).
    std::string PartOfRelationType(const std::string& fixedName, std::string_view typeSuffix) const;

    void ReadSharedStrings();
    void ReleaseSharedStrings();
    void ReadWorkbookPart();
    void ReadSheets(TXMLReader& reader);
    void ReadBookViews(TXMLReader& reader);
    void ReadWorkbookProtection(const TXMLReader& reader);
    void ReadStyles();
    void ReadWorksheets();
    void ApplyViews();

    TXLSWorkbook* workbook_;
    TXLSXFileReader file_;
    std::unique_ptr<TXMLReader> part_;
    bool partIsLarge_ = false;  // the open part is read ahead
    TXLSXRelations relations_;
    std::vector<TSheetEntry> sheets_;
    std::vector<TXLSSharedStringRef> sharedStrings_;  // one reference held to each
    int32_t activeTab_ = 0;
    int32_t styleXFMaximum_ = 0;
    int32_t formulaCount_ = 0;
    std::string failure_;
    std::string text_;
};

}  // namespace korvel
