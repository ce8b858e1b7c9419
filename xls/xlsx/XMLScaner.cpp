#include "xls/xlsx/XMLScaner.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/TextUtil.h"
#include "xls/xlsx/XMLPlainRun.h"
#include "xls/xlsx/XMLReaderError.h"

namespace korvel {

namespace {

// Longest entity body accepted between "&" and ";" ("#x10FFFF" and the
// named ones fit easily); longer runs are an unterminated "&".
constexpr size_t kMaxEntityLength = 16;
// Bytes shown on each side of an unexpected symbol (and kept for it).
constexpr size_t kContextBytes = 20;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

constexpr std::array<bool, 256> MakeNameTable(bool start) {
    std::array<bool, 256> table{};
    for (int c = 'a'; c <= 'z'; ++c) table[c] = table[c - 'a' + 'A'] = true;
    table['_'] = table[':'] = true;
    if (!start) {
        for (int c = '0'; c <= '9'; ++c) table[c] = true;
        table['-'] = table['.'] = true;
    }
    return table;
}
constexpr std::array<bool, 256> kNameStart = MakeNameTable(true);
constexpr std::array<bool, 256> kNameChar = MakeNameTable(false);

// "</" name ">" at data[p..], where the start tag's name is data[name..]:
// the usual end tag, matched without a scan (PlainEndTagAt takes any other).
bool SameEndTagAt(const uint8_t* data, size_t p, size_t end, size_t name, size_t nameLength) {
    if (end - p <= nameLength + 2 || data[p] != '<' || data[p + 1] != '/' || data[p + 2 + nameLength] != '>')
        return false;
    // Names are short: a loop rather than a call.
    for (size_t i = 0; i < nameLength; ++i)
        if (data[p + 2 + i] != data[name + i]) return false;
    return true;
}

// The code point of a character reference body ("#65", "#x41"), or -1.
long CharacterReference(std::string_view body) {
    int base = 10;
    body.remove_prefix(1);
    if (!body.empty() && (body[0] == 'x' || body[0] == 'X')) {
        base = 16;
        body.remove_prefix(1);
    }
    if (body.empty()) return -1;
    long value = 0;
    for (char ch : body) {
        int digit = ch >= '0' && ch <= '9'   ? ch - '0'
                    : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                    : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                             : 99;
        if (digit >= base) return -1;
        value = value * base + digit;
        if (value > 0x10FFFF) return -1;
    }
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return -1;
    return value;
}

}  // namespace

const char* TokenTypeName(TXMLTokenType type) {
    static constexpr const char* kNames[] = {
        "ttNone",    "ttName",       "ttValue",     "ttEqual",       "ttSpace",
        "ttText",    "ttOpenPI",     "ttClosePI",   "ttComment",     "ttOpenTag",
        "ttOpenEndTag", "ttCloseTag", "ttOpenDoctype", "ttOpenCDATA", "ttCloseTagNoContent",
    };
    return type >= ttNone && type <= ttCloseTagNoContent ? kNames[type] : "ttNone";
}

TXMLScaner::TXMLScaner(TStream& stream) : stream_(stream), buffer_(kBlockSize) {}

TXMLScaner::TXMLScaner(std::unique_ptr<TStream> stream)
    : owned_(std::move(stream)), stream_(*owned_), buffer_(kBlockSize) {}

bool TXMLScaner::Ensure(size_t count) {
    if (end_ - pos_ >= count) return true;
    if (inputEnded_) return false;
    // Keep the current token, the pinned bytes and a little context; move
    // them to the front and read behind them.
    size_t keep = pos_ - std::min(pos_, kContextBytes + 1);
    keep = std::min<size_t>(keep, size_t(std::min(tokenStart_, pin_) - base_));
    if (keep > 0) {
        std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
        base_ += keep;
        pos_ -= keep;
        end_ -= keep;
    }
    // Grow geometrically when the kept bytes leave too little room.
    size_t room = buffer_.size() - end_;
    if (room < std::max(kBlockSize / 2, end_ / 2) || room < count)
        buffer_.resize(std::max(buffer_.size() * 2, end_ + count + kBlockSize));
    while (end_ - pos_ < count && !inputEnded_) {
        size_t got = stream_.Read(buffer_.data() + end_, buffer_.size() - end_);
        if (got == 0) inputEnded_ = true;
        end_ += got;
    }
    return end_ - pos_ >= count;
}

bool TXMLScaner::PeekIs(std::string_view literal) {
    return Ensure(literal.size()) && std::memcmp(buffer_.data() + pos_, literal.data(), literal.size()) == 0;
}

void TXMLScaner::TakeCount(size_t count) {
    while (count-- > 0) Take();
}

// The hot loop of the scanner: runs over the buffer without a call per
// byte, and keeps the line and position as Take would.
template <typename Stop>
bool TXMLScaner::TakeRun(Stop stop) {
    for (;;) {
        if (pos_ == end_ && !Ensure(1)) {
            EndRaw();
            return true;
        }
        const uint8_t* start = buffer_.data() + pos_;
        const uint8_t* limit = buffer_.data() + end_;
        const uint8_t* lineStart = nullptr;
        const uint8_t* p = start;
        int64_t lines = 0;
        for (; p < limit && !stop(*p); ++p) {
            if (*p == '\n') {
                ++lines;
                lineStart = p + 1;
            }
        }
        if (lines) {
            line_ += lines;
            position_ = p - lineStart;
        } else {
            position_ += p - start;
        }
        if (built_ && !skip_) text_.append(reinterpret_cast<const char*>(start), size_t(p - start));
        pos_ = size_t(p - buffer_.data());
        if (p < limit) {
            EndRaw();
            return false;
        }
    }
}

void TXMLScaner::SwitchToBuilt() {
    if (built_) return;
    text_.assign(TokenText());
    built_ = true;
}

void TXMLScaner::BeginToken(TXMLTokenType type) {
    type_ = type;
    tokenLine_ = line_;
    tokenPosition_ = position_;
}

void TXMLScaner::CheckByteOrderMark() {
    int first = Peek();
    if (first == 0xFF || first == 0xFE) throw EXMLReaderError("UTF-16 encoding is not supported!");
    if (first != 0xEF) return;
    Take();
    for (int expected : {0xBB, 0xBF}) {
        int c = Peek();
        if (c < 0) ThrowUnexpectedEof();
        Take();
        if (c != expected) ThrowUnexpectedSymbol(uint8_t(c));
    }
    position_ = 0;  // positions count from the first character after the mark
}

TXMLTokenType TXMLScaner::NextToken() {
    if (state_ == ScanState::Start) {
        CheckByteOrderMark();
        state_ = ScanState::Outside;
    }
    bool afterStartTag = afterStartTag_;
    afterStartTag_ = false;
    tokenStart_ = base_ + pos_;
    StartRaw(tokenStart_);
    if (Peek() < 0) {
        BeginToken(ttNone);
        return ttNone;
    }
    uint8_t c = Take();
    BeginToken(ttNone);
    if (IsSpace(c)) {
        if (state_ != ScanState::Outside) {
            TakeRun([](uint8_t b) { return !IsSpace(b); });
            StartRaw(tokenStart_);
            return type_ = ttSpace;
        }
        return type_ = ScanWhiteSpace(afterStartTag);
    }
    if (c == '<') return type_ = ScanMarkupOpening();
    if (state_ != ScanState::Outside) return type_ = ScanInMarkup(c);
    // Text; a ">" in character data is legal XML and is text too.
    if (c == '&') {
        SwitchToBuilt();
        DecodeEntity();
    } else {
        EndRaw();
    }
    ScanText();
    return type_ = ttText;
}

// Outside markup, after the first white-space byte.
TXMLTokenType TXMLScaner::ScanWhiteSpace(bool afterStartTag) {
    TakeRun([](uint8_t b) { return !IsSpace(b); });
    int next = Peek();
    // Layout between markup and at the end of the input is no text...
    if (next < 0) return ttSpace;
    if (next == '<') {
        // ...except where it is all of an element's content: <t> </t>.
        bool wholeContent = afterStartTag && Ensure(2) && buffer_[pos_ + 1] == '/';
        return wholeContent ? ttText : ttSpace;
    }
    ScanText();
    return ttText;
}

// Character data up to the next "<" or the end of the input.
void TXMLScaner::ScanText() {
    while (!TakeRun([](uint8_t b) { return b == '<' || b == '&'; })) {
        if (buffer_[pos_] == '<') return;
        if (!skip_) SwitchToBuilt();
        Take();
        DecodeEntity();
    }
}

// A quoted value; the opening quote is taken.
void TXMLScaner::ScanValue(uint8_t quote) {
    StartRaw(base_ + pos_);
    for (;;) {
        if (TakeRun([quote](uint8_t b) { return b == quote || b == '&'; })) ThrowUnexpectedEof();
        if (buffer_[pos_] == quote) {
            Take();
            return;
        }
        if (!skip_) SwitchToBuilt();
        Take();
        DecodeEntity();
    }
}

TXMLTokenType TXMLScaner::ScanInMarkup(uint8_t c) {
    bool inTag = state_ == ScanState::InTag;
    switch (c) {
        case '"':
        case '\'':
            BeginToken(ttValue);
            ScanValue(c);
            return ttValue;
        case '=':
            return ttEqual;
        case '/':
            if (!inTag || Peek() != '>') break;
            Take();
            state_ = ScanState::Outside;
            return ttCloseTagNoContent;
        case '?':
            if (inTag || Peek() != '>') break;
            Take();
            state_ = ScanState::Outside;
            return ttClosePI;
        case '>':
            if (!inTag) break;
            state_ = ScanState::Outside;
            afterStartTag_ = !inEndTag_;
            return ttCloseTag;
        default:
            if (!kNameStart[c]) break;
            TakeRun([](uint8_t b) { return !kNameChar[b]; });
            return ttName;
    }
    ThrowUnexpectedSymbol(c);
}

bool TXMLScaner::TakePlainAttribute(uint64_t& nameAt, size_t& nameLength, uint64_t& valueAt,
                                    size_t& valueLength) {
    if (state_ != ScanState::InTag || inEndTag_) return false;
    const uint8_t* const start = buffer_.data() + pos_;
    const uint8_t* const limit = buffer_.data() + end_;
    const uint8_t* p = start;
    if (p >= limit || (*p != ' ' && *p != '\t')) return false;
    while (p < limit && (*p == ' ' || *p == '\t')) ++p;
    if (p >= limit || !kNameStart[*p]) return false;
    const uint8_t* name = p;
    while (p < limit && kNameChar[*p]) ++p;
    const uint8_t* nameEnd = p;
    if (limit - p < 2 || *p != '=') return false;
    const uint8_t quote = *++p;
    if (quote != '"' && quote != '\'') return false;
    const uint8_t* value = ++p;
    while (p < limit && *p != quote && *p != '&' && *p != '\n') ++p;
    if (p >= limit || *p != quote) return false;
    ++p;
    position_ += p - start;
    pos_ += size_t(p - start);
    nameAt = base_ + size_t(name - buffer_.data());
    nameLength = size_t(nameEnd - name);
    valueAt = base_ + size_t(value - buffer_.data());
    valueLength = size_t(p - 1 - value);
    return true;
}

TXMLTokenType TXMLScaner::TakeTagEnd() {
    if (state_ != ScanState::InTag) return ttNone;
    const uint8_t* data = buffer_.data();
    size_t p = pos_;
    while (p < end_ && (data[p] == ' ' || data[p] == '\t')) ++p;
    TXMLTokenType type;
    if (p < end_ && data[p] == '>') {
        type = ttCloseTag;
        afterStartTag_ = !inEndTag_;
        ++p;
    } else if (p + 1 < end_ && data[p] == '/' && data[p + 1] == '>' && !inEndTag_) {
        type = ttCloseTagNoContent;
        p += 2;
    } else {
        return ttNone;
    }
    position_ += int64_t(p - pos_);
    pos_ = p;
    state_ = ScanState::Outside;
    return type_ = type;
}

void TXMLScaner::TakePlainToken(TXMLTokenType type, size_t count, size_t textAt, size_t textLength) {
    afterStartTag_ = false;
    tokenStart_ = base_ + pos_;
    tokenLine_ = line_;
    tokenPosition_ = position_ + 1;
    type_ = type;
    rawStart_ = base_ + textAt;
    rawEnd_ = rawStart_ + textLength;
    built_ = false;
    position_ += int64_t(count);
    pos_ += count;
}

TXMLTokenType TXMLScaner::TakePlainOpening(bool insideElement) {
    if (state_ != ScanState::Outside) return ttNone;
    const uint8_t* const data = buffer_.data();
    const size_t start = pos_;
    size_t p = start;
    if (p >= end_) return ttNone;
    if (data[p] != '<') {
        // A text: not white space first, which may be layout rather than text.
        if (!insideElement || !PlainTextAt(p)) return ttNone;
        TakePlainToken(ttText, p - start, start, p - start);
        return ttText;
    }
    if (++p >= end_) return ttNone;
    const bool endTag = data[p] == '/';
    if (endTag && (!insideElement || ++p >= end_)) return ttNone;
    if (!kNameStart[data[p]]) return ttNone;
    const size_t name = p;
    while (p < end_ && kNameChar[data[p]]) ++p;
    if (p >= end_) return ttNone;
    const size_t nameLength = p - name;
    if (!endTag) {
        const uint8_t next = data[p];
        if (next != ' ' && next != '\t' && next != '>' && next != '/') return ttNone;
        TakePlainToken(ttName, p - start, name, nameLength);
        state_ = ScanState::InTag;
        inEndTag_ = false;
        return ttOpenTag;
    }
    while (p < end_ && (data[p] == ' ' || data[p] == '\t')) ++p;
    if (p >= end_ || data[p] != '>') return ttNone;
    TakePlainToken(ttCloseTag, p + 1 - start, name, nameLength);
    inEndTag_ = true;
    return ttOpenEndTag;
}

bool TXMLScaner::TakePlainTextAndEndTag(uint64_t& textAt, size_t& textLength) {
    if (state_ != ScanState::Outside) return false;
    const size_t textStart = pos_;
    size_t p = textStart;
    if (!PlainTextAt(p)) return false;
    const size_t textEnd = p;
    size_t name = 0, nameLength = 0;
    if (!PlainEndTagAt(p, name, nameLength)) return false;
    textAt = base_ + textStart;
    textLength = textEnd - textStart;
    if (textLength > 0) TakePlainToken(ttText, textLength, textStart, textLength);
    TakePlainToken(ttCloseTag, p - textEnd, name, nameLength);
    inEndTag_ = true;
    return true;
}

bool TXMLScaner::PlainTextAt(size_t& p) const {
    const uint8_t* const data = buffer_.data();
    if (p < end_ && data[p] != '<') {
        if (!CanStartPlainText(data[p])) return false;
        p = PlainRunEnd(data, p, end_, 0);
    }
    return p < end_ && data[p] == '<';
}

bool TXMLScaner::PlainEndTagAt(size_t& p, size_t& name, size_t& nameLength) const {
    const uint8_t* const data = buffer_.data();
    if (p + 2 >= end_ || data[p] != '<' || data[p + 1] != '/' || !kNameStart[data[p + 2]]) return false;
    size_t q = p + 2;
    name = q;
    while (q < end_ && kNameChar[data[q]]) ++q;
    nameLength = q - name;
    while (q < end_ && (data[q] == ' ' || data[q] == '\t')) ++q;
    if (q >= end_ || data[q] != '>') return false;
    p = q + 1;
    return true;
}

std::string_view TXMLScaner::TakePlainElement(TXMLPlainElement& element) {
    if (state_ != ScanState::Outside) return {};
    // Locals, not members: the stores into element could alias them.
    const uint8_t* const data = buffer_.data();
    const size_t end = end_;
    const auto view = [data](size_t from, size_t to) {
        return std::string_view(reinterpret_cast<const char*>(data) + from, to - from);
    };
    const size_t start = pos_;
    size_t p = start;
    if (p + 1 >= end || data[p] != '<' || !kNameStart[data[p + 1]]) return {};
    const size_t name = ++p;
    while (p < end && kNameChar[data[p]]) ++p;
    const size_t nameEnd = p;
    element.Name = view(name, nameEnd);
    element.AttributeCount = 0;
    // Attributes: blanks, name, "=", a quoted plain value; then the tag's end.
    for (;;) {
        if (p >= end) return {};
        if (data[p] != ' ' && data[p] != '\t') break;
        while (p < end && (data[p] == ' ' || data[p] == '\t')) ++p;
        if (p >= end) return {};
        if (!kNameStart[data[p]]) break;
        const size_t attribute = p;
        while (p < end && kNameChar[data[p]]) ++p;
        const size_t attributeEnd = p;
        if (end - p < 2 || data[p] != '=') return {};
        const uint8_t quote = data[++p];
        if (quote != '"' && quote != '\'') return {};
        const size_t value = ++p;
        p = PlainRunEnd(data, p, end, quote);
        if (p >= end || data[p] != quote || element.AttributeCount == TXMLPlainElement::kMaxAttributes) return {};
        element.Attributes[element.AttributeCount++] = {view(attribute, attributeEnd), view(value, p)};
        ++p;
    }
    const size_t tagEnd = p;
    element.ChildCount = 0;
    element.Text = {};
    element.EndTagName = {};
    element.Empty = data[p] == '/';
    size_t endTag = 0, endName = 0, endNameLength = 0;
    if (element.Empty) {
        if (p + 1 >= end || data[p + 1] != '>') return {};
    } else {
        if (data[p] != '>') return {};
        const size_t content = ++p;
        if (p < end && data[p] != '<') {
            if (!PlainTextAt(p)) return {};
            element.Text = view(content, p);
        } else {
            while (p + 1 < end && data[p] == '<' && kNameStart[data[p + 1]]) {
                const size_t child = ++p;
                while (p < end && kNameChar[data[p]]) ++p;
                const size_t childEnd = p;
                // Attributes, blanks or "/>" are left to the node path.
                if (p >= end || data[p] != '>') return {};
                const size_t text = ++p;
                if (!PlainTextAt(p)) return {};
                const size_t textEnd = p;
                size_t childEndName = 0, childEndNameLength = 0;
                if (SameEndTagAt(data, p, end, child, childEnd - child)) p += childEnd - child + 3;
                else if (!PlainEndTagAt(p, childEndName, childEndNameLength)) return {};
                if (element.ChildCount == TXMLPlainElement::kMaxChildren) return {};
                element.Children[element.ChildCount++] = {view(child, childEnd), view(text, textEnd)};
            }
        }
        endTag = p;
        if (SameEndTagAt(data, p, end, name, nameEnd - name)) {
            endName = p + 2;
            endNameLength = nameEnd - name;
            p += endNameLength + 3;
        } else if (!PlainEndTagAt(p, endName, endNameLength)) {
            return {};
        }
        element.EndTagName = view(endName, endName + endNameLength);
    }
    // No line feed was taken: the line stays, the position moves on. The
    // last tokens are set as the token path sets them.
    TakePlainToken(ttName, nameEnd - start, name, nameEnd - name);
    state_ = ScanState::InTag;
    inEndTag_ = false;
    position_ += int64_t(tagEnd - pos_);
    pos_ = tagEnd;
    if (element.Empty) {
        TakeTagEnd();
        return view(name, nameEnd);
    }
    state_ = ScanState::Outside;
    position_ += int64_t(endTag - pos_);
    pos_ = endTag;
    TakePlainToken(ttCloseTag, p - endTag, endName, endNameLength);
    inEndTag_ = true;
    return view(endName, endName + endNameLength);
}

void TXMLScaner::TakeMatchedElements(size_t count, size_t lastTagAt, bool lastEmpty) {
    const uint8_t* const data = buffer_.data();
    const size_t end = pos_ + count;
    const size_t tag = pos_ + lastTagAt;
    position_ += int64_t(tag - pos_);
    pos_ = tag;
    if (!lastEmpty) {
        // "</name>"
        TakePlainToken(ttCloseTag, end - tag, tag + 2, end - tag - 3);
        inEndTag_ = true;
        return;
    }
    // "<name" attributes "/>", the tag's end taken as the token path takes it.
    size_t nameEnd = tag + 1;
    while (nameEnd < end && kNameChar[data[nameEnd]]) ++nameEnd;
    TakePlainToken(ttName, nameEnd - tag, tag + 1, nameEnd - tag - 1);
    state_ = ScanState::InTag;
    inEndTag_ = false;
    position_ += int64_t(end - 2 - pos_);
    pos_ = end - 2;
    TakeTagEnd();
}

// After "<".
TXMLTokenType TXMLScaner::ScanMarkupOpening() {
    int next = Peek();
    if (next == '/') {
        Take();
        state_ = ScanState::InTag;
        inEndTag_ = true;
        return ttOpenEndTag;
    }
    if (next == '?') {
        Take();
        state_ = ScanState::InPI;
        return ttOpenPI;
    }
    if (next == '!') {
        if (PeekIs("!--")) {
            BeginToken(ttComment);
            TakeCount(3);
            ScanUntil("-->", true);
            return ttComment;
        }
        if (PeekIs("!DOCTYPE")) {
            BeginToken(ttOpenDoctype);
            TakeCount(8);
            ScanDoctype();
            return ttOpenDoctype;
        }
        if (PeekIs("![CDATA[")) {
            BeginToken(ttOpenCDATA);
            TakeCount(8);
            StartRaw(base_ + pos_);
            ScanUntil("]]>", false);
            return ttOpenCDATA;
        }
        ThrowUnexpectedSymbol(Take());
    }
    state_ = ScanState::InTag;
    inEndTag_ = false;
    return ttOpenTag;
}

// Literal content up to terminator, which is consumed (and kept in the
// token text when includeTerminator is set).
void TXMLScaner::ScanUntil(std::string_view terminator, bool includeTerminator) {
    uint8_t first = uint8_t(terminator[0]);
    for (;;) {
        if (TakeRun([first](uint8_t b) { return b == first; })) ThrowUnexpectedEof();
        if (PeekIs(terminator)) {
            TakeCount(terminator.size());
            if (includeTerminator) EndRaw();
            return;
        }
        Take();
    }
}

// Content up to the ">" that balances the "<" of "<!DOCTYPE".
void TXMLScaner::ScanDoctype() {
    StartRaw(base_ + pos_);
    int open = 1;
    for (;;) {
        if (TakeRun([](uint8_t b) { return b == '<' || b == '>'; })) ThrowUnexpectedEof();
        if (Take() == '<') ++open;
        else if (--open == 0) return;
    }
}

std::string_view TXMLScaner::ReadPIContent() {
    StartRaw(base_ + pos_);
    for (;;) {
        if (TakeRun([](uint8_t b) { return b == '?'; })) ThrowUnexpectedEof();
        if (PeekIs("?>")) {
            TakeCount(2);
            state_ = ScanState::Outside;
            return TokenText();
        }
        Take();
    }
}

// After "&": the entity up to ";", decoded into the built token text.
void TXMLScaner::DecodeEntity() {
    char body[kMaxEntityLength];
    size_t length = 0;
    for (;;) {
        int c = Peek();
        if (c < 0) ThrowInvalidEntity(std::string("&") + std::string(body, length));
        Take();
        if (c == ';') break;
        if (c == '&' || c == '<' || length == kMaxEntityLength)
            ThrowInvalidEntity(std::string("&") + std::string(body, length) + char(c));
        body[length++] = char(c);
    }
    std::string_view name(body, length);
    const char* literal = nullptr;
    if (AsciiEqualsIgnoreCase(name, "amp")) literal = "&";
    else if (AsciiEqualsIgnoreCase(name, "lt")) literal = "<";
    else if (AsciiEqualsIgnoreCase(name, "gt")) literal = ">";
    else if (AsciiEqualsIgnoreCase(name, "apos")) literal = "'";
    else if (AsciiEqualsIgnoreCase(name, "quot")) literal = "\"";
    if (literal) {
        if (!skip_) text_.append(literal);
        return;
    }
    long codePoint = !name.empty() && name[0] == '#' ? CharacterReference(name) : -1;
    if (codePoint < 0) ThrowInvalidEntity(std::string("&") + std::string(name) + ";");
    if (!skip_) AppendUtf8(text_, char32_t(codePoint));
}

void TXMLScaner::ThrowUnexpectedSymbol(uint8_t c) {
    Ensure(kContextBytes);  // the bytes after the symbol, where the input has them
    size_t at = pos_ == 0 ? 0 : pos_ - 1;
    size_t from = at > kContextBytes ? at - kContextBytes : 0;
    size_t to = std::min(end_, at + 1 + kContextBytes);
    std::string context(reinterpret_cast<const char*>(buffer_.data() + from), to - from);
    throw EXMLReaderError("Unexpected symbol " + std::string(1, char(c)) + " at line " + std::to_string(line_) +
                          " at position " + std::to_string(position_) + " context: \"" + context + "\"");
}

void TXMLScaner::ThrowInvalidEntity(std::string_view entity) const {
    throw EXMLReaderError("Invalid entity at line " + std::to_string(line_) + " at position " +
                          std::to_string(position_) + " context: \"" + std::string(entity) + "\"");
}

void TXMLScaner::ThrowUnexpectedEof() const {
    throw EXMLReaderError("Unexpected end of file! token position: " + std::to_string(tokenLine_) + ":" +
                          std::to_string(tokenPosition_) + " token type: " + TokenTypeName(type_) +
                          " current position: " + std::to_string(line_) + ":" + std::to_string(position_));
}

}  // namespace korvel
