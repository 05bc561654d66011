// The octree quantiser on 24-bit pictures made from the input, checked against
// what an optimised palette must be: at most 236 colours, exactly the picture's
// own colours in tree order when it has no more, never a colour outside them.
#include <algorithm>
#include <set>
#include <vector>

#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"
#include "image/bytes.h"
#include "image/palette.h"

namespace vorel::fuzz {
namespace {

// The position of a colour in the tree: one octal digit per level, taken from the
// red, green and blue bits of that level, most significant level first.
std::uint32_t TreeKey(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::uint32_t key = 0;
    for (int shift = 7; shift >= 0; --shift) {
        key = key * 8 + (((r >> shift) & 1u) << 2) + (((g >> shift) & 1u) << 1) + ((b >> shift) & 1u);
    }
    return key;
}

std::uint32_t Packed(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}

}  // namespace

void CheckOptimizedPalette(Input data) {
    if (data.size() < 4) return;
    const int width = 1 + ((data[0] | (data[1] << 8)) % 256);
    const int height = 1 + data[2] % 64;
    const std::uint8_t flags = data[3];
    const Input pixels = data.subspan(4);

    Dib dib = Dib::Create(width, height, 24);
    Require(!dib.IsNull(), "a small 24-bit DIB could not be made");
    if (dib.IsNull()) return;
    std::set<std::uint32_t> colours;
    std::uint8_t minC[3] = {255, 255, 255}, maxC[3] = {0, 0, 0};
    std::size_t next = 0;
    const auto take = [&]() -> std::uint8_t {
        if (pixels.empty()) return 0;
        const std::uint8_t v = pixels[next % pixels.size()];
        ++next;
        return v;
    };
    for (int r = 0; r < height; ++r) {
        const auto row = dib.StoredRow(r);
        for (int x = 0; x < width; ++x) {
            const std::uint8_t b = take(), g = take(), red = take();
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = red;
            colours.insert(Packed(red, g, b));
            const std::uint8_t c[3] = {red, g, b};
            for (int i = 0; i < 3; ++i) {
                minC[i] = std::min(minC[i], c[i]);
                maxC[i] = std::max(maxC[i], c[i]);
            }
        }
        // Padding is no pixel: give it a colour the picture does not have where possible.
        for (std::size_t p = 3 * static_cast<std::size_t>(width); p < row.size(); ++p) row[p] = 0xA5;
    }

    if (flags & 1) {
        // A header that claims more rows than the block holds must be refused, not read past.
        std::vector<std::uint8_t> bytes(dib.Bytes().begin(), dib.Bytes().end());
        bytes.resize(bytes.size() - 1 - flags / 2 % (bytes.size() - 40));
        Dib shortDib;
        shortDib.Assign(std::move(bytes));
        Palette refused;
        Require(!CreateOptimizedPalette(shortDib, refused) && refused.IsEmpty(),
                "palette made from a cut-off DIB");
        return;
    }

    Palette palette;
    const bool made = CreateOptimizedPalette(dib, palette);
    Require(made && palette.Size() >= 1 && palette.Size() <= 236, "optimised palette missing or too large");
    if (!made) return;
    const auto& entries = palette.Entries();
    if (colours.size() <= 236) {
        Require(palette.Size() == colours.size(),
                "palette of a picture with few colours is not one entry each");
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const PaletteEntry& e = entries[i];
            Require(colours.count(Packed(e.red, e.green, e.blue)) == 1, "palette colour not in the picture");
            const std::uint32_t key = TreeKey(e.red, e.green, e.blue);
            Require(i == 0 || key > previous, "palette not in tree order");
            previous = key;
        }
    } else {
        for (const PaletteEntry& e : entries) {
            const std::uint8_t c[3] = {e.red, e.green, e.blue};
            for (int i = 0; i < 3; ++i)
                Require(c[i] >= minC[i] && c[i] <= maxC[i], "averaged colour outside the picture's");
        }
    }
    for (int mode : {0, 1, 2}) CheckDocumentPalette(dib, mode);
}

}  // namespace vorel::fuzz
