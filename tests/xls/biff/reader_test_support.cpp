#include "tests/xls/biff/reader_test_support.h"

#include <cstring>

#include "platform/Stream.h"
#include "xls/model/XLSRange.h"
#include "xls/model/XLSWorkbook.h"
#include "xls/model/XLSWorksheet.h"

namespace korvel::reader_test {

Body& Body::U8(uint8_t v) {
    bytes.push_back(v);
    return *this;
}
Body& Body::U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
Body& Body::U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
Body& Body::F64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return U32(uint32_t(bits)).U32(uint32_t(bits >> 32));
}
Body& Body::Raw(std::initializer_list<uint8_t> raw) {
    bytes.insert(bytes.end(), raw);
    return *this;
}
Body& Body::Ascii(const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
}
Body& Body::Wide(const std::u16string& text) {
    for (char16_t c : text) U16(c);
    return *this;
}

Stream& Stream::Rec(uint16_t id, const Body& body) {
    Body head;
    head.U16(id).U16(static_cast<uint16_t>(body.bytes.size()));
    bytes.insert(bytes.end(), head.bytes.begin(), head.bytes.end());
    bytes.insert(bytes.end(), body.bytes.begin(), body.bytes.end());
    return *this;
}
Stream& Stream::Rec(uint16_t id, std::initializer_list<uint8_t> body) { return Rec(id, Body().Raw(body)); }

Stream& Stream::Bof(uint16_t version, uint16_t type) {
    Body body;
    body.U16(version).U16(type).U16(0x0DBB).U16(0x07CC);
    if (version >= 0x0600) body.U32(0).U32(0x0206);
    return Rec(0x0809, body);
}
Stream& Stream::Eof() { return Rec(0x000A, Body()); }

Stream& Stream::GlobalsAndSheet(uint16_t version, const Stream& globals, std::initializer_list<const char16_t*> names) {
    Bof(version, 0x0005);
    bytes.insert(bytes.end(), globals.bytes.begin(), globals.bytes.end());
    for (const char16_t* name : names) {
        const std::u16string text(name);
        Body body;
        body.U32(0).U8(0).U8(0).U8(static_cast<uint8_t>(text.size()));
        if (version >= 0x0600) body.U8(1).Wide(text);
        else for (char16_t c : text) body.U8(static_cast<uint8_t>(c));
        Rec(0x0085, body);
    }
    Eof();
    return Bof(version, 0x0010);
}

Body Biff8Text16(const std::u16string& text) {
    Body body;
    body.U16(static_cast<uint16_t>(text.size())).U8(1).Wide(text);
    return body;
}

int32_t ReadBytes(TXLSWorkbook& workbook, const std::vector<uint8_t>& bytes, const std::u16string& password) {
    TMemoryStream stream(bytes);
    return workbook.OpenStream(stream, password);
}

Variant CellValue(TXLSWorkbook& workbook, int32_t sheet, int32_t row, int32_t col) {
    IXLSWorksheet* target = workbook.Sheets().Items(sheet);
    if (target == nullptr) return Variant();
    return target->Cells()->Item(row, col)->Value();
}

}  // namespace korvel::reader_test
