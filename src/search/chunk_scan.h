// The walk both scanners share: the file is read in chunks of "Read Memory
// Size" x 1,000,000 bytes, every byte position of every chunk is offered to a
// candidate handler, and the progress display is served at exactly 50 points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/bytes.h"
#include "search/file_reader.h"
#include "search/scan_source.h"
#include "search/search_host.h"
#include "search/search_state.h"
#include "search/tim_candidate.h"

namespace vorel {

#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
// Fuzzing runs the same logic at a smaller megabyte: an input then walks a few
// kilobytes of buffers instead of megabytes, and chunk ends, look-ahead ends and
// sector ends all fall inside inputs of a few kilobytes.
inline constexpr std::int64_t kBytesPerMb = 3000;
inline constexpr std::int64_t kLookAheadBytes = 3000;
inline constexpr std::size_t kInitialHitCapacity = 3000;
#else
inline constexpr std::int64_t kBytesPerMb = 1000000;
inline constexpr std::int64_t kLookAheadBytes = 1000000;
inline constexpr std::size_t kInitialHitCapacity = 1000000;
#endif
inline constexpr int kProgressPoints = 50;
inline constexpr char kCancelQuestion[] = "Are you sure you want to Cancel?";

enum class Examined {
    kNext,      // go on with the next position
    kNeedMore,  // the candidate's header reaches past the bytes offered
    kEnd,       // the scan is complete (the divided-search window is passed)
    kAbandon,   // a read or an allocation failed
};

class ICandidateHandler {
public:
    virtual ~ICandidateHandler() = default;
    // `bytes` is the chunk buffer as far as it may be read; `pos` is a position
    // inside the chunk whose byte equals the scan's first byte, at `streamOffset`
    // of the scanned bytes (the file offset, unless the file is a raw CD image).
    virtual Examined Examine(ByteSpan bytes, std::size_t pos, std::int64_t streamOffset) = 0;
};

struct ChunkScanParams {
    std::int64_t chunkSize = kBytesPerMb;  // S
    std::uint8_t firstByte = 0;            // every candidate starts with this byte and three zero bytes
    std::string_view label;                // progress label
};

// Outcome of one walk. The progress display has been destroyed whatever the outcome.
enum class ScanOutcome { kCompleted, kAbandoned };

// Walks the bytes of an open source chunk by chunk. Skips straight to positions
// holding the first byte, stopping at every progress point on the way. The 50
// progress points are spread over the file's own bytes (for a raw image, each
// falls on the first user byte at or after it), so the bar follows the reading.
ScanOutcome RunChunkScan(const ChunkScanParams& params, ScanSource& source, ISearchHost& host,
                         ICandidateHandler& handler);

// Makes the hit buffer at least `bytes` long (it only grows); false when it cannot.
bool GrowHitBuffer(std::vector<std::uint8_t>& buffer, std::size_t bytes);

// The header fields of an accepted TIM, as its document reads them.
void DescribeTimHit(const TimHeader& header, SearchState& state);

// Reads a whole TIM of `size` bytes from `streamOffset` into the hit buffer; a TIM
// cut off by the end of the file is completed with zeros. False when the read or
// the buffer fails.
bool ReadTimHit(ScanSource& source, std::int64_t streamOffset, std::int64_t size, SearchState& state);

// One scan's file and hit buffer: Open() reads the file's size into the search
// state and makes the hit buffer; the buffer is released when the scan ends.
class ScanFile {
public:
    explicit ScanFile(SearchState& state) : state_(state) {}
    ~ScanFile();
    ScanFile(const ScanFile&) = delete;
    ScanFile& operator=(const ScanFile&) = delete;

    // False when the file cannot be read or the hit buffer cannot be had; nothing is shown then.
    bool Open(const std::string& path, SourceType source, SectorReading reading);
    ScanSource& Source() { return source_; }
    // Walks the whole file; true when the walk was not abandoned.
    bool Walk(const ChunkScanParams& params, ISearchHost& host, ICandidateHandler& handler);

private:
    SearchState& state_;
    ScanSource source_;
};

}  // namespace vorel
