// The walk both scanners share: every byte position of the file is offered to
// a candidate handler, as if the file were read in chunks of "Read Memory Size"
// x 1,000,000 bytes each with a look-ahead, and the progress display is served
// at exactly 50 points. The engine (scan_engine.h) does the walking; the chunk
// walk it replaced stays here as its reference (ScanTuning::chunkWalk).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/bytes.h"
#include "search/file_reader.h"
#include "search/scan_engine.h"
#include "search/scan_source.h"
#include "search/search_host.h"
#include "search/search_state.h"
#include "search/tim_candidate.h"

namespace vorel {

struct ChunkScanParams {
    std::int64_t chunkSize = kBytesPerMb;  // S
    std::string_view label;                // progress label
    int threads = 1;                       // threads testing the file's bytes
};

// Outcome of one walk. The progress display has been destroyed whatever the outcome.
enum class ScanOutcome { kCompleted, kAbandoned };

// Walks the bytes of an open source from `from`'s resume point (the whole
// source without it), after taking the candidates it carries, and keeps
// `carry` up to date for a bitmap scan that follows (see CarriedHits). The 50
// progress points are spread over the file's own bytes (for a raw image, each
// falls on the first user byte at or after it), so the bar follows the reading.
ScanOutcome RunChunkScan(const ChunkScanParams& params, ScanSource& source, ISearchHost& host,
                         ICandidateHandler& handler, const CarriedHits* from = nullptr,
                         CarriedHits* carry = nullptr);

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
    // Walks the whole file; true when the walk was not abandoned. `from` and
    // `carry` as for RunChunkScan.
    bool Walk(const ChunkScanParams& params, ISearchHost& host, ICandidateHandler& handler,
              const CarriedHits* from = nullptr, CarriedHits* carry = nullptr);

private:
    SearchState& state_;
    ScanSource source_;
};

}  // namespace vorel
