// Bulk memory: zeroed, writable, page-aligned pieces whether or not they are
// made present at once.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/BulkMemory.h"

namespace korvel {
namespace {

TEST(BulkMemory, ZeroedAndWritableWhetherFilledSoonOrNot) {
    for (bool filledSoon : {false, true}) {
        for (size_t bytes : {size_t(1), size_t(4096), size_t(196608), size_t(3 << 20) + 5}) {
            TBulkMemory memory(bytes, filledSoon);
            auto* data = static_cast<uint8_t*>(memory.Data());
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % alignof(std::max_align_t), 0u);
            for (size_t i = 0; i < bytes; i += 997) ASSERT_EQ(data[i], 0) << bytes << " " << i;
            EXPECT_EQ(data[bytes - 1], 0);
            std::memset(data, 0xA5, bytes);
            EXPECT_EQ(data[bytes - 1], 0xA5);
        }
    }
}

// Pieces filled soon start on a large page and span whole ones, and every
// byte of them can be written: the unaligned head and tail of the mapping
// were given back, not the piece.
TEST(BulkMemory, PiecesFilledSoonAreWholeAlignedLargePages) {
    for (size_t bytes : {size_t(1), kBulkLargePage - 1, kBulkLargePage, kBulkLargePage + 1}) {
        size_t mapped = 0;
        auto* data = static_cast<uint8_t*>(AllocateBulk(bytes, true, mapped));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % kBulkLargePage, 0u) << bytes;
        EXPECT_EQ(mapped % kBulkLargePage, 0u) << bytes;
        EXPECT_GE(mapped, bytes);
        EXPECT_LT(mapped - bytes, kBulkLargePage);
        std::memset(data, 0x5A, mapped);
        EXPECT_EQ(data[mapped - 1], 0x5A);
        FreeBulk(data, mapped);
    }
}

TEST(BulkMemory, ImpossibleSizesThrow) {
    size_t mapped = 0;
    EXPECT_THROW(AllocateBulk(SIZE_MAX - 4096, false, mapped), std::bad_alloc);
    EXPECT_THROW(AllocateBulk(SIZE_MAX - 4096, true, mapped), std::bad_alloc);
}

}  // namespace
}  // namespace korvel
