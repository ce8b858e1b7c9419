// Turns the token run of one document into an item tree under a root item.
#pragma once

#include <string>

#include "xml/KRXMLParser.h"
#include "xml/KRXMLTokenizer.h"

namespace korvel {

class TXMLTreeBuilder {
public:
    // root must be empty; the parser receives a stylesheet declaration's href.
    TXMLTreeBuilder(TKRXMLParser& parser, TXMLItem& root) : parser_(parser), root_(root), current_(&root) {}

    // Applies one token (its kind and its TokenText) to the tree.
    void Take(TXMLTokenKind kind, const std::string& text);

private:
    void TakeDeclaration(const std::string& text);
    void TakeText(const std::string& text);
    void TakeStartTag(const std::string& text);
    void TakeEndTag();
    void TakeEmptyElementTag(const std::string& text);
    void TakeCData(const std::string& text);

    TKRXMLParser& parser_;
    TXMLItem& root_;
    TXMLItem* current_;
    bool rootClosed_ = false;  // the root's end tag was seen; the rest is ignored
};

}  // namespace korvel
