#include "xml/XMLParams.h"

#include "common/TextUtil.h"

namespace korvel {

int TXMLParams::IndexOfName(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (AsciiEqualsIgnoreCase(items_[i].Name, name)) return static_cast<int>(i);
    }
    return -1;
}

std::string TXMLParams::Value(std::string_view name) const {
    int index = IndexOfName(name);
    return index < 0 ? std::string() : items_[static_cast<size_t>(index)].Value;
}

void TXMLParams::SetValue(std::string_view name, std::string_view value) {
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) items_.erase(items_.begin() + index);
    } else if (index >= 0) {
        items_[static_cast<size_t>(index)].Value.assign(value);
    } else {
        Add(name, value);
    }
}

void TXMLParams::Add(std::string_view name, std::string_view value) {
    items_.push_back(TXMLParam{std::string(name), std::string(value)});
}

}  // namespace korvel
