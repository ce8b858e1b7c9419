#include "xls/xlsx/XLSXRelations.h"

#include "xls/xlsx/XLSXElements.h"
#include "xls/xlsx/XMLReader.h"

namespace korvel {

void TXLSXRelations::Read(TXMLReader& reader) {
    while (reader.Next()) {
        if (reader.NodeType() != TXMLNodeType::StartTag || LocalName(reader.Name()) != "Relationship") continue;
        std::string id(RequiredText(reader, "Id"));
        TXLSXRelation relation{std::string(RequiredText(reader, "Type")), std::string(RequiredText(reader, "Target"))};
        relations_.insert_or_assign(std::move(id), std::move(relation));
    }
}

const TXLSXRelation* TXLSXRelations::Find(std::string_view id) const {
    auto it = relations_.find(id);
    return it == relations_.end() ? nullptr : &it->second;
}

std::string TXLSXRelations::FindTargetOfType(std::string_view typeSuffix) const {
    for (const auto& [id, relation] : relations_) {
        const std::string& type = relation.Type;
        if (type.size() >= typeSuffix.size() && type.compare(type.size() - typeSuffix.size(), typeSuffix.size(), typeSuffix) == 0)
            return WorkbookPartName(relation.Target);
    }
    return {};
}

std::string WorkbookPartName(std::string_view target) {
    if (!target.empty() && target.front() == '/') return std::string(target);
    std::string base = "/xl";
    for (;;) {
        if (target.substr(0, 2) == "./") {
            target.remove_prefix(2);
        } else if (target.substr(0, 3) == "../") {
            target.remove_prefix(3);
            const size_t slash = base.rfind('/');
            base.resize(slash == std::string::npos ? 0 : slash);
        } else {
            break;
        }
    }
    return base + "/" + std::string(target);
}

}  // namespace korvel
