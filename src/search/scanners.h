// The TIM and BMP scanners: each walks one file chunk by chunk, tests every
// byte position and opens a document through the host for every image shown.
#pragma once

#include <string>

#include "search/scan_engine.h"
#include "search/search_host.h"
#include "search/search_state.h"
#include "search/settings.h"

namespace vorel {

// Both return the last document opened, or null when none was opened or the
// scan was abandoned (file error or confirmed cancel).
DocumentRef SearchTim(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path);
DocumentRef SearchBmp(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path);

// Both kinds in one walk over a plain file: the TIM scan also keeps the bitmap
// candidates it passes (`bitmaps->test` is BitmapCandidateTest()), and the
// bitmap scan that follows takes them and walks on only where the TIM scan
// stopped keeping them. Results, numbering and progress are those of SearchTim
// followed by SearchBmp.
DocumentRef SearchTimCarrying(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                              const std::string& path, CarriedHits* bitmaps);
DocumentRef SearchBmpCarried(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                             const std::string& path, const CarriedHits* carried);
const ICandidateTest& BitmapCandidateTest();

}  // namespace vorel
