// Small helpers shared by the XML tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/Stream.h"
#include "xml/KRXMLParser.h"
#include "xml/KRXMLTokenizer.h"

namespace korvel::xmltest {

inline TMemoryStream StreamOf(const std::string& text) {
    return TMemoryStream(std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::string TextOf(const TMemoryStream& stream) {
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

using Token = std::pair<TXMLTokenKind, std::string>;

// Every token of a document up to the end of input.
template <class Tokenizer>
std::vector<Token> Tokenize(const std::string& document) {
    TMemoryStream stream = StreamOf(document);
    Tokenizer tokenizer(stream);
    std::vector<Token> tokens;
    for (auto kind = tokenizer.Kind(); kind != TXMLTokenKind::EndOfInput; kind = tokenizer.Advance()) {
        tokens.emplace_back(kind, tokenizer.TokenText());
        if (tokens.size() > 1000000) break;  // a tokenizer that stops advancing must not hang the suite
    }
    return tokens;
}

// The message of the EXMLParserError a tokenizer raises on a document, or "".
template <class Tokenizer>
std::string TokenizeError(const std::string& document) {
    try {
        Tokenize<Tokenizer>(document);
    } catch (const EXMLParserError& e) {
        return e.what();
    }
    return "";
}

inline void LoadText(TKRXMLParser& parser, const std::string& document) {
    TMemoryStream stream = StreamOf(document);
    parser.LoadFromStream(stream);
}

inline std::string SaveText(TKRXMLParser& parser, bool omitStyleSheet = false) {
    TMemoryStream stream;
    parser.SaveToStream(stream, omitStyleSheet);
    return TextOf(stream);
}

// A fresh folder under the system's temporary folder, removed on destruction.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "korvel-xml-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace korvel::xmltest
