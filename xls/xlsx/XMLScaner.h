// Cuts UTF-8 (or ASCII) XML bytes into tokens for TXMLReader.
//
// The input is read from a stream in blocks of 40000 bytes; nothing holds a
// whole document. Token texts are built in one reused buffer (no allocation
// per token once it has grown) and, in skip mode, not built at all.
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
    // is content). Leaves the instruction. The view lives until the next token.
    std::string_view ReadPIContent();

    TXMLTokenType TokenType() const { return type_; }
    // The token's text: the name, the decoded value or text, the comment with
    // its delimiters, the document type or CDATA content. Empty in skip mode
    // for texts, values, comments, document types and CDATA. The view lives
    // until the next token.
    std::string_view TokenText() const { return text_; }
    int TokenLine() const { return tokenLine_; }
    int TokenPosition() const { return tokenPosition_; }
    int Line() const { return line_; }
    int Position() const { return position_; }

    void SetSkipMode(bool skip) { skip_ = skip; }
    bool SkipMode() const { return skip_; }

    // "Unexpected end of file! token position: L:P token type: ttX current position: L:P"
    [[noreturn]] void ThrowUnexpectedEof() const;

private:
    enum class ScanState { Start, Outside, InTag, InPI };

    void CheckByteOrderMark();
    // Makes count bytes available at the read position if the input has them.
    bool Ensure(size_t count);
    int Peek() { return (pos_ < end_ || Ensure(1)) ? buffer_[pos_] : -1; }
    bool PeekIs(std::string_view literal);
    uint8_t Take();
    void TakeCount(size_t count);
    void BeginToken(TXMLTokenType type);

    TXMLTokenType ScanWhiteSpace(bool afterStartTag);
    TXMLTokenType ScanMarkupOpening();
    TXMLTokenType ScanInMarkup(uint8_t c);
    void ScanText();
    void ScanValue(uint8_t quote);
    void ScanName(uint8_t first);
    void ScanUntil(std::string_view terminator, bool keepTerminator);
    void ScanDoctype();
    void DecodeEntity();

    [[noreturn]] void ThrowUnexpectedSymbol(uint8_t c);
    [[noreturn]] void ThrowInvalidEntity(std::string_view entity) const;

    std::unique_ptr<TStream> owned_;
    TStream& stream_;
    std::vector<uint8_t> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool inputEnded_ = false;

    ScanState state_ = ScanState::Start;
    bool skip_ = false;
    // The last token closed a start tag with ">": white space that runs from
    // there straight to an end tag is the element's content, not layout.
    bool afterStartTag_ = false;
    bool inEndTag_ = false;
    TXMLTokenType type_ = ttNone;
    std::string text_;
    int line_ = 1;
    int position_ = 0;
    int tokenLine_ = 1;
    int tokenPosition_ = 0;
};

}  // namespace korvel
