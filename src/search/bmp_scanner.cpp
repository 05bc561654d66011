// The bitmap scanner: finds every BITMAPINFOHEADER-led bitmap in a file.
#include "image/dib.h"
#include "search/bmp_candidate.h"
#include "search/chunk_scan.h"
#include "search/scanners.h"

namespace vorel {
namespace {

// The bitmap test alone, which a TIM scan also runs to carry bitmaps to the bitmap scan.
class BitmapTest final : public ICandidateTest {
public:
    std::uint8_t FirstByte() const override { return static_cast<std::uint8_t>(kBitmapInfoHeaderSize); }

    Examined Examine(ByteSpan bytes, std::size_t pos, Found& found) const override {
        switch (TestBmpHeader(bytes, pos, found.bmp)) {
            case BmpTest::kReject: return Examined::kNext;
            case BmpTest::kNeedMore: return Examined::kNeedMore;
            case BmpTest::kAccept: break;
        }
        return Examined::kFound;
    }
};

class BmpHandler : public ICandidateHandler {
public:
    BmpHandler(SearchState& state, ISearchHost& host, ScanSource& source, const std::string& path,
               DivideWindow window)
        : state_(state), host_(host), source_(source), path_(path), window_(window) {}

    std::uint8_t FirstByte() const override { return test_.FirstByte(); }

    Examined Examine(ByteSpan bytes, std::size_t pos, Found& found) const override {
        return test_.Examine(bytes, pos, found);
    }

    Examined Take(const Found& found) override {
        const BmpHeader& h = found.bmp;
        const std::int64_t streamOffset = found.at;
        // The whole bitmap must lie inside the file (inside the user data of a raw image).
        if (h.size < 0 || !source_.Holds(streamOffset, h.size)) return Examined::kNext;

        ++state_.m_nHitCount;
        const std::int64_t n = ++found_;
        if (n < window_.first) return Examined::kNext;
        if (n > window_.last) return Examined::kEnd;
        ++state_.m_nShownCount;
        state_.m_nHitFileOffset = source_.FileOffsetOf(streamOffset);
        state_.m_nHitStreamOffset = streamOffset;
        if (!ReadHit(h, streamOffset)) return Examined::kAbandon;
        state_.m_nPaletteCount = 1;
        state_.m_nPaletteIndex = 0;
        result_ = host_.OpenDocument(state_, path_);
        return Examined::kNext;
    }

    DocumentRef Result() const { return result_; }

private:
    bool ReadHit(const BmpHeader& h, std::int64_t streamOffset) {
        // A header that cannot become an image still counts as found, but its
        // pixels are not worth reading: the header alone tells the document so.
        std::int64_t bytes = h.size;
        if (h.width <= 0 || h.height == 0 || bytes > static_cast<std::int64_t>(Dib::kMaxDibBytes)) bytes = 40;
        const auto count = static_cast<std::size_t>(bytes);
        if (!GrowHitBuffer(state_.m_pHitData, count)) return false;
        const std::int64_t got = source_.ReadAt(streamOffset, {state_.m_pHitData.data(), count});
        if (got < 0) return false;
        state_.m_nHitSize = static_cast<std::size_t>(got);  // the file may have shrunk since
        state_.m_nHitBytesFound = state_.m_nHitSize;
        state_.m_nHitOffset = 0;
        return true;
    }

    BitmapTest test_;
    SearchState& state_;
    ISearchHost& host_;
    ScanSource& source_;
    const std::string& path_;
    DivideWindow window_;
    std::int64_t found_ = 0;  // this scan's own count, which the divided-search window applies to
    DocumentRef result_ = nullptr;
};

}  // namespace

const ICandidateTest& BitmapCandidateTest() {
    static const BitmapTest test;
    return test;
}

DocumentRef SearchBmp(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path) {
    return SearchBmpCarried(state, host, store, path, nullptr);
}

DocumentRef SearchBmpCarried(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                             const std::string& path, const CarriedHits* carried) {
    const ChunkScanParams params{ReadMemorySizeMb(store) * kBytesPerMb, "BMP検索", ReadScanThreads(store)};
    const DivideWindow window = ReadDivideWindow(store);

    ScanFile scan(state);
    if (!scan.Open(path, kSourceBmp, ReadSectorReading(store))) return nullptr;
    state.m_bPaletteImages = false;
    BmpHandler handler(state, host, scan.Source(), path, window);
    return scan.Walk(params, host, handler, carried) ? handler.Result() : nullptr;
}

}  // namespace vorel
