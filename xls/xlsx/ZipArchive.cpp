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

// Scans the last bytes of the stream backwards for the end record. The
// record whose comment runs exactly to the end of the stream is taken (a
// comment may itself contain the signature); failing that, the last
// signature whose 22 bytes lie inside the stream (data appended after it).
bool TCentralDirectory::FindEndRecord(TStream& stream, int64_t size) {
    constexpr size_t kRecordSize = TEndOfCentralDirectoryRecord::kSize;
    size_t window = static_cast<size_t>(std::min<int64_t>(size, TEndOfCentralDirectoryRecord::kSearchWindow));
    uint64_t windowStart = static_cast<uint64_t>(size) - window;
    std::vector<uint8_t> tail(window);
    if (!ReadAt(stream, windowStart, tail.data(), window)) return false;
    int64_t lastHit = -1;
    for (size_t at = window - kRecordSize + 1; at-- > 0;) {
        if (tail[at] != 0x50 || tail[at + 1] != 0x4B || tail[at + 2] != 0x05 || tail[at + 3] != 0x06)
            continue;
        if (lastHit < 0) lastHit = static_cast<int64_t>(at);
        ByteCursor cursor(tail.data() + at, kRecordSize);
        if (EndRecord.Parse(cursor) && at + kRecordSize + EndRecord.CommentLength == window) {
            lastHit = static_cast<int64_t>(at);
            break;
        }
    }
    if (lastHit < 0) return false;
    ByteCursor cursor(tail.data() + lastHit, kRecordSize);
    if (!EndRecord.Parse(cursor)) return false;
    EndRecord.FoundAt = static_cast<int64_t>(windowStart) + lastHit;
    return true;
}

int32_t TCentralDirectory::Read(TStream& stream) {
    Entries.Clear();
    EndRecord = {};
    zip64_ = false;
    int64_t size = stream.Size();
    if (size <= static_cast<int64_t>(TEndOfCentralDirectoryRecord::kSize))
        return Fail(kZipReadFailed, "stream too short for an end record");
    if (!FindEndRecord(stream, size)) return Fail(kZipReadFailed, "end of central directory not found");
    int32_t result = LocateDirectory(stream);
    if (result != kZipReadOk) return result;
    result = ReadEntries(stream);
    if (result != kZipReadOk) return result;
    for (size_t i = 0; i < Entries.Count(); ++i) {
        result = ReadLocalHeader(stream, Entries[i]);
        if (result != kZipReadOk) return result;
    }
    return CheckNoOverlap();
}

// Settles where the directory is: from the end record, or from the Zip64 end
// record when a Zip64 locator stands right before the end record.
int32_t TCentralDirectory::LocateDirectory(TStream& stream) {
    const auto& end = EndRecord;
    uint64_t endAt = static_cast<uint64_t>(end.FoundAt);
    if (endAt >= TZip64EndLocator::kSize) {
        uint8_t sig[4];
        uint64_t locatorAt = endAt - TZip64EndLocator::kSize;
        if (ReadAt(stream, locatorAt, sig, 4) && ByteCursor(sig, 4).U32() == kZip64LocatorSignature)
            return ReadZip64EndRecord(stream, locatorAt);
    }
    if (end.DiskNumber != 0 || end.DirectoryDisk != 0)
        return Fail(kZipReadFailed, "archives split over several disks are not supported");
    directoryOffset_ = end.DirectoryOffset;
    directorySize_ = end.DirectorySize;
    totalEntries_ = end.TotalEntries;
    directoryLimit_ = endAt;
    if (directorySize_ > directoryLimit_ || directoryOffset_ > directoryLimit_ - directorySize_)
        return Fail(kZipReadFailed, "central directory outside the archive");
    return kZipReadOk;
}

