// File streams over POSIX descriptors.
#include "platform/FileStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Errors.h"

namespace korvel {

namespace {
int OpenFlags(FileMode mode) {
    switch (mode) {
    case FileMode::OpenRead: return O_RDONLY;
    case FileMode::OpenReadWrite: return O_RDWR;
    case FileMode::Create: return O_RDWR | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}
}  // namespace

TFileStream::TFileStream(const std::string& path, FileMode mode) {
    do {
        fd_ = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    auto* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
    const auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(fd_, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<int64_t>(result);
}

}  // namespace korvel
