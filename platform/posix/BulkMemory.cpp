// Bulk memory over anonymous mappings.
#include "platform/BulkMemory.h"

#include <sys/mman.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>

namespace korvel {

namespace {
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older kernels refuse it and fault as usual
#endif

void* MapAnonymous(size_t bytes) {
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    return memory;
}

// Whole kBulkPiece units, made present at once. (The reasons for not asking
// for huge pages are in the header.)
void* MapPresent(size_t bytes, size_t& mappedBytes) {
    if (bytes > SIZE_MAX - kBulkPiece) throw std::bad_alloc();
    mappedBytes = (bytes + kBulkPiece - 1) & ~(kBulkPiece - 1);
    void* memory = MapAnonymous(mappedBytes);
    // A hint: an older kernel refuses it and the pages fault one by one.
    ::madvise(memory, mappedBytes, MADV_POPULATE_WRITE);
    return memory;
}

// The one piece made ahead, waiting for a pool to take it; shared by
// every thread of the process. Keepers wait for it to be taken.
std::mutex aheadMutex;
std::condition_variable aheadTaken;
void* ahead = nullptr;

void* TakeAhead() {
    void* piece = nullptr;
    {
        std::lock_guard<std::mutex> lock(aheadMutex);
        piece = std::exchange(ahead, nullptr);
    }
    if (piece != nullptr) aheadTaken.notify_all();
    return piece;
}
}  // namespace

void* AllocateBulk(size_t bytes, bool filledSoon, size_t& mappedBytes) {
    if (bytes == 0) bytes = 1;
    if (!filledSoon) {
        mappedBytes = bytes;
        return MapAnonymous(bytes);
    }
    if (bytes <= kBulkPiece) {
        if (void* piece = TakeAhead()) {
            mappedBytes = kBulkPiece;
            return piece;
        }
    }
    return MapPresent(bytes, mappedBytes);
}

bool PrepareBulkAhead() noexcept {
    {
        std::lock_guard<std::mutex> lock(aheadMutex);
        if (ahead != nullptr) return true;
    }
    void* piece = nullptr;
    try {
        size_t mapped = 0;
        piece = MapPresent(kBulkPiece, mapped);
    } catch (const std::bad_alloc&) {
        return false;  // only a head start: the pool maps its piece itself
    }
    std::lock_guard<std::mutex> lock(aheadMutex);
    if (ahead == nullptr) {
        ahead = piece;
        return true;
    }
    ::munmap(piece, kBulkPiece);  // another thread was quicker
    return true;
}

void DropBulkAhead() noexcept {
    if (void* piece = TakeAhead()) ::munmap(piece, kBulkPiece);
}

TBulkAheadKeeper::TBulkAheadKeeper() {
    try {
        helper_ = std::thread([this] {
            for (;;) {
                {
                    std::unique_lock<std::mutex> lock(aheadMutex);
                    aheadTaken.wait(lock, [this] { return ahead == nullptr || stop_; });
                    if (stop_) return;
                }
                // Out of memory: the pools will find out for themselves.
                if (!PrepareBulkAhead()) return;
            }
        });
    } catch (const std::system_error&) {
        // No helper: pools make their pages themselves.
    }
}

TBulkAheadKeeper::~TBulkAheadKeeper() {
    if (helper_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(aheadMutex);
            stop_ = true;
        }
        aheadTaken.notify_all();
        helper_.join();
    }
    DropBulkAhead();
}

bool BulkAheadWaiting() noexcept {
    std::lock_guard<std::mutex> lock(aheadMutex);
    return ahead != nullptr;
}

void FreeBulk(void* memory, size_t mappedBytes) noexcept { ::munmap(memory, mappedBytes); }

}  // namespace korvel
