// Whole-file reading over POSIX: mmap for regular files, read() otherwise.
#include "platform/FileBytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace korvel {

namespace {

// Files from this size on get their pages touched ahead of the parser.
constexpr size_t kTouchAheadMinimum = size_t(1) << 20;
constexpr size_t kPageBytes = 4096;

// On a virtual machine the first touch of each mapped page can cost a trip to
// the host, and only a touch from the program itself spares the parser that
// trip (the system's own prefaulting does not). So for a large file, when
// its parser asks, a helper thread reads one byte of every page, front to
// back like the parsers, on the other core. Without a thread the parser
// simply takes the faults itself.
class TMappedFileBytes : public TFileBytes {
public:
    TMappedFileBytes(void* address, size_t size) : address_(address), size_(size) {
        bytes_ = std::span<const uint8_t>(static_cast<const uint8_t*>(address), size);
    }
    void TouchAhead() const override {
        if (size_ < kTouchAheadMinimum) return;
        std::call_once(touchStarted_, [this] {
            try {
                toucher_ = std::thread([this] { TouchPages(); });
            } catch (const std::system_error&) {
            }
        });
    }
    bool Mapped() const override { return true; }
    ~TMappedFileBytes() override {
        stop_.store(true, std::memory_order_relaxed);
        if (toucher_.joinable()) toucher_.join();
        ::munmap(address_, size_);
    }

private:
    void TouchPages() const {
        const volatile uint8_t* bytes = static_cast<const uint8_t*>(address_);
        uint8_t sink = 0;
        for (size_t offset = 0; offset < size_; offset += kPageBytes) {
            if ((offset & (64 * kPageBytes - 1)) == 0 && stop_.load(std::memory_order_relaxed)) return;
            sink = static_cast<uint8_t>(sink + bytes[offset]);
        }
        (void)sink;
    }

    void* address_;
    size_t size_;
    std::atomic<bool> stop_{false};
    mutable std::once_flag touchStarted_;
    mutable std::thread toucher_;
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
