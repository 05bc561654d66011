// Logical palettes built for an image: the colour table of an indexed DIB,
// or for a 24-bit DIB a halftone or an optimised (octree) palette.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "image/dib.h"

namespace vorel {

struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

class Palette {
public:
    Palette() = default;
    explicit Palette(std::vector<PaletteEntry> entries) : entries_(std::move(entries)) {}

    bool IsEmpty() const { return entries_.empty(); }
    std::size_t Size() const { return entries_.size(); }
    const std::vector<PaletteEntry>& Entries() const { return entries_; }
    const PaletteEntry& operator[](std::size_t i) const { return entries_[i]; }

    // Index of the entry nearest to the colour (squared RGB distance, first of equals);
    // -1 for an empty palette.
    int NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const;

private:
    std::vector<PaletteEntry> entries_;
};

enum PaletteMode : int { kPaletteHalftone = 0, kPaletteOptimized = 1 };

// The 256-entry halftone palette used for direct-colour images in palette mode 0.
Palette CreateHalftonePalette();

// The palette of a DIB: its colour table when it has one; otherwise the halftone
// palette (mode 0) or the optimised palette (mode 1); any other mode gives none.
// False, with `out` left empty, when no palette could be built.
bool CreateDibPalette(const Dib& dib, Palette& out, int paletteMode);

// Octree quantisation of a 24-bit DIB into at most 236 colours.
bool CreateOptimizedPalette(const Dib& dib, Palette& out);

}  // namespace vorel
