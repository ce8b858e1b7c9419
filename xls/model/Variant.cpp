#include "xls/model/Variant.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <type_traits>

namespace korvel {

bool Variant::IsNumeric() const {
    switch (Kind()) {
    case VariantKind::Int8: case VariantKind::Int16: case VariantKind::Int32: case VariantKind::Int64:
    case VariantKind::UInt8: case VariantKind::UInt16: case VariantKind::UInt32:
    case VariantKind::Single: case VariantKind::Double: case VariantKind::Currency:
        return true;
    default:
        return false;
    }
}

double Variant::NumericToDouble() const {
    switch (Kind()) {
    case VariantKind::Int8: return std::get<int8_t>(value_);
    case VariantKind::Int16: return std::get<int16_t>(value_);
    case VariantKind::Int32: return std::get<int32_t>(value_);
    case VariantKind::Int64: return static_cast<double>(std::get<int64_t>(value_));
    case VariantKind::UInt8: return std::get<uint8_t>(value_);
    case VariantKind::UInt16: return std::get<uint16_t>(value_);
    case VariantKind::UInt32: return std::get<uint32_t>(value_);
    case VariantKind::Single: return std::get<float>(value_);
    case VariantKind::Double: return std::get<double>(value_);
    case VariantKind::Currency: return static_cast<double>(std::get<VariantCurrency>(value_).scaled) / 10000.0;
    default: return 0;
    }
}

namespace {

// Copies a short run of units (at most VariantText::kInlineUnits) without a
// call: two fixed-size copies that may overlap cover every length, and
// neither reads or writes past the run.
void CopyShortUnits(char16_t* to, const char16_t* from, size_t units) {
    auto* out = reinterpret_cast<unsigned char*>(to);
    const auto* in = reinterpret_cast<const unsigned char*>(from);
    const size_t bytes = units * sizeof(char16_t);
    auto twice = [&](auto width) {
        constexpr size_t w = decltype(width)::value;
        std::memcpy(out, in, w);
        std::memcpy(out + bytes - w, in + bytes - w, w);
    };
    if (bytes > 64) {
        std::memcpy(out, in, 64);
        std::memcpy(out + bytes - 32, in + bytes - 32, 32);
    } else if (bytes > 32) {
        twice(std::integral_constant<size_t, 32>{});
    } else if (bytes > 16) {
        twice(std::integral_constant<size_t, 16>{});
    } else if (bytes > 8) {
        twice(std::integral_constant<size_t, 8>{});
    } else if (bytes > 4) {
        twice(std::integral_constant<size_t, 4>{});
    } else if (bytes > 0) {
        twice(std::integral_constant<size_t, 2>{});
    }
}
static_assert(VariantText::kInlineUnits * sizeof(char16_t) <= 96, "CopyShortUnits covers up to 96 bytes");

}  // namespace

VariantText::VariantText(std::u16string_view text) {
    if (text.size() > UINT32_MAX) throw std::length_error("text too long for a variant");
    length_ = static_cast<uint32_t>(text.size());
    if (IsInline()) {
        CopyShortUnits(units_, text.data(), text.size());
    } else {
        char16_t* block = new char16_t[length_];
        std::copy(text.begin(), text.end(), block);
        SetHeap(block);
    }
}

void VariantText::TakeFrom(VariantText& other) noexcept {
    length_ = other.length_;
    if (IsInline()) {
        CopyShortUnits(units_, other.units_, length_);
    } else {
        SetHeap(other.Heap());
        other.length_ = 0;  // the block is ours now
    }
}

VariantText::VariantText(VariantText&& other) noexcept { TakeFrom(other); }

VariantText& VariantText::operator=(const VariantText& other) {
    if (this != &other) *this = VariantText(other.View());
    return *this;
}

VariantText& VariantText::operator=(VariantText&& other) noexcept {
    if (this != &other) {
        FreeHeap();
        TakeFrom(other);
    }
    return *this;
}

bool Variant::operator==(const Variant& other) const {
    if (Kind() != other.Kind()) return false;
    if (Kind() == VariantKind::Array) return AsArray() == other.AsArray();
    return value_ == other.value_;
}

VariantArray::VariantArray(std::vector<VariantBound> bounds) : bounds_(std::move(bounds)) {
    size_t total = bounds_.empty() ? 0 : 1;
    for (const VariantBound& b : bounds_) total *= static_cast<size_t>(b.count > 0 ? b.count : 0);
    items_.resize(total);
}

std::shared_ptr<VariantArray> VariantArray::Make1D(int32_t low, std::vector<Variant> items) {
    auto array = std::make_shared<VariantArray>(
        std::vector<VariantBound>{{low, static_cast<int32_t>(items.size())}});
    array->items_ = std::move(items);
    return array;
}

std::shared_ptr<VariantArray> VariantArray::Make2D(int32_t low1, int32_t count1, int32_t low2, int32_t count2) {
    return std::make_shared<VariantArray>(std::vector<VariantBound>{{low1, count1}, {low2, count2}});
}

bool VariantArray::operator==(const VariantArray& other) const {
    if (bounds_.size() != other.bounds_.size()) return false;
    for (size_t d = 0; d < bounds_.size(); ++d)
        if (bounds_[d].low != other.bounds_[d].low || bounds_[d].count != other.bounds_[d].count) return false;
    return items_ == other.items_;
}

}  // namespace korvel
