// File streams over the operating system's files (POSIX now, Windows later).
#pragma once

#include <string>

#include "platform/Stream.h"

namespace korvel {

enum class FileMode {
    OpenRead,       // existing file, read only, others may read and write
    OpenReadWrite,  // existing file, read and write
    Create,         // create or truncate, read and write
};

// Opening failure throws EFOpenError with "Cannot open file "%s". %s" (the path
// and the system's reason). Read/Write report short counts; they do not throw.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, FileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;

private:
    int fd_ = -1;
};

}  // namespace korvel
