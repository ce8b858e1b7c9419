#include "xml/XMLTagParts.h"

#include "common/TextUtil.h"
#include "xml/XMLEntities.h"

namespace korvel {

std::string XMLTagName(std::string_view tagText) {
    std::string_view rest = tagText.empty() ? tagText : tagText.substr(1);
    size_t cut = rest.find(' ');
    if (cut == std::string_view::npos) cut = rest.find('/');
    if (cut != std::string_view::npos) return std::string(rest.substr(0, cut));
    return std::string(rest.empty() ? rest : rest.substr(0, rest.size() - 1));
}

namespace {

// The value of one attribute as written, made into the stored value.
std::string AttributeValue(std::string_view written) {
    std::string_view value = TrimControlAndBlank(written);
    if (value.size() > 2) {
        if (value.front() == '"') value.remove_prefix(1);
        if (!value.empty() && value.back() == '"') value.remove_suffix(1);
    }
    return DecodeXMLEntities(TrimControlAndBlank(value));
}

void StoreAttribute(std::string_view piece, TXMLParams& params) {
    if (piece.empty()) return;
    size_t equals = piece.find('=');
    if (equals == std::string_view::npos) {
        params.Add(piece, {});
        return;
    }
    params.SetValue(piece.substr(0, equals), AttributeValue(piece.substr(equals + 1)));
}

// The attribute part of a tag text, or empty when the tag has no blank.
std::string_view AttributeText(std::string_view tagText) {
    size_t blank = tagText.find(' ');
    if (blank == std::string_view::npos) return {};
    std::string_view text = tagText.substr(blank + 1);
    size_t close = text.find('>');
    if (close != std::string_view::npos) {
        if (close > 0 && text[close - 1] == '/') --close;
        text = text.substr(0, close);
    }
    return text;
}

}  // namespace

void ParseXMLTagAttributes(std::string_view tagText, TXMLParams& params) {
    params.Clear();
    std::string_view text = AttributeText(tagText);
    bool inQuotes = false;
    size_t pieceStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == ' ' || c == '\r' || c == '\n')) {
            StoreAttribute(text.substr(pieceStart, i - pieceStart), params);
            pieceStart = i + 1;
        }
    }
    StoreAttribute(text.substr(pieceStart), params);
}

}  // namespace korvel
