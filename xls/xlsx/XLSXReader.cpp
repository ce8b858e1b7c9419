#include "xls/xlsx/XLSXReader.h"

#include <algorithm>
#include <exception>

#include "platform/ReadAheadStream.h"
#include "xls/model/XLSStyles.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"
#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XLSXReaderError.h"
#include "xls/xlsx/XLSXSheetReader.h"
#include "xls/xlsx/XLSXStyles.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"
#include "xls/xlsx/ZipErrors.h"

namespace korvel {

namespace {

const std::string kWorkbookPart = "/xl/workbook.xml";
const std::string kRelationsPart = "/xl/_rels/workbook.xml.rels";
const std::string kSharedStringsPart = "/xl/sharedStrings.xml";
const std::string kStylesPart = "/xl/styles.xml";
// Sheet positions are 16-bit in the model (as in the BIFF reader).
constexpr size_t kMaxSheets = 0x7FFF;
// Parts from this size on are read ahead on a helper thread (and a
// worksheet's cells parsed on another).
constexpr int64_t kReadAheadPartSize = 1 << 20;
// Room reserved ahead for the shared strings, whatever uniqueCount claims.
constexpr int64_t kMaxReservedStrings = 1 << 16;

// The relationship id of a `sheet` element: "r:id", or the id attribute of
// whatever prefix the package bound to the relationships namespace.
std::string_view SheetRelationId(const TXMLReader& reader) {
    if (const TXMLAttribute* id = reader.FindAttribute("r:id")) return id->Value;
    for (size_t i = 0; i < reader.AttributeCount(); ++i) {
        const TXMLAttribute& attribute = reader.Attribute(i);
        if (attribute.Name.find(':') != std::string_view::npos && LocalName(attribute.Name) == "id") return attribute.Value;
    }
    return RequiredText(reader, "r:id");  // throws the missing-attribute error
}

TXLSSheetVisibility VisibilityOf(std::string_view state) {
    if (state == "hidden") return TXLSSheetVisibility::Hidden;
    if (state == "veryHidden") return TXLSSheetVisibility::VeryHidden;
    return TXLSSheetVisibility::Visible;
}

}  // namespace

TXLSXReader::TXLSXReader(TXLSWorkbook* workbook, const std::u16string&) : workbook_(workbook) {}

TXLSXReader::~TXLSXReader() = default;

int32_t TXLSXReader::ReadPackage(TStream& stream) {
    failure_.clear();
    try {
        ReadAll(stream);
    } catch (const std::exception& error) {
        // Zip, XML and reader errors alike; also running out of memory on
        // a part that claims more than can be held.
        failure_ = error.what();
        part_.reset();
        ReleaseSharedStrings();
        return kXLSXReadFailed;
    }
    return kXLSXReadOk;
}

void TXLSXReader::ReadAll(TStream& stream) {
    file_.OpenArchive(stream);
    if (workbook_ == nullptr) throw EXLSXReaderError(kXLSXTextNoWorkbook);
    workbook_->Clear();
    workbook_->SetDate1904(false);
    TXMLReader& rels = OpenPart(kRelationsPart);
    relations_.Read(rels);
    ClosePart();
    ReadSharedStrings();
    ReadWorkbookPart();
    ReadStyles();
    ReadWorksheets();
    ReleaseSharedStrings();
    ApplyViews();
}

TXMLReader& TXLSXReader::OpenPart(const std::string& name) {
    if (part_) throw EXLSXReaderError(kXLSXTextSecondReader);
    std::unique_ptr<TStream> stream = file_.OpenEntry(name);
    if (!stream) throw EXLSXReaderError(kXLSXTextOpenPrefix + name);
    // A large part (a long worksheet) that is compressed is inflated and
    // checked on a helper thread while its XML is read. Only one part is open
    // at a time, so the archive's stream is the helper's until the part is
    // closed. A stored part is read straight into the XML reader's buffer:
    // copying it through the helper's chunks cost more than it saved (with
    // the cells parsed and stored on two threads, both CPUs are busy).
    partIsLarge_ = stream->Size() >= kReadAheadPartSize;
    const TZipEntry* entry = file_.Archive().Entries().Find(name);
    const bool stored = entry != nullptr && entry->CompressionMethod() == kZipMethodStored;
    if (partIsLarge_ && !stored) stream = std::make_unique<TReadAheadStream>(std::move(stream));
    part_ = std::make_unique<TXMLReader>(std::move(stream));
    return *part_;
}

TXMLReader* TXLSXReader::TryOpenPart(const std::string& name) {
    if (name.empty() || !file_.EntryExists(name)) return nullptr;
    try {
        return &OpenPart(name);
    } catch (const EZipError&) {
        return nullptr;  // a folder or an unknown compression: as if missing
    }
}

void TXLSXReader::ClosePart() { part_.reset(); }

std::string TXLSXReader::PartOfRelationType(const std::string& fixedName, std::string_view typeSuffix) const {
    if (file_.EntryExists(fixedName)) return fixedName;
    return relations_.FindTargetOfType(typeSuffix);
}

void TXLSXReader::ReadSharedStrings() {
    TXMLReader* reader = TryOpenPart(PartOfRelationType(kSharedStringsPart, "/sharedStrings"));
    if (reader == nullptr) return;
    bool found = false;
    while (!found && reader->Next())
        found = reader->NodeType() == TXMLNodeType::StartTag && LocalName(reader->Name()) == "sst";
    if (!found) throw EXLSXReaderError(kXLSXTextNoSST);
    // uniqueCount is only a hint for the room to reserve: every si is read.
    const int64_t expected = OptionalInt(*reader, "uniqueCount", 0);
    sharedStrings_.reserve(static_cast<size_t>(std::clamp<int64_t>(expected, 0, kMaxReservedStrings)));
    // Every string goes into the workbook's string table at once, where the
    // reader holds one reference to it until the worksheets are read: cells
    // then take their strings by id.
    TXLSStringTable& table = workbook_->StringTable();
    std::u16string text;
    ForEachChild(*reader, [&] {
        if (LocalName(reader->Name()) != "si") return TXLSXChildAction::Skip;
        // Phonetic runs (rPh) are reading aids, not part of the text.
        ReadTextBelow(*reader, text_, "rPh");
        text.clear();
        AppendUtf8AsUtf16(text_, text);
        table.HoldSharedString(text, sharedStrings_);
        return TXLSXChildAction::Continue;
    });
    ClosePart();
}

// Strings no cell took leave the table.
void TXLSXReader::ReleaseSharedStrings() {
    if (workbook_ != nullptr) workbook_->StringTable().ReleaseHeld(sharedStrings_);
    sharedStrings_.clear();
}

void TXLSXReader::ReadWorkbookPart() {
    TXMLReader& reader = OpenPart(kWorkbookPart);
    bool have = reader.Next();
    while (have) {
        if (reader.NodeType() == TXMLNodeType::StartTag) {
            switch (ElementCode(reader.Name())) {
            case TXLSXElement::Sheets: ReadSheets(reader); break;
            case TXLSXElement::BookViews: ReadBookViews(reader); break;
            case TXLSXElement::WorkbookPr: workbook_->SetDate1904(OptionalBool(reader, "date1904", false)); break;
            case TXLSXElement::WorkbookProtection: ReadWorkbookProtection(reader); break;
            case TXLSXElement::DefinedNames:
            case TXLSXElement::ExternalReferences:
            case TXLSXElement::CalcPr:
                // The model keeps no defined names, links or calculation settings.
                have = reader.SkipElement();
                continue;
            default: break;
            }
        }
        have = reader.Next();
    }
    ClosePart();
}

void TXLSXReader::ReadSheets(TXMLReader& reader) {
    std::u16string name;
    ForEachChild(reader, [&] {
        if (LocalName(reader.Name()) != "sheet" || sheets_.size() >= kMaxSheets) return TXLSXChildAction::Skip;
        const std::string_view utf8Name = RequiredText(reader, "name");
        std::string relationId(SheetRelationId(reader));
        IXLSWorksheet& sheet = workbook_->Sheets().Add();
        name.clear();
        AppendUtf8AsUtf16(utf8Name, name);
        sheet.SetName(name);  // an unusable name leaves the default one
        sheet.SetVisibility(VisibilityOf(OptionalText(reader, "state", "visible")));
        sheets_.push_back({sheet.Index(), std::move(relationId)});
        return TXLSXChildAction::Skip;
    });
}

void TXLSXReader::ReadBookViews(TXMLReader& reader) {
    bool first = true;
    ForEachChild(reader, [&] {
        if (first && LocalName(reader.Name()) == "workbookView") {
            activeTab_ = static_cast<int32_t>(std::clamp<int64_t>(OptionalInt(reader, "activeTab", 0), 0, kMaxSheets));
        }
        first = false;
        return TXLSXChildAction::Skip;
    });
}

void TXLSXReader::ReadWorkbookProtection(const TXMLReader& reader) {
    TXLSWorkbookProtection& protection = workbook_->Protection();
    uint32_t hash = 0;
    if (ParseHex32(OptionalText(reader, "workbookPassword", ""), hash)) protection.PasswordHash = static_cast<uint16_t>(hash);
    protection.Protected = OptionalBool(reader, "lockStructure", false) || OptionalBool(reader, "lockWindows", false);
}

void TXLSXReader::ReadStyles() {
    // Without a styles part the default formats stay: the part is optional.
    TXMLReader* reader = TryOpenPart(PartOfRelationType(kStylesPart, "/styles"));
    if (reader == nullptr) return;
    TXLSXStylesReader styles(workbook_->Styles());
    styles.Read(*reader);
    styleXFMaximum_ = styles.StyleXFMaximum();
    ClosePart();
}

void TXLSXReader::ReadWorksheets() {
    TXLSXSheetSettings settings;
    settings.SharedStrings = &sharedStrings_;
    settings.StyleXFMaximum = styleXFMaximum_;
    settings.Date1904 = workbook_->Date1904();
    for (const TSheetEntry& entry : sheets_) {
        const TXLSXRelation* relation = relations_.Find(entry.RelationId);
        IXLSWorksheet* sheet = workbook_->Sheets().Items(entry.Position);
        if (relation == nullptr || sheet == nullptr) continue;
        TXMLReader& part = OpenPart(WorkbookPartName(relation->Target));
        // A large sheet's XML is parsed on a helper thread too, beside the
        // storing of its cells.
        settings.ParseAside = partIsLarge_;
        TXLSXSheetReader reader(*sheet, settings);
        reader.Read(part);
        formulaCount_ += reader.FormulaCount();
        ClosePart();
    }
}

void TXLSXReader::ApplyViews() {
    // The model has no first-visible-tab setting; the active tab selects
    // the active sheet.
    if (activeTab_ < workbook_->Sheets().Count()) {
        if (IXLSWorksheet* sheet = workbook_->Sheets().Items(activeTab_ + 1)) sheet->Select();
    }
}

}  // namespace korvel
