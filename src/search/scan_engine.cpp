#include "search/scan_engine.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace vorel {
namespace {

#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
constexpr std::int64_t kMappedMargin = 64;
constexpr std::int64_t kReadMargin = 40;
constexpr std::int64_t kReadPiece = 512;
constexpr std::size_t kFoundPerBlock = 8;
#else
// Bytes a window reaches past its last position, so that the headers of most
// candidates near its end are tested without a second read. A mapping's margin
// costs nothing until it is touched; a read's is copied with every piece.
constexpr std::int64_t kMappedMargin = 65536;
constexpr std::int64_t kReadMargin = 4096;
// Windows that are read go in pieces, each tested while the copy is still in
// the processor's cache.
constexpr std::int64_t kReadPiece = 131072;
// Candidates a thread describes in one window before it leaves the rest of the
// window to the calling thread: a file packed with headers cannot make the
// threads run ahead with unbounded lists.
constexpr std::size_t kFoundPerBlock = 4096;
#endif
constexpr int kMaxThreads = 8;
// Windows the threads may have tested ahead of the searching thread. A tested
// window keeps only its list of candidates (its mapping is gone), so the threads
// can run well ahead while the searching thread serves a progress point (the
// window program repaints its progress box there) or opens a document.
constexpr int kBlocksAhead = 16;


// The positions one thread tested and what it found there.
struct Block {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t reached = 0;  // every position before this was tested
    bool fileEnded = false;    // the file ended inside (it was cut short while searched)
    bool failed = false;       // a read error
    std::vector<Found> found;

    void Reset(std::int64_t start, std::int64_t end) {
        from = start;
        to = end;
        reached = start;
        fileEnded = false;
        failed = false;
        found.clear();
    }
};

// One thread's tester: its window, and the look-ahead a header near a window's end may need.
class RangeScanner {
public:
    RangeScanner(const FileReader& file, std::int64_t size, std::int64_t chunkSize, WindowMode mode,
                 const ICandidateTest* own, const ICandidateTest* carried)
        : file_(file), size_(size), chunkSize_(chunkSize), window_(file, mode), own_(own), carried_(carried) {}

    // Tests the positions from `from` to `to`, stopping after `cap` accepted candidates.
    void Scan(Block& block, std::int64_t from, std::int64_t to, std::size_t cap) {
        if (window_.Mode() == WindowMode::kMap) {
            ScanPiece(block, from, to, cap);
            return;
        }
        for (std::int64_t at = from; at < to;) {
            const std::int64_t end = std::min(to, at + kReadPiece);
            ScanPiece(block, at, end, cap);
            if (block.failed || block.fileEnded || block.reached < end) return;
            at = end;
        }
    }

private:
    void ScanPiece(Block& block, std::int64_t from, std::int64_t to, std::size_t cap) {
        const std::size_t kept = block.found.size();
        const std::int64_t margin = window_.Mode() == WindowMode::kMap ? kMappedMargin : kReadMargin;
        const std::int64_t windowEnd = std::min(size_, to + margin);
        const std::int64_t got = window_.Fetch(from, windowEnd);
        if (got < 0) {
            block.failed = true;
            block.reached = from;
            return;
        }
        if (!window_.Mapped()) {
            TestWindow(block, from, to, got, cap);
            return;
        }
        const bool whole = GuardMappedReads([&] { TestWindow(block, from, to, got, cap); });
        if (whole) return;
        // The file was cut short under the mapping: read the window again, and
        // every later one, which then ends where the file now ends.
        window_.StopMapping();
        block.found.resize(kept);
        block.failed = false;
        block.fileEnded = false;
        Scan(block, from, to, cap);
    }

    // No object here or below needs unwinding: a fault on a mapped byte jumps out.
    void TestWindow(Block& block, std::int64_t from, std::int64_t to, std::int64_t got, std::size_t cap) {
        const std::uint8_t* data = window_.Data();
        const std::int64_t available = from + got;
        block.fileEnded = available < to;
        const std::int64_t end = std::min(to, available);
        const std::uint8_t first = own_->FirstByte();
        const std::uint8_t second = carried_ != nullptr ? carried_->FirstByte() : first;
        const auto len = static_cast<std::size_t>(got);
        std::size_t i = 0;
        const auto stop = static_cast<std::size_t>(end - from);
        while (i < stop) {
            i = FindCandidate(data, i, stop, len, first, second);
            if (i == stop) break;
            const std::int64_t at = from + static_cast<std::int64_t>(i);
            const ICandidateTest* test = data[i] == first ? own_ : carried_;
            Found found;
            const Examined result = Test(*test, data, from, available, at, found);
            if (result == Examined::kAbandon) {
                block.failed = true;
                block.reached = at;
                return;
            }
            if (result == Examined::kFound) {
                found.at = at;
                found.test = test == own_ ? 0 : 1;
                block.found.push_back(found);
            }
            ++i;  // a hit's own bytes are searched too
            if (block.found.size() >= cap) {
                block.reached = from + static_cast<std::int64_t>(i);
                return;
            }
        }
        block.reached = end;
    }

