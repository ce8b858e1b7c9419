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

bool IsCapital(uint8_t c) { return static_cast<uint8_t>(c - 'A') < 26; }
bool IsDigit(uint8_t c) { return static_cast<uint8_t>(c - '0') < 10; }

// A plain text (or none) at p followed by the literal close; gives where the
// close ends, or 0. The text becomes the cell's value. Inlined, so that the
// close is compared as the constant it is rather than through a call.
[[gnu::always_inline]] inline size_t MatchValueText(std::string_view bytes, size_t p, std::string_view close,
                                                    TXLSXPlainCell& cell) {
    const auto* const data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t end = bytes.size();
    const size_t text = p;
    if (p < end && data[p] != '<') {
        if (!CanStartPlainText(data[p])) return 0;
        p = PlainRunEnd(data, p, end, 0);
    }
    if (!LiteralAt(data, p, end, close)) return 0;
    cell.Value = bytes.substr(text, p - text);
    cell.HasValue = true;
    return p + close.size();
}

// After the opening of a cell: the value element or inline string if any,
// and the end tag.
size_t MatchCellContent(std::string_view bytes, size_t p, TXLSXPlainCell& cell) {
    const auto* const data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t end = bytes.size();
    cell.Value = {};
    cell.HasValue = false;
    cell.InlineText = false;
    if (LiteralAt(data, p, end, "<v>")) {
        p = MatchValueText(bytes, p + 3, "</v>", cell);
        if (p == 0) return 0;
    } else if (LiteralAt(data, p, end, "<is><t>")) {
        p = MatchValueText(bytes, p + 7, "</t></is>", cell);
        if (p == 0) return 0;
        cell.InlineText = true;
    }
    if (!LiteralAt(data, p, end, "</c>")) return 0;
    cell.LastTagAt = p;
    return p + 4;
}

// The form nearly every writer uses, without the general attribute loop:
//   <c r="B7"[ s="3"][ t="str"]>
// with the reference in capitals and a row without leading zeros, parsed on
// the way. Gives where the opening ends, or 0 for anything else, which the
// general match then judges: every cell taken here, it takes alike.
size_t MatchUsualOpening(std::string_view bytes, TXLSXPlainCell& cell) {
    const auto* const data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t end = bytes.size();
    constexpr size_t kReference = 6;  // after "<c r=\""
    // Room for the longest reference ("XFD1048576") and its quote.
    if (end < kReference + 11 || std::memcmp(data, "<c r=\"", kReference) != 0) return 0;
    size_t p = kReference;
    int32_t col = 0;
    for (; p < kReference + 3 && IsCapital(data[p]); ++p) col = col * 26 + (data[p] - 'A' + 1);
    if (p == kReference || col > kXLSXColumnLimit || data[p] == '0') return 0;
    const size_t digits = p;
    int32_t row = 0;
    for (; p < digits + 7 && IsDigit(data[p]); ++p) row = row * 10 + (data[p] - '0');
    if (p == digits || row > kXLSXRowLimit || data[p] != '"') return 0;
    cell.R = bytes.substr(kReference, p - kReference);
    cell.HasPosition = true;
    cell.Position = CellPosOf(row, col);
    ++p;
    // Then s and t, once each, in either order.
    std::string_view s, t;
    // (Assigned by name, not through a pointer: the views then stay in
    // registers instead of being stored and read back whole at once.)
    while (end - p >= 5 && data[p] == ' ') {
        const uint8_t name = data[p + 1];
        if ((name != 's' && name != 't') || data[p + 2] != '=' || data[p + 3] != '"') return 0;
        p += 4;
        const size_t value = p;
        p = PlainRunEnd(data, p, end, '"');
        if (p >= end || data[p] != '"') return 0;
        if (name == 's') {
            if (s.data() != nullptr) return 0;
            s = bytes.substr(value, p - value);
        } else {
            if (t.data() != nullptr) return 0;
            t = bytes.substr(value, p - value);
        }
        ++p;
    }
    if (p >= end || data[p] != '>') return 0;
    cell.S = s;
    cell.T = t;
    cell.Empty = false;
    return p + 1;
}

}  // namespace

size_t MatchPlainCell(std::string_view bytes, TXLSXPlainCell& cell) {
    if (const size_t opening = MatchUsualOpening(bytes, cell)) return MatchCellContent(bytes, opening, cell);
    const auto* const data = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t end = bytes.size();
    const auto view = [&bytes](size_t from, size_t to) { return bytes.substr(from, to - from); };
    cell.HasPosition = false;
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
    if (data[p] == '/') {
        if (p + 1 >= end || data[p + 1] != '>') return 0;
        cell.Value = {};
        cell.HasValue = false;
        cell.InlineText = false;
        cell.Empty = true;
        cell.LastTagAt = 0;
        return p + 2;
    }
    if (data[p] != '>') return 0;
    cell.Empty = false;
    return MatchCellContent(bytes, p + 1, cell);
}

}  // namespace korvel
