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

TEST(BulkMemory, ZeroedAndWritableWithOrWithoutPopulating) {
    for (bool populate : {false, true}) {
        for (size_t bytes : {size_t(1), size_t(4096), size_t(196608), size_t(3 << 20) + 5}) {
            TBulkMemory memory(bytes, populate);
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

TEST(BulkMemory, ImpossibleSizesThrow) {
    EXPECT_THROW(AllocateBulk(SIZE_MAX - 4096, false), std::bad_alloc);
}

}  // namespace
}  // namespace korvel
