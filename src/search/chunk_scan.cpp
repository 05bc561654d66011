#include "search/chunk_scan.h"

#include "search/image_record.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace vorel {
namespace {

// Points in the file's last bytes that hold no stream byte (an audio track at
// the end of a raw image) are passed too, so the bar is full at the end.
ScanOutcome PassTheRest(ProgressPoints& progress, ISearchHost& host) {
    while (progress.Next() >= 0) {
        if (!progress.Pass(host)) return ScanOutcome::kAbandoned;
    }
    return ScanOutcome::kCompleted;
}

// The engine tests the bytes; the calling thread takes what it finds.
ScanOutcome RunEngineScan(const ChunkScanParams& params, ScanSource& source, ISearchHost& host,
                          ICandidateHandler& handler, const CarriedHits* from, CarriedHits* carry,
                          ProgressPoints& progress) {
    // What an earlier walk over the same bytes found for this scan comes first.
    WalkStart start;
    if (from != nullptr) {
        for (const Found& found : from->found) {
            if (!progress.PassBefore(found.fileOffset + 1, host)) return ScanOutcome::kAbandoned;
            // A raw image cut short or replaced since the walk that kept these ends here.
            if (source.IsRaw() && !source.AnchorAt(found.at, found.fileOffset)) return PassTheRest(progress, host);
            switch (handler.Take(found)) {
                case Examined::kEnd: return ScanOutcome::kCompleted;
                case Examined::kAbandon: return ScanOutcome::kAbandoned;
                default: break;
            }
        }
        start = {from->resumeAt, from->resumeSector};
    }
    if (carry != nullptr && carry->test == nullptr) carry = nullptr;
    if (carry != nullptr) carry->raw = source.IsRaw();
    switch (WalkFile(source, start, {params.chunkSize, params.threads}, progress, host, handler, carry)) {
        case WalkEnd::kEnded: return ScanOutcome::kCompleted;
        case WalkEnd::kCancelled:
        case WalkEnd::kAbandoned: return ScanOutcome::kAbandoned;
        case WalkEnd::kCompleted: break;
    }
    return PassTheRest(progress, host);
}

// The engine's reference: the calling thread walks the file chunk by chunk,
// one walk per kind.
ScanOutcome RunChunkWalk(const ChunkScanParams& params, ScanSource& source, ISearchHost& host,
                         ICandidateHandler& handler, ProgressPoints& progress) {
    const std::int64_t chunkSize = params.chunkSize;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[static_cast<std::size_t>(chunkSize + kLookAheadBytes + kRawReadSlack)]);
    if (!buffer) return ScanOutcome::kAbandoned;
    // A long run of sectors without user data (the audio tracks after a disc's
    // data) is walked within one chunk read: the points it passes are served
    // as it goes, so the bar moves and Cancel is heard. They may come a little
    // before the bytes of the chunk are scanned.
    source.SetQuietWalkObserver([&progress, &host](std::int64_t reached) {
        while (progress.Next() >= 0 && progress.Next() < reached) {
            if (!progress.Pass(host)) return false;
        }
        return true;
    });
    const auto finish = [&source](ScanOutcome outcome) {
        source.SetQuietWalkObserver({});
        return outcome;
    };
    // The stream position of the next progress point, -1 when it lies past the window read.
    const auto nextPoint = [&]() -> std::int64_t {
        const std::int64_t at = progress.Next();
        return at < 0 ? -1 : source.StreamPositionOf(at);
    };

