// Whole-file reading over POSIX: mmap for regular files, read() otherwise.
#include "platform/FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <vector>

namespace korvel {

namespace {

class TMappedFileBytes : public TFileBytes {
public:
    TMappedFileBytes(void* address, size_t size) : address_(address), size_(size) {
        bytes_ = std::span<const uint8_t>(static_cast<const uint8_t*>(address), size);
    }
    ~TMappedFileBytes() override { ::munmap(address_, size_); }

private:
    void* address_;
    size_t size_;
};

class TBufferedFileBytes : public TFileBytes {
public:
    explicit TBufferedFileBytes(std::vector<uint8_t> buffer) : buffer_(std::move(buffer)) { bytes_ = buffer_; }

private:
    std::vector<uint8_t> buffer_;
};

class TDescriptor {
public:
    explicit TDescriptor(int fd) : fd_(fd) {}
    ~TDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

bool ReadToEnd(int fd, std::vector<uint8_t>& out) {
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out.insert(out.end(), chunk, chunk + got);
    }
}

}  // namespace

std::shared_ptr<const TFileBytes> ReadFileBytes(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    TDescriptor file(fd);
    if (file.Get() < 0) return nullptr;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) return nullptr;
    try {
        if (S_ISREG(status.st_mode) && status.st_size > 0) {
            const size_t size = static_cast<size_t>(status.st_size);
            void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.Get(), 0);
            if (address != MAP_FAILED) {
                // Parsers read mostly front to back.
                ::madvise(address, size, MADV_SEQUENTIAL);
                try {
                    return std::make_shared<TMappedFileBytes>(address, size);
                } catch (const std::bad_alloc&) {
                    ::munmap(address, size);
                    return nullptr;
                }
            }
        }
        std::vector<uint8_t> buffer;
        if (!ReadToEnd(file.Get(), buffer)) return nullptr;
        return std::make_shared<TBufferedFileBytes>(std::move(buffer));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace korvel
