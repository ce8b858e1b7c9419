#include "tests/xls/storage/ScatteredDocument.h"

#include <algorithm>
#include <string>

namespace korvel::testing {

namespace {

constexpr size_t kSector = kScatteredSectorSize;
constexpr uint32_t kFatSector = 0xFFFFFFFD, kEndOfChain = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
constexpr uint32_t kMiniStreamCutoff = 4096;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

void PutEntry(std::vector<uint8_t>& b, size_t at, const std::u16string& name, uint8_t type, uint32_t child,
              uint32_t start, uint32_t size) {
    for (size_t i = 0; i < name.size(); ++i) Put16(b, at + 2 * i, name[i]);
    Put16(b, at + 0x40, uint16_t((name.size() + 1) * 2));
    b[at + 0x42] = type;
    b[at + 0x43] = 1;  // black
    Put32(b, at + 0x44, kFree);
    Put32(b, at + 0x48, kFree);
    Put32(b, at + 0x4C, child);
    Put32(b, at + 0x74, start);
    Put32(b, at + 0x78, size);
}

}  // namespace

std::vector<uint8_t> ScatteredDocument(std::span<const uint8_t> stream, const std::vector<size_t>& runs) {
    const size_t sectors = (stream.size() + kSector - 1) / kSector;
    std::vector<size_t> lengths = runs.empty() ? std::vector<size_t>(sectors, 1) : runs;
    size_t covered = 0;
    for (size_t run : lengths) covered += run;
    if (stream.size() < kMiniStreamCutoff || stream.size() > UINT32_MAX || covered != sectors) return {};

    size_t fatSectors = 1;
    while (fatSectors * (kSector / 4) < fatSectors + 1 + sectors) ++fatSectors;
    if (fatSectors > 109) return {};  // the header's FAT list is all there is here
    const size_t directory = fatSectors, firstData = fatSectors + 1;

    // Physical sector of each stream sector.
    std::vector<uint32_t> where(sectors);
    size_t logical = 0, physicalEnd = firstData + sectors;
    for (size_t run : lengths) {
        physicalEnd -= run;
        for (size_t k = 0; k < run; ++k) where[logical++] = uint32_t(physicalEnd + k);
    }

    std::vector<uint8_t> b(kSector * (1 + firstData + sectors), 0);
    const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(signature, signature + 8, b.begin());
    Put16(b, 0x18, 0x003E);
    Put16(b, 0x1A, 3);
    Put16(b, 0x1C, 0xFFFE);
    Put16(b, 0x1E, 9);
    Put16(b, 0x20, 6);
    Put32(b, 0x2C, uint32_t(fatSectors));
    Put32(b, 0x30, uint32_t(directory));
    Put32(b, 0x38, kMiniStreamCutoff);
    Put32(b, 0x3C, kEndOfChain);
    Put32(b, 0x44, kEndOfChain);
    for (size_t i = 0; i < 109; ++i) Put32(b, 0x4C + 4 * i, i < fatSectors ? uint32_t(i) : kFree);

    const auto fat = [&](size_t sector, uint32_t next) {
        Put32(b, kSector * (1 + sector / (kSector / 4)) + 4 * (sector % (kSector / 4)), next);
    };
    for (size_t s = 0; s < fatSectors * (kSector / 4); ++s) fat(s, kFree);
    for (size_t s = 0; s < fatSectors; ++s) fat(s, kFatSector);
    fat(directory, kEndOfChain);
    for (size_t i = 0; i < sectors; ++i) fat(where[i], i + 1 < sectors ? where[i + 1] : kEndOfChain);

    const size_t dir = kSector * (1 + directory);
    PutEntry(b, dir, u"Root Entry", 5, 1, kEndOfChain, 0);
    PutEntry(b, dir + 128, u"Workbook", 2, kFree, where[0], uint32_t(stream.size()));
    PutEntry(b, dir + 256, u"", 0, kFree, 0, 0);
    PutEntry(b, dir + 384, u"", 0, kFree, 0, 0);
    for (size_t i = 0; i < sectors; ++i) {
        const size_t from = i * kSector, count = std::min(kSector, stream.size() - from);
        std::copy(stream.begin() + long(from), stream.begin() + long(from + count), b.begin() + long(kSector * (1 + where[i])));
    }
    return b;
}

}  // namespace korvel::testing
