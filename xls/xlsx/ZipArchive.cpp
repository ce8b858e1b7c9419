#include "xls/xlsx/ZipArchive.h"

#include <algorithm>

#include "xls/xlsx/ZipErrors.h"
#include "xls/xlsx/ZipInflateStream.h"
#include "xls/xlsx/ZipNames.h"
#include "xls/xlsx/ZipSubStream.h"

namespace korvel {

namespace {

constexpr uint16_t kZipFlagEncrypted = 0x0001;

// Reads exactly count bytes at offset; false when the stream has fewer.
bool ReadAt(TStream& stream, uint64_t offset, uint8_t* buffer, size_t count) {
    if (stream.Seek(static_cast<int64_t>(offset), SeekOrigin::Begin) != static_cast<int64_t>(offset))
        return false;
    while (count > 0) {
        size_t got = stream.Read(buffer, count);
        if (got == 0) return false;
        buffer += got;
        count -= got;
    }
    return true;
}

}  // namespace

void TZipEntries::Add(TZipEntry entry) {
    index_[ZipIndexKey(entry.FileName())] = entries_.size();
    entries_.push_back(std::move(entry));
}

void TZipEntries::Clear() {
    entries_.clear();
    index_.clear();
}

const TZipEntry* TZipEntries::Find(std::string_view name) const {
    auto it = index_.find(ZipIndexKey(name));
    return it == index_.end() ? nullptr : &entries_[it->second];
}

int32_t TCentralDirectory::Fail(int32_t code, const char* why) {
    failure_ = why;
    return code;
}

// Scans the last bytes of the stream backwards for the end record; the last
// signature whose 22 bytes lie inside the stream is taken.
bool TCentralDirectory::FindEndRecord(TStream& stream, int64_t size) {
    size_t window = static_cast<size_t>(std::min<int64_t>(size, TEndOfCentralDirectoryRecord::kSearchWindow));
    uint64_t windowStart = static_cast<uint64_t>(size) - window;
    std::vector<uint8_t> tail(window);
    if (!ReadAt(stream, windowStart, tail.data(), window)) return false;
    for (size_t at = window - TEndOfCentralDirectoryRecord::kSize + 1; at-- > 0;) {
        if (tail[at] != 0x50 || tail[at + 1] != 0x4B || tail[at + 2] != 0x05 || tail[at + 3] != 0x06)
            continue;
        ByteCursor cursor(tail.data() + at, TEndOfCentralDirectoryRecord::kSize);
        if (!EndRecord.Parse(cursor)) return false;
        EndRecord.FoundAt = static_cast<int64_t>(windowStart + at);
        return true;
    }
    return false;
}

int32_t TCentralDirectory::Read(TStream& stream) {
    Entries.Clear();
    EndRecord = {};
    int64_t size = stream.Size();
    if (size <= static_cast<int64_t>(TEndOfCentralDirectoryRecord::kSize))
        return Fail(kZipReadFailed, "stream too short for an end record");
    if (!FindEndRecord(stream, size)) return Fail(kZipReadFailed, "end of central directory not found");
    const auto& end = EndRecord;
    if (end.FoundAt >= static_cast<int64_t>(kZip64LocatorSize)) {
        uint8_t sig[4];
        uint64_t at = static_cast<uint64_t>(end.FoundAt) - kZip64LocatorSize;
        if (ReadAt(stream, at, sig, 4) && ByteCursor(sig, 4).U32() == kZip64LocatorSignature)
            return Fail(kZipReadFailed, "Zip64 archives are not supported");
    }
    if (end.DiskNumber != 0 || end.DirectoryDisk != 0)
        return Fail(kZipReadFailed, "archives split over several disks are not supported");
    if (uint64_t(end.DirectoryOffset) + end.DirectorySize > static_cast<uint64_t>(end.FoundAt))
        return Fail(kZipReadFailed, "central directory outside the archive");
    int32_t result = ReadEntries(stream);
    if (result != kZipReadOk) return result;
    for (size_t i = 0; i < Entries.Count(); ++i) {
        result = ReadLocalHeader(stream, Entries[i]);
        if (result != kZipReadOk) return result;
    }
    return CheckNoOverlap();
}

// Members whose bytes overlap are the mark of a crafted archive that makes a
// few kilobytes inflate again and again; no writer produces them.
int32_t TCentralDirectory::CheckNoOverlap() {
    std::vector<const TZipEntry*> byOffset;
    byOffset.reserve(Entries.Count());
    for (size_t i = 0; i < Entries.Count(); ++i) byOffset.push_back(&Entries[i]);
    std::sort(byOffset.begin(), byOffset.end(), [](const TZipEntry* a, const TZipEntry* b) {
        return a->Central.LocalHeaderOffset < b->Central.LocalHeaderOffset;
    });
    for (size_t i = 1; i < byOffset.size(); ++i) {
        const TZipEntry& previous = *byOffset[i - 1];
        if (previous.DataOffset() + previous.CompressedSize > byOffset[i]->Central.LocalHeaderOffset)
            return Fail(kZipReadFailed, "overlapping members");
    }
    return kZipReadOk;
}

// Walks the directory bytes (the entry count of the end record is not
// trusted: writers get it wrong) and indexes every entry. Bytes after the
// counted entries that are not an entry are padding, not an error.
int32_t TCentralDirectory::ReadEntries(TStream& stream) {
    std::vector<uint8_t> bytes(EndRecord.DirectorySize);
    if (!ReadAt(stream, EndRecord.DirectoryOffset, bytes.data(), bytes.size()))
        return Fail(kZipReadFailed, "central directory cannot be read");
    ByteCursor cursor(bytes.data(), bytes.size());
    while (!cursor.AtEnd()) {
        if (Entries.Count() >= EndRecord.TotalEntries &&
            (!cursor.Has(4) || cursor.U32At(cursor.Position()) != kZipCentralFileSignature))
            break;
        TZipEntry entry;
        if (!entry.Central.Parse(cursor)) return Fail(kZipReadBadCentralEntry, "bad central directory entry");
        const auto& c = entry.Central;
        if (c.CompressedSize == kZip64Marker32 || c.UncompressedSize == kZip64Marker32 ||
            c.LocalHeaderOffset == kZip64Marker32)
            return Fail(kZipReadFailed, "Zip64 archives are not supported");
        if (c.DiskNumber != 0) return Fail(kZipReadFailed, "archives split over several disks are not supported");
        Entries.Add(std::move(entry));
    }
    return kZipReadOk;
}

// Reads one local header and settles the sizes the member is read with.
int32_t TCentralDirectory::ReadLocalHeader(TStream& stream, TZipEntry& entry) {
    uint64_t offset = entry.Central.LocalHeaderOffset;
    uint64_t limit = EndRecord.DirectoryOffset;  // members lie before the directory
    uint8_t fixed[TLocalFile::kFixedSize];
    if (offset + sizeof fixed > limit || !ReadAt(stream, offset, fixed, sizeof fixed))
        return Fail(kZipReadFailed, "local header outside the archive");
    ByteCursor cursor(fixed, sizeof fixed);
    TLocalFile& local = entry.Local;
    if (!local.ParseFixed(cursor)) return Fail(kZipReadFailed, "bad local header signature");
    uint64_t nameAt = offset + sizeof fixed;
    if (nameAt + local.NameLength + local.ExtraLength > limit)
        return Fail(kZipReadFailed, "local header name outside the archive");
    local.FileName.resize(local.NameLength);
    if (!ReadAt(stream, nameAt, reinterpret_cast<uint8_t*>(local.FileName.data()), local.NameLength))
        return Fail(kZipReadFailed, "local header name cannot be read");
    local.DataOffset = nameAt + local.NameLength + local.ExtraLength;
    // With a data descriptor the local header holds zeros; the central
    // directory has the real values.
    bool deferred = (local.Flags & kZipFlagDataDescriptor) != 0;
    entry.CompressedSize = deferred ? entry.Central.CompressedSize : local.CompressedSize;
    entry.UncompressedSize = deferred ? entry.Central.UncompressedSize : local.UncompressedSize;
    entry.Crc32 = deferred ? entry.Central.Crc32 : local.Crc32;
    if (local.DataOffset + entry.CompressedSize > limit)
        return Fail(kZipReadFailed, "member data outside the archive");
    return kZipReadOk;
}

void TZipArchive::OpenForReading(TStream& stream) {
    if (mode_ != Mode::Closed) throw EZipError(kZipTextAlreadyOpened);
    int32_t result = kZipReadFailed;
    try {
        result = directory_.Read(stream);
    } catch (const EKorvelError& e) {
        throw EZipError(kZipTextCantOpen, e.what());
    }
    if (result != kZipReadOk) throw EZipError(kZipTextCantOpen, directory_.Failure());
    stream_ = &stream;
    mode_ = Mode::Reading;
}

std::unique_ptr<TStream> TZipArchive::OpenEntry(std::string_view name) {
    if (mode_ != Mode::Reading) return nullptr;
    const TZipEntry* entry = directory_.Entries.Find(name);
    if (!entry) return nullptr;
    if (entry->IsFolder()) throw EZipError(kZipTextFolder);
    if (entry->Central.Flags & kZipFlagEncrypted)
        throw EZipError(kZipTextUnsupportedMethod, "encrypted member");
    switch (entry->CompressionMethod()) {
        case kZipMethodStored:
            return std::make_unique<TZipSubStream>(*stream_, entry->DataOffset(), entry->CompressedSize,
                                                   entry->Crc32);
        case kZipMethodDeflated:
            return std::make_unique<TZipInflateStream>(
                std::make_unique<TZipSubStream>(*stream_, entry->DataOffset(), entry->CompressedSize),
                entry->UncompressedSize, entry->Crc32);
        default:
            throw EZipError(kZipTextUnsupportedMethod);
    }
}

}  // namespace korvel
