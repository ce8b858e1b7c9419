#include "xls/biff/XLSDrawingGroupRecord.h"

#include "common/ByteCursor.h"

namespace korvel {

namespace {

// OfficeArt record types ([MS-ODRAW] 2.2).
constexpr uint16_t kDggContainer = 0xF000;
constexpr uint16_t kFDGGBlock = 0xF006;
constexpr uint16_t kFOPT = 0xF00B;

// OfficeArtRecordHeader: recVer (4 bits) and recInstance (12 bits), type, length.
void Header(ByteWriter& w, uint8_t version, uint16_t instance, uint16_t type, uint32_t length) {
    w.U16(static_cast<uint16_t>((version & 0x0F) | (instance << 4)));
    w.U16(type);
    w.U32(length);
}

struct Property {
    uint16_t Id;
    uint32_t Value;
};

// Defaults every drawing-group writer states: text fitted to the shape
// (fFitShapeToText group), fill colour 0x41 and line colour 0x40 of the
// scheme palette (0x08000000 marks a scheme colour index).
constexpr Property kDefaultProperties[] = {
    {0x00BF, 0x00080008},
    {0x0181, 0x08000041},
    {0x01C0, 0x08000040},
};

// The first shape id a drawing would take; no shape exists yet.
constexpr uint32_t kSpidMax = 0x00000400;

}  // namespace

void AppendEmptyDrawingGroup(std::vector<uint8_t>& out) {
    constexpr uint32_t kFDGGSize = 16;  // cluster table empty: cidcl = 1
    constexpr uint32_t kPropertyCount = sizeof kDefaultProperties / sizeof kDefaultProperties[0];
    constexpr uint32_t kFOPTSize = 6 * kPropertyCount;
    ByteWriter w(out);
    Header(w, 0x0F, 0, kDggContainer, 8 + kFDGGSize + 8 + kFOPTSize);
    Header(w, 0, 0, kFDGGBlock, kFDGGSize);
    w.U32(kSpidMax);
    w.U32(1);  // cidcl: number of cluster entries + 1
    w.U32(0);  // shapes saved
    w.U32(0);  // drawings saved
    Header(w, 3, kPropertyCount, kFOPT, kFOPTSize);
    for (const Property& p : kDefaultProperties) {
        w.U16(p.Id);
        w.U32(p.Value);
    }
}

}  // namespace korvel
