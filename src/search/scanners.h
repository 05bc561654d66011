// The TIM and BMP scanners: each walks one file chunk by chunk, tests every
// byte position and opens a document through the host for every image shown.
#pragma once

#include <string>

#include "search/search_host.h"
#include "search/search_state.h"
#include "search/settings.h"

namespace vorel {

// Both return the last document opened, or null when none was opened or the
// scan was abandoned (file error or confirmed cancel).
DocumentRef SearchTim(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path);
DocumentRef SearchBmp(SearchState& state, ISearchHost& host, const ISettingsStore& store, const std::string& path);

}  // namespace vorel
