// Error kinds of the XML tokenizer and the element tree.
#pragma once

#include <string>

#include "platform/Errors.h"

namespace korvel {

// A document the tokenizer cannot cut into tokens ("Line too long", an
// unterminated tag). The message is "<reason> on line <n>". The parser catches
// this kind, and only this kind, to retry with the whole-stream tokenizer.
class EXMLParserError : public EKorvelError {
public:
    EXMLParserError(const std::string& reason, int line)
        : EKorvelError(reason + " on line " + std::to_string(line)), reason_(reason), line_(line) {}
    const char* Kind() const override { return "EXMLParserError"; }
    const std::string& Reason() const { return reason_; }
    int Line() const { return line_; }

private:
    std::string reason_;
    int line_;
};

// An index outside an item's child list: "List index out of bounds (<index>)".
class EXMLListError : public EKorvelError {
public:
    explicit EXMLListError(long long index)
        : EKorvelError("List index out of bounds (" + std::to_string(index) + ")") {}
    const char* Kind() const override { return "EListError"; }
};

// A tree change that would break ownership: detaching an item without a new
// parent, moving the root, or making an item a child of its own subtree.
class EXMLTreeError : public EKorvelError {
public:
    using EKorvelError::EKorvelError;
    const char* Kind() const override { return "EXMLTreeError"; }
};

}  // namespace korvel
