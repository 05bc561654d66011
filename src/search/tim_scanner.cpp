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
               DivideWindow window, bool paletteImages)
        : state_(state), host_(host), source_(source), path_(path), window_(window), paletteImages_(paletteImages) {}

    Examined Examine(ByteSpan bytes, std::size_t pos, std::int64_t streamOffset) override {
        TimHeader h;
        switch (TestTimCandidate(bytes, pos, h)) {
            case TimTest::kReject: return Examined::kNext;
            case TimTest::kNeedMore: return Examined::kNeedMore;
            case TimTest::kAccept: break;
        }
        Describe(h, source_.FileOffsetOf(streamOffset));
        state_.m_nHitStreamOffset = streamOffset;
        if (!ReadHit(h.size, streamOffset)) return Examined::kAbandon;

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
    void Describe(const TimHeader& h, std::int64_t fileOffset) {
        state_.m_nHitFileOffset = fileOffset;
        state_.m_nTimFlag = h.flag;
        state_.m_nWidth = h.width;
        state_.m_nHeight = h.height;
        state_.m_nPaletteCount = h.paletteCount;
        if (h.flag == kTim4 || h.flag == kTim8) {
            state_.m_nClutBlockSize = h.clutBlockSize;
            state_.m_nClutWidth = h.clutWidth;
            state_.m_nClutEntries = h.clutEntries;
        }
    }

    // Reads the whole TIM again from the file; a TIM cut off by the end of the
    // file is completed with zeros.
    bool ReadHit(std::int64_t size, std::int64_t streamOffset) {
        const auto bytes = static_cast<std::size_t>(size);
        if (!GrowHitBuffer(state_.m_pHitData, bytes)) return false;
        const std::int64_t got = source_.ReadAt(streamOffset, {state_.m_pHitData.data(), bytes});
        if (got < 0) return false;
        std::fill(state_.m_pHitData.begin() + got, state_.m_pHitData.begin() + static_cast<std::ptrdiff_t>(bytes), 0);
        state_.m_nHitSize = bytes;
        state_.m_nHitOffset = 0;
        return true;
    }

    SearchState& state_;
    ISearchHost& host_;
    ScanSource& source_;
    const std::string& path_;
    DivideWindow window_;
    bool paletteImages_;
    DocumentRef result_ = nullptr;
};

}  // namespace

DocumentRef SearchTim(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path) {
    const ChunkScanParams params{ReadMemorySizeMb(store) * kBytesPerMb, static_cast<std::uint8_t>(kTimId),
                                 "TIM検索"};
    const bool paletteImages = Read(store, settings::kPaletteImage) != 0;
    const DivideWindow window = ReadDivideWindow(store);

    ScanFile scan(state);
    if (!scan.Open(path, kSourceTim, ReadSectorReading(store))) return nullptr;
    state.m_nHitCount = 0;
    state.m_nShownCount = 0;
    state.m_bPaletteImages = paletteImages;
    TimHandler handler(state, host, scan.Source(), path, window, paletteImages);
    return scan.Walk(params, host, handler) ? handler.Result() : nullptr;
}

}  // namespace vorel
