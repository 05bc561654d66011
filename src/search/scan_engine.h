// The engine every search runs on. A file is cut into windows that one or more
// threads test for candidates of every kind searched, in one walk over the
// bytes; the calling thread then takes the accepted candidates in file order,
// passes the 50 progress points between them and opens the documents. Worker
// threads only find and describe candidates. A raw CD image's windows are runs
// of whole sectors, whose user data each thread gathers into a stream of its
// own; the calling thread places those streams end to end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/bytes.h"
#include "search/bmp_candidate.h"
#include "search/file_reader.h"
#include "search/scan_source.h"
#include "search/scan_window.h"
#include "search/search_host.h"
#include "search/settings.h"
#include "search/tim_candidate.h"

namespace vorel {

#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
// Fuzzing runs the same logic at a smaller megabyte: an input then walks a few
// kilobytes of buffers instead of megabytes, and chunk ends, look-ahead ends and
// sector ends all fall inside inputs of a few kilobytes.
inline constexpr std::int64_t kBytesPerMb = 3000;
inline constexpr std::int64_t kLookAheadBytes = 3000;
inline constexpr std::size_t kInitialHitCapacity = 3000;
inline constexpr std::int64_t kDefaultWindowBytes = 4096;
inline constexpr std::size_t kMaxCarriedHits = 16;
#else
inline constexpr std::int64_t kBytesPerMb = 1000000;
inline constexpr std::int64_t kLookAheadBytes = 1000000;
inline constexpr std::size_t kInitialHitCapacity = 1000000;
inline constexpr std::int64_t kDefaultWindowBytes = 4 << 20;
// Bitmap candidates kept for the bitmap scan that follows a TIM scan; beyond
// them that scan walks the rest of the file itself.
inline constexpr std::size_t kMaxCarriedHits = 1 << 16;
#endif
inline constexpr int kProgressPoints = 50;
inline constexpr char kCancelQuestion[] = "Are you sure you want to Cancel?";

enum class Examined {
    kNext,      // go on with the next position
    kFound,     // the candidate is accepted (a test's answer)
    kNeedMore,  // the candidate's header reaches past the bytes offered
    kEnd,       // the scan is complete (the divided-search window is passed)
    kAbandon,   // a read or an allocation failed
};

// An accepted candidate, described by the thread that tested it.
struct Found {
    std::int64_t at = 0;          // offset in the scanned bytes (the file offset, unless the file is a raw CD image)
    std::int64_t fileOffset = 0;  // the file offset of `at`
    int test = 0;                 // 0: the scan's own kind; 1: a kind carried for a later scan
    // The bytes a thread had of a raw image's stream did not settle the test:
    // the searching thread tests it again with every byte its chunk may use.
    bool undecided = false;
    TimHeader tim;
    BmpHeader bmp;
};

class ICandidateTest {
public:
    virtual ~ICandidateTest() = default;
    // Every candidate of this kind starts with this byte and three zero bytes.
    virtual std::uint8_t FirstByte() const = 0;
    // Any thread: tests the bytes at `pos` of `bytes` (the chunk buffer as far as
    // it may be read); kFound with `found` described, kNext, or kNeedMore.
    virtual Examined Examine(ByteSpan bytes, std::size_t pos, Found& found) const = 0;
};

class ICandidateHandler : public ICandidateTest {
public:
    // The calling thread, in file order: an accepted candidate at `found.at`;
    // kNext, kEnd or kAbandon.
    virtual Examined Take(const Found& found) = 0;
};

// Candidates of a second kind found by one scan's walk, for the scan of that
// kind that follows over the same file: it takes these, then walks on from
// `resumeAt` itself. Left empty, that scan walks the whole file.
struct CarriedHits {
    const ICandidateTest* test = nullptr;
    std::vector<Found> found;
    std::int64_t resumeAt = 0;
    std::int64_t resumeSector = 0;  // a raw image's: the sector holding `resumeAt`, or the next data sector's
    bool raw = false;               // offsets in a raw image's stream
};

// Serves the progress points: positions 0, step, 2 x step, ... of the file, of
// which the first 50 check for Cancel and step the bar.
class ProgressPoints {
public:
    explicit ProgressPoints(std::int64_t fileSize)
        : size_(fileSize), step_(fileSize > kProgressPoints ? fileSize / kProgressPoints : 1) {}

    // The next file offset that needs attention; -1 when no further point does.
    std::int64_t Next() const {
        const std::int64_t at = passed_ * step_;
        return passed_ < kProgressPoints && at < size_ ? at : -1;
    }

    int Passed() const { return static_cast<int>(passed_); }

    // Handles the point at Next(); false when the user confirmed Cancel.
    bool Pass(ISearchHost& host) {
        ++passed_;
        if (host.CheckCancel() && host.AskYesNo(kCancelQuestion)) return false;
        host.StepProgress();
        return true;
    }

    // Passes every point before `offset` (of a plain file); false on a confirmed Cancel.
    bool PassBefore(std::int64_t offset, ISearchHost& host) {
        for (std::int64_t at = Next(); at >= 0 && at < offset; at = Next()) {
            if (!Pass(host)) return false;
        }
        return true;
    }

private:
    std::int64_t size_;
    std::int64_t step_;
    std::int64_t passed_ = 0;
};

// How the engine reads. The program keeps the defaults; tests and fuzzing vary
// them (set before a search, never during one). Mapped windows of 4 MiB beat
// reads of any size on the development machine: the bytes are not copied out
// of the page cache. The pages come in through the kernel's fault-around,
// which maps a batch at each fault and was faster there than populating the
// whole window at mmap time (see find_bench).
struct ScanTuning {
    std::int64_t windowBytes = kDefaultWindowBytes;  // bytes a thread tests at a time (a raw image's: its sectors)
    WindowMode mode = WindowMode::kMap;               // how those bytes come from the file
    // Files are walked chunk by chunk by the calling thread instead, one walk
    // per kind, as the engine's reference: its results are held to that walk.
    bool chunkWalk = false;
};
ScanTuning& CurrentScanTuning();

// Threads a scan uses: "ScanThreads" when it is 1 or more (at most 8), else
// one per processor core, at most 4.
int ReadScanThreads(const ISettingsStore& store);

struct WalkParams {
    std::int64_t chunkSize = kBytesPerMb;  // "Read Memory Size": a header may reach a chunk's end plus the look-ahead
    int threads = 1;
};

enum class WalkEnd { kCompleted, kEnded, kCancelled, kAbandoned };

// Where a walk starts: the stream offset `at` and, for a raw image, the sector
// holding it (or, when `at` starts a sector's user data, any sector after the
// previous data sector).
struct WalkStart {
    std::int64_t at = 0;
    std::int64_t sector = 0;
};

// Walks the bytes of `source` (a plain file, or a raw image's stream) from
// `start` to their end (or to where the file was cut short), offering each
// candidate that `handler` accepts to its Take in file order and passing the
// progress points before it. With `carried`, the candidates its test accepts
// are kept there, as far as there is room, and its resume fields say where
// keeping them stopped. The points left after the last byte are not passed here.
WalkEnd WalkFile(ScanSource& source, WalkStart start, const WalkParams& params, ProgressPoints& progress,
                 ISearchHost& host, ICandidateHandler& handler, CarriedHits* carried);

}  // namespace vorel
