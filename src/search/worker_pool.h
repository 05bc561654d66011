// The threads of the scan engine (scan_engine.cpp).
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vorel {

// Threads that test the blocks of a walk ahead of the calling thread, which
// takes them in order. A thread tests block k with a scanner of its own
// (`scanner.Scan(block, blocks.First(k), cap)`) into one of `ahead` slots, which
// the calling thread hands back with Release once it is done with the block.
template <typename Blocks, typename Block, typename Scanner>
class WorkerPool {
public:
    WorkerPool(const Blocks& blocks, int threads, int ahead, std::size_t cap,
               const std::function<Scanner()>& makeScanner)
        : blocks_(blocks), cap_(cap), slots_(static_cast<std::size_t>(std::max(ahead, 2 * threads))),
          ready_(slots_.size(), false) {
        try {
            for (int t = 0; t < threads; ++t) workers_.emplace_back([this, makeScanner] { Work(makeScanner()); });
        } catch (const std::system_error&) {
            // Fewer threads than asked: those that started do the work.
        }
    }
    ~WorkerPool() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : workers_) t.join();
    }
    bool Started() const { return !workers_.empty(); }

    // The block k, once a thread has tested it.
    const Block& Wait(std::int64_t k) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ready_[Slot(k)]; });
        return slots_[Slot(k)];
    }
    // The calling thread is done with block k: its slot may take a later block.
    void Release(std::int64_t k) {
        {
            std::lock_guard lock(mutex_);
            ready_[Slot(k)] = false;
            taken_ = k + 1;
        }
        changed_.notify_all();
    }

private:
    std::size_t Slot(std::int64_t k) const { return static_cast<std::size_t>(k) % slots_.size(); }

    void Work(Scanner scanner) {
        for (;;) {
            std::int64_t k = 0;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] {
                    return stop_ || next_ >= blocks_.Count() ||
                           next_ < taken_ + static_cast<std::int64_t>(slots_.size());
                });
                if (stop_ || next_ >= blocks_.Count()) return;
                k = next_++;
            }
            Block& block = slots_[Slot(k)];
            block.Reset(blocks_.Start(k), blocks_.End(k));
            scanner.Scan(block, blocks_.First(k), cap_);
            {
                std::lock_guard lock(mutex_);
                ready_[Slot(k)] = true;
            }
            changed_.notify_all();
        }
    }

    Blocks blocks_;
    std::size_t cap_;
    std::vector<Block> slots_;
    std::vector<bool> ready_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t next_ = 0;   // the next block a thread takes up
    std::int64_t taken_ = 0;  // blocks the calling thread is done with
    bool stop_ = false;
};

}  // namespace vorel
