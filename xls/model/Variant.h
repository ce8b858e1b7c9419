// The cell value type of the workbook model: a tagged union with the kinds the
// cell rules distinguish (empty, null, every integer width, single, double,
// currency, date, boolean, UTF-16 and ANSI text, arrays of any rank with low
// bounds, and "other" for errors and objects). Scalars copy without allocating,
// and so do UTF-16 texts of up to VariantText::kInlineUnits units; arrays are
// shared, immutable once built.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvel {

class VariantArray;

// The kinds, in the order of the alternatives held inside Variant.
enum class VariantKind : uint8_t {
    Empty, Null,
    Int8, Int16, Int32, Int64, UInt8, UInt16, UInt32,
    Single, Double, Currency, Date, Boolean,
    WideString, AnsiString, Array, Other
};

// Currency: a fixed-point number with four decimals, held as value * 10000.
struct VariantCurrency {
    int64_t scaled = 0;
    bool operator==(const VariantCurrency&) const = default;
};

// Date: days since 30 December 1899, the fraction being the time of day.
struct VariantDate {
    double days = 0;
    bool operator==(const VariantDate&) const = default;
};

// An error value or an object the model does not store (cells ignore it).
struct VariantOther {
    int32_t code = 0;
    bool operator==(const VariantOther&) const = default;
};

struct VariantNull {
    bool operator==(const VariantNull&) const = default;
};

// UTF-16 text held by a variant. Reading a sheet makes one variant per text
// cell, and cell texts are mostly short (names, addresses, users, a camera's
// place and model), so those stay inside the variant; only longer ones take a
// heap block.
class VariantText {
public:
    static constexpr size_t kInlineUnits = 42;

    // Throws std::length_error for a text of 2^32 units or more.
    explicit VariantText(std::u16string_view text);
    VariantText(const VariantText& other) : VariantText(other.View()) {}
    VariantText(VariantText&& other) noexcept;
    VariantText& operator=(const VariantText& other);
    VariantText& operator=(VariantText&& other) noexcept;
    ~VariantText() { FreeHeap(); }

    std::u16string_view View() const { return {IsInline() ? units_ : Heap(), length_}; }
    bool operator==(const VariantText& other) const { return View() == other.View(); }

private:
    bool IsInline() const { return length_ <= kInlineUnits; }
    // A longer text's block: its address is kept in the first bytes of units_,
    // so that the length fits beside the units without padding.
    char16_t* Heap() const {
        char16_t* block;
        std::memcpy(&block, units_, sizeof block);
        return block;
    }
    void SetHeap(char16_t* block) { std::memcpy(units_, &block, sizeof block); }
    void FreeHeap() {
        if (!IsInline()) delete[] Heap();
    }
    void TakeFrom(VariantText& other) noexcept;

    char16_t units_[kInlineUnits];
    uint32_t length_ = 0;
};
static_assert(sizeof(VariantText) == 88);

class Variant {
public:
    Variant() = default;                                   // Empty
    Variant(VariantNull) : value_(VariantNull{}) {}
    Variant(int8_t v) : value_(v) {}
    Variant(int16_t v) : value_(v) {}
    Variant(int32_t v) : value_(v) {}
    Variant(int64_t v) : value_(v) {}
    Variant(uint8_t v) : value_(v) {}
    Variant(uint16_t v) : value_(v) {}
    Variant(uint32_t v) : value_(v) {}
    Variant(float v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(VariantCurrency v) : value_(v) {}
    Variant(VariantDate v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(std::u16string_view v) : value_(std::in_place_type<VariantText>, v) {}
    Variant(const std::u16string& v) : Variant(std::u16string_view(v)) {}
    Variant(const char16_t* v) : Variant(std::u16string_view(v)) {}
    // A narrow literal would silently become a boolean; use Ansi() instead.
    Variant(const char*) = delete;
    Variant(std::shared_ptr<const VariantArray> v) : value_(std::move(v)) {}
    Variant(VariantOther v) : value_(v) {}

    // ANSI text: bytes of the system code page, converted when stored in a cell.
    static Variant Ansi(std::string bytes) {
        Variant v;
        v.value_.emplace<std::string>(std::move(bytes));
        return v;
    }
    static Variant Null() { return Variant(VariantNull{}); }
    static Variant Date(double days) { return Variant(VariantDate{days}); }

    VariantKind Kind() const { return static_cast<VariantKind>(value_.index()); }
    bool IsEmpty() const { return Kind() == VariantKind::Empty; }
    bool IsNull() const { return Kind() == VariantKind::Null; }
    // True for the integer widths, single, double and currency.
    bool IsNumeric() const;

    // Typed access; the caller checks Kind() first (std::bad_variant_access otherwise).
    template <class T> const T& Get() const { return std::get<T>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    bool AsBool() const { return std::get<bool>(value_); }
    double AsDateDays() const { return std::get<VariantDate>(value_).days; }
    // Valid while this variant lives unchanged.
    std::u16string_view AsWide() const { return std::get<VariantText>(value_).View(); }
    const std::string& AsAnsi() const { return std::get<std::string>(value_); }
    const VariantArray& AsArray() const { return *std::get<std::shared_ptr<const VariantArray>>(value_); }

    // The numeric kinds converted to double (currency divided by 10000); 0 for
    // every other kind.
    double NumericToDouble() const;

    // Same kind and equal contents (arrays element by element).
    bool operator==(const Variant& other) const;

private:
    std::variant<std::monostate, VariantNull,
                 int8_t, int16_t, int32_t, int64_t, uint8_t, uint16_t, uint32_t,
                 float, double, VariantCurrency, VariantDate, bool,
                 VariantText, std::string, std::shared_ptr<const VariantArray>, VariantOther>
        value_;
};

// One dimension of an array: its low bound and number of elements.
struct VariantBound {
    int32_t low = 0;
    int32_t count = 0;
};

// A rectangular array of variants of any rank. Elements are kept with the last
// dimension varying fastest.
class VariantArray {
public:
    // Elements are all Empty; every count must be >= 0.
    explicit VariantArray(std::vector<VariantBound> bounds);
    static std::shared_ptr<VariantArray> Make1D(int32_t low, std::vector<Variant> items);
    static std::shared_ptr<VariantArray> Make2D(int32_t low1, int32_t count1, int32_t low2, int32_t count2);

    int32_t Dimensions() const { return static_cast<int32_t>(bounds_.size()); }
    const VariantBound& Bound(int32_t dimension) const { return bounds_[dimension]; }
    size_t ElementCount() const { return items_.size(); }

    // Element access by absolute indexes (low bounds included); the indexes
    // must lie inside the bounds.
    const Variant& At(int32_t i) const { return items_[i - bounds_[0].low]; }
    const Variant& At(int32_t i, int32_t j) const { return items_[Offset2(i, j)]; }
    Variant& At(int32_t i, int32_t j) { return items_[Offset2(i, j)]; }

    bool operator==(const VariantArray& other) const;

private:
    size_t Offset2(int32_t i, int32_t j) const {
        return static_cast<size_t>(i - bounds_[0].low) * static_cast<size_t>(bounds_[1].count) +
               static_cast<size_t>(j - bounds_[1].low);
    }
    std::vector<VariantBound> bounds_;
    std::vector<Variant> items_;
};

}  // namespace korvel
