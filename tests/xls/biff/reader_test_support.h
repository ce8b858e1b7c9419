// Builders of hand-made BIFF record streams for the reader tests, and a
// helper that reads one into a workbook.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "xls/model/Variant.h"

namespace korvel {

class TXLSWorkbook;

namespace reader_test {

// A record body assembled field by field, little-endian.
struct Body {
    std::vector<uint8_t> bytes;
    Body& U8(uint8_t v);
    Body& U16(uint16_t v);
    Body& U32(uint32_t v);
    Body& F64(double v);
    Body& Raw(std::initializer_list<uint8_t> raw);
    Body& Ascii(const std::string& text);
    Body& Wide(const std::u16string& text);
};

// A record stream: records appended in order.
struct Stream {
    std::vector<uint8_t> bytes;
    Stream& Rec(uint16_t id, const Body& body);
    Stream& Rec(uint16_t id, std::initializer_list<uint8_t> body);
    // BOF of the given version and substream type (16 bytes BIFF8, 8 BIFF5).
    Stream& Bof(uint16_t version, uint16_t type);
    Stream& Eof();
    // Globals BOF of the version, a BOUNDSHEET per name (worksheets, BIFF8
    // or BIFF5 string form), the extra globals, EOF; then a worksheet BOF.
    Stream& GlobalsAndSheet(uint16_t version, const Stream& globals = Stream(),
                            std::initializer_list<const char16_t*> names = {u"Sheet1"});
};

// BIFF8 string forms.
Body Biff8Text16(const std::u16string& text);   // 16-bit count, option 1, UTF-16

// Reads the bytes through OpenStream; returns its result.
int32_t ReadBytes(TXLSWorkbook& workbook, const std::vector<uint8_t>& bytes, const std::u16string& password = u"");

// The value of the 1-based cell (row, col) of sheet `sheet` through
// Cells, Item and Value.
Variant CellValue(TXLSWorkbook& workbook, int32_t sheet, int32_t row, int32_t col);

}  // namespace reader_test
}  // namespace korvel
