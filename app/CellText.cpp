#include "app/CellText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "platform/CodePage.h"

namespace korvel {

namespace {
constexpr int kSignificantDigits = 15;

// Removes trailing zeros of a fraction, and its point when nothing is left.
void TrimFraction(std::string& out, size_t pointAt) {
    if (pointAt == std::string::npos) return;
    while (out.back() == '0') out.pop_back();
    if (out.size() == pointAt + 1) out.pop_back();
}

void AppendExponent(std::string& out, int exponent) {
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    unsigned magnitude = static_cast<unsigned>(exponent < 0 ? -exponent : exponent);
    if (magnitude < 10) out.push_back('0');
    out += std::to_string(magnitude);
}

void AppendTwoDigits(std::string& out, int64_t value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

// Year, month and day of a day count from 1 January 1970 (proleptic Gregorian).
void CivilFromDays(int64_t z, int64_t& year, int64_t& month, int64_t& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kDateEpochFrom1970 = -25569;
constexpr int64_t kSecondsPerDay = 86400;
// Day numbers of 1 January 0001 and 31 December 9999 from 30 December 1899.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

std::string_view ErrorText(int32_t code) {
    switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return {};
    }
}
}  // namespace

void AppendNumberText(std::string& out, double number) {
    if (std::isnan(number)) {
        out += "NAN";
        return;
    }
    if (std::isinf(number)) {
        out += number < 0 ? "-INF" : "INF";
        return;
    }
    // Shortest correctly rounded 15-digit form: "[-]d.dddddddddddddde[+-]x".
    char digits[40];
    auto [end, failed] = std::to_chars(digits, digits + sizeof digits, number, std::chars_format::scientific,
                                       kSignificantDigits - 1);
    if (failed != std::errc()) return;
    std::string_view text(digits, static_cast<size_t>(end - digits));
    if (text.front() == '-') {
        out.push_back('-');
        text.remove_prefix(1);
    }
    const size_t e = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    std::string mantissa;  // the 15 digits without the point
    mantissa.push_back(text[0]);
    mantissa.append(text.substr(2, e - 2));

    if (exponent < -4 || exponent >= kSignificantDigits) {
        size_t start = out.size();
        out.push_back(mantissa[0]);
        out.push_back('.');
        out.append(mantissa, 1);
        TrimFraction(out, start + 1);
        AppendExponent(out, exponent);
        return;
    }
    size_t pointAt;
    if (exponent < 0) {
        out += "0.";
        pointAt = out.size() - 1;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += mantissa;
    } else {
        out.append(mantissa, 0, static_cast<size_t>(exponent) + 1);
        pointAt = out.size();
        out.push_back('.');
        out.append(mantissa, static_cast<size_t>(exponent) + 1);
    }
    TrimFraction(out, pointAt);
}

void AppendDateText(std::string& out, double days) {
    if (!(days >= kFirstDay && days < kLastDay + 1)) {
        AppendNumberText(out, days);
        return;
    }
    double whole = std::trunc(days);
    // Before the epoch the fraction still runs forwards: -1.25 is 29 December 1899, 06:00.
    double fraction = std::fabs(days - whole);
    int64_t seconds = std::llround(fraction * kSecondsPerDay);
    int64_t day = static_cast<int64_t>(whole);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++day;  // rounds up to the next midnight, forwards in time for either sign
    }
    int64_t year, month, dayOfMonth;
    CivilFromDays(day + kDateEpochFrom1970, year, month, dayOfMonth);
    if (year < 1 || year > 9999) {
        AppendNumberText(out, days);
        return;
    }
    char buffer[8];
    auto [end, failed] = std::to_chars(buffer, buffer + sizeof buffer, 10000 + year);
    (void)failed;
    out.append(buffer + 1, end);
    out.push_back('-');
    AppendTwoDigits(out, month);
    out.push_back('-');
    AppendTwoDigits(out, dayOfMonth);
    if (seconds == 0) return;
    out.push_back(' ');
    AppendTwoDigits(out, seconds / 3600);
    out.push_back(':');
    AppendTwoDigits(out, seconds / 60 % 60);
    out.push_back(':');
    AppendTwoDigits(out, seconds % 60);
}

void CellValueToAnsi(const Variant& value, std::string& out) {
    out.clear();
    switch (value.Kind()) {
    case VariantKind::WideString: AppendWideToMultiByte(SystemAnsiCodePage(), value.AsWide(), out); break;
    case VariantKind::AnsiString: out = value.AsAnsi(); break;
    case VariantKind::Boolean: out = value.AsBool() ? "TRUE" : "FALSE"; break;
    case VariantKind::Date: AppendDateText(out, value.AsDateDays()); break;
    case VariantKind::Other: out = ErrorText(value.Get<VariantOther>().code); break;
    case VariantKind::Empty:
    case VariantKind::Null:
    case VariantKind::Array: break;
    default: AppendNumberText(out, value.NumericToDouble()); break;
    }
}

}  // namespace korvel