    for (std::int64_t base = 0;; base += chunkSize) {
        const std::int64_t got = source.ReadWindow(base, {buffer.get(), static_cast<std::size_t>(chunkSize)}, false);
        if (got < 0) return finish(ScanOutcome::kAbandoned);
        if (got == 0) break;
        const auto len = static_cast<std::size_t>(got);

        // The look-ahead is read only when a candidate near the chunk's end needs it.
        std::size_t available = len;
        bool lookAheadRead = false;
        const auto readLookAhead = [&]() {
            lookAheadRead = true;
            const std::int64_t more =
                source.ReadWindow(base + got, {buffer.get() + len, static_cast<std::size_t>(kLookAheadBytes)}, true);
            if (more < 0) return false;
            // Beyond the end of the file the look-ahead holds zeros.
            std::memset(buffer.get() + len + more, 0, static_cast<std::size_t>(kLookAheadBytes - more));
            available = len + static_cast<std::size_t>(kLookAheadBytes);
            return true;
        };

        std::size_t pos = 0;
        std::int64_t point = nextPoint();
        while (pos < len) {
            const std::int64_t here = base + static_cast<std::int64_t>(pos);
            // Several points can fall on one position when sectors between them give no bytes.
            while (point >= 0 && point <= here) {
                if (!progress.Pass(host)) return finish(ScanOutcome::kAbandoned);
                point = nextPoint();
            }
            // Look for the next candidate, but not past the next progress point.
            std::size_t limit = len;
            if (point >= 0 && point < base + got) limit = static_cast<std::size_t>(point - base);
            pos = FindCandidate(buffer.get(), pos, limit, len, handler.FirstByte(), handler.FirstByte());
            if (pos == limit) continue;

            Found found;
            found.at = base + static_cast<std::int64_t>(pos);
            Examined result = handler.Examine({buffer.get(), available}, pos, found);
            if (result == Examined::kNeedMore && !lookAheadRead) {
                if (!readLookAhead()) return finish(ScanOutcome::kAbandoned);
                // Walking a long run without user data may have passed points.
                point = nextPoint();
                result = handler.Examine({buffer.get(), available}, pos, found);
            }
            if (result == Examined::kFound) {
                found.fileOffset = source.FileOffsetOf(found.at);
                result = handler.Take(found);
            }
            if (result == Examined::kEnd) return finish(ScanOutcome::kCompleted);
            if (result == Examined::kAbandon) return finish(ScanOutcome::kAbandoned);
            ++pos;  // a hit's own bytes are searched too
        }
        if (got < chunkSize) break;
    }
    // Points in the file's last bytes that hold no stream byte are still passed.
    while (progress.Next() >= 0) {
        if (!progress.Pass(host)) return finish(ScanOutcome::kAbandoned);
    }
    return finish(ScanOutcome::kCompleted);
}

}  // namespace

bool GrowHitBuffer(std::vector<std::uint8_t>& buffer, std::size_t bytes) {
    if (buffer.size() >= bytes) return true;
    try {
        // The old contents need not be kept: release first, so two buffers never coexist.
        std::vector<std::uint8_t>().swap(buffer);
        buffer.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

ScanFile::~ScanFile() {
    // The hit buffer lives for one scan only.
    std::vector<std::uint8_t>().swap(state_.m_pHitData);
    state_.m_nHitSize = 0;
}

void DescribeTimHit(const TimHeader& header, SearchState& state) {
    state.m_nTimFlag = header.flag;
    state.m_nWidth = header.width;
    state.m_nHeight = header.height;
    state.m_nPaletteCount = header.paletteCount;
    if (header.flag == kTim4 || header.flag == kTim8) {
        state.m_nClutBlockSize = header.clutBlockSize;
        state.m_nClutWidth = header.clutWidth;
        state.m_nClutEntries = header.clutEntries;
    }
}

bool ReadTimHit(ScanSource& source, std::int64_t streamOffset, std::int64_t size, SearchState& state) {
    const auto bytes = static_cast<std::size_t>(size);
    if (!GrowHitBuffer(state.m_pHitData, bytes)) return false;
    const std::int64_t got = source.ReadAt(streamOffset, {state.m_pHitData.data(), bytes});
    if (got < 0) return false;
    std::fill(state.m_pHitData.begin() + got, state.m_pHitData.begin() + static_cast<std::ptrdiff_t>(bytes), 0);
    state.m_nHitSize = bytes;
    state.m_nHitBytesFound = static_cast<std::size_t>(got);
    state.m_nHitOffset = 0;
    return true;
}

bool ScanFile::Open(const std::string& path, SourceType source, SectorReading reading) {
    state_.m_nSourceType = source;
    if (!source_.Open(path, reading)) return false;
    state_.m_nFileSize = source_.FileSize();
    state_.m_nFileModifiedNs = StampOfFile(path).modifiedNs;
    state_.m_bRawSectors = source_.IsRaw();
    state_.m_nHitSize = 0;
    return GrowHitBuffer(state_.m_pHitData, kInitialHitCapacity);
}

bool ScanFile::Walk(const ChunkScanParams& params, ISearchHost& host, ICandidateHandler& handler,
                    const CarriedHits* from, CarriedHits* carry) {
    return RunChunkScan(params, source_, host, handler, from, carry) == ScanOutcome::kCompleted;
}

ScanOutcome RunChunkScan(const ChunkScanParams& params, ScanSource& source, ISearchHost& host,
                         ICandidateHandler& handler, const CarriedHits* from, CarriedHits* carry) {
    // What a walk kept of the other kind is of no use when this scan reads the file otherwise.
    if (from != nullptr && from->raw != source.IsRaw()) from = nullptr;
    host.CreateProgress();
    host.SetProgressLabel(params.label);
    ProgressPoints progress(source.FileSize());
    const ScanOutcome outcome = CurrentScanTuning().chunkWalk
                                    ? RunChunkWalk(params, source, host, handler, progress)
                                    : RunEngineScan(params, source, host, handler, from, carry, progress);
    host.DestroyProgress();
    return outcome;
}

}  // namespace vorel
