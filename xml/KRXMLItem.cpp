#include "common/TextUtil.h"
#include "xml/KRXMLParser.h"

namespace korvel {

TXMLItem::TXMLItem() = default;

TXMLItem::~TXMLItem() {
    notify_ = false;
    Clear();
}

void TXMLItem::Changed() {
    if (notify_ && parser_ && parser_->XMLItemChanged) parser_->XMLItemChanged(*parser_, *this);
}

void TXMLItem::SetName(std::string_view name) {
    name_.assign(name);
    Changed();
}

void TXMLItem::SetText(std::string_view text) {
    text_.assign(text);
    Changed();
}

void TXMLItem::AppendText(std::string_view text) {
    text_.append(text);
    Changed();
}

void TXMLItem::SetParams(const TXMLParams& params) {
    if (&params != &params_) params_ = params;
    Changed();
}

TXMLItem& TXMLItem::SubItems(long long index) const {
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) throw EXMLListError(index);
    return *items_[static_cast<size_t>(index)];
}

TXMLItem& TXMLItem::New() {
    auto child = std::make_unique<TXMLItem>();
    child->parent_ = this;
    child->parser_ = parser_;
    items_.push_back(std::move(child));
    Changed();
    return *items_.back();
}

std::unique_ptr<TXMLItem> TXMLItem::Detach(size_t index) {
    std::unique_ptr<TXMLItem> child = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    return child;
}

void TXMLItem::Delete(long long index) {
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) throw EXMLListError(index);
    Detach(static_cast<size_t>(index)).reset();
    Changed();
}

void TXMLItem::Move(const TXMLItem& item, long long newIndex) {
    int from = IndexOf(&item);
    if (from < 0) throw EXMLListError(from);
    if (newIndex < 0 || static_cast<size_t>(newIndex) >= items_.size()) throw EXMLListError(newIndex);
    std::unique_ptr<TXMLItem> moving = Detach(static_cast<size_t>(from));
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(newIndex), std::move(moving));
}

int TXMLItem::IndexOf(const TXMLItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].get() == item) return static_cast<int>(i);
    }
    return -1;
}

int TXMLItem::IndexOfName(std::string_view name, int start) const {
    for (size_t i = start < 0 ? 0 : static_cast<size_t>(start); i < items_.size(); ++i) {
        if (AsciiEqualsIgnoreCase(items_[i]->name_, name)) return static_cast<int>(i);
    }
    return -1;
}

bool TXMLItem::Contains(const TXMLItem* item) const {
    for (const TXMLItem* up = item; up; up = up->parent_) {
        if (up == this) return true;
    }
    return false;
}

void TXMLItem::SetParent(TXMLItem* newParent) {
    if (newParent == parent_) return;
    if (!newParent) throw EXMLTreeError("An item cannot be detached from the tree");
    if (!parent_) throw EXMLTreeError("A root item cannot be moved");
    if (Contains(newParent)) throw EXMLTreeError("An item cannot be moved into its own subtree");
    std::unique_ptr<TXMLItem> self = parent_->Detach(static_cast<size_t>(parent_->IndexOf(this)));
    parent_ = newParent;
    newParent->items_.push_back(std::move(self));
    if (parser_ != newParent->parser_) AdoptParser(newParent->parser_);
}

// An item moved into another parser's tree reports to that parser from now on;
// keeping the old one would call into a parser that may already be gone.
void TXMLItem::AdoptParser(TKRXMLParser* parser) {
    std::vector<TXMLItem*> pending{this};
    while (!pending.empty()) {
        TXMLItem* item = pending.back();
        pending.pop_back();
        item->parser_ = parser;
        for (auto& child : item->items_) pending.push_back(child.get());
    }
}

std::string TXMLItem::FullName() const {
    std::vector<const TXMLItem*> chain;
    for (const TXMLItem* up = this; up; up = up->parent_) chain.push_back(up);
    std::string full;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        full += (*it)->name_;
        full += '/';
    }
    return full;
}

// Frees the subtree without recursion: a hostile document can nest elements
// far deeper than the call stack allows.
void TXMLItem::Clear() {
    bool wasNotifying = notify_;
    notify_ = false;
    std::vector<std::unique_ptr<TXMLItem>> doomed = std::move(items_);
    items_.clear();
    while (!doomed.empty()) {
        std::unique_ptr<TXMLItem> item = std::move(doomed.back());
        doomed.pop_back();
        item->notify_ = false;
        for (auto& child : item->items_) doomed.push_back(std::move(child));
        item->items_.clear();
    }
    params_.Clear();
    name_.clear();
    text_.clear();
    cdata_.clear();
    notify_ = wasNotifying;
}

}  // namespace korvel