int32_t TCentralDirectory::ReadZip64EndRecord(TStream& stream, uint64_t locatorAt) {
    uint8_t bytes[TZip64EndRecord::kSize];
    if (!ReadAt(stream, locatorAt, bytes, TZip64EndLocator::kSize))
        return Fail(kZipReadFailed, "Zip64 locator cannot be read");
    ByteCursor locatorCursor(bytes, TZip64EndLocator::kSize);
    TZip64EndLocator locator;
    if (!locator.Parse(locatorCursor)) return Fail(kZipReadFailed, "bad Zip64 locator");
    if (locator.EndRecordDisk != 0 || locator.TotalDisks > 1)
        return Fail(kZipReadFailed, "archives split over several disks are not supported");
    uint64_t recordAt = locator.EndRecordOffset;
    if (recordAt > locatorAt || locatorAt - recordAt < TZip64EndRecord::kSize ||
        !ReadAt(stream, recordAt, bytes, sizeof bytes))
        return Fail(kZipReadFailed, "Zip64 end record outside the archive");
    ByteCursor cursor(bytes, sizeof bytes);
    TZip64EndRecord record;
    if (!record.Parse(cursor)) return Fail(kZipReadFailed, "bad Zip64 end record");
    if (record.DiskNumber != 0 || record.DirectoryDisk != 0)
        return Fail(kZipReadFailed, "archives split over several disks are not supported");
    zip64_ = true;
    directoryOffset_ = record.DirectoryOffset;
    directorySize_ = record.DirectorySize;
    totalEntries_ = record.TotalEntries;
    directoryLimit_ = recordAt;
    if (directorySize_ > directoryLimit_ || directoryOffset_ > directoryLimit_ - directorySize_)
        return Fail(kZipReadFailed, "central directory outside the archive");
    return kZipReadOk;
}

// Members whose bytes overlap are the mark of a crafted archive that makes a
// few kilobytes inflate again and again; no writer produces them.
int32_t TCentralDirectory::CheckNoOverlap() {
    std::vector<const TZipEntry*> byOffset;
    byOffset.reserve(Entries.Count());
    for (size_t i = 0; i < Entries.Count(); ++i) byOffset.push_back(&Entries[i]);
    std::sort(byOffset.begin(), byOffset.end(), [](const TZipEntry* a, const TZipEntry* b) {
        return a->Central.LocalHeaderOffset64 < b->Central.LocalHeaderOffset64;
    });
    for (size_t i = 1; i < byOffset.size(); ++i) {
        const TZipEntry& previous = *byOffset[i - 1];
        if (previous.DataOffset() + previous.CompressedSize > byOffset[i]->Central.LocalHeaderOffset64)
            return Fail(kZipReadFailed, "overlapping members");
    }
    return kZipReadOk;
}

// Walks the directory bytes (the entry count of the end record is not
// trusted: writers get it wrong) and indexes every entry. Bytes after the
// counted entries that are not an entry are padding, not an error.
int32_t TCentralDirectory::ReadEntries(TStream& stream) {
    std::vector<uint8_t> bytes(static_cast<size_t>(directorySize_));
    if (!ReadAt(stream, directoryOffset_, bytes.data(), bytes.size()))
        return Fail(kZipReadFailed, "central directory cannot be read");
    ByteCursor cursor(bytes.data(), bytes.size());
    while (!cursor.AtEnd()) {
        if (Entries.Count() >= totalEntries_ &&
            (!cursor.Has(4) || cursor.U32At(cursor.Position()) != kZipCentralFileSignature))
            break;
        TZipEntry entry;
        if (!entry.Central.Parse(cursor)) return Fail(kZipReadBadCentralEntry, "bad central directory entry");
        if (entry.Central.DiskNumber32 != 0)
            return Fail(kZipReadFailed, "archives split over several disks are not supported");
        Entries.Add(std::move(entry));
    }
    return kZipReadOk;
}

// Reads one local header and settles the sizes the member is read with.
int32_t TCentralDirectory::ReadLocalHeader(TStream& stream, TZipEntry& entry) {
    uint64_t offset = entry.Central.LocalHeaderOffset64;
    uint64_t limit = directoryOffset_;  // members lie before the directory
    uint8_t fixed[TLocalFile::kFixedSize];
    if (offset > limit || limit - offset < sizeof fixed || !ReadAt(stream, offset, fixed, sizeof fixed))
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
    // With a data descriptor the local header holds zeros, and with Zip64
    // it holds markers; the central directory has the real values.
    bool deferred = (local.Flags & kZipFlagDataDescriptor) != 0;
    bool zip64 = local.CompressedSize == kZip64Marker32 || local.UncompressedSize == kZip64Marker32;
    bool central = deferred || zip64;
    entry.CompressedSize = central ? entry.Central.CompressedSize64 : local.CompressedSize;
    entry.UncompressedSize = central ? entry.Central.UncompressedSize64 : local.UncompressedSize;
    entry.Crc32 = deferred ? entry.Central.Crc32 : local.Crc32;
    if (local.DataOffset > limit || entry.CompressedSize > limit - local.DataOffset)
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
