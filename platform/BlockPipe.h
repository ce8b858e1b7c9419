// RunBlockPipe: a producer fills blocks on a helper thread while the calling
// thread consumes them in order, so that two stages of one job (reading a
// part's XML, storing its cells) run side by side.
//
// The producer is called as produce(put, block): it fills *block and calls
// put(block) for every full block (and once more for the last one); put
// hands the block over and leaves an empty one in its place.
// consume(block) sees the blocks in the order they were put. At most
// kPipeDepth blocks wait between the two, so memory stays a few blocks
// whatever the job's size.
//
// Failures keep their place: when the producer throws, every block it put
// before is consumed first and its exception is then rethrown here. When
// consume throws, the producer is stopped at its next put and joined before
// the exception goes on. Blocks need Clear(), which makes them empty again.
// Without a helper thread (threaded false, or none can be started) each put
// consumes its block at once on the calling thread: the same blocks in the
// same order.
//
// whileFull, when given, is called on the helper thread before it waits for
// room in a full pipe: work that can be done ahead for the consumer, with
// time the producer would otherwise spend waiting. An exception from it
// counts as the producer's.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace korvel {

inline constexpr size_t kPipeDepth = 4;

namespace detail {

// Thrown into the producer by put once the consumer has given up.
struct TPipeStopped {};

template <typename Block>
class TBlockPipeState {
public:
    explicit TBlockPipeState(const std::function<void()>& whileFull) : whileFull_(whileFull) {}

    // Producer side: hands block over, waiting while the pipe is full.
    // Before a wait, the producer first does what whileFull asks.
    void Put(std::unique_ptr<Block>& block) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (whileFull_ && !stopping_ && ready_.size() >= kPipeDepth) {
            lock.unlock();
            whileFull_();
            lock.lock();
        }
        roomFree_.wait(lock, [this] { return stopping_ || ready_.size() < kPipeDepth; });
        if (stopping_) throw TPipeStopped{};
        ready_.push_back(std::move(block));
        if (!spare_.empty()) {
            block = std::move(spare_.back());
            spare_.pop_back();
        }
        lock.unlock();
        blockReady_.notify_one();
        if (!block) block = std::make_unique<Block>();
    }

    void Finish(std::exception_ptr failure) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Moved, not copied: the consumer then drops the last
            // reference, after it has read the exception.
            failure_ = std::move(failure);
            finished_ = true;
        }
        blockReady_.notify_one();
    }

    // Consumer side: the next block, or nullptr once the producer is done.
    std::unique_ptr<Block> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        blockReady_.wait(lock, [this] { return !ready_.empty() || finished_; });
        if (ready_.empty()) return nullptr;
        std::unique_ptr<Block> block = std::move(ready_.front());
        ready_.pop_front();
        lock.unlock();
        roomFree_.notify_one();
        return block;
    }

    void GiveBack(std::unique_ptr<Block> block) {
        block->Clear();
        std::lock_guard<std::mutex> lock(mutex_);
        spare_.push_back(std::move(block));
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        roomFree_.notify_one();
    }

    std::exception_ptr Failure() {
        std::lock_guard<std::mutex> lock(mutex_);
        return failure_;
    }

private:
    const std::function<void()>& whileFull_;
    std::mutex mutex_;
    std::condition_variable blockReady_;
    std::condition_variable roomFree_;
    std::deque<std::unique_ptr<Block>> ready_;
    std::vector<std::unique_ptr<Block>> spare_;
    std::exception_ptr failure_;
    bool finished_ = false;
    bool stopping_ = false;
};

}  // namespace detail

template <typename Block, typename Produce, typename Consume>
void RunBlockPipe(bool threaded, Produce produce, Consume consume, const std::function<void()>& whileFull = {}) {
    if (threaded) {
        detail::TBlockPipeState<Block> state(whileFull);
        std::thread helper;
        try {
            helper = std::thread([&] {
                std::exception_ptr failure;
                try {
                    std::unique_ptr<Block> block = std::make_unique<Block>();
                    produce([&](std::unique_ptr<Block>& full) { state.Put(full); }, block);
                } catch (const detail::TPipeStopped&) {
                    // The consumer has stopped; its own failure goes on.
                } catch (...) {
                    failure = std::current_exception();
                }
                state.Finish(std::move(failure));
            });
        } catch (const std::system_error&) {
            threaded = false;  // no thread: the same work on this one
        }
        if (threaded) {
            try {
                while (std::unique_ptr<Block> block = state.Take()) {
                    consume(*block);
                    state.GiveBack(std::move(block));
                }
            } catch (...) {
                state.Stop();
                helper.join();
                throw;
            }
            helper.join();
            if (std::exception_ptr failure = state.Failure()) std::rethrow_exception(failure);
            return;
        }
    }
    std::unique_ptr<Block> block = std::make_unique<Block>();
    produce(
        [&](std::unique_ptr<Block>& full) {
            consume(*full);
            full->Clear();
        },
        block);
}

}  // namespace korvel
