#include "xls/xlsx/XLSXPlainCell.h"

#include <cstdint>
#include <cstring>

#include "xls/xlsx/XMLPlainRun.h"
#include "xls/xlsx/XMLScaner.h"

namespace korvel {

namespace {

bool IsAsciiLetter(uint8_t c) { return static_cast<uint8_t>((c | 0x20u) - 'a') < 26; }

bool LiteralAt(const uint8_t* data, size_t p, size_t end, std::string_view literal) {
    return end - p >= literal.size() && std::memcmp(data + p, literal.data(), literal.size()) == 0;
}

}  // namespace

size_t MatchPlainCell(std::string_view bytes, TXLSXPlainCell& cell) {
    const auto* const data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t end = bytes.size();
    const auto view = [&bytes](size_t from, size_t to) { return bytes.substr(from, to - from); };
    if (end < 4 || data[0] != '<' || data[1] != 'c') return 0;
    size_t p = 2;
    // Locals, stored once at the end: clearing the cell's fields and reading
    // them back at once would wait on the stores.
    std::string_view r, s, t;
    // Attributes: spaces, a name of letters, "=", a quoted value. Beyond the
    // count an element taken whole may have, the general path reads them,
    // so that both one-step takes accept the same cells.
    size_t attributes = 0;
    while (data[p] == ' ') {
        if (++attributes > TXMLPlainElement::kMaxAttributes) return 0;
        while (p < end && data[p] == ' ') ++p;
        const size_t name = p;
        while (p < end && IsAsciiLetter(data[p])) ++p;
        if (p == name || end - p < 2 || data[p] != '=') return 0;
        const uint8_t quote = data[p + 1];
        if (quote != '"' && quote != '\'') return 0;
        p += 2;
        const size_t value = p;
        p = PlainRunEnd(data, p, end, quote);
        if (p >= end || data[p] != quote) return 0;
        if (value - 2 - name == 1) {
            // The first of a name counts.
            const uint8_t letter = data[name];
            if (letter == 'r' && r.data() == nullptr) r = view(value, p);
            else if (letter == 's' && s.data() == nullptr) s = view(value, p);
            else if (letter == 't' && t.data() == nullptr) t = view(value, p);
        }
        if (++p >= end) return 0;
    }
    cell.R = r;
    cell.S = s;
    cell.T = t;
    cell.Value = {};
    cell.HasValue = false;
    if (data[p] == '/') {
        if (p + 1 >= end || data[p + 1] != '>') return 0;
        cell.Empty = true;
        cell.LastTagAt = 0;
        return p + 2;
    }
    if (data[p] != '>') return 0;
    ++p;
    cell.Empty = false;
    if (LiteralAt(data, p, end, "<v>")) {
        p += 3;
        const size_t text = p;
        if (p < end && data[p] != '<') {
            if (!CanStartPlainText(data[p])) return 0;
            p = PlainRunEnd(data, p, end, 0);
        }
        if (!LiteralAt(data, p, end, "</v>")) return 0;
        cell.Value = view(text, p);
        cell.HasValue = true;
        p += 4;
    }
    if (!LiteralAt(data, p, end, "</c>")) return 0;
    cell.LastTagAt = p;
    return p + 4;
}

}  // namespace korvel
