#include "tools/XLSCellDump.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/TextUtil.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel {

namespace {

// Python switches to scientific notation outside these decimal exponents.
constexpr int kPlainMinExponent = -4;
constexpr int kPlainMaxExponent = 15;

// The model reads a stored serial x as the date x + 1 when 0 <= x < 60;
// this is the inverse, back to the serial of the 1900 date system.
double DateToSerial(double days) { return days >= 1 && days < 61 ? days - 1 : days; }

void AppendHex4(uint32_t unit, std::string& out) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit);
    out += buf;
}

void AppendValue(const Variant& value, std::string& out) {
    switch (value.Kind()) {
    case VariantKind::WideString:
        out += "\"type\":\"text\",\"value\":";
        AppendJsonString(value.AsWide(), out);
        break;
    case VariantKind::Boolean:
        out += value.AsBool() ? "\"type\":\"bool\",\"value\":true" : "\"type\":\"bool\",\"value\":false";
        break;
    case VariantKind::Date:
        out += "\"type\":\"number\",\"value\":";
        out += PythonFloatRepr(DateToSerial(value.AsDateDays()));
        break;
    default:
        out += "\"type\":\"number\",\"value\":";
        out += PythonFloatRepr(value.NumericToDouble());
        break;
    }
}

bool HasDumpedValue(const Variant& value) {
    switch (value.Kind()) {
    case VariantKind::Empty:
    case VariantKind::Null:
    case VariantKind::Array:
    case VariantKind::Other:
    case VariantKind::AnsiString:
        return false;
    default:
        return true;
    }
}

void AppendSheetCells(IXLSWorksheet& sheet, int32_t number, const std::string& quotedName, std::string& out) {
    TXLSCellHeap& heap = sheet.CellHeap();
    char head[64];
    for (int32_t row = sheet.Rows().FirstRow(); row >= 0; row = sheet.Rows().NextRow(row)) {
        for (TXLSCellRef* cell = heap.FirstCellInRow(row); cell != nullptr; cell = heap.NextCellInRow(*cell)) {
            const Variant value = sheet.GetCellValue(row, cell->Column);
            if (!HasDumpedValue(value)) continue;
            std::snprintf(head, sizeof head, "{\"sheet\":%d,\"name\":", number);
            out += head;
            out += quotedName;
            std::snprintf(head, sizeof head, ",\"row\":%d,\"col\":%d,", row + 1, cell->Column + 1);
            out += head;
            AppendValue(value, out);
            out += "}\n";
        }
    }
}

}  // namespace

std::string PythonFloatRepr(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (value == 0) return std::signbit(value) ? "-0.0" : "0.0";
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view text(buf, static_cast<size_t>(written.ptr - buf));
    const size_t e = text.find('e');
    const bool negative = text.front() == '-';
    std::string digits;
    for (char c : text.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.') digits += c;
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string out = negative ? "-" : "";
    if (exponent >= kPlainMinExponent && exponent <= kPlainMaxExponent) {
        if (exponent >= 0) {
            const size_t whole = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= whole) {
                out += digits + std::string(whole - digits.size(), '0') + ".0";
            } else {
                out += digits.substr(0, whole) + "." + digits.substr(whole);
            }
        } else {
            out += "0.";
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out.append(".").append(digits, 1);
    char exp[16];
    std::snprintf(exp, sizeof exp, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + exp;
}

void AppendJsonString(std::u16string_view text, std::string& out) {
    out += '"';
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        switch (unit) {
        case u'"': out += "\\\""; continue;
        case u'\\': out += "\\\\"; continue;
        case u'\b': out += "\\b"; continue;
        case u'\f': out += "\\f"; continue;
        case u'\n': out += "\\n"; continue;
        case u'\r': out += "\\r"; continue;
        case u'\t': out += "\\t"; continue;
        default: break;
        }
        if (unit < 0x20) {
            AppendHex4(unit, out);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            const char32_t point = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            AppendUtf8(out, point);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendHex4(unit, out);
        } else {
            AppendUtf8(out, unit);
        }
    }
    out += '"';
}

void AppendCellDump(TXLSWorkbook& workbook, std::string& out) {
    IXLSWorkSheets& sheets = workbook.Sheets();
    std::vector<std::string> names;
    out += "{\"sheets\":[";
    for (int32_t i = 1; i <= sheets.Count(); ++i) {
        std::string name;
        AppendJsonString(sheets.Items(i)->Name(), name);
        if (i > 1) out += ',';
        out += name;
        names.push_back(std::move(name));
    }
    out += workbook.Date1904() ? "],\"datemode\":1}\n" : "],\"datemode\":0}\n";
    for (int32_t i = 1; i <= sheets.Count(); ++i) AppendSheetCells(*sheets.Items(i), i, names[i - 1], out);
}

}  // namespace korvel
