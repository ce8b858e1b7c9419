// Cuts UTF-8 (or ASCII) XML bytes into tokens for TXMLReader.
//
// The input is read from a stream in blocks of 40000 bytes; nothing holds a
// whole document. A token's text is a view of the input buffer; only a text
// or value with entities is copied (decoded) into one reused string, and in
// skip mode nothing is decoded. The buffer keeps the current token (and the
// pinned bytes) when it is refilled, growing only for a token longer than
// the buffer.
//
// Scanner states (ScanState):
//   Start    before the first byte: the byte order mark test runs once;
//   Outside  between markup: white space, text, "<" openings;
//   InTag    after "<name" or "</": names, "=", quoted values, ">" and "/>";
//   InPI     after "<?": names, "=", quoted values, "?>".
//
// Line and position: the line starts at 1 and grows at each line feed, which
// resets the position to 0; every other byte adds 1 to the position. A
// token's line and position are those after its first byte.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Stream.h"

namespace korvel {

enum TXMLTokenType {
    ttNone,
    ttName,
    ttValue,
    ttEqual,
    ttSpace,
    ttText,
    ttOpenPI,
    ttClosePI,
    ttComment,
    ttOpenTag,
    ttOpenEndTag,
    ttCloseTag,
    ttOpenDoctype,
    ttOpenCDATA,
    ttCloseTagNoContent,
};

// "ttNone" ... "ttCloseTagNoContent" (as used in error messages).
const char* TokenTypeName(TXMLTokenType type);

// A whole element taken in one step (TXMLScaner::TakePlainElement): views
// into the scanner's buffer, valid until the input is read further.
struct TXMLPlainElement {
    static constexpr size_t kMaxAttributes = 8;
    static constexpr size_t kMaxChildren = 4;
    struct Attribute {
        std::string_view Name, Value;
    };
    struct Child {
        std::string_view Name, Text;
    };
    std::string_view Name;
    Attribute Attributes[kMaxAttributes];
    size_t AttributeCount = 0;
    Child Children[kMaxChildren];
    size_t ChildCount = 0;
    std::string_view Text;        // its own text (when it has no children)
    bool Empty = false;           // "<name .../>"
    std::string_view EndTagName;  // as written in its end tag
};

class TXMLScaner {
public:
    static constexpr size_t kBlockSize = 40000;

    // Reads from stream, which must outlive the scanner unless owned.
    explicit TXMLScaner(TStream& stream);
    explicit TXMLScaner(std::unique_ptr<TStream> stream);

    // The next token, ttNone at the end of the input. Throws EXMLReaderError
    // with the texts listed in XMLReader.h.
    TXMLTokenType NextToken();
    // Inside a processing instruction, after its name and white space: the
    // raw content up to "?>", which is consumed (a "?" not followed by ">"
    // is content). Leaves the instruction. Becomes the token text.
    std::string_view ReadPIContent();

    TXMLTokenType TokenType() const { return type_; }
    // The token's text: the name, the decoded value or text, the comment with
    // its delimiters, the document type or CDATA content. In skip mode only
    // names are reliable. The view lives until the next token, or while the
    // bytes are pinned (see Pin).
    std::string_view TokenText() const {
        return built_ ? std::string_view(text_) : BufferView(rawStart_, size_t(rawEnd_ - rawStart_));
    }
    // True when TokenText() is a view of the input buffer (no entity had to
    // be decoded); TokenOffset() is then its input offset, for BufferView.
    bool TokenInBuffer() const { return !built_; }
    uint64_t TokenOffset() const { return rawStart_; }
    // Bytes of the input at offset, which must lie in the pinned region.
    std::string_view BufferView(uint64_t offset, size_t length) const {
        return {reinterpret_cast<const char*>(buffer_.data()) + (offset - base_), length};
    }
    // Keeps every byte from the current read position in the buffer (so
    // views of the tokens read from here on stay valid) until the next Pin.
    void Pin() { pin_ = base_ + pos_; }

