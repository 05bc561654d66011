// One search run over a file: the scans of the "Search Type" setting, in order,
// and the text that closes the run.
#pragma once

#include <string>

#include "disc/cue_sheet.h"
#include "search/search_host.h"
#include "search/settings.h"

namespace vorel {

// Reads "Search Type", sets the run counters to 0 and runs the scans: 0 TIM,
// 1 BMP, 2 TIM then BMP, anything else none. Returns the BMP scan's document,
// else the TIM scan's, else null.
DocumentRef RunSearchScans(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                           const std::string& path);

// The same for one file of a search plan (no problem): a file a cue sheet names
// has its sectors read as the sheet says, whatever "RawSectors" holds.
DocumentRef RunSearchScans(SearchState& state, ISearchHost& host, const ISettingsStore& store,
                           const SearchTarget& target);

// "%d Images Find" or "%d Images Find (Palette含 %d)", counting the shown images
// when divided search is on and all hits otherwise.
std::string ClosingMessage(const SearchState& state, const ISettingsStore& store);

}  // namespace vorel
