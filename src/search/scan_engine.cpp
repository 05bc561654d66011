#include "search/scan_engine.h"

#include "search/raw_window.h"
#include "search/worker_pool.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <thread>

namespace vorel {
namespace {

#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
constexpr std::int64_t kMappedMargin = 64;
constexpr std::int64_t kReadMargin = 40;
constexpr std::int64_t kReadPiece = 512;
constexpr std::size_t kFoundPerBlock = 8;
constexpr std::int64_t kMarginSectors = 2;
constexpr std::int64_t kSettleBytes = 1024;
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
// Sectors a raw image's window gathers past its own, for the headers near its end.
constexpr std::int64_t kMarginSectors = 32;
// Bytes first read for a candidate that the searching thread settles.
constexpr std::int64_t kSettleBytes = 131072;
#endif
constexpr int kMaxThreads = 8;
// Windows the threads may have tested ahead of the searching thread. A tested
// window keeps only its list of candidates (its mapping is gone), so the threads
// can run well ahead while the searching thread serves a progress point (the
// window program repaints its progress box there) or opens a document.
constexpr int kBlocksAhead = 16;


// The positions one thread tested and what it found there. A plain file's
// block is a range of file offsets; a raw image's is a range of sectors, and
// its offsets count from the first user byte of its first sector.
struct Block {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t reached = 0;      // every position before this was tested
    std::int64_t reachedFile = 0;  // the file offset of `reached`: the progress points before it may be passed
    std::int64_t reachedSector = 0;  // raw: the sector holding `reached`, or `to` when every position was tested
    std::int64_t streamBytes = 0;  // raw: the user data of the block's own sectors
    bool fileEnded = false;        // the file ended inside (it was cut short while searched)
    bool failed = false;           // a read error
    std::vector<Found> found;

    void Reset(std::int64_t start, std::int64_t end) {
        from = start;
        to = end;
        reached = 0;
        reachedFile = 0;
        reachedSector = start;
        streamBytes = 0;
        fileEnded = false;
        failed = false;
        found.clear();
    }
};

// Where testing a block, or the rest of one, begins: the block's `from`, the
// stream offset its own offsets count from (0 for a plain file), and the first
// position to test.
struct Piece {
    std::int64_t from = 0;
    std::int64_t base = 0;
    std::int64_t first = 0;
};

// One thread's tester: its window, and the look-ahead a header near a window's end may need.
class RangeScanner {
public:
    RangeScanner(const FileReader& file, std::int64_t size, bool raw, std::int64_t chunkSize, WindowMode mode,
                 const ICandidateTest* own, const ICandidateTest* carried)
        : file_(file), size_(size), raw_(raw), chunkSize_(chunkSize), window_(file, mode), own_(own),
          carried_(carried) {}

    // Tests the positions of the block from `first` on, stopping after `cap` accepted candidates.
    void Scan(Block& block, std::int64_t first, std::size_t cap) {
        if (raw_) {
            ScanSectors(block, first, cap);
            return;
        }
        block.reached = first;
        ScanPlain(block, first, block.to, cap);
        block.reachedFile = block.reached;
    }

private:
    void ScanPlain(Block& block, std::int64_t from, std::int64_t to, std::size_t cap) {
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
        ScanPlain(block, from, to, cap);
    }

