// Memory for pools that are filled soon after they are made (cell records,
// cell blocks, the string table). Such memory is taken from the system in
// 2 MiB pieces, each made present in one call (Linux 5.14 and later): on
// virtual machines a fault per 4 KiB page can cost more than filling the
// page. A pool asks for that only once it has filled a first piece, so that
// small sheets pay only for the pages they touch.
//
// The pieces are not advised as transparent huge pages. On a virtual machine
// whose host takes back the memory its guest frees, a huge page mostly has
// to be backed afresh: right after a process that had used 40 MiB had
// ended, making 24 MiB of huge pages present took 22 to 80 ms, against 9 to
// 13 ms for ordinary pages, and a whole .xlsx read was 1.4 times as fast
// without them. Back to back, where the last process's huge pages are still
// warm, they were worth 0 to 5 % of the median time.
#pragma once

#include <cstddef>
#include <thread>

namespace korvel {

// 2 MiB: pieces asked for as filled soon are made of whole such units, so
// pools size those pieces as a multiple of it.
inline constexpr size_t kBulkPiece = size_t(2) << 20;

// At least bytes of zeroed memory, page-aligned. With filledSoon the piece is
// rounded up to whole kBulkPiece units and made present at once.
// mappedBytes receives what FreeBulk must be given. Throws std::bad_alloc.
void* AllocateBulk(size_t bytes, bool filledSoon, size_t& mappedBytes);
// Gives back memory from AllocateBulk.
void FreeBulk(void* memory, size_t mappedBytes) noexcept;

// For a thread with time to spare while another fills pools (a producer
// waiting for its consumer): makes one kBulkPiece piece present ahead, unless
// one is waiting already, so that the next AllocateBulk asked for at most
// kBulkPiece filled soon takes it without making it present itself.
// The zeroing of fresh memory, costly on a virtual machine, then happens on
// the thread that has time for it. Returns whether a piece is waiting
// afterwards (false when no memory could be had).
bool PrepareBulkAhead() noexcept;
// Gives back a piece made ahead that no pool took.
void DropBulkAhead() noexcept;
// Whether a piece made ahead is waiting.
bool BulkAheadWaiting() noexcept;

// While it lives, a helper thread keeps a piece made ahead: as soon as a pool
// takes the waiting one, it makes the next. For a reader that fills
// pools on one thread while the other CPU has little to do. Without a
// thread (none could be started) nothing is made ahead, and the helper
// stops once no memory could be had for a piece. The piece left over goes
// back when the keeper ends.
class TBulkAheadKeeper {
public:
    TBulkAheadKeeper();
    ~TBulkAheadKeeper();
    TBulkAheadKeeper(const TBulkAheadKeeper&) = delete;
    TBulkAheadKeeper& operator=(const TBulkAheadKeeper&) = delete;

private:
    bool stop_ = false;  // under the lock of the piece made ahead
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
