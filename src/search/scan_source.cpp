#include "search/scan_source.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

namespace vorel {
namespace {

// Sectors read at once: small enough to stay in the processor's cache while
// their user data is copied out, large enough that system calls do not count.
#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
constexpr std::int64_t kBatchSectors = 4;
constexpr std::int64_t kInPlaceSectors = 32;
constexpr std::int64_t kQuietSectors = 8;
#else
constexpr std::int64_t kBatchSectors = 32;
// Sectors read at once into the destination itself: fewer system calls, and
// still within the processor's second-level cache.
constexpr std::int64_t kInPlaceSectors = 192;
// Sectors without user data walked between calls of the quiet-walk observer
// (2.4 MB of the file).
constexpr std::int64_t kQuietSectors = 1024;
#endif
static_assert(kInPlaceSectors * (kRawSectorBytes - kUserDataBytes) + kUserDataBytes <= kRawReadSlack,
              "a batch read in place must fit in the slack behind a window");

}  // namespace

bool ScanSource::Open(const std::string& path, SectorReading reading) {
    if (!file_.Open(path)) return false;
    fileSize_ = file_.Size();
    if (fileSize_ < 0) return false;
    raw_ = reading == SectorReading::kRaw ||
           (reading == SectorReading::kAuto && LooksLikeRawImage(file_, fileSize_));
    if (!raw_) return true;
    try {
        staging_.resize(static_cast<std::size_t>(kBatchSectors * kRawSectorBytes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void ScanSource::Record(const Cursor& at, std::int64_t userDataOffset) {
    // A sector split by a chunk's end is already in the map.
    const std::int64_t ordinal = at.stream / kUserDataBytes;
    if (ordinal != mapFirst_ + static_cast<std::int64_t>(map_.size())) return;
    map_.push_back(at.sector * kRawSectorBytes + userDataOffset);
}

std::int64_t ScanSource::TakeBatch(Cursor& at, std::uint8_t* dest, std::int64_t count, bool inPlace, bool record) {
    const std::int64_t start = at.sector * kRawSectorBytes;
    if (start >= fileSize_) return -2;
    std::int64_t sectors = kBatchSectors;
    // Read into the destination itself, the user data then moved down over
    // what precedes it: the bytes stay in the cache for the scan that follows.
    if (inPlace) sectors = std::min(kInPlaceSectors, (count + kUserDataBytes - 1) / kUserDataBytes);
    std::uint8_t* raw = inPlace ? dest : staging_.data();
    // Bytes a writer adds during the search are left for the next one, as for a plain file.
    const std::int64_t want = std::min(sectors * kRawSectorBytes, fileSize_ - start);
    const std::int64_t got = file_.ReadAt(start, {raw, static_cast<std::size_t>(want)});
    if (got < 0) return -1;
    if (got == 0) return -2;  // the end of the file (or it shrank)
    std::int64_t taken = 0;
    for (std::int64_t s = 0; s * kRawSectorBytes < got && taken < count; ++s) {
        const std::int64_t have = std::min(kRawSectorBytes, got - s * kRawSectorBytes);
        const ByteSpan sector(raw + s * kRawSectorBytes, static_cast<std::size_t>(have));
        const auto offset = static_cast<std::int64_t>(UserDataOffset(sector));
        const std::int64_t length = offset == 0 ? 0 : std::min(kUserDataBytes, have - offset);
        if (length <= 0) {
            ++at.sector;
            at.skip = 0;
            continue;
        }
        if (record) Record(at, offset);
        const std::int64_t n = std::min(length - at.skip, count - taken);
        if (dest != nullptr) std::memmove(dest + taken, sector.data() + offset + at.skip, static_cast<std::size_t>(n));
        taken += n;
        at.stream += n;
        if (at.skip + n == length) {
            ++at.sector;
            at.skip = 0;
        } else {
            at.skip += n;
        }
    }
    return taken;
}

std::int64_t ScanSource::Take(Cursor& at, std::uint8_t* dest, std::int64_t count, bool record, bool inPlace) {
    std::int64_t taken = 0;
    std::int64_t quiet = 0;  // sectors walked since user data was last taken
    while (taken < count) {
        const std::int64_t sector = at.sector;
        const std::int64_t got =
            TakeBatch(at, dest == nullptr ? nullptr : dest + taken, count - taken, inPlace && dest != nullptr, record);
        if (got == -1) return -1;
        if (got == -2) break;
        taken += got;
        quiet = got > 0 ? 0 : quiet + (at.sector - sector);
        // Only window reads (which record) come from the scan loop itself; the
        // reads a candidate makes are never interrupted.
        if (record && quiet >= kQuietSectors && quietWalk_) {
            quiet = 0;
            if (!quietWalk_(at.sector * kRawSectorBytes)) return -1;
        }
    }
    return taken;
}

bool ScanSource::Seek(std::int64_t to, Cursor& at) {
    const std::int64_t ordinal = to / kUserDataBytes;
    const std::int64_t index = ordinal - mapFirst_;
    if (index >= 0 && index < static_cast<std::int64_t>(map_.size())) {
        at.sector = map_[static_cast<std::size_t>(index)] / kRawSectorBytes;
        at.skip = to % kUserDataBytes;
        at.stream = to;
        return true;
    }
    // Outside the window: read forward from the nearest known place.
    at = windowEnd_.stream <= to ? windowEnd_ : Cursor{};
    if (frontier_.stream <= to && frontier_.stream > at.stream) at = frontier_;
    const std::int64_t gap = to - at.stream;
    return Take(at, nullptr, gap, false) == gap;
}

std::int64_t ScanSource::ReadWindow(std::int64_t from, MutableByteSpan dest, bool extend) {
    const auto count = static_cast<std::int64_t>(dest.size());
    // Bytes a writer adds while the file is searched are left for the next search:
    // the scan ends where the file ended when it began.
    if (!raw_) {
        const std::int64_t inFile = std::clamp<std::int64_t>(fileSize_ - from, 0, count);
        return file_.ReadAt(from, dest.first(static_cast<std::size_t>(inFile)));
    }
    if (extend) {
        Cursor at = windowEnd_;
        const std::int64_t got = Take(at, dest.data(), count, true, true);
        if (got >= 0) windowEnd_ = at;
        return got;
    }
    Cursor at = resume_;
    if (at.stream != from) {
        map_.clear();
        if (!Seek(from, at)) return at.stream < from ? 0 : -1;
    }
    map_.clear();
    mapFirst_ = from / kUserDataBytes;
    const std::int64_t got = Take(at, dest.data(), count, true, true);
    if (got < 0) return -1;
    resume_ = at;
    windowEnd_ = at;
    return got;
}

std::int64_t ScanSource::ReadAt(std::int64_t from, MutableByteSpan dest) {
    if (from < 0) return -1;
    if (!raw_) return file_.ReadAt(from, dest);
    Cursor at;
    if (!Seek(from, at)) return 0;  // past the end of the stream
    return Take(at, dest.data(), static_cast<std::int64_t>(dest.size()), false);
}

std::int64_t ScanSource::FileOffsetOf(std::int64_t stream) const {
    if (!raw_) return stream;
    const std::int64_t index = stream / kUserDataBytes - mapFirst_;
    if (index < 0 || index >= static_cast<std::int64_t>(map_.size())) return -1;
    return map_[static_cast<std::size_t>(index)] + stream % kUserDataBytes;
}

std::int64_t ScanSource::StreamPositionOf(std::int64_t fileOffset) const {
    if (!raw_) return fileOffset;
    // The last sector whose user data starts at or before the offset.
    const auto after = std::upper_bound(map_.begin(), map_.end(), fileOffset);
    if (after != map_.begin()) {
        const std::int64_t start = *(after - 1);
        const std::int64_t length = std::min(kUserDataBytes, fileSize_ - start);
        if (fileOffset < start + length) {
            const auto index = static_cast<std::int64_t>(after - 1 - map_.begin());
            return (mapFirst_ + index) * kUserDataBytes + (fileOffset - start);
        }
    }
    // Between sectors (headers, error correction, skipped sectors): the next user byte.
    if (after == map_.end()) return -1;
    return (mapFirst_ + static_cast<std::int64_t>(after - map_.begin())) * kUserDataBytes;
}

bool ScanSource::AnchorAt(std::int64_t stream, std::int64_t fileOffset) {
    if (stream < 0 || fileOffset < 0 || fileOffset >= fileSize_) return false;
    if (!raw_) return stream == fileOffset;
    const std::int64_t sector = fileOffset / kRawSectorBytes;
    std::array<std::uint8_t, kRawSectorBytes> bytes{};
    const std::int64_t got = file_.ReadAt(sector * kRawSectorBytes, bytes);
    if (got <= 0) return false;
    const ByteSpan whole(bytes.data(), static_cast<std::size_t>(got));
    const auto offset = static_cast<std::int64_t>(UserDataOffset(whole));
    const std::int64_t skip = stream % kUserDataBytes;
    // The byte must be the user-data byte its stream offset says, in a data sector.
    if (offset == 0 || offset + skip != fileOffset % kRawSectorBytes || offset + skip >= got) return false;
    map_.assign(1, sector * kRawSectorBytes + offset);
    mapFirst_ = stream / kUserDataBytes;
    windowEnd_ = Cursor{sector, skip, stream};
    resume_ = windowEnd_;
    // How far the stream was counted still holds: hits taken in order count it once.
    if (frontier_.stream < stream) {
        frontier_ = windowEnd_;
        frontierAtEnd_ = false;
    }
    return true;
}

bool ScanSource::Holds(std::int64_t from, std::int64_t count) {
    if (from < 0 || count < 0) return false;
    if (!raw_) return count <= fileSize_ - from;
    // A header's absurd size claim must not wrap the end round to a small offset.
    if (count > std::numeric_limits<std::int64_t>::max() - from) return false;
    const std::int64_t end = from + count;
    if (windowEnd_.stream >= end || frontier_.stream >= end) return true;
    if (frontierAtEnd_) return false;
    if (frontier_.stream < windowEnd_.stream) frontier_ = windowEnd_;
    const std::int64_t want = end - frontier_.stream;
    // More than every sector left could give (a bitmap header claiming far more
    // than the file holds) is answered without reading to the end.
    const std::int64_t bytesLeft = fileSize_ - frontier_.sector * kRawSectorBytes;
    const std::int64_t sectorsLeft = (bytesLeft + kRawSectorBytes - 1) / kRawSectorBytes;
    if (want > sectorsLeft * kUserDataBytes - frontier_.skip) return false;
    const std::int64_t got = Take(frontier_, nullptr, want, false);
    if (got < want) frontierAtEnd_ = true;  // a read error counts as the end
    return got == want;
}

}  // namespace vorel
