#include "xml/XMLTreeBuilder.h"

#include "common/TextUtil.h"
#include "xml/XMLEntities.h"
#include "xml/XMLTagParts.h"

namespace korvel {

namespace {
constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";
constexpr std::string_view kStyleSheetMark = "XML-STYLESHEET";
constexpr std::string_view kHrefMark = "HREF=\"";
constexpr std::string_view kLineBreakTag = "<br/>";
}  // namespace

void TXMLTreeBuilder::Take(TXMLTokenKind kind, const std::string& text) {
    if (rootClosed_) return;
    switch (kind) {
        case TXMLTokenKind::Declaration: TakeDeclaration(text); break;
        case TXMLTokenKind::Text: TakeText(text); break;
        case TXMLTokenKind::StartTag: TakeStartTag(text); break;
        case TXMLTokenKind::EndTag: TakeEndTag(); break;
        case TXMLTokenKind::EmptyElementTag: TakeEmptyElementTag(text); break;
        case TXMLTokenKind::CData: TakeCData(text); break;
        case TXMLTokenKind::Comment:
        case TXMLTokenKind::EndOfInput: break;
    }
}

// Only "<?xml-stylesheet ... href="..." ?>" matters; a declaration without a
// complete href="..." leaves the stylesheet as it was.
void TXMLTreeBuilder::TakeDeclaration(const std::string& text) {
    std::string upper = AsciiUpper(text);
    if (upper.find(kStyleSheetMark) == std::string::npos) return;
    size_t href = upper.find(kHrefMark);
    if (href == std::string::npos) return;
    size_t start = href + kHrefMark.size();
    size_t end = text.find('"', start);
    if (end == std::string::npos) return;
    parser_.StyleSheet = text.substr(start, end - start);
}

// Runs of one element (split by child elements or "<br/>") are joined by CR LF.
// Only the new run is decoded: the earlier text already is.
void TXMLTreeBuilder::TakeText(const std::string& text) {
    if (TrimControlAndBlank(current_->Text()).empty()) {
        current_->SetText(DecodeXMLEntities(text));
    } else {
        current_->AppendText("\r\n" + DecodeXMLEntities(text));
    }
}

// The first start tag names the root itself; later ones open children.
void TXMLTreeBuilder::TakeStartTag(const std::string& text) {
    if (!TrimControlAndBlank(current_->Name()).empty()) current_ = &current_->New();
    current_->SetName(XMLTagName(text));
    ParseXMLTagAttributes(text, current_->Params());
}

// End tag names are not checked against the open element.
void TXMLTreeBuilder::TakeEndTag() {
    if (current_ != &root_) {
        current_ = current_->Parent();
    } else if (!TrimControlAndBlank(root_.Name()).empty()) {
        rootClosed_ = true;
    }
}

void TXMLTreeBuilder::TakeEmptyElementTag(const std::string& text) {
    if (AsciiEqualsIgnoreCase(text, kLineBreakTag)) return;
    TXMLItem& child = current_->New();
    child.SetName(XMLTagName(text));
    ParseXMLTagAttributes(text, child.Params());
}

void TXMLTreeBuilder::TakeCData(const std::string& text) {
    size_t frame = kCDataOpen.size() + kCDataClose.size();
    if (text.size() < frame) return;
    current_->SetCData(std::string_view(text).substr(kCDataOpen.size(), text.size() - frame));
}

}  // namespace korvel