    // Fast paths for the common shape of a start tag, used by the reader
    // between tokens inside a tag. Each consumes input only when the whole
    // construct is plain and already in the buffer, and otherwise consumes
    // nothing, leaving the general token path to handle (or report) it.
    //   TakePlainAttribute: blanks, name, "=", a quoted value without
    //   entities or line feeds; gives the input offsets of name and value.
    //   TakeTagEnd: optional blanks and ">" or "/>", giving ttCloseTag or
    //   ttCloseTagNoContent (ttNone when nothing was taken).
    bool TakePlainAttribute(uint64_t& nameAt, size_t& nameLength, uint64_t& valueAt, size_t& valueLength);
    TXMLTokenType TakeTagEnd();
    // Fast path for the start of a node, between markup only, with the same
    // rule of consuming all or nothing. Gives
    //   ttOpenTag     "<name" taken, the name being the current token (ttName),
    //                 the scanner inside the tag;
    //   ttOpenEndTag  a whole "</name>" taken, the name being the current token;
    //   ttText        a text taken that runs up to "<" without an entity or a
    //                 line feed and does not start with white space;
    //   ttNone        nothing taken.
    // End tags and texts are taken only when insideElement is set: outside
    // every element they are errors, which the general path reports.
    TXMLTokenType TakePlainOpening(bool insideElement);
    // Between markup, inside an element: a plain text (or none) followed by
    // a whole "</name>", both already in the buffer, taken as two calls of
    // TakePlainOpening(true) would take them (the end tag's name becomes the
    // current token); gives the text's input offset and length. Takes
    // nothing and gives false otherwise.
    bool TakePlainTextAndEndTag(uint64_t& textAt, size_t& textLength);
    // Between markup: a whole element already in the buffer whose start tag
    // has at most kMaxAttributes attributes as TakePlainAttribute takes them
    // (and no "<" in their values), and whose content is nothing, one plain
    // text, or at most kMaxChildren children without attributes, each with
    // nothing or one plain text, with nothing between them. Texts follow the
    // rule of TakePlainOpening; end tags are "</name>" with optional blanks.
    // Takes it, leaving the scanner as the token path would after its last
    // token, and fills element. Gives the name of the last tag taken (the
    // element's end tag, or its start tag when it is empty), in registers
    // rather than through element, which the caller would have to reload
    // right after these stores. Takes nothing and gives a view whose data()
    // is null otherwise.
    std::string_view TakePlainElement(TXMLPlainElement& element);
    // For a caller that matches whole plain elements itself: between
    // markup, the bytes read into the buffer from the read position on
    // (empty in any other state). The caller hands what it matched to
    // TakeMatchedElements before the input is read further.
    std::string_view PlainBytesAhead() const {
        if (state_ != ScanState::Outside) return {};
        return BufferView(base_ + pos_, end_ - pos_);
    }
    // Takes the first count bytes of PlainBytesAhead(), which the caller
    // matched as whole elements without a line feed (the forms that
    // TakePlainElement takes), leaving the scanner as TakePlainElement
    // leaves it after the last of them. That element's last tag starts at
    // lastTagAt: its "</name>", which ends the bytes, or, when lastEmpty, its
    // "<name", the bytes ending with its "/>".
    void TakeMatchedElements(size_t count, size_t lastTagAt, bool lastEmpty);

    int64_t TokenLine() const { return tokenLine_; }
    int64_t TokenPosition() const { return tokenPosition_; }
    int64_t Line() const { return line_; }
    int64_t Position() const { return position_; }

    void SetSkipMode(bool skip) { skip_ = skip; }
    bool SkipMode() const { return skip_; }

    // "Unexpected end of file! token position: L:P token type: ttX current position: L:P"
    [[noreturn]] void ThrowUnexpectedEof() const;

private:
    enum class ScanState { Start, Outside, InTag, InPI };

    void CheckByteOrderMark();
    // Makes count bytes available at the read position if the input has them,
    // moving the kept bytes to the front and growing the buffer when needed.
    bool Ensure(size_t count);
    int Peek() { return (pos_ < end_ || Ensure(1)) ? buffer_[pos_] : -1; }
    bool PeekIs(std::string_view literal);
    uint8_t Take() {
        uint8_t c = buffer_[pos_++];
        if (c == '\n') {
            ++line_;
            position_ = 0;
        } else {
            ++position_;
        }
        return c;
    }
    void TakeCount(size_t count);
    // A plain text at data[p..] (possibly empty) up to "<"; false when the
    // text is not plain or the buffer ends first.
    bool PlainTextAt(size_t& p) const;
    // "</name" blanks ">" at data[p..]; gives the name's place.
    bool PlainEndTagAt(size_t& p, size_t& name, size_t& nameLength) const;
    // Consumes count bytes that hold no line feed; the taken token's text is
    // [textAt, textAt + textLength) of the buffer.
    void TakePlainToken(TXMLTokenType type, size_t count, size_t textAt, size_t textLength);
    // Takes bytes up to the first for which stop(byte) holds; true when the
    // input ended first. Bytes go to the built text when one is being built.
    template <typename Stop>
    bool TakeRun(Stop stop);
    void BeginToken(TXMLTokenType type);
    // The token text starts at input offset `at` as a view of the buffer.
    void StartRaw(uint64_t at) {
        rawStart_ = rawEnd_ = at;
        built_ = false;
    }
    void EndRaw() {
        if (!built_) rawEnd_ = base_ + pos_;
    }
    // Copies the raw text so far into the built text (before a decoded entity).
    void SwitchToBuilt();

    TXMLTokenType ScanWhiteSpace(bool afterStartTag);
    TXMLTokenType ScanMarkupOpening();
    TXMLTokenType ScanInMarkup(uint8_t c);
    void ScanText();
    void ScanValue(uint8_t quote);
    void ScanUntil(std::string_view terminator, bool includeTerminator);
    void ScanDoctype();
    void DecodeEntity();

    [[noreturn]] void ThrowUnexpectedSymbol(uint8_t c);
    [[noreturn]] void ThrowInvalidEntity(std::string_view entity) const;

    std::unique_ptr<TStream> owned_;
    TStream& stream_;
    std::vector<uint8_t> buffer_;
    uint64_t base_ = 0;  // input offset of buffer_[0]
    size_t pos_ = 0;
    size_t end_ = 0;
    bool inputEnded_ = false;
    uint64_t pin_ = UINT64_MAX;  // none
    uint64_t tokenStart_ = 0;

    ScanState state_ = ScanState::Start;
    bool skip_ = false;
    // The last token closed a start tag with ">": white space that runs from
    // there straight to an end tag is the element's content, not layout.
    bool afterStartTag_ = false;
    bool inEndTag_ = false;
    TXMLTokenType type_ = ttNone;
    // Token text: a view [rawStart_, rawEnd_) of the buffer, or text_ once an
    // entity had to be decoded.
    uint64_t rawStart_ = 0;
    uint64_t rawEnd_ = 0;
    bool built_ = false;
    std::string text_;
    int64_t line_ = 1;
    int64_t position_ = 0;
    int64_t tokenLine_ = 1;
    int64_t tokenPosition_ = 0;
};

}  // namespace korvel
