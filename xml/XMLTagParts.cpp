#include "xml/XMLTagParts.h"

#include <deque>
#include <unordered_map>
#include <vector>

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

// Gathers the attributes of one tag with the semantics of TXMLParams (a name
// matches its first live occurrence, ignoring case) but with hashed lookups, so
// a hostile tag with many thousands of attributes stays linear.
class AttributeCollector {
public:
    void Store(std::string_view piece) {
        if (piece.empty()) return;
        size_t equals = piece.find('=');
        if (equals == std::string_view::npos) {
            Append(piece, {});
            return;
        }
        std::string_view name = piece.substr(0, equals);
        std::string value = AttributeValue(piece.substr(equals + 1));
        std::deque<size_t>& live = index_[AsciiLower(name)];
        if (value.empty()) {
            if (!live.empty()) {
                removed_[live.front()] = true;
                live.pop_front();
            }
        } else if (!live.empty()) {
            items_[live.front()].Value = std::move(value);
        } else {
            live.push_back(items_.size());
            items_.push_back(TXMLParam{std::string(name), std::move(value)});
            removed_.push_back(false);
        }
    }

    void MoveTo(TXMLParams& params) {
        for (size_t i = 0; i < items_.size(); ++i) {
            if (!removed_[i]) params.Add(items_[i].Name, items_[i].Value);
        }
    }

private:
    void Append(std::string_view name, std::string_view value) {
        index_[AsciiLower(name)].push_back(items_.size());
        items_.push_back(TXMLParam{std::string(name), std::string(value)});
        removed_.push_back(false);
    }

    std::vector<TXMLParam> items_;
    std::vector<bool> removed_;
    std::unordered_map<std::string, std::deque<size_t>> index_;
};

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
    if (text.empty()) return;
    AttributeCollector collector;
    bool inQuotes = false;
    size_t pieceStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == ' ' || c == '\r' || c == '\n')) {
            collector.Store(text.substr(pieceStart, i - pieceStart));
            pieceStart = i + 1;
        }
    }
    collector.Store(text.substr(pieceStart));
    collector.MoveTo(params);
}

}  // namespace korvel
