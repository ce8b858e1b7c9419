#include "xml/KRXMLParser.h"

#include "common/TextUtil.h"
#include "xml/KRXMLTokenizer.h"
#include "xml/XMLEntities.h"
#include "xml/XMLTreeBuilder.h"

namespace korvel {

namespace {

constexpr std::string_view kDeclarationLine = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n";
constexpr std::string_view kStyleSheetOpen = "<?xml-stylesheet type=\"text/xsl\" href=\"";
constexpr std::string_view kStyleSheetClose = "\"?>\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kIndentStep = 2;
constexpr size_t kRootIndent = 2;

// Puts the change handler back however the load attempt ends.
class HandlerAside {
public:
    explicit HandlerAside(TXMLItemChanged& slot) : slot_(slot), kept_(std::move(slot)) { slot_ = nullptr; }
    ~HandlerAside() { slot_ = std::move(kept_); }
    HandlerAside(const HandlerAside&) = delete;
    HandlerAside& operator=(const HandlerAside&) = delete;

private:
    TXMLItemChanged& slot_;
    TXMLItemChanged kept_;
};

void AppendTag(std::string& out, const TXMLItem& item) {
    out += item.Name();
    for (const TXMLParam& param : item.Params()) {
        out += ' ';
        out += param.Name;
        out += "=\"";
        out += EncodeXMLEntities(param.Value);
        out += '"';
    }
}

// Writes an item's opening part; returns false when the short form "<tag/>"
// (only an item with nothing at all) closed it already.
bool AppendOpening(std::string& out, const TXMLItem& item, size_t indent) {
    std::string_view lineEnd = item.LineBreaks() ? kLineEnd : std::string_view();
    size_t step = item.LineBreaks() ? kIndentStep : 0;
    bool hasText = !TrimControlAndBlank(item.Text()).empty();
    out.append(indent, ' ');
    out += '<';
    size_t tagStart = out.size();
    AppendTag(out, item);
    if (!hasText && out.size() == tagStart && item.SubItemCount() == 0 && item.CData().empty()) {
        out += "/>";
        out += lineEnd;
        return false;
    }
    out += '>';
    out += lineEnd;
    if (hasText) {
        out.append(indent + step, ' ');
        out += EncodeXMLEntities(item.Text());
        out += lineEnd;
    }
    if (!item.CData().empty()) {
        out.append(indent + step, ' ');
        out += "<![CDATA[";
        out += item.CData();
        out += "]]>";
        out += lineEnd;
    }
    return true;
}

void AppendClosing(std::string& out, const TXMLItem& item, size_t indent) {
    out.append(indent, ' ');
    out += "</";
    out += item.Name();
    out += '>';
    if (item.LineBreaks()) out += kLineEnd;
}

// Writes the subtree with an explicit stack: a loaded document can nest deeper
// than the call stack allows. Each child takes its parent's line-breaks flag.
void AppendTree(std::string& out, TXMLItem& root, size_t rootIndent) {
    struct Frame {
        TXMLItem* item;
        size_t indent;
        size_t nextChild;
    };
    std::vector<Frame> stack;
    if (AppendOpening(out, root, rootIndent)) stack.push_back({&root, rootIndent, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.nextChild == top.item->SubItemCount()) {
            AppendClosing(out, *top.item, top.indent);
            stack.pop_back();
            continue;
        }
        TXMLItem& child = top.item->SubItems(static_cast<long long>(top.nextChild++));
        child.SetLineBreaks(top.item->LineBreaks());
        size_t indent = top.indent + (top.item->LineBreaks() ? kIndentStep : 0);
        if (AppendOpening(out, child, indent)) stack.push_back({&child, indent, 0});
    }
}

}  // namespace

TKRXMLParser::TKRXMLParser() : root_(std::make_unique<TXMLItem>()) { root_->SetParser(this); }

TKRXMLParser::~TKRXMLParser() = default;

bool TKRXMLParser::Allowed(const TXMLLoadSaveEvent& event) {
    bool allow = true;
    if (event) event(*this, allow);
    return allow;
}

void TKRXMLParser::LoadAttempt(TStream& stream, bool largeTokenizer) {
    if (!Allowed(BeforeLoad)) return;
    {
        HandlerAside aside(XMLItemChanged);
        std::unique_ptr<TXMLTokenizer> tokenizer = largeTokenizer
                                                       ? std::make_unique<TXMLLargeTokenizer>(stream)
                                                       : std::make_unique<TXMLTokenizer>(stream);
        root_->Clear();
        TXMLTreeBuilder builder(*this, *root_);
        while (tokenizer->Kind() != TXMLTokenKind::EndOfInput) {
            builder.Take(tokenizer->Kind(), tokenizer->TokenText());
            tokenizer->Advance();
        }
    }
    if (OnLoaded) OnLoaded(*this);
}

void TKRXMLParser::LoadFromStream(TStream& stream) {
    int64_t start = stream.Position();
    try {
        LoadAttempt(stream, DefaultLargeTokenizer);
    } catch (const EXMLParserError&) {
        stream.Seek(start, SeekOrigin::Begin);
        LoadAttempt(stream, true);
    }
}

void TKRXMLParser::WriteDocument(TStream& stream, bool omitStyleSheet) {
    std::string out(kDeclarationLine);
    if (!omitStyleSheet && !TrimControlAndBlank(StyleSheet).empty()) {
        out += kStyleSheetOpen;
        out += StyleSheet;
        out += kStyleSheetClose;
    }
    AppendTree(out, *root_, kRootIndent);
    stream.WriteBuffer(out.data(), out.size());
}

void TKRXMLParser::SaveToStream(TStream& stream, bool omitStyleSheet) {
    if (!Allowed(BeforeSave)) return;
    WriteDocument(stream, omitStyleSheet);
    if (OnSaved) OnSaved(*this);
}

void TKRXMLParser::Clear() {
    if (!Allowed(BeforeClear)) return;
    root_->Clear();
    if (OnCleared) OnCleared(*this);
}

}  // namespace korvel
