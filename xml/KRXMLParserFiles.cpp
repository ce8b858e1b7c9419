#include "common/TextUtil.h"
#include "platform/FileStream.h"
#include "xml/KRXMLParser.h"

namespace korvel {

namespace {

// True when the file name's extension is ".xsl" in any letter case.
bool HasStyleSheetExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return AsciiEqualsIgnoreCase(std::string_view(path).substr(dot), ".xsl");
}

}  // namespace

void TKRXMLParser::LoadFromFile(const std::string& path) {
    TFileStream file(path, FileMode::OpenRead);
    try {
        LoadFromStream(file);
    } catch (const EXMLParserError&) {
        file.Seek(0, SeekOrigin::Begin);
        LoadAttempt(file, true);
    }
}

// BeforeSave is asked before the file is created, so that a cancelled save
// does not leave the file truncated.
void TKRXMLParser::SaveToFile(const std::string& path) {
    if (!Allowed(BeforeSave)) return;
    {
        TFileStream file(path, FileMode::Create);
        WriteDocument(file, HasStyleSheetExtension(path));
    }
    if (OnSaved) OnSaved(*this);
}

}  // namespace korvel
