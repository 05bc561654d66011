// Which pixels of a TIM the console leaves undrawn: those whose 16-bit colour
// word (the CLUT entry of a 4- or 8-bit pixel, the pixel itself at 16 bits) is
// exactly 0x0000. The packed DIB cannot say so (a 0x0000 word and an opaque
// 0x8000 black look the same in it), so the mask is taken from the hit beside
// the DIB and turned with it.
#pragma once

#include <cstdint>

#include "image/dib.h"
#include "search/search_state.h"

namespace vorel {

// An 8-bit DIB of the image's size whose pixel is 1 where the image's pixel is
// transparent and 0 elsewhere; rows stored as the image's are, so the same
// turns and flips apply to both. Null for a bitmap, a 24-bit TIM (no colour
// word to test) and a hit the DIB conversion refuses too. A CLUT entry past
// the CLUT's end holds no word and stays opaque.
Dib TransparencyMaskOfHit(const SearchState& state);

// True when `mask` can stand beside `image`: an 8-bit DIB of the same width
// and height, whole.
bool MaskFits(const Dib& mask, const Dib& image);

// Pixel x of row y (counted from the top) is transparent; precondition MaskFits.
inline bool IsTransparent(const Dib& mask, std::int32_t x, std::int32_t y) {
    return mask.StoredRow(mask.Height() - 1 - y)[static_cast<std::size_t>(x)] != 0;
}

}  // namespace vorel
