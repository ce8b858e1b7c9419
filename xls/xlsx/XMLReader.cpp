#include "xls/xlsx/XMLReader.h"

#include "common/TextUtil.h"
#include "xls/xlsx/XMLReaderError.h"

namespace korvel {

namespace {

constexpr const char* kExpectName = "Name";
constexpr const char* kExpectPIContent = "whitespace or ?>";
constexpr const char* kExpectValue = "Value";
constexpr const char* kExpectEquals = "\"=\"";
constexpr const char* kExpectTagEnd = "attribute, \">\" or \"/>\"";
constexpr const char* kExpectGreater = "\">\"";

// Restores normal scanning however the skip ends.
class SkipModeScope {
public:
    explicit SkipModeScope(TXMLScaner& scanner) : scanner_(scanner) { scanner_.SetSkipMode(true); }
    ~SkipModeScope() { scanner_.SetSkipMode(false); }
    SkipModeScope(const SkipModeScope&) = delete;
    SkipModeScope& operator=(const SkipModeScope&) = delete;

private:
    TXMLScaner& scanner_;
};

}  // namespace

TXMLReader::TXMLReader(TStream& stream) : scanner_(stream) {}

TXMLReader::TXMLReader(std::unique_ptr<TStream> stream) : scanner_(std::move(stream)) {}

std::u16string TXMLReader::Value() const { return Utf8ToUtf16(node_.value); }

bool TXMLReader::IsEmptyOrNotStart() const {
    return node_.type != TXMLNodeType::StartTag || node_.noContent;
}

TXMLTokenType TXMLReader::NextSignificantToken() {
    TXMLTokenType type;
    do type = scanner_.NextToken();
    while (type == ttSpace);
    return type;
}

void TXMLReader::ThrowUnexpectedToken(const char* expected) const {
    std::string text = "Unexpected token at line " + std::to_string(scanner_.TokenLine()) + " position " +
                       std::to_string(scanner_.TokenPosition()) + ".";
    if (expected) text += std::string(" Expected ") + expected;
    throw EXMLReaderError(text);
}

void TXMLReader::ThrowEndOfInput() const { scanner_.ThrowUnexpectedEof(); }

bool TXMLReader::Next() {
    if (pendingDepth_) {
        ++depth_;
        pendingDepth_ = false;
    }
    hasSaved_ = false;
    spans_.clear();
    attributes_.clear();
    tagBytes_.clear();
    scanner_.Pin();  // this node's texts stay in the buffer until the next Next
    node_ = Node{};
    // The usual nodes of a part, plain and whole in the buffer, first.
    switch (scanner_.TakePlainOpening(depth_ > 0)) {
        case ttOpenTag:
            ReadStartTagAfterName();
            return true;
        case ttOpenEndTag:
            --depth_;
            SetNode(TXMLNodeType::EndTag, scanner_.TokenText(), {}, true);
            return true;
        case ttText:
            SetNode(TXMLNodeType::Text, {}, scanner_.TokenText(), true);
            return true;
        default:
            break;
    }
    switch (NextSignificantToken()) {
        case ttNone:
            if (depth_ != 0) ThrowEndOfInput();
            return false;
        case ttText:
            if (depth_ == 0) ThrowUnexpectedToken();
            SetNode(TXMLNodeType::Text, {}, scanner_.TokenText(), true);
            return true;
        case ttComment:
            SetNode(TXMLNodeType::Comment, {}, scanner_.TokenText(), true);
            return true;
        case ttOpenDoctype:
            if (depth_ != 0) ThrowUnexpectedToken();
            SetNode(TXMLNodeType::DocumentType, {}, scanner_.TokenText(), true);
            return true;
        case ttOpenCDATA:
            if (depth_ == 0) ThrowUnexpectedToken();
            SetNode(TXMLNodeType::CData, {}, scanner_.TokenText(), true);
            return true;
        case ttOpenPI:
            ReadProcessingInstruction();
            return true;
        case ttOpenTag:
            ReadStartTag();
            return true;
        case ttOpenEndTag:
            ReadEndTag();
            return true;
        default:
            ThrowUnexpectedToken();
    }
}

bool TXMLReader::TakePlainTextContent(std::string_view& text) {
    if (node_.type != TXMLNodeType::StartTag || node_.noContent) return false;
    uint64_t at = 0;
    size_t length = 0;
    // The start tag's bytes stay pinned; the text and the end tag lie in the
    // buffer after them, so no view moves.
    if (!scanner_.TakePlainTextAndEndTag(at, length)) return false;
    // The text raised the depth, the end tag lowers it again.
    pendingDepth_ = false;
    hasSaved_ = false;
    spans_.clear();
    attributes_.clear();
    tagBytes_.clear();
    SetNode(TXMLNodeType::EndTag, scanner_.TokenText(), {}, true);
    text = scanner_.BufferView(at, length);
    return true;
}

bool TXMLReader::TakePlainElement(TXMLPlainElement& element) {
    // As Next() begins: a start tag that was current opens its content.
    if (pendingDepth_) {
        ++depth_;
        pendingDepth_ = false;
    }
    if (depth_ == 0) return false;
    const std::string_view last = scanner_.TakePlainElement(element);
    if (last.data() == nullptr) return false;
    hasSaved_ = false;
    spans_.clear();
    attributes_.clear();
    tagBytes_.clear();
    SetNode(element.Empty ? TXMLNodeType::StartTag : TXMLNodeType::EndTag, last, {}, true);
    return true;
}

std::string_view TXMLReader::PlainBytesAhead() {
    // As Next() begins: a start tag that was current opens its content.
    if (pendingDepth_) {
        ++depth_;
        pendingDepth_ = false;
    }
    if (depth_ == 0) return {};
    return scanner_.PlainBytesAhead();
}

void TXMLReader::TakeMatchedElements(size_t count, size_t lastTagAt, bool lastEmpty) {
    scanner_.TakeMatchedElements(count, lastTagAt, lastEmpty);
    hasSaved_ = false;
    spans_.clear();
    attributes_.clear();
    tagBytes_.clear();
    SetNode(lastEmpty ? TXMLNodeType::StartTag : TXMLNodeType::EndTag, scanner_.TokenText(), {}, true);
}

TXMLReader::TextSpan TXMLReader::KeepTokenText() {
    std::string_view text = scanner_.TokenText();
    if (scanner_.TokenInBuffer()) return {scanner_.TokenOffset(), text.size(), true};
    TextSpan span{tagBytes_.size(), text.size(), false};
    tagBytes_.append(text);
    return span;
}

std::string_view TXMLReader::ViewOf(const TextSpan& span) const {
    return span.inBuffer ? scanner_.BufferView(span.at, span.length)
                         : std::string_view(tagBytes_).substr(size_t(span.at), span.length);
}

void TXMLReader::ReadStartTag() {
    TXMLTokenType type = scanner_.NextToken();
    if (type != ttName) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectName);
    ReadStartTagAfterName();
}