    // A header may reach as far as its chunk's end plus the look-ahead; beyond
    // the end of the file those bytes are zeros.
    Examined Test(const ICandidateTest& test, const std::uint8_t* data, std::int64_t from, std::int64_t available,
                  std::int64_t at, Found& found) {
        const std::int64_t limit = (at / chunkSize_ + 1) * chunkSize_ + kLookAheadBytes;
        const std::int64_t spanEnd = std::min(available, limit);
        Examined result = test.Examine(ByteSpan(data, static_cast<std::size_t>(spanEnd - from)),
                                       static_cast<std::size_t>(at - from), found);
        if (result != Examined::kNeedMore) return result;
        if (spanEnd >= limit) return Examined::kNext;
        // Rare: read the rest of the look-ahead, once per chunk for all candidates after this one.
        if (scratchLimit_ != limit || at < scratchFrom_) {
            scratchLimit_ = -1;
            const std::int64_t want = limit - at;
            const std::int64_t inFile = std::clamp<std::int64_t>(size_ - at, 0, want);
            try {
                scratch_.assign(static_cast<std::size_t>(want), 0);
            } catch (const std::bad_alloc&) {
                return Examined::kAbandon;
            }
            const std::int64_t read = file_.ReadAt(at, {scratch_.data(), static_cast<std::size_t>(inFile)});
            if (read < 0) return Examined::kAbandon;
            scratchFrom_ = at;
            scratchLimit_ = limit;
        }
        result = test.Examine(ByteSpan(scratch_.data(), scratch_.size()), static_cast<std::size_t>(at - scratchFrom_),
                              found);
        return result == Examined::kNeedMore ? Examined::kNext : result;
    }

    const FileReader& file_;
    std::int64_t size_;
    std::int64_t chunkSize_;
    WindowReader window_;
    const ICandidateTest* own_;
    const ICandidateTest* carried_;
    std::vector<std::uint8_t> scratch_;
    std::int64_t scratchFrom_ = 0;
    std::int64_t scratchLimit_ = -1;
};

// The calling thread's side: takes the blocks in file order.
class Consumer {
public:
    Consumer(ProgressPoints& progress, ISearchHost& host, ICandidateHandler& handler, CarriedHits* carried)
        : progress_(progress), host_(host), handler_(handler), carried_(carried) {}

    // Takes what a block found; kCompleted when the walk goes on.
    WalkEnd Take(const Block& block) {
        for (std::size_t k = 0; k < block.found.size(); ++k) {
            const Found& found = block.found[k];
            if (found.test == 1) {
                Carry(found);
                continue;
            }
            if (!progress_.PassBefore(found.at + 1, host_)) return Stop(block, k, WalkEnd::kCancelled);
            switch (handler_.Take(found)) {
                case Examined::kEnd: return Stop(block, k, WalkEnd::kEnded);
                case Examined::kAbandon: return Stop(block, k, WalkEnd::kAbandoned);
                default: break;
            }
        }
        if (block.failed) return Stop(block, block.found.size(), WalkEnd::kAbandoned);
        // Points among the bytes tested: the bar moves and Cancel is heard even where nothing is found.
        if (!progress_.PassBefore(block.reached, host_)) return Stop(block, block.found.size(), WalkEnd::kCancelled);
        return WalkEnd::kCompleted;
    }

    void Finish(std::int64_t reached) {
        if (carried_ != nullptr && collecting_) carried_->resumeAt = reached;
    }

private:
    void Carry(const Found& found) {
        if (carried_ == nullptr || !collecting_) return;
        if (carried_->found.size() < kMaxCarriedHits) {
            carried_->found.push_back(found);
            return;
        }
        carried_->resumeAt = found.at;
        collecting_ = false;
    }

    // The walk stops inside a block: what it found of the carried kind after
    // the stop is still kept, since it was tested.
    WalkEnd Stop(const Block& block, std::size_t from, WalkEnd end) {
        for (std::size_t k = from; k < block.found.size(); ++k) {
            if (block.found[k].test == 1) Carry(block.found[k]);
        }
        Finish(block.reached);
        return end;
    }

