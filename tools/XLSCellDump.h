// The cell dump of a workbook: JSON lines in the format of the independent
// checking tool (tests/tools/oracle-dump.py). A header line with the sheet
// names and the date system, then one line per cell that has a value, sheets
// in order, rows and columns ascending:
//   {"sheets":["Types"],"datemode":0}
//   {"sheet":1,"name":"Types","row":1,"col":2,"type":"number","value":1.5}
// Values are those the workbook model gives: texts, numbers, booleans; a
// date is written as a "number" with its serial in the 1900 date system.
#pragma once

#include <string>
#include <string_view>

namespace korvel {

class TXLSWorkbook;

// Appends the whole dump of the workbook to out.
void AppendCellDump(TXLSWorkbook& workbook, std::string& out);

// Python's repr() of a double: the shortest digits that read back to the same
// value; plain notation with at least one digit after the point while the
// decimal exponent is -4 to 15 ("1.0", "0.0001", "-0.0"), scientific with a
// sign and at least two exponent digits otherwise ("1e+16", "1.5e-05").
// NaN, Infinity and -Infinity for the non-finite values.
std::string PythonFloatRepr(double value);

// A JSON string (quotes included): " and \ escaped, \b \f \n \r \t, other
// characters below U+0020 as \u00xx, unpaired surrogates as \udxxx (lower-case
// hex), everything else as UTF-8.
void AppendJsonString(std::u16string_view text, std::string& out);

}  // namespace korvel
