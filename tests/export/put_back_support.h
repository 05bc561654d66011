// Images found by a real search, with their records, and the pictures an
// export of them holds, for the put-back tests.
#pragma once

#include <string>
#include <vector>

#include "export/put_back.h"
#include "search/image_record.h"
#include "search/search_state.h"

namespace vorel::put_back_test {

struct FoundImage {
    std::string name;
    SearchState state;  // as the scan filled it for the image's document (the hit trimmed)
    ImageRecord record;
};

// Searches `path` (both kinds, one image per palette) as the window would.
std::vector<FoundImage> SearchImages(const std::string& path, int rawSectors = 0);

// Every image of samples/sample.bin and every real TIM of the test corpus.
std::vector<FoundImage> EveryTestImage();

// The picture an export of the hit holds: its colours, with the colour table of an indexed image.
PictureRgba PictureOfHit(const SearchState& state);

}  // namespace vorel::put_back_test
