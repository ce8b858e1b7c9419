// The fixed-layout records of a zip archive that the reader needs (PKWARE
// APPNOTE 4.3.7, 4.3.12, 4.3.14 to 4.3.16, 4.5.3). All integers are little-endian.
// Each Parse reads from a bounds-checked cursor and reports false when the
// bytes are short or the signature is wrong; it never trusts a length.
#pragma once

#include <cstdint>
#include <string>

#include "common/ByteCursor.h"

namespace korvel {

inline constexpr uint32_t kZipLocalFileSignature = 0x04034B50;       // "PK\3\4"
inline constexpr uint32_t kZipCentralFileSignature = 0x02014B50;     // "PK\1\2"
inline constexpr uint32_t kZipEndOfDirectorySignature = 0x06054B50;  // "PK\5\6"
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;           // "PK\6\6"
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;       // "PK\6\7"
inline constexpr uint16_t kZip64ExtraId = 0x0001;

inline constexpr uint16_t kZipMethodStored = 0;
inline constexpr uint16_t kZipMethodDeflated = 8;
// General purpose flag bit 3: sizes and CRC follow the data in a descriptor;
// the local header carries zeros for them.
inline constexpr uint16_t kZipFlagDataDescriptor = 0x0008;
// Marks a field whose real value lives in a Zip64 record or extra field.
inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr uint16_t kZip64Marker16 = 0xFFFF;

class TEndOfCentralDirectoryRecord {
public:
    static constexpr size_t kSize = 22;
    // 22 bytes of record plus the largest comment.
    static constexpr size_t kSearchWindow = kSize + 0xFFFF;

    // Parses the 22 fixed bytes at the cursor's position.
    bool Parse(ByteCursor& cursor);

    int64_t FoundAt = -1;  // stream offset of the signature; -1 when not found
    uint16_t DiskNumber = 0;
    uint16_t DirectoryDisk = 0;
    uint16_t EntriesOnDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t DirectorySize = 0;
    uint32_t DirectoryOffset = 0;
    uint16_t CommentLength = 0;
};

// Stands right before the end record of a Zip64 archive and points to the
// Zip64 end record.
class TZip64EndLocator {
public:
    static constexpr size_t kSize = 20;
    bool Parse(ByteCursor& cursor);

    uint32_t EndRecordDisk = 0;
    uint64_t EndRecordOffset = 0;
    uint32_t TotalDisks = 0;
};

// The 64-bit counterpart of the end record (its fixed 56 bytes; the
// extensible data after them is not needed).
class TZip64EndRecord {
public:
    static constexpr size_t kSize = 56;
    bool Parse(ByteCursor& cursor);

    uint64_t RecordSize = 0;
    uint16_t VersionMadeBy = 0;
    uint16_t VersionNeeded = 0;
    uint32_t DiskNumber = 0;
    uint32_t DirectoryDisk = 0;
    uint64_t EntriesOnDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t DirectorySize = 0;
    uint64_t DirectoryOffset = 0;
};

class TCentralDirectoryFile {
public:
    static constexpr size_t kFixedSize = 46;
    static constexpr uint32_t kFolderAttribute = 16;  // MS-DOS directory bit of ExternalAttributes

    // Parses the fixed part, the name and the Zip64 extra field (for the
    // fields that carry the marker); positions the cursor after the extra
    // field and the comment. False on a wrong signature, short bytes, or a
    // marked field that the extra field does not supply.
    bool Parse(ByteCursor& cursor);
    // A directory member: the MS-DOS directory bit, or a name ending in a
    // slash (writers that leave the attributes zero mark folders only so).
    bool IsFolder() const {
        return (ExternalAttributes & kFolderAttribute) != 0 ||
               (!FileName.empty() && (FileName.back() == '/' || FileName.back() == '\\'));
    }

    uint16_t VersionMadeBy = 0;
    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t CompressionMethod = 0;
    uint32_t ModifiedTimeDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t NameLength = 0;
    uint16_t ExtraLength = 0;
    uint16_t CommentLength = 0;
    uint16_t DiskNumber = 0;
    uint16_t InternalAttributes = 0;
    uint32_t ExternalAttributes = 0;
    uint32_t LocalHeaderOffset = 0;
    std::string FileName;  // 8-bit bytes as stored
    // The values in force: the 32-bit fields, or the Zip64 extra field's
    // values where those carry the marker.
    uint64_t CompressedSize64 = 0;
    uint64_t UncompressedSize64 = 0;
    uint64_t LocalHeaderOffset64 = 0;
    uint32_t DiskNumber32 = 0;

private:
    bool ApplyZip64Extra(ByteCursor extra);
};

class TLocalFile {
public:
    static constexpr size_t kFixedSize = 30;

    // Parses the fixed part only (name and extra field follow; their lengths
    // are NameLength and ExtraLength). False on a wrong signature or short bytes.
    bool ParseFixed(ByteCursor& cursor);

    uint16_t VersionNeeded = 0;
    uint16_t Flags = 0;
    uint16_t CompressionMethod = 0;
    uint32_t ModifiedTimeDate = 0;
    uint32_t Crc32 = 0;
    uint32_t CompressedSize = 0;
    uint32_t UncompressedSize = 0;
    uint16_t NameLength = 0;
    uint16_t ExtraLength = 0;
    std::string FileName;
    uint64_t DataOffset = 0;  // header offset + 30 + name length + extra length
};

}  // namespace korvel