    // No object here or below needs unwinding: a fault on a mapped byte jumps out.
    void TestWindow(Block& block, std::int64_t from, std::int64_t to, std::int64_t got, std::size_t cap) {
        const std::uint8_t* data = window_.Data();
        const std::int64_t available = from + got;
        block.fileEnded = available < to;
        const std::int64_t end = std::min(to, available);
        const auto len = static_cast<std::size_t>(got);
        std::size_t i = 0;
        const auto stop = static_cast<std::size_t>(end - from);
        while (i < stop) {
            i = NextCandidate(data, i, stop, len);
            if (i == stop) break;
            const std::int64_t at = from + static_cast<std::int64_t>(i);
            const ICandidateTest* test = TestFor(data[i]);
            Found found;
            Examined result = Test(*test, data, from, available, at, found);
            if (result == Examined::kFound && !Keep(block, found, test, at, at)) result = Examined::kAbandon;
            if (result == Examined::kAbandon) {
                block.failed = true;
                block.reached = at;
                return;
            }
            ++i;  // a hit's own bytes are searched too
            if (block.found.size() >= cap) {
                block.reached = from + static_cast<std::int64_t>(i);
                return;
            }
        }
        block.reached = end;
    }

    // A raw image's sectors [block.from, block.to), and a margin of sectors
    // after them for the headers near the end.
    void ScanSectors(Block& block, std::int64_t first, std::size_t cap) {
        const std::int64_t fileFrom = block.from * kRawSectorBytes;
        const std::int64_t ownEnd = std::min(size_, block.to * kRawSectorBytes);
        const std::int64_t fetchEnd = std::min(size_, (block.to + kMarginSectors) * kRawSectorBytes);
        const std::int64_t got = window_.Fetch(fileFrom, fetchEnd);
        if (got < 0) {
            block.failed = true;
            block.reachedFile = fileFrom;
            return;
        }
        block.fileEnded = fileFrom + got < ownEnd;
        if (!sectors_.Reserve(fetchEnd - fileFrom)) {
            block.failed = true;
            block.reachedFile = fileFrom;
            return;
        }
        if (!window_.Mapped()) {
            TestSectors(block, got, ownEnd - fileFrom, first, cap);
            return;
        }
        if (GuardMappedReads([&] { TestSectors(block, got, ownEnd - fileFrom, first, cap); })) return;
        window_.StopMapping();
        block.Reset(block.from, block.to);
        ScanSectors(block, first, cap);
    }

    // Tests a raw window where it lies: each sector's user data in place. A
    // candidate's bytes, which may run on into later sectors, are copied out
    // for its test as far as it needs them. A header that reaches past the
    // window's sectors and their margin, or past the look-ahead (which every
    // chunk end allows), is left undecided: only the searching thread knows
    // where its chunk ends.
    void TestSectors(Block& block, std::int64_t got, std::int64_t ownFileBytes, std::int64_t first,
                     std::size_t cap) {
        const std::int64_t fileFrom = block.from * kRawSectorBytes;
        sectors_.Reset(window_.Data(), fileFrom, got);
        copyFrom_ = -1;
        const std::int64_t ownEnd = fileFrom + std::min(got, ownFileBytes);  // the file offset after the own sectors
        std::int64_t reached = -1;
        for (std::int64_t k = first / kUserDataBytes; reached < 0 && sectors_.HasData(k) && sectors_.UserData(k) < ownEnd;
             ++k) {
            const std::uint8_t* data = sectors_.Bytes(k);
            const auto length = static_cast<std::size_t>(sectors_.Length(k));
            auto i = static_cast<std::size_t>(k == first / kUserDataBytes ? first % kUserDataBytes : 0);
            for (; i < length; ++i) {
                i = NextCandidate(data, i, length, length);
                if (i == length) break;
                const std::int64_t at = k * kUserDataBytes + static_cast<std::int64_t>(i);
                // The three zero bytes a candidate needs may lie in the next sector.
                if (i + 3 >= length && !ZerosFollow(at)) continue;
                const ICandidateTest* test = TestFor(data[i]);
                Found found;
                Examined result = ExamineCopy(*test, at, found);
                if (result == Examined::kFound && !Keep(block, found, test, at, sectors_.FileOffsetOf(at)))
                    result = Examined::kAbandon;
                if (result == Examined::kAbandon) {
                    block.failed = true;
                    reached = at;
                    break;
                }
                if (block.found.size() >= cap) {
                    reached = at + 1;
                    break;
                }
            }
        }
        // The own sectors' user data is counted whole, whatever was tested.
        std::int64_t own = 0;
        while (sectors_.HasData(own) && sectors_.UserData(own) < ownEnd) ++own;
        block.streamBytes = own == 0 ? 0 : (own - 1) * kUserDataBytes + sectors_.Length(own - 1);
        block.reached = reached >= 0 ? reached : std::max(first, block.streamBytes);
        if (block.reached < block.streamBytes) {
            block.reachedFile = sectors_.FileOffsetOf(block.reached);
            block.reachedSector = block.reachedFile / kRawSectorBytes;
        } else {
            block.reachedFile = ownEnd;
            block.reachedSector = block.fileEnded ? ownEnd / kRawSectorBytes : block.to;
        }
    }