// The name is the current token.
void TXMLReader::ReadStartTagAfterName() {
    TXMLTokenType type;
    TextSpan name = KeepTokenText();
    bool keepAttributes = !scanner_.SkipMode();
    bool empty = false;
    for (;;) {
        // Plain scalars rather than the span's fields: the span is then
        // built from registers, not reloaded from the scanner's narrower
        // stores (which stalls).
        uint64_t nameAt = 0, valueAt = 0;
        size_t nameLength = 0, valueLength = 0;
        while (scanner_.TakePlainAttribute(nameAt, nameLength, valueAt, valueLength))
            if (keepAttributes) spans_.push_back({{nameAt, nameLength, true}, {valueAt, valueLength, true}});
        type = scanner_.TakeTagEnd();
        if (type == ttNone) type = NextSignificantToken();
        if (type == ttCloseTag) break;
        if (type == ttCloseTagNoContent) {
            empty = true;
            break;
        }
        if (type != ttName) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectTagEnd);
        AttributeSpan span;
        span.name = KeepTokenText();
        type = NextSignificantToken();
        if (type != ttEqual) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectEquals);
        type = NextSignificantToken();
        if (type != ttValue) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectValue);
        if (keepAttributes) {
            span.value = KeepTokenText();
            spans_.push_back(span);
        }
    }
    // Views are taken only now: the buffer and tagBytes_ may have moved
    // while the tag was read (the pinned bytes stay until the next node).
    for (const auto& s : spans_) attributes_.push_back({ViewOf(s.name), ViewOf(s.value)});
    SetNode(TXMLNodeType::StartTag, ViewOf(name), {}, empty);
    pendingDepth_ = !empty;
}

