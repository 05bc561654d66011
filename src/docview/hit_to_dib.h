// Turns the bytes of one search hit (a TIM image or an embedded bitmap) into
// the packed DIB its document owns.
#pragma once

#include <cstdint>

#include "image/dib.h"
#include "search/search_state.h"

namespace vorel {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A 16-bit TIM colour word: red bits 0-4, green 5-9, blue 10-14; bit 15 ignored.
// Each 5-bit value v becomes v * 8 + v / 4.
Rgb TimColor(std::uint16_t word);

// The DIB for the current hit of `state` (its m_nPaletteIndex selects the CLUT row).
// A null Dib when the hit cannot become an image: unknown source or flag,
// a width or height of 0 or less, or pixels or a colour table that do not fit
// in the hit's bytes.
Dib ConvertHitToDib(const SearchState& state);

}  // namespace vorel
