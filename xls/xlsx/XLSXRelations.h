// The relationships of a package part ("xl/_rels/workbook.xml.rels"): every
// Relationship element's Id, Type and Target.
#pragma once

#include <string>
#include <string_view>
#include <map>

namespace korvel {

class TXMLReader;

struct TXLSXRelation {
    std::string Type;
    std::string Target;
};

class TXLSXRelations {
public:
    // Reads every Relationship start tag of the part; Id, Type and Target
    // are required (EXLSXReaderError otherwise). A later Id replaces an
    // earlier one.
    void Read(TXMLReader& reader);
    // The relationship with this Id, or nullptr.
    const TXLSXRelation* Find(std::string_view id) const;
    // The part name (see WorkbookPartName) of the first relationship in Id
    // order whose Type ends in typeSuffix; empty when there is none.
    std::string FindTargetOfType(std::string_view typeSuffix) const;
    size_t Count() const { return relations_.size(); }
    void Clear() { relations_.clear(); }

private:
    std::map<std::string, TXLSXRelation, std::less<>> relations_;
};

// The part name a workbook relationship's target refers to: an absolute
// target ("/xl/worksheets/sheet1.xml") as it is, a relative one resolved
// against the workbook's folder "/xl/" (leading "./" dropped, each "../"
// taking one folder off).
std::string WorkbookPartName(std::string_view target);

}  // namespace korvel
