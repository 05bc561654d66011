#include "search/chunk_scan.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace vorel {
namespace {

// Serves the progress points: positions 0, step, 2 x step, ... of the file, of
// which the first 50 check for Cancel and step the bar.
class ProgressPoints {
public:
    explicit ProgressPoints(std::int64_t fileSize) : step_(fileSize > kProgressPoints ? fileSize / kProgressPoints : 1) {}

    // The next file offset that needs attention; -1 when no further point does.
    std::int64_t Next() const { return passed_ < kProgressPoints ? passed_ * step_ : -1; }

    // Handles the point at Next(); false when the user confirmed Cancel.
    bool Pass(ISearchHost& host) {
        ++passed_;
        if (host.CheckCancel() && host.AskYesNo(kCancelQuestion)) return false;
        host.StepProgress();
        return true;
    }

private:
    std::int64_t step_;
    std::int64_t passed_ = 0;
};

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

ScanOutcome RunChunkScan(const ChunkScanParams& params, const FileReader& file, std::int64_t fileSize,
                         ISearchHost& host, ICandidateHandler& handler) {
    const std::int64_t chunkSize = params.chunkSize;
    const std::int64_t chunkCount = fileSize / chunkSize + (fileSize % chunkSize != 0 ? 1 : 0);
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[static_cast<std::size_t>(chunkSize + kLookAheadBytes)]);
    if (!buffer) return ScanOutcome::kAbandoned;

    host.CreateProgress();
    host.SetProgressLabel(params.label);
    ProgressPoints progress(fileSize);
    const auto finish = [&host](ScanOutcome outcome) {
        host.DestroyProgress();
        return outcome;
    };

    for (std::int64_t k = 0; k < chunkCount; ++k) {
        const std::int64_t base = k * chunkSize;
        const std::int64_t length = std::min(chunkSize, fileSize - base);
        const auto len = static_cast<std::size_t>(length);
        const std::int64_t got = file.ReadAt(base, {buffer.get(), len});
        if (got < 0) return finish(ScanOutcome::kAbandoned);
        // A file that shrank while being read ends in zeros rather than in stale bytes.
        std::memset(buffer.get() + got, 0, len - static_cast<std::size_t>(got));

        // The look-ahead is read only when a candidate near the chunk's end needs it.
        std::size_t available = len;
        bool lookAheadRead = false;
        const auto readLookAhead = [&]() {
            lookAheadRead = true;
            const std::int64_t more = file.ReadAt(base + length, {buffer.get() + len, kLookAheadBytes});
            if (more < 0) return false;
            // Beyond the end of the file the look-ahead holds zeros.
            std::memset(buffer.get() + len + more, 0, static_cast<std::size_t>(kLookAheadBytes - more));
            available = len + static_cast<std::size_t>(kLookAheadBytes);
            return true;
        };

        std::size_t pos = 0;
        while (pos < len) {
            std::int64_t point = progress.Next();
            if (point == base + static_cast<std::int64_t>(pos)) {
                if (!progress.Pass(host)) return finish(ScanOutcome::kAbandoned);
                point = progress.Next();
            }
            // Look for the next candidate, but not past the next progress point.
            std::size_t limit = len;
            if (point >= base && point < base + length) limit = static_cast<std::size_t>(point - base);
            const void* hit = std::memchr(buffer.get() + pos, params.firstByte, limit - pos);
            if (hit == nullptr) {
                pos = limit;
                continue;
            }
            pos = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - buffer.get());

            Examined result = handler.Examine({buffer.get(), available}, pos, base + static_cast<std::int64_t>(pos));
            if (result == Examined::kNeedMore && !lookAheadRead) {
                if (!readLookAhead()) return finish(ScanOutcome::kAbandoned);
                result = handler.Examine({buffer.get(), available}, pos, base + static_cast<std::int64_t>(pos));
            }
            if (result == Examined::kEnd) return finish(ScanOutcome::kCompleted);
            if (result == Examined::kAbandon) return finish(ScanOutcome::kAbandoned);
            ++pos;  // a hit's own bytes are searched too
        }
    }
    return finish(ScanOutcome::kCompleted);
}

}  // namespace vorel
