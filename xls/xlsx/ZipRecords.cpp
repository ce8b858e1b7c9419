#include "xls/xlsx/ZipRecords.h"

namespace korvel {

bool TEndOfCentralDirectoryRecord::Parse(ByteCursor& cursor) {
    if (cursor.U32() != kZipEndOfDirectorySignature) return false;
    DiskNumber = cursor.U16();
    DirectoryDisk = cursor.U16();
    EntriesOnDisk = cursor.U16();
    TotalEntries = cursor.U16();
    DirectorySize = cursor.U32();
    DirectoryOffset = cursor.U32();
    CommentLength = cursor.U16();
    return cursor.Ok();
}

bool TZip64EndLocator::Parse(ByteCursor& cursor) {
    if (cursor.U32() != kZip64LocatorSignature) return false;
    EndRecordDisk = cursor.U32();
    EndRecordOffset = cursor.U64();
    TotalDisks = cursor.U32();
    return cursor.Ok();
}

bool TZip64EndRecord::Parse(ByteCursor& cursor) {
    if (cursor.U32() != kZip64EndSignature) return false;
    RecordSize = cursor.U64();
    VersionMadeBy = cursor.U16();
    VersionNeeded = cursor.U16();
    DiskNumber = cursor.U32();
    DirectoryDisk = cursor.U32();
    EntriesOnDisk = cursor.U64();
    TotalEntries = cursor.U64();
    DirectorySize = cursor.U64();
    DirectoryOffset = cursor.U64();
    return cursor.Ok();
}

// The Zip64 extra field holds, in this order, the uncompressed size, the
// compressed size, the local header offset and the disk number, each only
// when the fixed field carries the marker (APPNOTE 4.5.3).
bool TCentralDirectoryFile::ApplyZip64Extra(ByteCursor extra) {
    bool needUncompressed = UncompressedSize == kZip64Marker32;
    bool needCompressed = CompressedSize == kZip64Marker32;
    bool needOffset = LocalHeaderOffset == kZip64Marker32;
    bool needDisk = DiskNumber == kZip64Marker16;
    if (!needUncompressed && !needCompressed && !needOffset && !needDisk) return true;
    while (extra.Has(4)) {
        uint16_t id = extra.U16();
        uint16_t size = extra.U16();
        ByteCursor block(extra.Bytes(size));
        if (!extra.Ok()) return false;
        if (id != kZip64ExtraId) continue;
        if (needUncompressed) UncompressedSize64 = block.U64();
        if (needCompressed) CompressedSize64 = block.U64();
        if (needOffset) LocalHeaderOffset64 = block.U64();
        if (needDisk) DiskNumber32 = block.U32();
        return block.Ok();
    }
    return false;
}

bool TCentralDirectoryFile::Parse(ByteCursor& cursor) {
    if (cursor.U32() != kZipCentralFileSignature || !cursor.Ok()) return false;
    VersionMadeBy = cursor.U16();
    VersionNeeded = cursor.U16();
    Flags = cursor.U16();
    CompressionMethod = cursor.U16();
    ModifiedTimeDate = cursor.U32();
    Crc32 = cursor.U32();
    CompressedSize = cursor.U32();
    UncompressedSize = cursor.U32();
    NameLength = cursor.U16();
    ExtraLength = cursor.U16();
    CommentLength = cursor.U16();
    DiskNumber = cursor.U16();
    InternalAttributes = cursor.U16();
    ExternalAttributes = cursor.U32();
    LocalHeaderOffset = cursor.U32();
    auto name = cursor.Bytes(NameLength);
    FileName.assign(reinterpret_cast<const char*>(name.data()), name.size());
    ByteCursor extra(cursor.Bytes(ExtraLength));
    cursor.Skip(CommentLength);
    if (!cursor.Ok()) return false;
    CompressedSize64 = CompressedSize;
    UncompressedSize64 = UncompressedSize;
    LocalHeaderOffset64 = LocalHeaderOffset;
    DiskNumber32 = DiskNumber;
    return ApplyZip64Extra(extra);
}

bool TLocalFile::ParseFixed(ByteCursor& cursor) {
    if (cursor.U32() != kZipLocalFileSignature || !cursor.Ok()) return false;
    VersionNeeded = cursor.U16();
    Flags = cursor.U16();
    CompressionMethod = cursor.U16();
    ModifiedTimeDate = cursor.U32();
    Crc32 = cursor.U32();
    CompressedSize = cursor.U32();
    UncompressedSize = cursor.U32();
    NameLength = cursor.U16();
    ExtraLength = cursor.U16();
    return cursor.Ok();
}

}  // namespace korvel