    ProgressPoints& progress_;
    ISearchHost& host_;
    ICandidateHandler& handler_;
    CarriedHits* carried_;
    bool collecting_ = true;
};

// Blocks of one walk: window-sized pieces from `from` to the end of the file.
struct Blocks {
    std::int64_t from;
    std::int64_t size;
    std::int64_t window;
    std::int64_t Count() const { return from >= size ? 0 : (size - from + window - 1) / window; }
    std::int64_t Start(std::int64_t k) const { return from + k * window; }
    std::int64_t End(std::int64_t k) const { return std::min(size, from + (k + 1) * window); }
};

// Tests what a thread left of a block (it found too many), piece by piece; kCompleted when the walk goes on.
WalkEnd FinishBlock(const Block& partial, RangeScanner& scanner, Block& piece, Consumer& consumer) {
    std::int64_t at = partial.reached;
    while (at < partial.to) {
        piece.Reset(at, partial.to);
        scanner.Scan(piece, at, partial.to, kFoundPerBlock);
        const WalkEnd end = consumer.Take(piece);
        if (end != WalkEnd::kCompleted) return end;
        if (piece.fileEnded || piece.reached <= at) break;
        at = piece.reached;
    }
    return WalkEnd::kCompleted;
}

// Whether the walk ends after this block (the file ended in it).
bool LastBlock(const Block& block) { return block.fileEnded; }

WalkEnd WalkAlone(const Blocks& blocks, RangeScanner& scanner, Consumer& consumer) {
    Block block;
    Block piece;
    for (std::int64_t k = 0; k < blocks.Count(); ++k) {
        block.Reset(blocks.Start(k), blocks.End(k));
        scanner.Scan(block, block.from, block.to, kFoundPerBlock);
        WalkEnd end = consumer.Take(block);
        if (end == WalkEnd::kCompleted && block.reached < block.to && !LastBlock(block))
            end = FinishBlock(block, scanner, piece, consumer);
        if (end != WalkEnd::kCompleted) return end;
        if (LastBlock(block)) {
            consumer.Finish(block.reached);
            return WalkEnd::kCompleted;
        }
    }
    consumer.Finish(blocks.size);
    return WalkEnd::kCompleted;
}

// Several threads test blocks ahead of the calling thread, which takes them in order.
class WorkerPool {
public:
    WorkerPool(const Blocks& blocks, int threads, const std::function<RangeScanner()>& makeScanner)
        : blocks_(blocks), slots_(static_cast<std::size_t>(std::max(kBlocksAhead, 2 * threads))),
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

    void Work(RangeScanner scanner) {
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
            scanner.Scan(block, block.from, block.to, kFoundPerBlock);
            {
                std::lock_guard lock(mutex_);
                ready_[Slot(k)] = true;
            }
            changed_.notify_all();
        }
    }

    Blocks blocks_;
    std::vector<Block> slots_;
    std::vector<bool> ready_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t next_ = 0;   // the next block a thread takes up
    std::int64_t taken_ = 0;  // blocks the calling thread is done with
    bool stop_ = false;
};

}  // namespace

ScanTuning& CurrentScanTuning() {
    static ScanTuning tuning;
    return tuning;
}

int ReadScanThreads(const ISettingsStore& store) {
    const int setting = Read(store, settings::kScanThreads);
    if (setting >= 1) return std::min(setting, kMaxThreads);
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(cores), 1, 4);
}

WalkEnd WalkPlainFile(const FileReader& file, std::int64_t size, std::int64_t from, const WalkParams& params,
                      ProgressPoints& progress, ISearchHost& host, ICandidateHandler& handler,
                      CarriedHits* carried) {
    const ScanTuning& tuning = CurrentScanTuning();
    const Blocks blocks{from, size, std::max<std::int64_t>(1, tuning.windowBytes)};
    const ICandidateTest* other = carried != nullptr ? carried->test : nullptr;
    const auto makeScanner = [&] { return RangeScanner(file, size, params.chunkSize, tuning.mode, &handler, other); };
    Consumer consumer(progress, host, handler, carried);
    RangeScanner own = makeScanner();
    if (params.threads <= 1 || blocks.Count() <= 1) return WalkAlone(blocks, own, consumer);

    WorkerPool pool(blocks, params.threads, makeScanner);
    if (!pool.Started()) return WalkAlone(blocks, own, consumer);
    Block piece;
    for (std::int64_t k = 0; k < blocks.Count(); ++k) {
        const Block& block = pool.Wait(k);
        WalkEnd end = consumer.Take(block);
        if (end == WalkEnd::kCompleted && block.reached < block.to && !LastBlock(block))
            end = FinishBlock(block, own, piece, consumer);
        const bool last = LastBlock(block);
        const std::int64_t reached = block.reached;
        pool.Release(k);
        if (end != WalkEnd::kCompleted) return end;
        if (last) {
            consumer.Finish(reached);
            return WalkEnd::kCompleted;
        }
    }
    consumer.Finish(size);
    return WalkEnd::kCompleted;
}

}  // namespace vorel
