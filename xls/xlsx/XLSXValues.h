// Pure conversions of the texts found in Office Open XML parts: cell
// references ("B2", "$C$3"), ranges ("A1:B2"), numbers and integers in the
// XML Schema forms, booleans, ISO 8601 dates, and UTF-8 appended as UTF-16.
// None of them reads outside the view it is given; none allocates beyond
// growing the caller's buffer.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvel {

// A cell position, 0-based.
struct TXLSXCellPos {
    int32_t Row = 0;
    int32_t Col = 0;
};
static_assert(sizeof(TXLSXCellPos) == 8);

// The last row and column (1-based) a reference may name.
inline constexpr int32_t kXLSXRowLimit = 1048576;
inline constexpr int32_t kXLSXColumnLimit = 16384;

// The position of 1-based row and col, made in one piece: a reader that
// loads a stored position whole would otherwise wait for two narrower
// stores to retire.
inline TXLSXCellPos CellPosOf(int32_t row, int32_t col) {
    const uint64_t first = static_cast<uint32_t>(row - 1), second = static_cast<uint32_t>(col - 1);
    return std::bit_cast<TXLSXCellPos>(std::endian::native == std::endian::little ? first | second << 32
                                                                                  : second | first << 32);
}

// Parses an A1 reference: an optional "$", one or more letters (either case)
// for the column, an optional "$", digits for the row, nothing after them.
// False for anything else and for positions beyond 1,048,576 rows or
// 16,384 columns (and row 0).
bool ParseCellReference(std::string_view text, TXLSXCellPos& pos);

// ParseCellReference for the cells of a sheet, read in order: their
// references nearly all repeat the row part of the one before ("B7" after
// "A7"), which is then compared rather than parsed again. Same results.
class TXLSXCellReferenceParser {
public:
    bool Parse(std::string_view text, TXLSXCellPos& pos);

private:
    // The row part of the last reference parsed in full, and its row (1-based).
    char rowText_[8] = {};
    size_t rowTextLength_ = 0;
    int32_t row_ = 0;
};
// "A1:B2" (or a single reference, giving a one-cell range). First and last
// are as written (not put in order).
bool ParseRangeReference(std::string_view text, TXLSXCellPos& first, TXLSXCellPos& last);

// An xsd:double: optional blanks around, optional sign, digits with "." as
// the decimal point, optional exponent; also INF, -INF and NaN. False when
// the text is not a number.
bool ParseXmlDouble(std::string_view text, double& value);
// A decimal integer (optional blanks and sign) that fits in 64 bits.
bool ParseXmlInt(std::string_view text, int64_t& value);
// xsd:boolean: true for "1" and "true", false for everything else.
bool XmlTrue(std::string_view text);
// A hexadecimal number of 1 to 8 digits.
bool ParseHex32(std::string_view text, uint32_t& value);

// An ISO 8601 date, date-time or time ("2024-02-29", "1999-12-31T23:59:59",
// "2024-02-29T12:00:00.5Z", "12:30:00"), as days since 30 December 1899
// (the time of day as the fraction; a time alone counts from day 0). A time
// zone suffix is accepted and ignored. False when the text is none of these
// or names an impossible date.
bool ParseIsoDate(std::string_view text, double& days);

// Appends UTF-8 text as UTF-16; malformed sequences become U+FFFD.
void AppendUtf8AsUtf16(std::string_view utf8, std::u16string& out);

}  // namespace korvel
