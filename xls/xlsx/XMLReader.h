// A forward-only XML pull reader for the parts of an Office Open XML package.
//
// Next() moves from node to node: start tags with their attributes, end
// tags, texts, comments, processing instructions, the XML declaration, the
// document type and CDATA sections. Names stay 8-bit; values and texts are
// UTF-8 and are turned into UTF-16 only when Value() is asked for. Views
// (Name(), ValueUtf8(), attributes) stay valid until the next Next(),
// SkipElement() or ReadElementText().
//
// Depth is the number of open elements: a start tag that is not empty raises
// it by 1 when the next node is read, an end tag lowers it at once, so a
// start tag and its end tag report the same depth. End tag names are not
// matched against their start tags.
//
// Every failure throws EXMLReaderError; the reader is not usable after one.
// Texts:
//   "Unexpected symbol C at line L at position P context: "..."";
//   "Invalid entity at line L at position P context: "&name;"";
//   "Unexpected end of file! token position: L:P token type: ttX current position: L:P";
//   "UTF-16 encoding is not supported!";
//   "Unexpected token at line L position P." optionally followed by
//     " Expected Name" / "whitespace or ?>" / "Value" / "\"=\"" /
//     "attribute, \">\" or \"/>\"" / "\">\"";
//   "Attribute NAME not found!";
//   "Unexpected EOF" (ReadElementText).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/xlsx/XMLScaner.h"

namespace korvel {

enum class TXMLNodeType {
    Attribute,
    Comment,
    DocumentType,
    CData,
    StartTag,
    EndTag,
    None,
    Text,
    ProcessingInstruction,
    XmlDeclaration,
};

// One attribute of the current start tag (views into the reader's buffers).
struct TXMLAttribute {
    std::string_view Name;
    std::string_view Value;  // UTF-8, entities decoded
};

class TXMLReader {
public:
    // Reads stream, which must outlive the reader.
    explicit TXMLReader(TStream& stream);
    // Reads and owns stream.
    explicit TXMLReader(std::unique_ptr<TStream> stream);

    // Reads the next node; false at the end of the input (with no element
    // open). Spaces between markup produce no node.
    bool Next();

    TXMLNodeType NodeType() const { return node_.type; }
    std::string_view Name() const { return node_.name; }
    std::string_view ValueUtf8() const { return node_.value; }
    std::u16string Value() const;
    int Depth() const { return depth_; }
    // True for every node that cannot have children (end tags, texts, empty
    // start tags, ...).
    bool NoContent() const { return node_.noContent; }
    // True when the current node is not a start tag or is an empty one.
    bool IsEmptyOrNotStart() const;

    // The attributes of the current start tag (also while one of them is the
    // current node). Empty for any other node.
    bool HasAttributes() const { return !attributes_.empty(); }
    size_t AttributeCount() const { return attributes_.size(); }
    const TXMLAttribute& Attribute(size_t index) const { return attributes_[index]; }
    bool HasAttribute(std::string_view name) const { return FindAttribute(name) != nullptr; }
    // The attribute of that exact name, or nullptr.
    const TXMLAttribute* FindAttribute(std::string_view name) const;
    // Makes the attribute the current node (type Attribute, its name and
    // value), saving the start tag; throws "Attribute NAME not found!".
    void MoveToAttribute(std::string_view name);
    // Restores the saved start tag (no effect when none is saved).
    void MoveToElement();

    // From a start tag: reads past its subtree without building texts, then
    // reads one more node (the result of that read). From any other node:
    // reads one node.
    bool SkipElement();
    // From a non-empty start tag: every text node below it, concatenated (UTF-8),
    // ending on its end tag. Gives "" and does not move for other nodes.
    void ReadElementTextUtf8(std::string& out);
    // From a non-empty start tag whose content is one plain text (no entity,
    // no line feed, not starting with white space) or nothing, followed by
    // an end tag, all already read into the buffer: moves to that end tag as
    // Next() would, node by node, and gives the text (valid until the next
    // move). Otherwise does not move and gives false.
    bool TakePlainTextContent(std::string_view& text);
    // In place of a Next() inside an element: when the next node starts a
    // whole plain element already read into the buffer (see
    // TXMLScaner::TakePlainElement), takes all of it as Next() would node by
    // node and fills element (views valid until the next move). The reader
    // is then on the element's end tag, or on its start tag when it is
    // empty, without attributes either way. Otherwise takes nothing and gives
    // false, and Next() is to be called.
    bool TakePlainElement(TXMLPlainElement& element);
    // The same for a caller that matches the plain elements itself (see
    // TXMLScaner::PlainBytesAhead): in place of a Next() inside an element,
    // the bytes ahead (empty when there are none to match); then
    // TakeMatchedElements takes what was matched, leaving the reader as
    // TakePlainElement would after the last of those elements.
    std::string_view PlainBytesAhead();
    void TakeMatchedElements(size_t count, size_t lastTagAt, bool lastEmpty);
    std::u16string ReadElementText();

    int64_t Line() const { return scanner_.Line(); }
    int64_t Position() const { return scanner_.Position(); }

private:
    struct Node {
        TXMLNodeType type = TXMLNodeType::None;
        std::string_view name;
        std::string_view value;
        bool noContent = true;
    };
    // Field by field: a Node built whole goes through the stack, and copying
    // it back reloads those narrower stores at once, which stalls.
    void SetNode(TXMLNodeType type, std::string_view name, std::string_view value, bool noContent) {
        node_.type = type;
        node_.name = name;
        node_.value = value;
        node_.noContent = noContent;
    }
    // Where one token's text is kept while a tag is read: in the scanner's
    // pinned buffer (input offset) or, once decoded, in tagBytes_.
    struct TextSpan {
        uint64_t at = 0;
        size_t length = 0;
        bool inBuffer = true;
    };
    struct AttributeSpan {
        TextSpan name, value;
    };

    TXMLTokenType NextSignificantToken();
    TextSpan KeepTokenText();
    std::string_view ViewOf(const TextSpan& span) const;
    void ReadStartTag();
    void ReadStartTagAfterName();
    void ReadEndTag();
    void ReadProcessingInstruction();
    [[noreturn]] void ThrowUnexpectedToken(const char* expected = nullptr) const;
    [[noreturn]] void ThrowEndOfInput() const;

    TXMLScaner scanner_;
    Node node_;
    Node saved_;
    bool hasSaved_ = false;
    int depth_ = 0;
    bool pendingDepth_ = false;
    // Decoded attribute values of the current tag (the rest stays in the
    // scanner's buffer), reused from tag to tag.
    std::string tagBytes_;
    std::vector<AttributeSpan> spans_;
    std::vector<TXMLAttribute> attributes_;
};

}  // namespace korvel
