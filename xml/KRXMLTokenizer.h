// Cuts an XML byte stream into a flat run of tokens for the element-tree
// builder. It knows no namespaces, document types, character references or
// encodings: it works on bytes, and the tree builder decodes the few entities
// it knows.
//
// TXMLTokenizer reads through a 4096-byte window that is refilled at line
// boundaries: a full window is cut after its last line feed, so a single line
// must fit in 4095 bytes or the tokenizer raises EXMLParserError "Line too
// long". TXMLLargeTokenizer makes its window as large as the rest of the stream
// and never cuts, so it reads any document whatever its line lengths.
//
// A token may straddle a refill (a multi-line text run, tag or CDATA section);
// it is then carried over whole, so the tokens never depend on where a window
// boundary fell.
//
// Token kinds (the scan state is implicit: each Advance classifies one token):
//   EndOfInput  no more bytes, or a zero byte where a token would start
//   Comment     tag text beginning "<!--"; it ends at its first ">"
//   Declaration tag text beginning "<?xml"
//   Text        a run of bytes up to the next "<" (leading and trailing bytes
//               of code 1 to 32 are not part of it)
//   StartTag    any other tag text (so "<!DOCTYPE ...>" and "<?pi?>" too)
//   EndTag      tag text beginning "</"
//   EmptyElementTag tag text ending "/>"
//   CData       tag text beginning "<![CDATA[", running to the first "]]>"
// Prefixes are compared without regard to ASCII letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Stream.h"

namespace korvel {

enum class TXMLTokenKind : int {
    EndOfInput = 0,
    Comment = 6,
    Declaration = 8,
    Text = 9,
    StartTag = 10,
    EndTag = 11,
    EmptyElementTag = 12,
    CData = 13,
};

inline constexpr size_t kXMLTokenizerWindowSize = 4096;

class TXMLTokenizer {
public:
    // Sets up the window over the source's current position and reads the first
    // token, so Kind() is valid at once. The source is not owned and must
    // outlive the tokenizer. Throws EXMLParserError as Advance does.
    explicit TXMLTokenizer(TStream& source);
    // Seeks the source back so that it stands at the start of the current token.
    virtual ~TXMLTokenizer();
    TXMLTokenizer(const TXMLTokenizer&) = delete;
    TXMLTokenizer& operator=(const TXMLTokenizer&) = delete;

    // Moves to the next token and returns its kind. After EndOfInput every
    // further call returns EndOfInput. Throws EXMLParserError for "Line too
    // long" (fixed window only), "Unterminated tag" and "Unterminated CDATA
    // section" (the stream ended inside them).
    TXMLTokenKind Advance();
    TXMLTokenKind Kind() const { return kind_; }

    // The bytes of the current token. For every kind but CData the text is
    // cleaned: each CR LF pair is removed, then each LF CR pair, then runs of
    // blanks shrink to one blank. A lone CR or LF stays. CData is returned raw,
    // including its "<![CDATA[" and "]]>".
    std::string TokenText() const;

    // Throws EXMLParserError "<message> on line <Line()>".
    [[noreturn]] void RaiseError(const std::string& message) const;

    // Line number for messages, from 1. Line feeds inside tokens are not
    // counted, so it can lag behind the true line.
    int Line() const { return line_; }
    // Bytes of the stream consumed by earlier refills (the window's offset).
    int64_t Consumed() const { return consumed_; }

protected:
    enum class WindowMode { Fixed, WholeStream };
    TXMLTokenizer(TStream& source, WindowMode mode);

private:
    bool Refill();
    bool SpillAndRefill();
    void SkipWhiteSpace();
    void ScanTag();
    void ScanToClosingBracket(const char* unterminatedMessage);
    void ScanText();
    void ClassifyTag();

    size_t TokenLength() const { return pending_.size() + (pos_ - tokenStart_); }
    uint8_t TokenByte(size_t index) const;
    bool TokenStartsWith(const char* prefix) const;
    bool TokenEndsWith(const char* suffix) const;

    TStream& source_;
    WindowMode mode_;
    std::vector<uint8_t> window_;
    size_t readEnd_ = 0;     // end of the bytes read from the source
    size_t dataEnd_ = 0;     // end of the bytes to tokenize now (cut or readEnd_)
    size_t pos_ = 0;         // next byte to examine
    size_t tokenStart_ = 0;  // where the current token's bytes in the window begin
    std::string pending_;    // earlier bytes of a token that straddles refills
    int64_t consumed_ = 0;
    int line_ = 1;
    TXMLTokenKind kind_ = TXMLTokenKind::EndOfInput;
};

// The same tokenizer with a window holding the whole rest of the stream in one
// allocation.
class TXMLLargeTokenizer : public TXMLTokenizer {
public:
    explicit TXMLLargeTokenizer(TStream& source);
};

// The cleaning TokenText applies to non-CDATA tokens (exposed for testing).
std::string CleanXMLTokenText(std::string text);

}  // namespace korvel