void TXMLReader::ReadEndTag() {
    if (depth_ == 0) ThrowUnexpectedToken();  // nothing is open
    TXMLTokenType type = scanner_.NextToken();
    if (type != ttName) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectName);
    TextSpan name = KeepTokenText();
    --depth_;
    type = scanner_.TakeTagEnd();
    if (type == ttNone) type = NextSignificantToken();
    if (type != ttCloseTag) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectGreater);
    SetNode(TXMLNodeType::EndTag, ViewOf(name), {}, true);
}

void TXMLReader::ReadProcessingInstruction() {
    TXMLTokenType type = scanner_.NextToken();
    if (type != ttName) type == ttNone ? ThrowEndOfInput() : ThrowUnexpectedToken(kExpectName);
    TextSpan nameSpan = KeepTokenText();
    std::string_view value;
    type = scanner_.NextToken();
    if (type == ttSpace) value = scanner_.ReadPIContent();
    else if (type == ttNone) ThrowEndOfInput();
    else if (type != ttClosePI) ThrowUnexpectedToken(kExpectPIContent);
    std::string_view name = ViewOf(nameSpan);
    TXMLNodeType kind = name == "xml" ? TXMLNodeType::XmlDeclaration : TXMLNodeType::ProcessingInstruction;
    SetNode(kind, name, value, true);
}

const TXMLAttribute* TXMLReader::FindAttribute(std::string_view name) const {
    for (const auto& attribute : attributes_)
        if (attribute.Name == name) return &attribute;
    return nullptr;
}

void TXMLReader::MoveToAttribute(std::string_view name) {
    const TXMLAttribute* attribute = FindAttribute(name);
    if (!attribute) throw EXMLReaderError("Attribute " + std::string(name) + " not found!");
    if (!hasSaved_) {
        saved_ = node_;
        hasSaved_ = true;
    }
    SetNode(TXMLNodeType::Attribute, attribute->Name, attribute->Value, true);
}

void TXMLReader::MoveToElement() {
    if (!hasSaved_) return;
    node_ = saved_;
    hasSaved_ = false;
}

bool TXMLReader::SkipElement() {
    MoveToElement();
    if (node_.type == TXMLNodeType::StartTag && !node_.noContent) {
        int depth = depth_;
        SkipModeScope skip(scanner_);
        do {
            if (!Next()) break;
        } while (depth_ != depth);
    }
    return Next();
}

void TXMLReader::ReadElementTextUtf8(std::string& out) {
    out.clear();
    MoveToElement();
    if (IsEmptyOrNotStart()) return;
    int depth = depth_;
    for (;;) {
        if (!Next()) throw EXMLReaderError("Unexpected EOF");
        if (node_.type == TXMLNodeType::Text) out.append(node_.value);
        else if (node_.type == TXMLNodeType::EndTag && depth_ == depth) return;
    }
}

std::u16string TXMLReader::ReadElementText() {
    std::string text;
    ReadElementTextUtf8(text);
    return Utf8ToUtf16(text);
}

}  // namespace korvel
