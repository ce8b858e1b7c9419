#include "xls/xlsx/XLSXValues.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cmath>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads exactly `count` digits at text[at..]; false when any is missing.
bool FixedDigits(std::string_view text, size_t at, size_t count, int32_t& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i])) return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int32_t m, int32_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool IsLeap(int32_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t DaysInMonth(int32_t y, int32_t m) {
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// "HH:MM[:SS[.fff]]" at text[at..] up to an optional zone; the day fraction.
bool ParseTime(std::string_view text, size_t at, double& fraction) {
    int32_t hour = 0, minute = 0, second = 0;
    if (!FixedDigits(text, at, 2, hour) || at + 2 >= text.size() || text[at + 2] != ':' ||
        !FixedDigits(text, at + 3, 2, minute))
        return false;
    size_t pos = at + 5;
    double seconds = 0;
    if (pos < text.size() && text[pos] == ':') {
        if (!FixedDigits(text, pos + 1, 2, second)) return false;
        seconds = second;
        pos += 3;
        if (pos < text.size() && text[pos] == '.') {
            double scale = 0.1;
            ++pos;
            if (pos >= text.size() || !IsDigit(text[pos])) return false;
            while (pos < text.size() && IsDigit(text[pos])) {
                seconds += (text[pos] - '0') * scale;
                scale /= 10;
                ++pos;
            }
        }
    }
    // Time zone: "Z" or "+HH:MM" / "-HH:MM"; the value is taken as local time.
    if (pos < text.size()) {
        int32_t zh = 0, zm = 0;
        const bool zulu = text[pos] == 'Z' && pos + 1 == text.size();
        const bool offset = (text[pos] == '+' || text[pos] == '-') && pos + 6 == text.size() &&
                            FixedDigits(text, pos + 1, 2, zh) && text[pos + 3] == ':' && FixedDigits(text, pos + 4, 2, zm);
        if (!zulu && !offset) return false;
    }
    if (hour > 24 || minute > 59 || seconds >= 61) return false;
    fraction = (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
    return true;
}

}  // namespace

namespace {

// The column letters of a reference (after an optional "$"): p moves past
// them. False when there are none or they pass the last column.
bool ParseColumnLetters(const char*& p, const char* end, int32_t& col) {
    if (p != end && *p == '$') ++p;
    const char* const letters = p;
    col = 0;
    for (; p != end; ++p) {
        // Setting bit 5 lower-cases exactly the ASCII capitals.
        const unsigned letter = (static_cast<unsigned char>(*p) | 0x20u) - unsigned{'a'};
        if (letter >= 26) break;
        col = col * 26 + static_cast<int32_t>(letter) + 1;
        if (col > kXLSXColumnLimit) return false;
    }
    return p != letters;
}

// The row part of a reference, the whole rest of it: an optional "$" and
// digits for a row of 1 to the last.
bool ParseRowDigits(const char* p, const char* end, int32_t& row) {
    if (p != end && *p == '$') ++p;
    const char* const digits = p;
    row = 0;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) break;
        row = row * 10 + static_cast<int32_t>(digit);
        if (row > kXLSXRowLimit) return false;
    }
    return p != digits && p == end && row != 0;
}

}  // namespace

bool ParseCellReference(std::string_view text, TXLSXCellPos& pos) {
    const char* p = text.data();
    const char* const end = p + text.size();
    int32_t col = 0, row = 0;
    if (!ParseColumnLetters(p, end, col) || !ParseRowDigits(p, end, row)) return false;
    pos = CellPosOf(row, col);
    return true;
}

bool TXLSXCellReferenceParser::Parse(std::string_view text, TXLSXCellPos& pos) {
    const char* p = text.data();
    const char* const end = p + text.size();
    int32_t col = 0;
    if (!ParseColumnLetters(p, end, col)) return false;
    const size_t length = static_cast<size_t>(end - p);
    if (length == rowTextLength_ && length != 0) {
        size_t i = 0;
        while (i < length && p[i] == rowText_[i]) ++i;
        if (i == length) {
            pos = CellPosOf(row_, col);
            return true;
        }
    }
    int32_t row = 0;
    if (!ParseRowDigits(p, end, row)) return false;
    if (length <= sizeof rowText_) {
        std::copy(p, end, rowText_);
        rowTextLength_ = length;
        row_ = row;
    }
    pos = CellPosOf(row, col);
    return true;
}

bool ParseRangeReference(std::string_view text, TXLSXCellPos& first, TXLSXCellPos& last) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        if (!ParseCellReference(text, first)) return false;
        last = first;
        return true;
    }
    return ParseCellReference(text.substr(0, colon), first) && ParseCellReference(text.substr(colon + 1), last);
}

