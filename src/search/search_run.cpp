#include "search/search_run.h"

#include "search/scanners.h"

namespace vorel {

DocumentRef RunSearchScans(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                           const std::string& path) {
    const int searchType = Read(store, settings::kSearchType);
    state.m_nHitCount = 0;
    state.m_nShownCount = 0;
    state.m_nPaletteImageCount = 0;
    switch (searchType) {
        case 0: return SearchTim(state, host, store, path);
        case 1: return SearchBmp(state, host, store, path);
        case 2: {
            // One walk finds both kinds; the bitmaps are shown after the TIMs.
            // A cancelled TIM scan still lets the bitmap scan run.
            CarriedHits bitmaps{&BitmapCandidateTest(), {}, 0};
            DocumentRef tim = SearchTimCarrying(state, host, store, path, &bitmaps);
            DocumentRef bmp = SearchBmpCarried(state, host, store, path, &bitmaps);
            return bmp != nullptr ? bmp : tim;
        }
        default: return nullptr;
    }
}

DocumentRef RunSearchScans(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                           const SearchTarget& target) {
    if (!target.fromSheet) return RunSearchScans(state, host, store, target.path);
    OverlaySettingsStore sheetSays(store);
    Write(sheetSays, settings::kRawSectors, target.reading == SectorReading::kRaw ? 1 : 2);
    return RunSearchScans(state, host, sheetSays, target.path);
}

std::string ClosingMessage(const SearchState& state, const ISettingsStore& store) {
    const int count = Read(store, settings::kDivideSearch) == 1 ? state.m_nShownCount : state.m_nHitCount;
    std::string text = std::to_string(count) + " Images Find";
    if (state.m_nPaletteImageCount != 0) text += " (Palette含 " + std::to_string(state.m_nPaletteImageCount) + ")";
    return text;
}

}  // namespace vorel
