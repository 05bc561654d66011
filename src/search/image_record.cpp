#include "search/image_record.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "image/dib.h"
#include "search/bmp_candidate.h"
#include "search/chunk_scan.h"
#include "search/scan_source.h"
#include "search/tim_candidate.h"

namespace vorel {
namespace {

std::int32_t TimBitCount(std::uint32_t flag) {
    switch (flag) {
        case kTim4: return 4;
        case kTim8: return 8;
        case kTim16: return 16;
        case kTim24: return 24;
        default: return 0;
    }
}

std::uint32_t LittleEndian(ByteSpan bytes, std::size_t at, std::size_t width) {
    if (at > bytes.size() || bytes.size() - at < width) return 0;
    std::uint32_t v = 0;
    for (std::size_t i = width; i-- > 0;) v = (v << 8) | bytes[at + i];
    return v;
}

// Reads the stream from `from` until `test` (a TIM or bitmap header test at
// position 0) stops asking for more bytes, doubling the read each time; a header
// is judged on as many bytes as the file can give, which is at least what the
// scan saw. False on a read error; `accepted` tells the verdict.
template <typename Test>
bool ReadUntilJudged(ScanSource& source, std::int64_t from, std::vector<std::uint8_t>& bytes, Test test,
                     bool& accepted) {
    std::size_t want = 4096;
    for (;;) {
        bytes.resize(want);
        const std::int64_t got = source.ReadAt(from, {bytes.data(), want});
        if (got < 0) return false;
        bytes.resize(static_cast<std::size_t>(got));
        const auto verdict = test(ByteSpan(bytes));
        using Verdict = std::remove_cvref_t<decltype(verdict)>;
        if (verdict != Verdict::kNeedMore || static_cast<std::size_t>(got) < want || want >= (std::size_t{1} << 26)) {
            accepted = verdict == Verdict::kAccept;
            return true;
        }
        want *= 2;
    }
}

RereadOutcome RereadTim(const ImageRecord& record, ScanSource& source, SearchState& state) {
    std::vector<std::uint8_t> bytes;
    TimHeader h;
    bool accepted = false;
    const TimRules rules = record.strictTim ? TimRules::kStrict : TimRules::kWide;
    const auto test = [&h, rules](ByteSpan b) { return TestTimCandidate(b, 0, h, rules); };
    if (!ReadUntilJudged(source, record.streamOffset, bytes, test, accepted)) return RereadOutcome::kReadFailed;
    if (!accepted || h.flag != record.timFlag || h.width != record.width || h.height != record.height ||
        h.paletteCount != record.paletteCount || record.paletteIndex < 0 || record.paletteIndex >= h.paletteCount)
        return RereadOutcome::kImageGone;

    // As the scan read it.
    if (!ReadTimHit(source, record.streamOffset, h.size, state)) return RereadOutcome::kReadFailed;
    DescribeTimHit(h, state);
    state.m_nPaletteIndex = record.paletteIndex;
    return RereadOutcome::kOk;
}

RereadOutcome RereadBmp(const ImageRecord& record, ScanSource& source, SearchState& state) {
    std::vector<std::uint8_t> bytes;
    BmpHeader h;
    bool accepted = false;
    const auto test = [&h](ByteSpan b) { return TestBmpHeader(b, 0, h); };
    if (!ReadUntilJudged(source, record.streamOffset, bytes, test, accepted)) return RereadOutcome::kReadFailed;
    if (!accepted || h.size < 0 || !source.Holds(record.streamOffset, h.size) || h.width != record.width ||
        std::abs(static_cast<std::int64_t>(h.height)) != record.height || h.bitCount != record.bitCount)
        return RereadOutcome::kImageGone;

    // As the scan read it: a header that cannot become an image is read alone.
    std::int64_t count = h.size;
    if (h.width <= 0 || h.height == 0 || count > static_cast<std::int64_t>(Dib::kMaxDibBytes)) count = 40;
    const auto size = static_cast<std::size_t>(count);
    if (!GrowHitBuffer(state.m_pHitData, size)) return RereadOutcome::kNoMemory;
    const std::int64_t got = source.ReadAt(record.streamOffset, {state.m_pHitData.data(), size});
    if (got < 0) return RereadOutcome::kReadFailed;
    state.m_nHitSize = static_cast<std::size_t>(got);
    state.m_nHitBytesFound = state.m_nHitSize;
    state.m_nPaletteCount = 1;
    state.m_nPaletteIndex = 0;
    return RereadOutcome::kOk;
}

}  // namespace

FileStamp StampOfFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

ImageRecord RecordOfHit(const SearchState& state, std::string_view path) {
    ImageRecord r;
    r.path = std::string(path);
    r.stamp = {state.m_nFileSize, state.m_nFileModifiedNs};
    r.rawSectors = state.m_bRawSectors;
    r.streamOffset = state.m_nHitStreamOffset;
    r.fileOffset = state.m_nHitFileOffset;
    r.sourceType = state.m_nSourceType;
    r.imageNo = state.m_nHitCount;
    r.size = static_cast<std::int64_t>(state.m_nHitSize);
    if (state.m_nSourceType == kSourceTim) {
        r.timFlag = state.m_nTimFlag;
        r.bitCount = TimBitCount(state.m_nTimFlag);
        r.width = state.m_nWidth;
        r.height = state.m_nHeight;
        r.paletteCount = state.m_nPaletteCount;
        r.paletteIndex = state.m_nPaletteIndex;
        r.paletteImages = state.m_bPaletteImages;
        r.strictTim = state.m_bStrictTim;
    } else {
        // A bitmap's fields live only in its header, which the hit starts with.
        const ByteSpan hit = state.Hit();
        r.width = static_cast<std::int32_t>(LittleEndian(hit, 4, 4));
        const auto height = static_cast<std::int32_t>(LittleEndian(hit, 8, 4));
        r.height = height == INT32_MIN ? INT32_MAX : std::abs(height);
        r.bitCount = static_cast<std::int32_t>(LittleEndian(hit, 14, 2));
    }
    return r;
}

RereadOutcome ReadImageAgain(const ImageRecord& record, SearchState& state) {
    const FileStamp now = StampOfFile(record.path);
    if (now.size < 0 || now != record.stamp) return RereadOutcome::kFileChanged;
    ScanSource source;
    if (!source.Open(record.path, record.rawSectors ? SectorReading::kRaw : SectorReading::kPlain))
        return RereadOutcome::kReadFailed;
    if (source.FileSize() != record.stamp.size) return RereadOutcome::kFileChanged;
    if (!source.AnchorAt(record.streamOffset, record.fileOffset)) return RereadOutcome::kImageGone;

    state.m_nSourceType = record.sourceType;
    state.m_nFileSize = record.stamp.size;
    state.m_nFileModifiedNs = record.stamp.modifiedNs;
    state.m_bRawSectors = record.rawSectors;
    state.m_bPaletteImages = record.paletteImages;
    state.m_bStrictTim = record.strictTim;
    state.m_nHitOffset = 0;
    state.m_nHitFileOffset = record.fileOffset;
    state.m_nHitStreamOffset = record.streamOffset;
    state.m_nHitCount = record.imageNo;
    state.m_nHitSize = 0;
    state.m_nHitBytesFound = 0;
    if (record.sourceType == kSourceTim) return RereadTim(record, source, state);
    if (record.sourceType == kSourceBmp) return RereadBmp(record, source, state);
    return RereadOutcome::kImageGone;
}

}  // namespace vorel
