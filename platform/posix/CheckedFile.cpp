// Checked files over POSIX descriptors, with errno mapped to the run-time codes.
#include "platform/CheckedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileSystem.h"
#include "platform/InOutError.h"

namespace korvel {

namespace {

// Pending writes beyond this size go to the system without waiting for Flush.
constexpr size_t kPendingLimit = 64 * 1024;

bool FolderOfPathExists(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return true;  // the current folder
    if (slash == 0) return true;                  // the root
    return DirectoryExists(path.substr(0, slash));
}

int OpenRetrying(const std::string& path, int flags) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

int InOutCodeFromSystemError(int systemError, const std::string& path) {
    switch (systemError) {
    case ENOENT: return FolderOfPathExists(path) ? kIoFileNotFound : kIoInvalidFilename;
    case ENOTDIR:
    case ENAMETOOLONG: return kIoInvalidFilename;
    case EMFILE:
    case ENFILE: return kIoTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return kIoAccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kIoDiskFull;
    // errno values that would collide with the codes above get the numbers
    // the run-time library uses for the same conditions.
    case EIO: return 1117;
    case EBUSY: return 32;
    case EINVAL: return 87;
    default: return systemError;
    }
}

TCheckedFile::~TCheckedFile() {
    if (fd_ >= 0) ::close(fd_);
}

void TCheckedFile::Create(const std::string& path) {
    if (fd_ >= 0) Close();
    path_ = path;
    pending_.clear();
    fd_ = OpenRetrying(path, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd_ < 0) RaiseInOutError(InOutCodeFromSystemError(errno, path), kStepFileCreate);
}

void TCheckedFile::Open(const std::string& path, CheckedAccess access) {
    if (fd_ >= 0) Close();
    path_ = path;
    pending_.clear();
    fd_ = OpenRetrying(path, access == CheckedAccess::Read ? O_RDONLY : O_RDWR);
    if (fd_ < 0) RaiseInOutError(InOutCodeFromSystemError(errno, path), kStepFileOpen);
    struct stat info;
    if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
        // A folder opens for reading on POSIX but is no file to read.
        ::close(fd_);
        fd_ = -1;
        RaiseInOutError(kIoAccessDenied, kStepFileOpen);
    }
}

void TCheckedFile::RequireOpen(uint32_t step) const {
    if (fd_ < 0) RaiseInOutError(kIoFileNotOpen, step);
}

void TCheckedFile::ReadExact(void* buffer, size_t count) {
    RequireOpen(kStepFileRead);
    if (!pending_.empty()) WritePending(kStepFileRead);
    auto* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, p + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) RaiseInOutError(InOutCodeFromSystemError(errno, path_), kStepFileRead);
        if (n == 0) RaiseInOutError(kIoReadBeyondEnd, kStepFileRead);
        done += static_cast<size_t>(n);
    }
}

bool TCheckedFile::Eof() {
    RequireOpen(kStepFileEof);
    if (!pending_.empty()) WritePending(kStepFileEof);
    off_t position = ::lseek(fd_, 0, SEEK_CUR);
    struct stat info;
    if (position < 0 || ::fstat(fd_, &info) != 0)
        RaiseInOutError(InOutCodeFromSystemError(errno, path_), kStepFileEof);
    return position >= info.st_size;
}

void TCheckedFile::Write(const void* data, size_t count) {
    RequireOpen(kStepFileWrite);
    pending_.append(static_cast<const char*>(data), count);
    if (pending_.size() >= kPendingLimit) WritePending(kStepFileWrite);
}

void TCheckedFile::Flush() {
    RequireOpen(kStepFileFlush);
    WritePending(kStepFileFlush);
}

void TCheckedFile::WritePending(uint32_t step) {
    size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int code = n < 0 ? InOutCodeFromSystemError(errno, path_) : kIoDiskFull;
            pending_.erase(0, done);
            RaiseInOutError(code, step);
        }
        done += static_cast<size_t>(n);
    }
    pending_.clear();
}

void TCheckedFile::Close() {
    RequireOpen(kStepFileClose);
    int fd = fd_;
    try {
        WritePending(kStepFileClose);
    } catch (...) {
        fd_ = -1;
        pending_.clear();
        ::close(fd);
        throw;
    }
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) RaiseInOutError(InOutCodeFromSystemError(errno, path_), kStepFileClose);
}

}  // namespace korvel
