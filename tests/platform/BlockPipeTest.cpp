// The block pipe: blocks reach the consumer whole and in order, failures on
// either side keep their place, and at most a few blocks are alive at once.
#include "platform/BlockPipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace korvel {
namespace {

std::atomic<int> liveBlocks{0};
std::atomic<int> mostLiveBlocks{0};

struct NumberBlock {
    NumberBlock() {
        const int live = ++liveBlocks;
        int most = mostLiveBlocks.load();
        while (live > most && !mostLiveBlocks.compare_exchange_weak(most, live)) {
        }
    }
    ~NumberBlock() { --liveBlocks; }
    void Clear() { numbers.clear(); }
    std::vector<int> numbers;
};

// Puts 0 .. count-1 in blocks of `size`, then throws failAt's exception if
// failAt >= 0 (after putting the numbers below it).
template <typename PutFn>
void Produce(const PutFn& put, std::unique_ptr<NumberBlock>& block, int count, int size, int failAt = -1) {
    for (int i = 0; i < count; ++i) {
        if (i == failAt) throw std::runtime_error("producer failed at " + std::to_string(i));
        block->numbers.push_back(i);
        if (static_cast<int>(block->numbers.size()) == size) put(block);
    }
    if (!block->numbers.empty()) put(block);
}

TEST(BlockPipe, EveryNumberArrivesInOrderWithOrWithoutTheHelper) {
    for (bool threaded : {false, true}) {
        for (int size : {1, 7, 1000}) {
            mostLiveBlocks = 0;
            std::vector<int> seen;
            RunBlockPipe<NumberBlock>(
                threaded, [&](const auto& put, std::unique_ptr<NumberBlock>& block) { Produce(put, block, 20000, size); },
                [&](const NumberBlock& block) {
                    EXPECT_FALSE(block.numbers.empty());
                    seen.insert(seen.end(), block.numbers.begin(), block.numbers.end());
                });
            ASSERT_EQ(seen.size(), 20000u) << threaded << " " << size;
            for (int i = 0; i < 20000; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i) << threaded << " " << size;
            // The waiting ones, the one being filled and the one being consumed.
            EXPECT_LE(mostLiveBlocks.load(), static_cast<int>(kPipeDepth) + 2) << threaded << " " << size;
            EXPECT_EQ(liveBlocks.load(), 0);
        }
    }
}

TEST(BlockPipe, ProducerFailureComesAfterTheBlocksBeforeIt) {
    for (bool threaded : {false, true}) {
        std::vector<int> seen;
        try {
            RunBlockPipe<NumberBlock>(
                threaded, [&](const auto& put, std::unique_ptr<NumberBlock>& block) { Produce(put, block, 5000, 10, 4321); },
                [&](const NumberBlock& block) { seen.insert(seen.end(), block.numbers.begin(), block.numbers.end()); });
            ADD_FAILURE() << "no failure, threaded " << threaded;
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "producer failed at 4321");
        }
        // Every full block before the failure; the partial one is not put.
        EXPECT_EQ(seen.size(), 4320u) << threaded;
        EXPECT_EQ(liveBlocks.load(), 0);
    }
}

TEST(BlockPipe, ConsumerFailureStopsAProducerThatWouldNotEnd) {
    for (bool threaded : {false, true}) {
        std::atomic<int> produced{0};
        int consumed = 0;
        try {
            RunBlockPipe<NumberBlock>(
                threaded,
                [&](const auto& put, std::unique_ptr<NumberBlock>& block) {
                    for (;;) {
                        block->numbers.push_back(produced++);
                        put(block);
                    }
                },
                [&](const NumberBlock&) {
                    if (++consumed == 100) throw std::logic_error("consumer failed");
                });
            ADD_FAILURE() << "no failure, threaded " << threaded;
        } catch (const std::logic_error& error) {
            EXPECT_STREQ(error.what(), "consumer failed");
        }
        EXPECT_EQ(consumed, 100);
        // The producer ran at most a pipe's depth and a block ahead.
        EXPECT_LE(produced.load(), 100 + static_cast<int>(kPipeDepth) + 1) << threaded;
        EXPECT_EQ(liveBlocks.load(), 0);
    }
}

// The work given for a full pipe runs on the helper thread only, only while
// blocks are waiting, and changes nothing of what the consumer sees.
TEST(BlockPipe, WorkWhileFullRunsOnTheHelperWhenBlocksWait) {
    for (bool threaded : {false, true}) {
        const std::thread::id consumerThread = std::this_thread::get_id();
        std::atomic<int> calls{0}, onConsumerThread{0};
        const std::function<void()> whileFull = [&] {
            ++calls;
            if (std::this_thread::get_id() == consumerThread) ++onConsumerThread;
        };
        std::vector<int> seen;
        RunBlockPipe<NumberBlock>(
            threaded, [&](const auto& put, std::unique_ptr<NumberBlock>& block) { Produce(put, block, 20000, 10); },
            [&](const NumberBlock& block) {
                // A slow consumer, so that the pipe fills.
                if (block.numbers.front() % 1000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                seen.insert(seen.end(), block.numbers.begin(), block.numbers.end());
            },
            whileFull);
        ASSERT_EQ(seen.size(), 20000u) << threaded;
        for (int i = 0; i < 20000; ++i) ASSERT_EQ(seen[static_cast<size_t>(i)], i) << threaded;
        EXPECT_EQ(onConsumerThread.load(), 0) << threaded;
        if (threaded) {
            EXPECT_GT(calls.load(), 0);
        } else {
            EXPECT_EQ(calls.load(), 0);
        }
    }
}

}  // namespace
}  // namespace korvel