namespace {

// Decimals of at most 15 digits without an exponent ("723", "-9038.49"),
// the usual cell values: the digits as an integer are exact in a double, and
// so is the power of ten, so one division rounds correctly, as from_chars
// would. Anything else answers false and goes the general way.
bool ParseShortDecimal(std::string_view text, double& value) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr size_t kMaxDigits = 15;
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    if (static_cast<size_t>(end - p) > kMaxDigits + 1) return false;
    uint64_t digits = 0;
    const char* const first = p;
    while (p != end && IsDigit(*p)) digits = digits * 10 + static_cast<uint64_t>(*p++ - '0');
    size_t fractionDigits = 0;
    const bool point = p != end && *p == '.';
    if (point) {
        const char* const fraction = ++p;
        while (p != end && IsDigit(*p)) digits = digits * 10 + static_cast<uint64_t>(*p++ - '0');
        fractionDigits = static_cast<size_t>(p - fraction);
    }
    const size_t digitCount = static_cast<size_t>(p - first) - (point ? 1 : 0);
    if (p != end || digitCount == 0 || digitCount > kMaxDigits) return false;
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    return true;
}

}  // namespace

bool ParseXmlDouble(std::string_view text, double& value) {
    if (ParseShortDecimal(text, value)) return true;
    text = TrimBlanks(text);
    if (text == "INF" || text == "+INF") {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (text == "-INF") {
        value = -std::numeric_limits<double>::infinity();
        return true;
    }
    if (text == "NaN") {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // from_chars would also take "inf" and "nan" spelled in other ways and
    // hexadecimal forms; only decimal digits, sign, point and exponent count.
    for (char c : text)
        if (!IsDigit(c) && c != '.' && c != '-' && c != 'e' && c != 'E' && c != '+') return false;
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    // Out of range: from_chars leaves value unchanged; such a text is not a number we can hold.
    return ec == std::errc() && ptr == end;
}

bool ParseXmlInt(std::string_view text, int64_t& value) {
    // Plain digits, the usual form (row numbers, string indices): up to 18
    // of them cannot pass 64 bits.
    constexpr size_t kSafeDigits = 18;
    if (!text.empty() && text.size() <= kSafeDigits) {
        int64_t digits = 0;
        size_t i = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i) digits = digits * 10 + (text[i] - '0');
        if (i == text.size()) {
            value = digits;
            return true;
        }
    }
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool XmlTrue(std::string_view text) { return text == "1" || text == "true"; }

bool ParseHex32(std::string_view text, uint32_t& value) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 8) return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    return ec == std::errc() && ptr == end;
}

bool ParseIsoDate(std::string_view text, double& days) {
    text = TrimBlanks(text);
    // A time of day alone: "HH:MM[:SS]".
    if (text.size() >= 5 && text[2] == ':') return ParseTime(text, 0, days);
    int32_t year = 0, month = 0, day = 0;
    if (!FixedDigits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !FixedDigits(text, 5, 2, month) ||
        text[7] != '-' || !FixedDigits(text, 8, 2, day))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    double fraction = 0;
    if (text.size() > 10) {
        if (text[10] != 'T' && text[10] != ' ') {
            // A date with a zone only ("2024-02-29Z").
            if (!(text[10] == 'Z' && text.size() == 11)) return false;
        } else if (!ParseTime(text, 11, fraction)) {
            return false;
        }
    }
    // 30 December 1899 is day 0.
    days = static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30)) + fraction;
    return true;
}

namespace {

// Widens bytes to units up to the first byte that is not ASCII; returns how
// many were widened.
size_t WidenAscii(const uint8_t* bytes, size_t count, char16_t* units) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; count - i >= 16; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(v) != 0) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#endif
    for (; i < count && bytes[i] < 0x80; ++i) units[i] = static_cast<char16_t>(bytes[i]);
    return i;
}

}  // namespace

void AppendUtf8AsUtf16(std::string_view utf8, std::u16string& out) {
    const size_t n = utf8.size();
    // The ASCII run at the start (often the whole text) is widened in place,
    // into room for one unit per byte: UTF-8 never needs fewer bytes than
    // UTF-16 needs units.
    const size_t at = out.size();
    out.resize(at + n);
    const size_t ascii = WidenAscii(reinterpret_cast<const uint8_t*>(utf8.data()), n, out.data() + at);
    out.resize(at + ascii);
    for (size_t i = ascii; i < n;) {
        const uint8_t c = static_cast<uint8_t>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char16_t>(c));
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((c & 0xE0) == 0xC0) { length = 2; cp = c & 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { length = 3; cp = c & 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { length = 4; cp = c & 0x07; min = 0x10000; }
        bool good = length != 0 && i + length <= n;
        for (size_t k = 1; good && k < length; ++k) {
            const uint8_t t = static_cast<uint8_t>(utf8[i + k]);
            if ((t & 0xC0) != 0x80) good = false;
            else cp = (cp << 6) | (t & 0x3F);
        }
        if (!good || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;  // resynchronise on the next byte
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
}

}  // namespace korvel
