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
#include "search/search_host.h"
#include "search/search_state.h"

namespace vorel {

inline constexpr std::int64_t kBytesPerMb = 1000000;
inline constexpr std::int64_t kLookAheadBytes = 1000000;
inline constexpr int kProgressPoints = 50;
inline constexpr std::size_t kInitialHitCapacity = 1000000;
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
    // inside the chunk whose byte equals the scan's first byte.
    virtual Examined Examine(ByteSpan bytes, std::size_t pos, std::int64_t fileOffset) = 0;
};

struct ChunkScanParams {
    std::int64_t chunkSize = kBytesPerMb;  // S
    std::uint8_t firstByte = 0;            // every candidate starts with this byte and three zero bytes
    std::string_view label;                // progress label
};

// Outcome of one walk. The progress display has been destroyed whatever the outcome.
enum class ScanOutcome { kCompleted, kAbandoned };

// Walks an open file of `fileSize` bytes. Skips straight to positions holding
// the first byte, stopping at every progress point on the way.
ScanOutcome RunChunkScan(const ChunkScanParams& params, const FileReader& file, std::int64_t fileSize,
                         ISearchHost& host, ICandidateHandler& handler);

// Makes the hit buffer at least `bytes` long (it only grows); false when it cannot.
bool GrowHitBuffer(std::vector<std::uint8_t>& buffer, std::size_t bytes);

// One scan's file and hit buffer: Open() reads the file's size into the search
// state and makes the hit buffer; the buffer is released when the scan ends.
class ScanFile {
public:
    explicit ScanFile(SearchState& state) : state_(state) {}
    ~ScanFile();
    ScanFile(const ScanFile&) = delete;
    ScanFile& operator=(const ScanFile&) = delete;

    // False when the file cannot be read or the hit buffer cannot be had; nothing is shown then.
    bool Open(const std::string& path, SourceType source);
    const FileReader& File() const { return file_; }
    // Walks the whole file; true when the walk was not abandoned.
    bool Walk(const ChunkScanParams& params, ISearchHost& host, ICandidateHandler& handler) const;

private:
    SearchState& state_;
    FileReader file_;
};

}  // namespace vorel
