// STOPGAP for the i17 branch only, until the image records land on main: plain
// files only, the stamp taken when the record is made. Deleted at the merge.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "image/bytes.h"

#include "search/bmp_candidate.h"
#include "search/file_reader.h"
#include "search/image_record.h"
#include "search/tim_candidate.h"

namespace vorel {

FileStamp StampOfFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

ImageRecord RecordOfHit(const SearchState& state, std::string_view path) {
    ImageRecord r;
    r.path = std::string(path);
    r.stamp = StampOfFile(r.path);
    r.fileOffset = state.m_nHitFileOffset;
    r.streamOffset = state.m_nHitFileOffset;
    r.sourceType = state.m_nSourceType;
    r.paletteCount = state.m_nPaletteCount;
    r.paletteIndex = state.m_nPaletteIndex;
    r.imageNo = state.m_nHitCount;
    r.paletteImages = state.m_nPaletteCount > 1 && state.m_nPaletteImageCount > 0;
    if (state.m_nSourceType == kSourceTim) {
        r.timFlag = state.m_nTimFlag;
        r.bitCount = state.m_nTimFlag == 2 ? 16 : state.m_nTimFlag == 3 ? 24 : state.m_nTimFlag == 8 ? 4 : 8;
        r.width = state.m_nWidth;
        r.height = state.m_nHeight;
    } else {
        const auto hit = state.Hit();
        if (hit.size() >= 16) {
            r.width = static_cast<std::int32_t>(ReadLe32(hit, 4).value_or(0));
            r.height = std::abs(static_cast<std::int32_t>(ReadLe32(hit, 8).value_or(0)));
            r.bitCount = ReadLe16(hit, 14).value_or(0);
        }
    }
    return r;
}

RereadOutcome ReadImageAgain(const ImageRecord& record, SearchState& state) {
    if (!(StampOfFile(record.path) == record.stamp)) return RereadOutcome::kFileChanged;
    FileReader file;
    if (!file.Open(record.path)) return RereadOutcome::kReadFailed;
    std::vector<std::uint8_t> bytes(2 * 1024 * 1024);
    const std::int64_t got = file.ReadAt(record.fileOffset, bytes);
    if (got < 0) return RereadOutcome::kReadFailed;
    bytes.resize(static_cast<std::size_t>(got));
    state.m_nSourceType = record.sourceType;
    state.m_nHitFileOffset = record.fileOffset;
    state.m_nPaletteIndex = record.paletteIndex;
    state.m_nHitCount = record.imageNo;
    state.m_nHitOffset = 0;
    std::int64_t size = 0;
    if (record.sourceType == kSourceTim) {
        TimHeader h;
        if (TestTimCandidate(bytes, 0, h) != TimTest::kAccept) return RereadOutcome::kImageGone;
        state.m_nTimFlag = h.flag;
        state.m_nWidth = h.width;
        state.m_nHeight = h.height;
        state.m_nPaletteCount = h.paletteCount;
        state.m_nClutBlockSize = h.clutBlockSize;
        state.m_nClutWidth = h.clutWidth;
        state.m_nClutEntries = h.clutEntries;
        size = h.size;
    } else {
        BmpHeader h;
        if (TestBmpHeader(bytes, 0, h) != BmpTest::kAccept) return RereadOutcome::kImageGone;
        state.m_nPaletteCount = 1;
        size = h.size;
    }
    if (size <= 0 || size > static_cast<std::int64_t>(bytes.size())) size = static_cast<std::int64_t>(bytes.size());
    bytes.resize(static_cast<std::size_t>(size));
    state.m_pHitData = std::move(bytes);
    state.m_nHitSize = state.m_pHitData.size();
    return RereadOutcome::kOk;
}

}  // namespace vorel
