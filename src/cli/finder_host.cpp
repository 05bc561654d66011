#include "cli/finder_host.h"

#include "docview/hit_to_dib.h"
#include "docview/naming.h"
#include "search/tim_candidate.h"

namespace vorel {

volatile std::sig_atomic_t FinderHost::cancelRequested = 0;

std::string ImageKind(const SearchState& state, const Dib& dib) {
    if (state.m_nSourceType == kSourceBmp) return "BMP" + std::to_string(dib.BitCount());
    switch (state.m_nTimFlag) {
        case kTim4: return "TIM4";
        case kTim8: return "TIM8";
        case kTim16: return "TIM16";
        case kTim24: return "TIM24";
        default: return "TIM?";
    }
}

FinderHost::FinderHost(const ISettingsStore& store, bool showProgress, ImageSink onImage)
    : store_(store), showProgress_(showProgress), onImage_(std::move(onImage)) {}

void FinderHost::CreateProgress() { steps_ = 0; }

void FinderHost::SetProgressLabel(std::string_view label) {
    label_ = label;
    DrawBar();
}

// An interrupt stays pending: it ends the scan it came in and every scan after it.
bool FinderHost::CheckCancel() { return cancelRequested != 0; }

void FinderHost::StepProgress() {
    ++steps_;
    DrawBar();
}

void FinderHost::DestroyProgress() {
    if (showProgress_) std::fputs("\r\033[K", stderr);
}

// Nobody is there to answer: an interrupt means the user wants to stop.
bool FinderHost::AskYesNo(std::string_view) { return true; }

DocumentRef FinderHost::OpenDocument(const SearchState& state, std::string_view path) {
    const Dib dib = ConvertHitToDib(state);
    if (dib.IsNull()) return nullptr;  // the window would not open either
    const bool paletteImages = Read(store_, settings::kPaletteImage) != 0;
    last_.title = TitleOfPathName(
        BuildImagePathName(path, state.m_nHitCount, state.m_nPaletteIndex, paletteImages, state.m_nPaletteCount));
    last_.number = state.m_nHitCount;
    last_.palette = state.m_nPaletteIndex;
    last_.offset = state.m_nHitFileOffset;
    last_.kind = ImageKind(state, dib);
    last_.width = dib.Width();
    last_.height = dib.Height();
    last_.palettes = state.m_nPaletteCount;
    last_.discFile.clear();
    last_.fileOffset = -1;
    DiscLocation where;
    if (discMap_ != nullptr && discMap_->Locate(state.m_nHitFileOffset, where)) {
        last_.discFile = discMap_->PathOf(where);
        last_.fileOffset = where.offset;
        ++imagesPerFile_[where.file];
    }
    ++imagesFound_;
    if (showProgress_) std::fputs("\r\033[K", stderr);
    onImage_(last_, dib, state);
    DrawBar();
    return &last_;
}

void FinderHost::SetDiscMap(const DiscMap* map) {
    discMap_ = map;
    imagesPerFile_.assign(map != nullptr ? map->Tree().files.size() : 0, 0);
}

void FinderHost::DrawBar() const {
    if (!showProgress_) return;
    constexpr int kWidth = 25;
    const int filled = steps_ * kWidth / 50;
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", label_.c_str(), bar.c_str(), steps_ * 2);
    std::fflush(stderr);
}

}  // namespace vorel
