// Memory for pools that are filled soon after they are made (cell records,
// cell blocks). Such memory is taken from the system in one piece and, when
// asked, made present in one call where the system allows it (Linux 5.14 and
// later): on virtual machines a page fault per page can cost more than
// filling the page. A pool asks for that only once it has filled a first
// chunk, so that small sheets pay only for the pages they touch.
#pragma once

#include <cstddef>

namespace korvel {

// At least bytes of zeroed memory, aligned for any type, its pages made
// present at once when populate is set; throws std::bad_alloc.
void* AllocateBulk(size_t bytes, bool populate);
// Gives back memory from AllocateBulk (the same size).
void FreeBulk(void* memory, size_t bytes) noexcept;

// An owned piece of bulk memory; its owner constructs and destroys what it
// keeps there.
class TBulkMemory {
public:
    TBulkMemory(size_t bytes, bool populate) : bytes_(bytes), data_(AllocateBulk(bytes, populate)) {}
    ~TBulkMemory() { FreeBulk(data_, bytes_); }
    TBulkMemory(const TBulkMemory&) = delete;
    TBulkMemory& operator=(const TBulkMemory&) = delete;

    void* Data() const { return data_; }

private:
    size_t bytes_;
    void* data_;
};

}  // namespace korvel
