// The TIM scanner: finds every PlayStation TIM image in a file.
#include <algorithm>
#include <cstring>

#include "search/chunk_scan.h"
#include "search/scanners.h"
#include "search/tim_candidate.h"

namespace vorel {
namespace {

class TimHandler : public ICandidateHandler {
public:
    TimHandler(SearchState& state, ISearchHost& host, ScanSource& source, const std::string& path,
               DivideWindow window, bool paletteImages, TimRules rules)
        : state_(state), host_(host), source_(source), path_(path), window_(window), paletteImages_(paletteImages),
          rules_(rules) {}

    std::uint8_t FirstByte() const override { return static_cast<std::uint8_t>(kTimId); }

    Examined Examine(ByteSpan bytes, std::size_t pos, Found& found) const override {
        switch (TestTimCandidate(bytes, pos, found.tim, rules_)) {
            case TimTest::kReject: return Examined::kNext;
            case TimTest::kNeedMore: return Examined::kNeedMore;
            case TimTest::kAccept: break;
        }
        return Examined::kFound;
    }

    Examined Take(const Found& found) override {
        const TimHeader& h = found.tim;
        const std::int64_t streamOffset = found.at;
        DescribeTimHit(h, state_);
        state_.m_nHitFileOffset = source_.FileOffsetOf(streamOffset);
        state_.m_nHitStreamOffset = streamOffset;
        if (!ReadTimHit(source_, streamOffset, h.size, state_)) return Examined::kAbandon;

        const std::int64_t n = ++state_.m_nHitCount;
        if (n < window_.first) return Examined::kNext;
        if (n > window_.last) return Examined::kEnd;
        ++state_.m_nShownCount;
        state_.m_nPaletteIndex = 0;
        if (!paletteImages_) {
            result_ = host_.OpenDocument(state_, path_);
            return Examined::kNext;
        }
        while (state_.m_nPaletteIndex < state_.m_nPaletteCount) {
            result_ = host_.OpenDocument(state_, path_);
            ++state_.m_nPaletteIndex;
            ++state_.m_nPaletteImageCount;
        }
        return Examined::kNext;
    }

    DocumentRef Result() const { return result_; }

private:
    SearchState& state_;
    ISearchHost& host_;
    ScanSource& source_;
    const std::string& path_;
    DivideWindow window_;
    bool paletteImages_;
    TimRules rules_;
    DocumentRef result_ = nullptr;
};

}  // namespace

DocumentRef SearchTim(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path) {
    return SearchTimCarrying(state, host, store, path, nullptr);
}

DocumentRef SearchTimCarrying(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                              const std::string& path, CarriedHits* bitmaps) {
    const ChunkScanParams params{ReadMemorySizeMb(store) * kBytesPerMb, "TIM検索", ReadScanThreads(store)};
    const bool paletteImages = Read(store, settings::kPaletteImage) != 0;
    const DivideWindow window = ReadDivideWindow(store);
    const bool strict = Read(store, settings::kStrictTim) != 0;

    ScanFile scan(state);
    if (!scan.Open(path, kSourceTim, ReadSectorReading(store))) return nullptr;
    state.m_nHitCount = 0;
    state.m_nShownCount = 0;
    state.m_bPaletteImages = paletteImages;
    state.m_bStrictTim = strict;
    TimHandler handler(state, host, scan.Source(), path, window, paletteImages,
                       strict ? TimRules::kStrict : TimRules::kWide);
    return scan.Walk(params, host, handler, nullptr, bitmaps) ? handler.Result() : nullptr;
}

}  // namespace vorel
