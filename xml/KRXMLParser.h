// An element tree loaded from an XML document, and the parser that loads and
// saves it. All text is kept as the document's bytes: loading and saving do no
// character-set conversion.
//
// Loading builds the tree from the tokens of KRXMLTokenizer.h: the first
// element becomes the root item; each start tag below it makes a child; text
// runs are entity-decoded into the current item's Text (a second run of the
// same element is joined to the first by CR LF); "<br/>" is skipped, so a line
// break saved as "<br/>" comes back as CR LF; a CDATA section replaces the
// item's CData; declarations and comments leave no item. Tokens after the end
// tag that closes the root are ignored.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Stream.h"
#include "xml/XMLErrors.h"
#include "xml/XMLParams.h"

namespace korvel {

class TKRXMLParser;

class TXMLItem {
public:
    // An item without parent, parser or children (the parser's root is one).
    TXMLItem();
    ~TXMLItem();
    TXMLItem(const TXMLItem&) = delete;
    TXMLItem& operator=(const TXMLItem&) = delete;

    // Setting Name, Text or Params sends the change event for this item;
    // setting CData sends none.
    const std::string& Name() const { return name_; }
    void SetName(std::string_view name);
    const std::string& Text() const { return text_; }
    void SetText(std::string_view text);
    // Appends to Text and sends the change event.
    void AppendText(std::string_view text);
    const std::string& CData() const { return cdata_; }
    void SetCData(std::string_view cdata) { cdata_.assign(cdata); }
    // Changing the list in place sends no event; SetParams copies and sends one.
    const TXMLParams& Params() const { return params_; }
    TXMLParams& Params() { return params_; }
    void SetParams(const TXMLParams& params);

    size_t SubItemCount() const { return items_.size(); }
    size_t Count() const { return items_.size(); }
    // The child at a 0-based index; throws EXMLListError
    // "List index out of bounds (<index>)" when there is none.
    TXMLItem& SubItems(long long index) const;

    TXMLItem* Parent() const { return parent_; }
    // Moves this item (with its subtree) to the end of newParent's children;
    // nothing happens when newParent already is its parent. Throws
    // EXMLTreeError for a null parent, for an item that has no parent (a root
    // belongs to its owner) and for a newParent inside this item's subtree.
    // Moved into another parser's tree, the subtree takes that parser.
    void SetParent(TXMLItem* newParent);

    // The names from the root down to this item, each followed by "/".
    std::string FullName() const;

    // When set (the default) the item is saved with line breaks and indentation.
    bool LineBreaks() const { return lineBreaks_; }
    void SetLineBreaks(bool lineBreaks) { lineBreaks_ = lineBreaks; }

    // The parser whose XMLItemChanged handler hears this subtree's changes.
    TKRXMLParser* Parser() const { return parser_; }
    void SetParser(TKRXMLParser* parser) { parser_ = parser; }

    // Appends a new child (same parser), sends the change event for this item
    // and returns the child, which this item owns.
    TXMLItem& New();
    // Frees the child at index with its subtree and sends the change event for
    // this item. Throws EXMLListError for an index out of range.
    void Delete(long long index);
    // Moves the given child to newIndex. Throws EXMLListError when the item is
    // not a child or newIndex is out of range.
    void Move(const TXMLItem& item, long long newIndex);
    // Index of the given child, or -1.
    int IndexOf(const TXMLItem* item) const;
    // First child index at or after start (negative counts as 0) whose Name
    // equals name ignoring ASCII case; -1 when there is none.
    int IndexOfName(std::string_view name, int start = 0) const;
    // Deletes the children and attributes and empties Name, Text and CData,
    // sending no change event.
    void Clear();

private:
    void Changed();
    bool Contains(const TXMLItem* item) const;
    std::unique_ptr<TXMLItem> Detach(size_t index);
    void AdoptParser(TKRXMLParser* parser);

    std::string text_;
    std::string name_;
    TXMLParams params_;
    std::vector<std::unique_ptr<TXMLItem>> items_;
    TXMLItem* parent_ = nullptr;
    TKRXMLParser* parser_ = nullptr;
    bool notify_ = true;
    bool lineBreaks_ = true;
    std::string cdata_;
};

// Handlers. Cancelling handlers clear allow (set on entry) to stop the operation.
using TXMLItemChanged = std::function<void(TKRXMLParser& sender, TXMLItem& item)>;
using TXMLLoadSaveEvent = std::function<void(TKRXMLParser& sender, bool& allow)>;
using TXMLNotifyEvent = std::function<void(TKRXMLParser& sender)>;

class TKRXMLParser {
public:
    TKRXMLParser();
    ~TKRXMLParser();
    TKRXMLParser(const TKRXMLParser&) = delete;
    TKRXMLParser& operator=(const TKRXMLParser&) = delete;

    TXMLItem& RootItem() { return *root_; }
    const TXMLItem& RootItem() const { return *root_; }

    // Opens the file for reading (others may read and write it) and loads it
    // like LoadFromStream; if that still fails with EXMLParserError, loads once
    // more from the start with TXMLLargeTokenizer. The file is closed in every
    // case. Throws EFOpenError when the file cannot be opened
    // ("Cannot open file "<path>". <reason>"), EXMLParserError when every
    // attempt failed, and stream errors as they come.
    void LoadFromFile(const std::string& path);
    // Loads the document that starts at the stream's position, replacing the
    // tree: with TXMLTokenizer (TXMLLargeTokenizer when DefaultLargeTokenizer is
    // set); on EXMLParserError, once more from the same position with
    // TXMLLargeTokenizer, whose errors go to the caller. BeforeLoad is asked
    // before each attempt; a cancelled attempt changes nothing and sends no
    // OnLoaded. XMLItemChanged is silent while loading.
    void LoadFromStream(TStream& stream);

    // Creates or truncates the file and saves the tree into it; the stylesheet
    // line is left out when the extension is ".xsl" (any case). BeforeSave is
    // asked before the file is touched: a cancelled save leaves the file as it
    // was and sends no OnSaved. OnSaved follows a completed save. Throws
    // EFOpenError when the file cannot be created, EWriteError on a short write.
    void SaveToFile(const std::string& path);
    // Writes the declaration line, the stylesheet line (unless omitted or
    // StyleSheet is blank) and the tree, each line ended by CR LF. BeforeSave
    // can cancel (nothing is written); OnSaved follows. Throws EWriteError.
    void SaveToStream(TStream& stream, bool omitStyleSheet = false);

    // Asks BeforeClear; if allowed, clears the tree and calls OnCleared.
    void Clear();

    // The root's line-breaks flag; saving hands it down to every item.
    bool CrLfInAsString() const { return root_->LineBreaks(); }
    void SetCrLfInAsString(bool value) { root_->SetLineBreaks(value); }

    bool DefaultLargeTokenizer = false;
    // The href of the last "<?xml-stylesheet ... href="..."?>" loaded, or set
    // by the caller; written back on save.
    std::string StyleSheet;

    TXMLItemChanged XMLItemChanged;
    TXMLNotifyEvent OnLoaded;
    TXMLNotifyEvent OnCleared;
    TXMLNotifyEvent OnSaved;
    TXMLLoadSaveEvent BeforeLoad;
    TXMLLoadSaveEvent BeforeSave;
    TXMLLoadSaveEvent BeforeClear;

private:
    void LoadAttempt(TStream& stream, bool largeTokenizer);
    bool Allowed(const TXMLLoadSaveEvent& event);
    void WriteDocument(TStream& stream, bool omitStyleSheet);

    std::unique_ptr<TXMLItem> root_;
};

}  // namespace korvel