    bool ZerosFollow(std::int64_t at) {
        std::uint8_t bytes[4] = {};
        // Where the window ends first, the byte alone offers the candidate, as at a chunk's end.
        return sectors_.Copy(at, 4, bytes) < 4 || (bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0);
    }

    // Tests the candidate at `at`: in its own sector where that settles it, else
    // on a copy of the stream from it on, as long as the test asks for (at most
    // the look-ahead). The copy is kept for the candidates inside it, which
    // extend it as they need: no byte is copied twice for candidates close
    // together, however far their headers reach.
    Examined ExamineCopy(const ICandidateTest& test, std::int64_t at, Found& found) {
        constexpr auto kMost = static_cast<std::size_t>(kLookAheadBytes) + 1;
        const std::int64_t k = at / kUserDataBytes;
        const auto i = static_cast<std::size_t>(at % kUserDataBytes);
        Examined result =
            test.Examine(ByteSpan(sectors_.Bytes(k), static_cast<std::size_t>(sectors_.Length(k))), i, found);
        if (result != Examined::kNeedMore) return result;
        if (copyFrom_ < 0 || at < copyFrom_ || at >= copyFrom_ + static_cast<std::int64_t>(copied_)) {
            copyFrom_ = at;
            copied_ = 0;
            copyEnded_ = false;
        } else if (at - copyFrom_ >= static_cast<std::int64_t>(kMost)) {
            // Far into the copy: what lies before the candidate is of no more use.
            const auto drop = static_cast<std::size_t>(at - copyFrom_);
            std::memmove(candidate_.data(), candidate_.data() + drop, copied_ - drop);
            copied_ -= drop;
            copyFrom_ = at;
        }
        const auto off = static_cast<std::size_t>(at - copyFrom_);
        for (;;) {
            const std::size_t have = std::min(kMost, copied_ - off);
            if (have > 0) {
                result = test.Examine(ByteSpan(candidate_.data() + off, have), 0, found);
                if (result != Examined::kNeedMore) return result;
            }
            if (have == kMost || copyEnded_) break;
            const std::size_t want = off + std::min(kMost, std::max<std::size_t>(4096, 4 * have));
            try {
                if (candidate_.size() < want) candidate_.resize(want);
            } catch (const std::bad_alloc&) {
                return Examined::kAbandon;
            }
            const std::size_t n = sectors_.Copy(copyFrom_ + static_cast<std::int64_t>(copied_), want - copied_,
                                                candidate_.data() + copied_);
            copyEnded_ = n < want - copied_;
            copied_ += n;
        }
        found.undecided = true;
        return Examined::kFound;
    }

    std::size_t NextCandidate(const std::uint8_t* data, std::size_t from, std::size_t to, std::size_t len) const {
        const std::uint8_t first = own_->FirstByte();
        return FindCandidate(data, from, to, len, first, carried_ != nullptr ? carried_->FirstByte() : first);
    }

    const ICandidateTest* TestFor(std::uint8_t lead) const { return lead == own_->FirstByte() ? own_ : carried_; }

