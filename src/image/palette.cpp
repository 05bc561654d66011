#include "image/palette.h"

#include <array>
#include <limits>
#include <new>

#include "image/bytes.h"

namespace vorel {

int Palette::NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue) const {
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const int dr = int{entries_[i].red} - red;
        const int dg = int{entries_[i].green} - green;
        const int db = int{entries_[i].blue} - blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// The halftone palette a 256-colour Windows display hands out for direct-colour
// images: the 20 static system colours stay where the system keeps them (10 at
// the start, 10 at the end, so realising the palette never moves them), and the
// 236 places between hold the 6 x 6 x 6 cube of levels 0, 51, ..., 255 (red
// slowest, blue fastest) less the 8 corners the static colours already hold,
// then 28 greys evenly between black and white. The cube makes nearest-colour
// mapping a fair fit for any picture; the greys keep grey ramps smooth. No
// entry repeats another, so none of the 256 places is wasted.
Palette CreateHalftonePalette() {
    static constexpr std::array<std::array<std::uint8_t, 3>, 10> kStaticLow = {{
        {0, 0, 0},
        {128, 0, 0},
        {0, 128, 0},
        {128, 128, 0},
        {0, 0, 128},
        {128, 0, 128},
        {0, 128, 128},
        {192, 192, 192},
        {192, 220, 192},
        {166, 202, 240},
    }};
    static constexpr std::array<std::array<std::uint8_t, 3>, 10> kStaticHigh = {{
        {255, 251, 240},
        {160, 160, 164},
        {128, 128, 128},
        {255, 0, 0},
        {0, 255, 0},
        {255, 255, 0},
        {0, 0, 255},
        {255, 0, 255},
        {0, 255, 255},
        {255, 255, 255},
    }};
    std::vector<PaletteEntry> entries;
    entries.reserve(256);
    for (const auto& c : kStaticLow) entries.push_back({c[0], c[1], c[2], 0});
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                const bool corner = (r == 0 || r == 5) && (g == 0 || g == 5) && (b == 0 || b == 5);
                if (corner) continue;  // black, white and the six full primaries are static colours
                entries.push_back({static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                                   static_cast<std::uint8_t>(51 * b), 0});
            }
        }
    }
    // k * 255 / 29 rounded, k = 1..28: none of them is a cube level or a static grey.
    for (int k = 1; k <= 28; ++k) {
        const auto v = static_cast<std::uint8_t>((k * 255 + 14) / 29);
        entries.push_back({v, v, v, 0});
    }
    for (const auto& c : kStaticHigh) entries.push_back({c[0], c[1], c[2], 0});
    return Palette(std::move(entries));
}

bool CreateDibPalette(const Dib& dib, Palette& out, int paletteMode) {
    out = Palette{};
    if (dib.IsNull()) return false;
    const std::size_t count = dib.ColorCount();
    if (count != 0) {
        // The table must lie inside the block; a header claiming more colours than
        // the block holds gives no palette rather than reading past it.
        if (!InBounds(dib.AllocatedSize(), kDibHeaderSize, 4 * count)) return false;
        std::vector<PaletteEntry> entries;
        try {
            entries.resize(count);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* quad = dib.ColorEntry(i);
            entries[i] = {quad[2], quad[1], quad[0], 0};
        }
        out = Palette(std::move(entries));
        return true;
    }
    switch (paletteMode) {
        case kPaletteHalftone:
            out = CreateHalftonePalette();
            return true;
        case kPaletteOptimized:
            return CreateOptimizedPalette(dib, out);
        default:
            return false;
    }
}

}  // namespace vorel
