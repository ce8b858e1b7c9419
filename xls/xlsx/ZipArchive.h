// Reading side of a zip archive: the end-of-central-directory record, the
// central directory, the local headers, a case-insensitive name index and
// readable streams over stored and deflated members.
//
// Nothing read from the archive is trusted: every offset, size and name
// length is checked against the stream before it is used, and members whose
// bytes overlap are refused (the trick of small archives that inflate to
// petabytes by reusing one deflate stream). Zip64 archives are read (the
// Zip64 end record and the Zip64 extra fields of the directory); archives
// split over several disks are refused ("Can't open zip archive", with a
// Detail() that says why).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Stream.h"
#include "xls/xlsx/ZipRecords.h"

namespace korvel {

// Results of TCentralDirectory::Read.
inline constexpr int32_t kZipReadOk = 1;
inline constexpr int32_t kZipReadFailed = -1;             // no end record, bad local header, bad range
inline constexpr int32_t kZipReadBadCentralEntry = -2;  // a directory entry without its signature

// One member: its central directory entry, its local header, and the values
// the reader uses (taken from the central directory when the local header
// defers them to a data descriptor).
class TZipEntry {
public:
    TCentralDirectoryFile Central;
    TLocalFile Local;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint32_t Crc32 = 0;

    const std::string& FileName() const { return Central.FileName; }
    uint64_t DataOffset() const { return Local.DataOffset; }
    uint16_t CompressionMethod() const { return Central.CompressionMethod; }
    bool IsFolder() const { return Central.IsFolder(); }
};

// The members in central directory order, with an index from ZipIndexKey
// of the name to the position. When two members share a key the later wins.
class TZipEntries {
public:
    void Add(TZipEntry entry);
    void Clear();
    size_t Count() const { return entries_.size(); }
    TZipEntry& operator[](size_t index) { return entries_[index]; }
    const TZipEntry& operator[](size_t index) const { return entries_[index]; }
    // The member whose normalised name equals name's without regard to ASCII
    // case, or nullptr.
    const TZipEntry* Find(std::string_view name) const;
    bool Exists(std::string_view name) const { return Find(name) != nullptr; }

private:
    std::vector<TZipEntry> entries_;
    std::unordered_map<std::string, size_t> index_;
};

class TCentralDirectory {
public:
    // Finds the end record, reads the directory and every local header.
    // Returns kZipReadOk, kZipReadFailed or kZipReadBadCentralEntry; on
    // failure Failure() says which check failed.
    int32_t Read(TStream& stream);
    const std::string& Failure() const { return failure_; }

    TEndOfCentralDirectoryRecord EndRecord;
    TZipEntries Entries;

    // The directory's place and size in force (from the Zip64 end record
    // when the archive has one).
    uint64_t DirectoryOffset() const { return directoryOffset_; }
    uint64_t DirectorySize() const { return directorySize_; }
    bool IsZip64() const { return zip64_; }

private:
    int32_t Fail(int32_t code, const char* why);
    bool FindEndRecord(TStream& stream, int64_t size);
    int32_t LocateDirectory(TStream& stream);
    int32_t ReadZip64EndRecord(TStream& stream, uint64_t locatorAt);
    int32_t ReadEntries(TStream& stream);
    int32_t ReadLocalHeader(TStream& stream, TZipEntry& entry);
    int32_t CheckNoOverlap();

    std::string failure_;
    uint64_t directoryOffset_ = 0;
    uint64_t directorySize_ = 0;
    uint64_t totalEntries_ = 0;
    uint64_t directoryLimit_ = 0;  // the directory ends at or before this offset
    bool zip64_ = false;
};

class TZipArchive {
public:
    enum class Mode { Closed = 0, Reading = 1, Writing = 2 };

    // Attaches stream (not owned; it must outlive the archive and every
    // entry stream) and reads the directory. Throws EZipError "Archive is
    // already opened" when open, "Can't open zip archive" on any failure.
    void OpenForReading(TStream& stream);
    // A new stream over the member's uncompressed bytes, owned by the caller,
    // or nullptr when there is no member of that name. Throws EZipError "Can't
    // get the stream for folder" for a directory member and "Unsupported
    // compression method" for methods other than stored and deflated (and for
    // encrypted members).
    std::unique_ptr<TStream> OpenEntry(std::string_view name);

    Mode CurrentMode() const { return mode_; }
    const TCentralDirectory& Directory() const { return directory_; }
    const TZipEntries& Entries() const { return directory_.Entries; }

private:
    TStream* stream_ = nullptr;
    Mode mode_ = Mode::Closed;
    TCentralDirectory directory_;
};

}  // namespace korvel
