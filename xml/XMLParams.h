// The attribute list of an XML element: name/value pairs in document order,
// looked up by name without regard to ASCII letter case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvel {

struct TXMLParam {
    std::string Name;
    std::string Value;
    bool operator==(const TXMLParam&) const = default;
};

class TXMLParams {
public:
    size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    const TXMLParam& operator[](size_t index) const { return items_[index]; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Index of the first attribute whose name equals the given one, ignoring
    // ASCII case; -1 when there is none.
    int IndexOfName(std::string_view name) const;
    // The value of that attribute, or empty when there is none.
    std::string Value(std::string_view name) const;
    // Replaces the value of the first attribute with that name, or appends a new
    // attribute. An empty value removes the attribute instead.
    void SetValue(std::string_view name, std::string_view value);
    // Appends an attribute as it is, even when its name is already present.
    void Add(std::string_view name, std::string_view value);
    void Clear() { items_.clear(); }

    bool operator==(const TXMLParams&) const = default;

private:
    std::vector<TXMLParam> items_;
};

}  // namespace korvel