    // False when there is no memory for it (nothing may be thrown out of a guarded scan).
    bool Keep(Block& block, Found& found, const ICandidateTest* test, std::int64_t at, std::int64_t fileOffset) {
        found.at = at;
        found.fileOffset = fileOffset;
        found.test = test == own_ ? 0 : 1;
        try {
            block.found.push_back(found);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
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
    bool raw_;
    std::int64_t chunkSize_;
    WindowReader window_;
    const ICandidateTest* own_;
    const ICandidateTest* carried_;
    std::vector<std::uint8_t> scratch_;
    std::int64_t scratchFrom_ = 0;
    std::int64_t scratchLimit_ = -1;
    // Raw images: the window's sectors, the file offset of the user data of each
    // data sector judged so far, and a candidate's bytes.
    RawWindow sectors_;
    std::vector<std::uint8_t> candidate_;
    std::int64_t copyFrom_ = -1;  // the stream offset candidate_ starts at, -1 none
    std::size_t copied_ = 0;      // the bytes it holds
    bool copyEnded_ = false;      // the window holds no more
};

// The calling thread's side: takes the blocks in file order.
class Consumer {
public:
    Consumer(ProgressPoints& progress, ISearchHost& host, ICandidateHandler& handler, CarriedHits* carried,
             ScanSource& source, std::int64_t chunkSize)
        : progress_(progress), host_(host), handler_(handler), carried_(carried),
          raw_(source.IsRaw() ? &source : nullptr), chunkSize_(chunkSize) {}

    // Takes what a block found, its offsets counting from `base`; kCompleted when the walk goes on.
    WalkEnd Take(const Block& block, std::int64_t base) {
        for (std::size_t k = 0; k < block.found.size(); ++k) {
            Found found = block.found[k];
            found.at += base;
            if (found.test == 1) {
                if (!Carry(found)) return Stop(block, k, base, WalkEnd::kAbandoned);
                if (gone_) return Stop(block, k + 1, base, WalkEnd::kCompleted);
                continue;
            }
            if (!progress_.PassBefore(found.fileOffset + 1, host_)) return Stop(block, k, base, WalkEnd::kCancelled);
            Examined result = Settle(found);
            // The handler reads the hit's bytes of a raw image from where the thread found them.
            if (result == Examined::kFound && !Anchor(found)) result = Examined::kNext;
            if (gone_) return Stop(block, k + 1, base, WalkEnd::kCompleted);
            if (result == Examined::kFound) result = handler_.Take(found);
            switch (result) {
                case Examined::kEnd: return Stop(block, k + 1, base, WalkEnd::kEnded);
                case Examined::kAbandon: return Stop(block, k + 1, base, WalkEnd::kAbandoned);
                default: break;
            }
        }
        if (block.failed) return Stop(block, block.found.size(), base, WalkEnd::kAbandoned);
        // Points among the bytes tested: the bar moves and Cancel is heard even where nothing is found.
        if (!progress_.PassBefore(block.reachedFile, host_))
            return Stop(block, block.found.size(), base, WalkEnd::kCancelled);
        return WalkEnd::kCompleted;
    }

    // The file no longer holds a hit where a thread found it: it was cut short
    // or replaced while searched, and the walk ends as at the end of the file.
    bool Gone() const { return gone_; }

    void Finish(std::int64_t reached, std::int64_t sector) {
        if (carried_ == nullptr || !collecting_) return;
        carried_->resumeAt = reached;
        carried_->resumeSector = sector;
    }

private:
    bool Anchor(const Found& found) {
        if (raw_ == nullptr || raw_->AnchorAt(found.at, found.fileOffset)) return true;
        gone_ = true;
        return false;
    }

    // A candidate a thread left undecided, tested with every byte its chunk may
    // use: read as far as the test asks, past the end of the stream as zeros.
    Examined Settle(Found& found) {
        if (!found.undecided) return Examined::kFound;
        found.undecided = false;
        const ICandidateTest& test = found.test == 0 ? handler_ : *carried_->test;
        const std::int64_t limit = (found.at / chunkSize_ + 1) * chunkSize_ + kLookAheadBytes;
        // The bytes read for an earlier candidate of the same chunk serve the later ones.
        std::int64_t want = std::min(limit - found.at, kSettleBytes);
        if (settleLimit_ == limit && found.at >= settleFrom_) want = 0;
        for (;;) {
            if (want > 0) {
                if (!Anchor(found)) return Examined::kNext;
                settleLimit_ = -1;
                try {
                    scratch_.assign(static_cast<std::size_t>(want), 0);
                } catch (const std::bad_alloc&) {
                    return Examined::kAbandon;
                }
                if (raw_->ReadAt(found.at, {scratch_.data(), scratch_.size()}) < 0) return Examined::kAbandon;
                settleFrom_ = found.at;
                settleLimit_ = limit;
            }
            const std::int64_t end = settleFrom_ + static_cast<std::int64_t>(scratch_.size());
            const Examined result = test.Examine(ByteSpan(scratch_.data(), scratch_.size()),
                                                 static_cast<std::size_t>(found.at - settleFrom_), found);
            if (result != Examined::kNeedMore) return result == Examined::kFound ? result : Examined::kNext;
            if (end >= limit) return Examined::kNext;
            want = std::min(limit - found.at, std::max(kSettleBytes, (end - found.at) * 16));
        }
    }

    // Keeps a candidate of the carried kind while there is room; once there is
    // none, or its bytes cannot be read (false), keeping stops at it and the
    // later scan walks on from there itself.
    bool Carry(Found& found) {
        if (carried_ == nullptr || !collecting_) return true;
        const Examined result = Settle(found);
        if (result == Examined::kNext) return true;
        if (result == Examined::kFound && carried_->found.size() < kMaxCarriedHits) {
            carried_->found.push_back(found);
            return true;
        }
        Finish(found.at, found.fileOffset / kRawSectorBytes);
        collecting_ = false;
        return result == Examined::kFound;
    }

    // The walk stops inside a block: what it found of the carried kind after
    // the stop is still kept, since it was tested.
    WalkEnd Stop(const Block& block, std::size_t from, std::int64_t base, WalkEnd end) {
        for (std::size_t k = from; k < block.found.size() && !gone_; ++k) {
            Found found = block.found[k];
            found.at += base;
            if (found.test == 1 && !Carry(found)) return WalkEnd::kAbandoned;
        }
        Finish(base + block.reached, block.reachedSector);
        return end;
    }

    ProgressPoints& progress_;
    ISearchHost& host_;
    ICandidateHandler& handler_;
    CarriedHits* carried_;
    ScanSource* raw_;
    std::int64_t chunkSize_;
    std::vector<std::uint8_t> scratch_;
    std::int64_t settleFrom_ = 0;   // the stream offset scratch_ starts at
    std::int64_t settleLimit_ = -1;  // the chunk limit it was read for, -1 none
    bool collecting_ = true;
    bool gone_ = false;
};

// Blocks of one walk: window-sized pieces (of bytes, or of a raw image's
// sectors) from `from` to the end of the file.
struct Blocks {
    std::int64_t from;
    std::int64_t size;
    std::int64_t window;
    bool raw;
    std::int64_t first;  // the first position to test in block 0
    std::int64_t Count() const { return from >= size ? 0 : (size - from + window - 1) / window; }
    std::int64_t Start(std::int64_t k) const { return from + k * window; }
    std::int64_t End(std::int64_t k) const { return std::min(size, from + (k + 1) * window); }
    std::int64_t First(std::int64_t k) const { return k == 0 ? first : raw ? 0 : Start(k); }
};

// What is left of a block after `reached`.
Piece Rest(const Block& block, std::int64_t base, bool raw) {
    if (!raw) return {block.reached, 0, block.reached};
    // Every sector but a file's last gives whole user data.
    const std::int64_t skipped = block.reached / kUserDataBytes * kUserDataBytes;
    return {block.reachedSector, base + skipped, block.reached - skipped};
}

// Tests what a thread left of a block (it found too many), piece by piece; kCompleted when the walk goes on.
WalkEnd FinishBlock(const Block& partial, std::int64_t base, bool raw, RangeScanner& scanner, Block& piece,
                    Consumer& consumer) {
    Piece next = Rest(partial, base, raw);
    while (next.from < partial.to) {
        piece.Reset(next.from, partial.to);
        scanner.Scan(piece, next.first, kFoundPerBlock);
        const WalkEnd end = consumer.Take(piece, next.base);
        if (end != WalkEnd::kCompleted || consumer.Gone()) return end;
        if (piece.fileEnded || piece.failed || piece.reached <= next.first) break;
        next = Rest(piece, next.base, raw);
    }
    return WalkEnd::kCompleted;
}

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

WalkEnd WalkFile(ScanSource& source, WalkStart start, const WalkParams& params, ProgressPoints& progress,
                 ISearchHost& host, ICandidateHandler& handler, CarriedHits* carried) {
    const ScanTuning& tuning = CurrentScanTuning();
    const bool raw = source.IsRaw();
    const std::int64_t size = source.FileSize();
    const std::int64_t window = std::max<std::int64_t>(1, tuning.windowBytes);
    // A raw image's offsets count from the first user byte of the start's sector.
    std::int64_t base = raw ? start.at / kUserDataBytes * kUserDataBytes : 0;
    const Blocks blocks = raw ? Blocks{start.sector, (size + kRawSectorBytes - 1) / kRawSectorBytes,
                                       std::max<std::int64_t>(1, window / kRawSectorBytes), true, start.at - base}
                              : Blocks{start.at, size, window, false, start.at};
    const ICandidateTest* other = carried != nullptr ? carried->test : nullptr;
    const auto makeScanner = [&] {
        return RangeScanner(source.File(), size, raw, params.chunkSize, tuning.mode, &handler, other);
    };
    Consumer consumer(progress, host, handler, carried, source, params.chunkSize);
    RangeScanner own = makeScanner();
    std::optional<WorkerPool<Blocks, Block, RangeScanner>> pool;
    if (params.threads > 1 && blocks.Count() > 1) {
        pool.emplace(blocks, params.threads, kBlocksAhead, kFoundPerBlock, makeScanner);
        if (!pool->Started()) pool.reset();
    }
    Block alone;
    Block piece;
    for (std::int64_t k = 0; k < blocks.Count(); ++k) {
        if (!pool) {
            alone.Reset(blocks.Start(k), blocks.End(k));
            own.Scan(alone, blocks.First(k), kFoundPerBlock);
        }
        const Block& block = pool ? pool->Wait(k) : alone;
        WalkEnd end = consumer.Take(block, base);
        const bool cutOff = block.reached < (raw ? block.streamBytes : block.to);  // the thread found too many
        if (end == WalkEnd::kCompleted && cutOff && !block.fileEnded && !block.failed && !consumer.Gone())
            end = FinishBlock(block, base, raw, own, piece, consumer);
        const bool last = block.fileEnded || consumer.Gone();
        const std::int64_t reached = raw ? base + block.reached : block.reached;
        const std::int64_t sector = block.reachedSector;
        base += raw ? block.streamBytes : 0;
        if (pool) pool->Release(k);
        if (end != WalkEnd::kCompleted) return end;
        if (last) {
            // A hit gone inside the rest of a block: Stop has said where keeping stopped.
            if (!consumer.Gone()) consumer.Finish(reached, sector);
            return WalkEnd::kCompleted;
        }
    }
    consumer.Finish(raw ? base : std::max(size, start.at), blocks.size);
    return WalkEnd::kCompleted;
}

}  // namespace vorel
