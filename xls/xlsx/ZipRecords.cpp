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
    cursor.Skip(size_t(ExtraLength) + CommentLength);
    return cursor.Ok();
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
