// Bulk memory: zeroed, writable, page-aligned pieces whether or not they are
// made present at once, or made ahead on another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <set>
#include <utility>
#include <thread>
#include <vector>

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

// Pieces filled soon span whole units, page-aligned, and every byte of the
// rounded piece can be written.
TEST(BulkMemory, PiecesFilledSoonSpanWholeUnits) {
    for (size_t bytes : {size_t(1), kBulkPiece - 1, kBulkPiece, kBulkPiece + 1}) {
        size_t mapped = 0;
        auto* data = static_cast<uint8_t*>(AllocateBulk(bytes, true, mapped));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % 4096, 0u) << bytes;
        EXPECT_EQ(mapped % kBulkPiece, 0u) << bytes;
        EXPECT_GE(mapped, bytes);
        EXPECT_LT(mapped - bytes, kBulkPiece);
        std::memset(data, 0x5A, mapped);
        EXPECT_EQ(data[mapped - 1], 0x5A);
        FreeBulk(data, mapped);
    }
}

// A page made ahead goes to the next piece filled soon that fits in it,
// once; larger pieces and pieces not filled soon leave it waiting.
TEST(BulkMemory, APageMadeAheadGoesToTheNextSmallPieceFilledSoon) {
    DropBulkAhead();
    ASSERT_FALSE(BulkAheadWaiting());
    EXPECT_TRUE(PrepareBulkAhead());
    ASSERT_TRUE(BulkAheadWaiting());
    EXPECT_TRUE(PrepareBulkAhead());  // one is waiting: nothing more is made
    ASSERT_TRUE(BulkAheadWaiting());

    size_t mapped = 0;
    void* plain = AllocateBulk(100, false, mapped);
    FreeBulk(plain, mapped);
    void* large = AllocateBulk(kBulkPiece + 1, true, mapped);
    EXPECT_EQ(mapped, 2 * kBulkPiece);
    FreeBulk(large, mapped);
    EXPECT_TRUE(BulkAheadWaiting());

    auto* data = static_cast<uint8_t*>(AllocateBulk(100, true, mapped));
    EXPECT_FALSE(BulkAheadWaiting());
    EXPECT_EQ(mapped, kBulkPiece);
    for (size_t i = 0; i < mapped; i += 4093) ASSERT_EQ(data[i], 0) << i;
    std::memset(data, 0x3C, mapped);
    EXPECT_EQ(data[mapped - 1], 0x3C);
    FreeBulk(data, mapped);

    EXPECT_TRUE(PrepareBulkAhead());
    DropBulkAhead();
    EXPECT_FALSE(BulkAheadWaiting());
    DropBulkAhead();  // none waiting: nothing to do
}

// Threads that make pages ahead and threads that take them share the one
// waiting page: each piece is taken by one allocation only.
TEST(BulkMemory, PagesMadeAheadAreTakenOnceAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<std::vector<void*>> taken(2);
    std::atomic<int> notZero{0};
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 50; ++i) PrepareBulkAhead();
        });
        threads.emplace_back([t, &taken, &notZero] {
            for (int i = 0; i < 50; ++i) {
                size_t mapped = 0;
                auto* data = static_cast<uint8_t*>(AllocateBulk(4096, true, mapped));
                // A page handed out twice would start with the mark.
                if (data[0] != 0) ++notZero;
                data[0] = 1;
                taken[static_cast<size_t>(t)].push_back(data);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(notZero.load(), 0);
    std::set<void*> distinct;
    for (const auto& list : taken)
        for (void* piece : list) EXPECT_TRUE(distinct.insert(piece).second);
    for (void* piece : distinct) FreeBulk(piece, kBulkPiece);
    DropBulkAhead();
}

// A keeper makes a page ahead and, each time one is taken, the next; none is
// left once it ends, even when it ends at once.
TEST(BulkMemory, AKeeperMakesTheNextPageAsEachIsTaken) {
    auto waitForPage = [] {
        for (int i = 0; i < 5000 && !BulkAheadWaiting(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return BulkAheadWaiting();
    };
    { TBulkAheadKeeper quick; }
    EXPECT_FALSE(BulkAheadWaiting());
    std::vector<std::pair<void*, size_t>> pieces;
    {
        TBulkAheadKeeper keeper;
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(waitForPage()) << i;
            size_t mapped = 0;
            auto* data = static_cast<uint8_t*>(AllocateBulk(65536, true, mapped));
            EXPECT_EQ(mapped, kBulkPiece);
            EXPECT_EQ(data[mapped - 1], 0);
            data[0] = 7;
            pieces.emplace_back(data, mapped);
        }
        EXPECT_TRUE(waitForPage());
    }
    EXPECT_FALSE(BulkAheadWaiting());
    for (const auto& [data, mapped] : pieces) FreeBulk(data, mapped);
}

TEST(BulkMemory, ImpossibleSizesThrow) {
    size_t mapped = 0;
    EXPECT_THROW(AllocateBulk(SIZE_MAX - 4096, false, mapped), std::bad_alloc);
    EXPECT_THROW(AllocateBulk(SIZE_MAX - 4096, true, mapped), std::bad_alloc);
}

}  // namespace
}  // namespace korvel
