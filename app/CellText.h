// The text form of a cell value as the workbook-to-mobile conversion writes
// it into the device files: ANSI bytes, independent of the C locale.
#pragma once

#include <string>

#include "xls/model/Variant.h"

namespace korvel {

// True when the value is neither empty nor null: the cell "has a value".
inline bool CellHasValue(const Variant& value) { return !value.IsEmpty() && !value.IsNull(); }

// Appends a number as C's printf("%.15G") writes it in the "C" locale: 15
// significant digits, trailing zeros removed, plain notation for decimal
// exponents -4 to 14, otherwise "d.dddE+XX" (1234 -> "1234", 0.1 -> "0.1",
// 1e20 -> "1E+20", -0.0 -> "-0", infinities "INF" / "-INF", NaN "NAN").
void AppendNumberText(std::string& out, double number);

// Appends a date (days since 30 December 1899, the fraction being the time of
// day) as "YYYY-MM-DD", followed by " hh:mm:ss" when the time of day, rounded
// to the second, is not midnight. A value before 30 December 1899 counts its
// fraction forwards from the start of its day, as OLE dates do. Dates outside
// the years 1 to 9999 are written as their number (AppendNumberText).
void AppendDateText(std::string& out, double days);

// Replaces `out` with the ANSI text of a cell value: texts as they are (UTF-16
// converted with the system ANSI code page), numbers of every width as
// AppendNumberText, booleans "TRUE" / "FALSE", dates as AppendDateText, error
// values as their sheet names ("#DIV/0!", "#N/A", ...). Empty, null and arrays
// give the empty text.
void CellValueToAnsi(const Variant& value, std::string& out);

}  // namespace korvel
