// Bulk memory over anonymous mappings.
#include "platform/BulkMemory.h"

#include <sys/mman.h>

#include <new>

namespace korvel {

namespace {
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older kernels refuse it and fault as usual
#endif
}  // namespace

void* AllocateBulk(size_t bytes, bool populate) {
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    if (populate) ::madvise(memory, bytes, MADV_POPULATE_WRITE);
    return memory;
}

void FreeBulk(void* memory, size_t bytes) noexcept { ::munmap(memory, bytes); }

}  // namespace korvel
