#include "xls/xlsx/XMLScaner.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/TextUtil.h"
#include "xls/xlsx/XMLReaderError.h"

namespace korvel {

namespace {

// Longest entity body accepted between "&" and ";" ("#x10FFFF" and the
// named ones fit easily); longer runs are an unterminated "&".
constexpr size_t kMaxEntityLength = 16;
// Bytes shown on each side of an unexpected symbol.
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
    // Keep the unread tail (and a few bytes before it for error context)
    // and fill the rest of the block behind it.
    size_t keep = std::min(pos_, kContextBytes);
    std::memmove(buffer_.data(), buffer_.data() + pos_ - keep, end_ - pos_ + keep);
    end_ -= pos_ - keep;
    pos_ = keep;
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

uint8_t TXMLScaner::Take() {
    uint8_t c = buffer_[pos_++];
    if (c == '\n') {
        ++line_;
        position_ = 0;
    } else {
        ++position_;
    }
    return c;
}

void TXMLScaner::TakeCount(size_t count) {
    while (count-- > 0) Take();
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
    text_.clear();
    bool afterStartTag = afterStartTag_;
    afterStartTag_ = false;
    if (Peek() < 0) {
        BeginToken(ttNone);
        return ttNone;
    }
    uint8_t c = Take();
    BeginToken(ttNone);
    if (IsSpace(c)) {
        if (state_ != ScanState::Outside) {
            while (IsSpace(Peek())) Take();
            return type_ = ttSpace;
        }
        if (!skip_) text_.push_back(char(c));
        return type_ = ScanWhiteSpace(afterStartTag);
    }
    if (c == '<') return type_ = ScanMarkupOpening();
    if (state_ != ScanState::Outside) return type_ = ScanInMarkup(c);
    // Text; a ">" in character data is legal XML and is text too.
    if (c == '&') DecodeEntity();
    else if (!skip_) text_.push_back(char(c));
    ScanText();
    return type_ = ttText;
}

// Outside markup, after the first white-space byte (already in the text).
TXMLTokenType TXMLScaner::ScanWhiteSpace(bool afterStartTag) {
    while (IsSpace(Peek())) {
        uint8_t c = Take();
        if (!skip_) text_.push_back(char(c));
    }
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
    for (;;) {
        if (pos_ == end_ && !Ensure(1)) return;
        const uint8_t* start = buffer_.data() + pos_;
        const uint8_t* p = start;
        const uint8_t* stop = buffer_.data() + end_;
        while (p < stop && *p != '<' && *p != '&') {
            if (*p == '\n') {
                ++line_;
                position_ = 0;
            } else {
                ++position_;
            }
            ++p;
        }
        if (!skip_) text_.append(reinterpret_cast<const char*>(start), size_t(p - start));
        pos_ = size_t(p - buffer_.data());
        if (p == stop) continue;
        if (*p == '<') return;
        Take();
        DecodeEntity();
    }
}

// A quoted value; the opening quote is taken.
void TXMLScaner::ScanValue(uint8_t quote) {
    for (;;) {
        if (pos_ == end_ && !Ensure(1)) ThrowUnexpectedEof();
        const uint8_t* start = buffer_.data() + pos_;
        const uint8_t* p = start;
        const uint8_t* stop = buffer_.data() + end_;
        while (p < stop && *p != quote && *p != '&') {
            if (*p == '\n') {
                ++line_;
                position_ = 0;
            } else {
                ++position_;
            }
            ++p;
        }
        if (!skip_) text_.append(reinterpret_cast<const char*>(start), size_t(p - start));
        pos_ = size_t(p - buffer_.data());
        if (p == stop) continue;
        uint8_t c = Take();
        if (c == quote) return;
        DecodeEntity();
    }
}

void TXMLScaner::ScanName(uint8_t first) {
    text_.push_back(char(first));
    for (int c = Peek(); c >= 0 && kNameChar[c]; c = Peek()) text_.push_back(char(Take()));
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
            ScanName(c);
            return ttName;
    }
    ThrowUnexpectedSymbol(c);
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
            if (!skip_) text_ = "<!--";
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
            ScanUntil("]]>", false);
            return ttOpenCDATA;
        }
        ThrowUnexpectedSymbol(Take());
    }
    state_ = ScanState::InTag;
    inEndTag_ = false;
    return ttOpenTag;
}

// Literal content up to terminator, which is consumed.
void TXMLScaner::ScanUntil(std::string_view terminator, bool keepTerminator) {
    for (;;) {
        int c = Peek();
        if (c < 0) ThrowUnexpectedEof();
        if (c == terminator[0] && PeekIs(terminator)) {
            TakeCount(terminator.size());
            if (keepTerminator && !skip_) text_.append(terminator);
            return;
        }
        Take();
        if (!skip_) text_.push_back(char(c));
    }
}

// Content up to the ">" that balances the "<" of "<!DOCTYPE".
void TXMLScaner::ScanDoctype() {
    int open = 1;
    for (;;) {
        int c = Peek();
        if (c < 0) ThrowUnexpectedEof();
        Take();
        if (c == '<') ++open;
        if (c == '>' && --open == 0) return;
        if (!skip_) text_.push_back(char(c));
    }
}

std::string_view TXMLScaner::ReadPIContent() {
    text_.clear();
    for (;;) {
        int c = Peek();
        if (c < 0) ThrowUnexpectedEof();
        if (c == '?' && PeekIs("?>")) {
            TakeCount(2);
            state_ = ScanState::Outside;
            return text_;
        }
        Take();
        if (!skip_) text_.push_back(char(c));
    }
}

// After "&": the entity up to ";", decoded into the token text.
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
