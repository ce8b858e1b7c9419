// The on-disk structures of a compound document ([MS-CFB]): the header and the
// 128-byte directory entry, each with its reader beside its writer, and the
// sector-number sentinels. Nothing here follows chains; see
// CompoundDocumentReader for that.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteCursor.h"

namespace korvel {

// Sector numbers ([MS-CFB] 2.1).
inline constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFreeSector = 0xFFFFFFFF;
// "No stream" in the sibling and child fields of a directory entry.
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kHeaderDifatCount = 109;
inline constexpr size_t kDirEntrySize = 128;
inline constexpr uint32_t kMiniSectorShift = 6;
inline constexpr uint32_t kMiniSectorSize = 64;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr uint16_t kMinorVersion = 0x003E;
inline constexpr uint16_t kByteOrderMark = 0xFFFE;
// Name field: 32 UTF-16 units including the terminating zero.
inline constexpr size_t kMaxNameUnits = 31;

inline constexpr std::array<uint8_t, 8> kCompoundSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                              0xA1, 0xB1, 0x1A, 0xE1};

// True when the first bytes are the compound document signature.
bool HasCompoundSignature(const uint8_t* data, size_t size);

struct TCompoundHeader {
    uint16_t MinorVersion = kMinorVersion;
    uint16_t MajorVersion = 3;
    uint16_t SectorShift = 9;
    uint16_t MiniSectorShift = kMiniSectorShift;
    uint32_t DirectorySectorCount = 0;  // always 0 in version 3
    uint32_t FatSectorCount = 0;
    uint32_t FirstDirectorySector = kEndOfChain;
    uint32_t TransactionSignature = 0;
    uint32_t MiniStreamCutoff = kMiniStreamCutoff;
    uint32_t FirstMiniFatSector = kEndOfChain;
    uint32_t MiniFatSectorCount = 0;
    uint32_t FirstDifatSector = kEndOfChain;
    uint32_t DifatSectorCount = 0;
    std::array<uint32_t, kHeaderDifatCount> Difat{};  // kFreeSector where unused

    TCompoundHeader() { Difat.fill(kFreeSector); }
    uint32_t SectorSize() const { return 1u << SectorShift; }
};

// Reads the 512-byte header at the start of `bytes`.
// Results: kStorageOk; kStorageNotCompound when fewer than 512 bytes or the
// signature differs; kStorageCorrupt when the byte order mark, version, sector
// shift or mini sector shift is not one [MS-CFB] allows (version 3 with
// 512-byte sectors, version 4 with 4096-byte sectors, 64-byte mini sectors).
int32_t ReadCompoundHeader(ByteCursor bytes, TCompoundHeader& header);
// Appends the header, padded to one sector (512 bytes in version 3, 4096 in 4).
void WriteCompoundHeader(const TCompoundHeader& header, std::vector<uint8_t>& out);

enum class TEntryType : uint8_t { Unused = 0, Storage = 1, Stream = 2, Root = 5 };
enum class TEntryColor : uint8_t { Red = 0, Black = 1 };

struct TDirEntry {
    std::u16string Name;  // without the terminating zero
    TEntryType Type = TEntryType::Unused;
    TEntryColor Color = TEntryColor::Black;
    uint32_t Left = kNoStream;
    uint32_t Right = kNoStream;
    uint32_t Child = kNoStream;
    std::array<uint8_t, 16> Clsid{};
    uint32_t StateBits = 0;
    uint64_t CreationTime = 0;
    uint64_t ModifiedTime = 0;
    uint32_t StartSector = 0;
    uint64_t Size = 0;
};

// Reads one 128-byte entry at the cursor. In version 3 only the low 32 bits of
// the size count ([MS-CFB] lets old writers leave garbage in the high half).
// A name length field that is odd or too long is clipped to the 32 units the
// field holds; the name ends at its first zero unit.
// Returns false only when fewer than 128 bytes remain.
bool ReadDirEntry(ByteCursor& cursor, uint16_t majorVersion, TDirEntry& entry);
// Appends one 128-byte entry. Precondition: Name has at most 31 units.
void WriteDirEntry(const TDirEntry& entry, std::vector<uint8_t>& out);

}  // namespace korvel
