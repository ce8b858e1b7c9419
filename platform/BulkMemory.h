// Memory for pools that are filled soon after they are made (cell records,
// cell blocks, the string table). Such memory is taken from the system in one
// piece. On virtual machines a fault per 4 KiB page can cost more than filling
// the page, so a piece asked for as filled soon is, where the system allows
// it, backed by 2 MiB pages (a fault each, and none where the system keeps
// freed ones warm) and made present in one call (Linux 5.14 and later). A
// pool asks for that only once it has filled a first piece, so that small
// sheets pay only for the pages they touch.
#pragma once

#include <cstddef>
#include <thread>

namespace korvel {

// 2 MiB: pieces asked for as filled soon are made of whole such pages, so
// pools size those pieces as a multiple of it.
inline constexpr size_t kBulkLargePage = size_t(2) << 20;

// At least bytes of zeroed memory, aligned for any type. With filledSoon the
// piece is rounded up to whole large pages, aligned to one and made present
// at once. mappedBytes receives what FreeBulk must be given. Throws
// std::bad_alloc.
void* AllocateBulk(size_t bytes, bool filledSoon, size_t& mappedBytes);
// Gives back memory from AllocateBulk.
void FreeBulk(void* memory, size_t mappedBytes) noexcept;

// For a thread with time to spare while another fills pools (a producer
// waiting for its consumer): makes one large page present ahead, unless one
// is waiting already, so that the next AllocateBulk asked for at most
// kBulkLargePage filled soon takes it without making it present itself.
// The zeroing of fresh memory, costly on a virtual machine, then happens on
// the thread that has time for it. Returns whether a page is waiting
// afterwards (false when no memory could be had).
bool PrepareBulkAhead() noexcept;
// Gives back a page made ahead that no pool took.
void DropBulkAhead() noexcept;
// Whether a page made ahead is waiting.
bool BulkAheadWaiting() noexcept;

// While it lives, a helper thread keeps a large page made ahead: as soon as
// a pool takes the waiting one, it makes the next. For a reader that fills
// pools on one thread while the other CPU has little to do. Without a
// thread (none could be started) nothing is made ahead, and the helper
// stops once no memory could be had for a page. The page left over goes
// back when the keeper ends.
class TBulkAheadKeeper {
public:
    TBulkAheadKeeper();
    ~TBulkAheadKeeper();
    TBulkAheadKeeper(const TBulkAheadKeeper&) = delete;
    TBulkAheadKeeper& operator=(const TBulkAheadKeeper&) = delete;

private:
    bool stop_ = false;  // under the lock of the page made ahead
    std::thread helper_;
};

// An owned piece of bulk memory; its owner constructs and destroys what it
// keeps there.
class TBulkMemory {
public:
    TBulkMemory(size_t bytes, bool filledSoon) : data_(AllocateBulk(bytes, filledSoon, mappedBytes_)) {}
    ~TBulkMemory() { FreeBulk(data_, mappedBytes_); }
    TBulkMemory(const TBulkMemory&) = delete;
    TBulkMemory& operator=(const TBulkMemory&) = delete;

    void* Data() const { return data_; }

private:
    size_t mappedBytes_ = 0;
    void* data_;
};

}  // namespace korvel
