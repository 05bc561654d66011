// Putting an edited picture back into the image it came from: the picture's
// pixels become the image's own bytes (16-bit words, RGB triples or palette
// indexes), changing as little as the picture allows, so an unchanged export
// put back gives the very bytes that were found.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "export/png_provenance.h"
#include "search/search_state.h"

namespace vorel {

// A picture as read from a PNG, BMP or TIFF file, in the orientation and size
// of the image as found in its file.
struct PictureRgba {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> pixels;  // red, green, blue, alpha; top row first
    // The picture file's own colour table (red, green, blue, alpha) when it is
    // an indexed file; it gives the order of a rewritten palette.
    std::vector<std::array<std::uint8_t, 4>> palette;
    // The export this picture was written by, when it is a PNG that still
    // carries Vorel's text chunk.
    std::optional<PngProvenance> provenance;
};

enum class ConvertOutcome {
    kConverted,
    kNotAnImage,    // the hit's bytes do not make an image (as the window would not show one)
    kWrongSize,     // the picture's width or height differ from the image's
    kBadPicture,    // the picture's pixel buffer does not hold width x height pixels
    kNoPalette,     // an indexed image whose chosen palette has no colour in the file
    kNoMemory,
};

struct Conversion {
    ConvertOutcome outcome = ConvertOutcome::kNotAnImage;
    std::vector<std::uint8_t> bytes;  // the hit with its new pixels (and palette): as long as the old hit
    std::int64_t colours = 0;         // distinct colours of the picture (all transparent pixels count as one)
    std::int64_t nearest = 0;         // pixels that took the nearest palette colour instead of their own
    std::int64_t paletteSize = 0;     // colours the image's palette holds (0 for direct colour)
    bool paletteRewritten = false;
    bool paletteTooSmall = false;     // "palette too" was asked but the picture has more colours
};

// Alpha below this makes a pixel transparent (colour word 0x0000 in a TIM).
inline constexpr std::uint8_t kOpaqueAlpha = 128;

// The 16-bit TIM word of a colour: 5 bits a channel, the top bit clear; an
// opaque pure black becomes 0x8000 and a transparent pixel 0x0000.
std::uint16_t TimWordOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);

// The new bytes of the hit `found` describes (its chosen palette for an indexed
// TIM) once `picture` is put in its place. With `paletteToo`, an indexed image's
// palette is rewritten with the picture's colours when they fit in it and it
// does not already hold every one of them.
Conversion ConvertPicture(const SearchState& found, const PictureRgba& picture, bool paletteToo);

}  // namespace vorel
