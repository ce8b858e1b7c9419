#include "xml/KRXMLTokenizer.h"

#include <algorithm>
#include <cstring>

#include "xml/XMLErrors.h"

namespace korvel {

namespace {

bool IsBlankOrControl(uint8_t b) { return b >= 1 && b <= 32; }

uint8_t AsciiUpperByte(uint8_t b) { return (b >= 'a' && b <= 'z') ? uint8_t(b - 'a' + 'A') : b; }

// Reads until the span is full or the source has nothing more; returns the count.
size_t ReadUpTo(TStream& source, uint8_t* dst, size_t room) {
    size_t total = 0;
    while (total < room) {
        size_t got = source.Read(dst + total, room - total);
        if (got == 0) break;
        total += std::min(got, room - total);
    }
    return total;
}

}  // namespace

TXMLTokenizer::TXMLTokenizer(TStream& source) : TXMLTokenizer(source, WindowMode::Fixed) {}

TXMLTokenizer::TXMLTokenizer(TStream& source, WindowMode mode) : source_(source), mode_(mode) {
    if (mode_ == WindowMode::Fixed) {
        window_.resize(kXMLTokenizerWindowSize);
    } else {
        int64_t here = source_.Position();
        int64_t size = source_.Size();
        window_.resize(here >= 0 && size > here ? static_cast<size_t>(size - here) : 0);
    }
    Advance();
}

TXMLTokenizer::~TXMLTokenizer() {
    // Leave the stream at the start of the current token, as if only the bytes
    // before it had been read.
    size_t back = (readEnd_ - tokenStart_) + pending_.size();
    if (back == 0) return;
    try {
        source_.Seek(-static_cast<int64_t>(back), SeekOrigin::Current);
    } catch (...) {
        // A destructor must not throw; the caller repositions before reusing the stream.
    }
}

void TXMLTokenizer::RaiseError(const std::string& message) const {
    throw EXMLParserError(message, line_);
}

// Called when every byte before the data end has been consumed. Moves the
// bytes held back by the last cut to the window's start, reads more, and cuts
// a full fixed window after its last line feed so that lines are never split
// between two windows. Returns false when no byte is left to tokenize.
bool TXMLTokenizer::Refill() {
    consumed_ += static_cast<int64_t>(pos_);
    size_t unread = readEnd_ - pos_;
    if (unread > 0 && pos_ > 0) std::memmove(window_.data(), window_.data() + pos_, unread);
    readEnd_ = unread;
    pos_ = 0;
    tokenStart_ = 0;
    readEnd_ += ReadUpTo(source_, window_.data() + readEnd_, window_.size() - readEnd_);
    if (mode_ == WindowMode::WholeStream && readEnd_ == window_.size()) {
        // The stream was longer than its size said: grow rather than lose bytes.
        uint8_t probe;
        while (source_.Read(&probe, 1) == 1) {
            window_.resize(std::max<size_t>(window_.size() * 2, kXMLTokenizerWindowSize));
            window_[readEnd_++] = probe;
            readEnd_ += ReadUpTo(source_, window_.data() + readEnd_, window_.size() - readEnd_);
        }
        window_.resize(readEnd_);
    }
    dataEnd_ = readEnd_;
    if (mode_ == WindowMode::Fixed && readEnd_ == window_.size()) {
        size_t cut = 0;
        for (size_t i = window_.size() - 2; i >= 1; --i) {
            if (window_[i] == '\n') {
                cut = i + 1;
                break;
            }
        }
        if (cut == 0) RaiseError("Line too long");
        dataEnd_ = cut;
    }
    return dataEnd_ > 0;
}

// Keeps the bytes of a token that runs into the data end and refills; the
// token then goes on at the window's start.
bool TXMLTokenizer::SpillAndRefill() {
    pending_.append(reinterpret_cast<const char*>(window_.data()) + tokenStart_, dataEnd_ - tokenStart_);
    pos_ = dataEnd_;
    return Refill();
}

void TXMLTokenizer::SkipWhiteSpace() {
    for (;;) {
        if (pos_ == dataEnd_) {
            if (!Refill()) return;
            continue;
        }
        uint8_t b = window_[pos_];
        if (b == '\n') {
            ++line_;
            ++pos_;
        } else if (IsBlankOrControl(b)) {
            ++pos_;
        } else {
            return;
        }
    }
}

TXMLTokenKind TXMLTokenizer::Advance() {
    pending_.clear();
    SkipWhiteSpace();
    tokenStart_ = pos_;
    // A zero byte inside the data ends the document like the data end does.
    if (pos_ == dataEnd_ || window_[pos_] == 0) {
        kind_ = TXMLTokenKind::EndOfInput;
    } else if (window_[pos_] == '<') {
        ScanTag();
    } else {
        ScanText();
    }
    return kind_;
}

void TXMLTokenizer::ScanTag() {
    pos_ = tokenStart_ + 1;
    ScanToClosingBracket("Unterminated tag");
    ClassifyTag();
}

// Moves the position past the next ">", carrying the token over refills.
void TXMLTokenizer::ScanToClosingBracket(const char* unterminatedMessage) {
    for (;;) {
        if (pos_ < dataEnd_) {
            const uint8_t* from = window_.data() + pos_;
            const void* hit = std::memchr(from, '>', dataEnd_ - pos_);
            if (hit) {
                pos_ += static_cast<size_t>(static_cast<const uint8_t*>(hit) - from) + 1;
                return;
            }
        }
        pos_ = dataEnd_;
        if (!SpillAndRefill()) RaiseError(unterminatedMessage);
    }
}

void TXMLTokenizer::ClassifyTag() {
    if (TokenStartsWith("<?XML")) {
        kind_ = TXMLTokenKind::Declaration;
    } else if (TokenStartsWith("<!--")) {
        kind_ = TXMLTokenKind::Comment;
    } else if (TokenStartsWith("<![CDATA[")) {
        // A ">" inside the section does not end it; only "]]>" does.
        while (!TokenEndsWith("]]>")) ScanToClosingBracket("Unterminated CDATA section");
        kind_ = TXMLTokenKind::CData;
    } else if (TokenEndsWith("/>")) {
        kind_ = TXMLTokenKind::EmptyElementTag;
    } else if (TokenStartsWith("</")) {
        kind_ = TXMLTokenKind::EndTag;
    } else {
        kind_ = TXMLTokenKind::StartTag;
    }
}

// A text run ends before "<" or a zero byte; bytes of code 1 to 32 at its end
// are left for the next white-space skip (which counts their line feeds).
void TXMLTokenizer::ScanText() {
    kind_ = TXMLTokenKind::Text;
    size_t keep = 0;  // token length up to its last byte above 32
    for (;;) {
        while (pos_ < dataEnd_) {
            uint8_t b = window_[pos_];
            if (b == '<' || b == 0) break;
            ++pos_;
            if (b > 32) keep = pending_.size() + (pos_ - tokenStart_);
        }
        if (pos_ < dataEnd_ || !SpillAndRefill()) break;
    }
    if (keep > pending_.size()) {
        pos_ = tokenStart_ + (keep - pending_.size());
    } else {
        pending_.resize(keep);
        pos_ = tokenStart_;
    }
}

uint8_t TXMLTokenizer::TokenByte(size_t index) const {
    if (index < pending_.size()) return static_cast<uint8_t>(pending_[index]);
    return window_[tokenStart_ + (index - pending_.size())];
}

bool TXMLTokenizer::TokenStartsWith(const char* prefix) const {
    size_t n = std::strlen(prefix);
    if (TokenLength() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (AsciiUpperByte(TokenByte(i)) != AsciiUpperByte(static_cast<uint8_t>(prefix[i]))) return false;
    }
    return true;
}

bool TXMLTokenizer::TokenEndsWith(const char* suffix) const {
    size_t n = std::strlen(suffix);
    size_t length = TokenLength();
    if (length < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (TokenByte(length - n + i) != static_cast<uint8_t>(suffix[i])) return false;
    }
    return true;
}

std::string TXMLTokenizer::TokenText() const {
    std::string text = pending_;
    text.append(reinterpret_cast<const char*>(window_.data()) + tokenStart_, pos_ - tokenStart_);
    if (kind_ == TXMLTokenKind::CData) return text;
    return CleanXMLTokenText(std::move(text));
}

namespace {

// Removes each non-overlapping occurrence of the pair (first, second), left to right.
void RemovePairs(std::string& text, char first, char second) {
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == first && i + 1 < text.size() && text[i + 1] == second) {
            ++i;
            continue;
        }
        text[out++] = text[i];
    }
    text.resize(out);
}

void CollapseBlankRuns(std::string& text) {
    size_t out = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ' && out > 0 && text[out - 1] == ' ') continue;
        text[out++] = text[i];
    }
    text.resize(out);
}

}  // namespace

std::string CleanXMLTokenText(std::string text) {
    RemovePairs(text, '\r', '\n');
    RemovePairs(text, '\n', '\r');
    CollapseBlankRuns(text);
    return text;
}

TXMLLargeTokenizer::TXMLLargeTokenizer(TStream& source) : TXMLTokenizer(source, WindowMode::WholeStream) {}

}  // namespace korvel
