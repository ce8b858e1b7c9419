// Feeds arbitrary bytes to the XML pull reader. Besides memory safety it
// checks that block boundaries do not matter: the document read whole and
// read through a stream that hands out a few bytes at a time must give the
// same nodes, or the same error text. It also checks that the one-step
// takes (whole plain elements, plain text content) end where node-by-node
// reading ends: same error text, or the same end, at the same line and
// position; and that cells matched by the sheet parser's one-pass match
// read as the element taken whole reads, or, for inline strings (which no
// whole-element take accepts), as their nodes read one by one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Stream.h"
#include "xls/xlsx/XLSXPlainCell.h"
#include "xls/xlsx/XLSXValues.h"
#include "xls/xlsx/XMLReader.h"
#include "xls/xlsx/XMLReaderError.h"

namespace {

class ChunkedStream : public korvel::TStream {
public:
    ChunkedStream(const uint8_t* data, size_t size, size_t chunk) : data_(data), size_(size), chunk_(chunk) {}
    size_t Read(void* buffer, size_t count) override {
        size_t n = std::min({count, chunk_, size_ - pos_});
        if (n) std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }
    size_t Write(const void*, size_t) override { return 0; }
    int64_t Seek(int64_t, korvel::SeekOrigin) override { return -1; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t chunk_;
    size_t pos_ = 0;
};

// Walks every node; skips or gathers the text of some elements, chosen by
// the node count so that both readings make the same calls.
std::string Walk(korvel::TStream& stream) {
    std::string trace;
    try {
        korvel::TXMLReader reader(stream);
        std::string text;
        for (size_t n = 0; reader.Next(); ++n) {
            trace += char('0' + int(reader.NodeType()));
            trace += reader.Name();
            trace += '|';
            trace += reader.ValueUtf8();
            trace += std::to_string(reader.Depth());
            (void)reader.Value();
            if (reader.NodeType() != korvel::TXMLNodeType::StartTag) continue;
            for (size_t i = 0; i < reader.AttributeCount(); ++i) {
                std::string name(reader.Attribute(i).Name);
                trace += name + "=" + std::string(reader.Attribute(i).Value);
                reader.MoveToAttribute(name);
                reader.MoveToElement();
            }
            if (n % 7 == 3 && !reader.SkipElement()) break;
            if (n % 5 == 2) {
                reader.ReadElementTextUtf8(text);
                trace += text;
            }
        }
    } catch (const korvel::EXMLReaderError& e) {
        trace += "!";
        trace += e.what();
    }
    return trace;
}

// The first attribute of that name, as the sheet parser finds it; data()
// is null when there is none.
std::string_view FirstAttribute(const korvel::TXMLPlainElement& element, std::string_view name) {
    for (size_t i = 0; i < element.AttributeCount; ++i)
        if (element.Attributes[i].Name == name) return element.Attributes[i].Value;
    return {};
}

bool SameView(std::string_view a, std::string_view b) { return (a.data() == nullptr) == (b.data() == nullptr) && a == b; }

// A position given by the match is the one the reference's own parser gives.
bool PositionAgrees(const korvel::TXLSXPlainCell& cell) {
    if (!cell.HasPosition) return true;
    korvel::TXLSXCellPos pos;
    return korvel::ParseCellReference(cell.R, pos) && pos.Row == cell.Position.Row && pos.Col == cell.Position.Col;
}

// A cell matched in one pass must read as TakePlainElement reads it.
bool MatchAgreesWithElement(const korvel::TXLSXPlainCell& cell, const korvel::TXMLPlainElement& element) {
    const bool oneValue = element.ChildCount == 1 && element.Children[0].Name == "v";
    return element.Name == "c" && PositionAgrees(cell) && cell.Empty == element.Empty && SameView(cell.R, FirstAttribute(element, "r")) &&
           SameView(cell.S, FirstAttribute(element, "s")) && SameView(cell.T, FirstAttribute(element, "t")) &&
           cell.HasValue == oneValue && (!oneValue || cell.Value == element.Children[0].Text) &&
           (oneValue || element.ChildCount == 0) && element.Text.empty();
}

bool SameAttribute(std::string_view matched, const korvel::TXMLReader& reader, std::string_view name) {
    const korvel::TXMLAttribute* attribute = reader.FindAttribute(name);
    return attribute == nullptr ? matched.data() == nullptr : SameView(matched, attribute->Value);
}

// An inline string matched in one pass must read node by node as <c> with
// the same r, s and t, then <is>, <t>, its text (no node when empty), and
// the three end tags. The match's views are copied first: reading on may
// move the buffer they point into.
bool InlineAgreesWithNodes(korvel::TXMLReader& reader, const korvel::TXLSXPlainCell& cell) {
    using korvel::TXMLNodeType;
    if (!PositionAgrees(cell)) return false;
    const std::string value(cell.Value);
    const std::string r(cell.R), s(cell.S), t(cell.T);
    const auto copied = [](const std::string& text, std::string_view view) {
        return view.data() == nullptr ? std::string_view() : std::string_view(text);
    };
    const auto step = [&reader](TXMLNodeType type, std::string_view name) {
        return reader.Next() && reader.NodeType() == type && reader.Name() == name;
    };
    if (!step(TXMLNodeType::StartTag, "c") || !SameAttribute(copied(r, cell.R), reader, "r") ||
        !SameAttribute(copied(s, cell.S), reader, "s") || !SameAttribute(copied(t, cell.T), reader, "t"))
        return false;
    if (!step(TXMLNodeType::StartTag, "is") || !step(TXMLNodeType::StartTag, "t")) return false;
    if (!value.empty() && !(reader.Next() && reader.NodeType() == TXMLNodeType::Text && reader.ValueUtf8() == value))
        return false;
    return step(TXMLNodeType::EndTag, "t") && step(TXMLNodeType::EndTag, "is") && step(TXMLNodeType::EndTag, "c");
}

// Reads to the end: node by node, or taking whole plain elements, plain
// contents and runs of plain cells wherever the reader allows. Gives how it
// ended and where.
std::string Ending(korvel::TStream& stream, bool plainSteps) {
    std::string ending;
    korvel::TXMLReader reader(stream);
    try {
        korvel::TXMLPlainElement element;
        std::string_view text;
        size_t touched = 0, matches = 0;
        for (;;) {
            korvel::TXLSXPlainCell cell;
            const std::string_view ahead = plainSteps ? reader.PlainBytesAhead() : std::string_view();
            if (size_t length = korvel::MatchPlainCell(ahead, cell)) {
                // Every other match is checked against the element taken whole;
                // the rest are taken as runs, as the sheet parser takes them.
                if (++matches % 2 == 0) {
                    if (cell.InlineText) {
                        if (!InlineAgreesWithNodes(reader, cell)) std::abort();
                    } else if (!reader.TakePlainElement(element) || !MatchAgreesWithElement(cell, element)) {
                        std::abort();
                    }
                    continue;
                }
                size_t taken = 0, lastTagAt = 0;
                bool lastEmpty = false;
                do {
                    if (!PositionAgrees(cell)) std::abort();
                    touched += cell.R.size() + cell.S.size() + cell.T.size() + cell.Value.size();
                    lastTagAt = taken + cell.LastTagAt;
                    lastEmpty = cell.Empty;
                    taken += length;
                } while ((length = korvel::MatchPlainCell(ahead.substr(taken), cell)) != 0);
                reader.TakeMatchedElements(taken, lastTagAt, lastEmpty);
                continue;
            }
            if (plainSteps && reader.TakePlainElement(element)) {
                touched += element.Name.size() + element.Text.size() + element.EndTagName.size();
                for (size_t i = 0; i < element.AttributeCount; ++i) touched += element.Attributes[i].Value.size();
                for (size_t i = 0; i < element.ChildCount; ++i) touched += element.Children[i].Text.size();
                continue;
            }
            if (!reader.Next()) break;
            if (plainSteps && reader.NodeType() == korvel::TXMLNodeType::StartTag && reader.TakePlainTextContent(text))
                touched += text.size();
        }
        ending = "end";
        (void)touched;
    } catch (const korvel::EXMLReaderError& e) {
        ending = e.what();
    }
    return ending + " " + std::to_string(reader.Line()) + ":" + std::to_string(reader.Position());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t chunk = 1 + data[size - 1] % 61;
    ChunkedStream whole(data, size, size);
    ChunkedStream pieces(data, size, chunk);
    if (Walk(whole) != Walk(pieces)) std::abort();
    ChunkedStream wholeAgain(data, size, size), wholePlain(data, size, size), piecesPlain(data, size, chunk);
    const std::string nodeByNode = Ending(wholeAgain, false);
    if (Ending(wholePlain, true) != nodeByNode || Ending(piecesPlain, true) != nodeByNode) std::abort();
    return 0;
}
