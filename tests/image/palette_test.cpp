#include "image/palette.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "image/bytes.h"

namespace vorel {
namespace {

using Rgb3 = std::tuple<int, int, int>;

Rgb3 Of(const PaletteEntry& e) {
    return {e.red, e.green, e.blue};
}

TEST(HalftonePaletteTest, HoldsTheSystemColoursAtBothEndsAndTheWholeCube) {
    const Palette p = CreateHalftonePalette();
    ASSERT_EQ(p.Size(), 256u);
    // The static colours a 256-colour display reserves: black and the dark
    // primaries first, the bright primaries and white last.
    EXPECT_EQ(Of(p[0]), Rgb3(0, 0, 0));
    EXPECT_EQ(Of(p[1]), Rgb3(128, 0, 0));
    EXPECT_EQ(Of(p[7]), Rgb3(192, 192, 192));
    EXPECT_EQ(Of(p[249]), Rgb3(255, 0, 0));
    EXPECT_EQ(Of(p[250]), Rgb3(0, 255, 0));
    EXPECT_EQ(Of(p[252]), Rgb3(0, 0, 255));
    EXPECT_EQ(Of(p[255]), Rgb3(255, 255, 255));

    std::set<Rgb3> all;
    for (const auto& e : p.Entries()) {
        all.insert(Of(e));
        EXPECT_EQ(e.flags, 0);
    }
    EXPECT_EQ(all.size(), 256u) << "every entry is a colour of its own";
    int greys = 0;
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) EXPECT_TRUE(all.count({r, g, b})) << r << "," << g << "," << b;
    for (const auto& e : p.Entries()) greys += e.red == e.green && e.green == e.blue;
    EXPECT_GE(greys, 6 + 20) << "the six greys of the cube and a ramp of greys between them";
}

TEST(PaletteTest, NearestIndexTakesTheFirstOfEqualDistances) {
    EXPECT_EQ(Palette().NearestIndex(1, 2, 3), -1);
    const Palette p({{0, 0, 0, 0}, {10, 10, 10, 0}, {20, 20, 20, 0}, {10, 10, 10, 0}});
    EXPECT_EQ(p.NearestIndex(0, 0, 0), 0);
    EXPECT_EQ(p.NearestIndex(5, 5, 5), 0);  // equally far from 0 and 1
    EXPECT_EQ(p.NearestIndex(11, 9, 10), 1);
    EXPECT_EQ(p.NearestIndex(255, 255, 255), 2);
    const Palette halftone = CreateHalftonePalette();
    EXPECT_EQ(Of(halftone[static_cast<std::size_t>(halftone.NearestIndex(250, 5, 3))]), Rgb3(255, 0, 0));
}

// A DIB whose colour table entry i is (blue i, green 2i, red 3i) as stored.
Dib IndexedDib(int bits, std::uint32_t clrUsed) {
    Dib dib = Dib::Create(4, 2, bits);
    StoreLe32(dib.Data() + dibfield::kClrUsed, clrUsed);
    for (std::size_t i = 0; i < dib.ColorCount(); ++i) {
        std::uint8_t* q = dib.ColorEntry(i);
        q[0] = static_cast<std::uint8_t>(i);
        q[1] = static_cast<std::uint8_t>(2 * i);
        q[2] = static_cast<std::uint8_t>(3 * i);
        q[3] = 0x55;  // reserved bytes never reach the palette
    }
    return dib;
}

TEST(CreateDibPaletteTest, IndexedImagesUseTheirOwnTableInAnyMode) {
    struct Case {
        int bits;
        std::uint32_t clrUsed;
        std::size_t entries;
    };
    const Case cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {8, 20, 20}, {4, 3, 3}};
    for (const auto& c : cases) {
        for (int mode : {0, 1, 2}) {
            const Dib dib = IndexedDib(c.bits, c.clrUsed);
            Palette p;
            ASSERT_TRUE(CreateDibPalette(dib, p, mode)) << c.bits << " bits";
            ASSERT_EQ(p.Size(), c.entries) << c.bits << " bits, biClrUsed " << c.clrUsed;
            for (std::size_t i = 0; i < c.entries; ++i) {
                EXPECT_EQ(p[i],
                          (PaletteEntry{static_cast<std::uint8_t>(3 * i), static_cast<std::uint8_t>(2 * i),
                                        static_cast<std::uint8_t>(i), 0}));
            }
        }
    }
}

TEST(CreateDibPaletteTest, DirectColourFollowsThePaletteMode) {
    Dib dib = Dib::Create(2, 1, 24);
    std::uint8_t* row = dib.StoredRow(0).data();
    const std::uint8_t pixels[] = {0, 0, 255, 255, 0, 0};  // red, blue (stored B, G, R)
    std::copy(std::begin(pixels), std::end(pixels), row);

    Palette p;
    ASSERT_TRUE(CreateDibPalette(dib, p, kPaletteHalftone));
    EXPECT_EQ(p.Entries(), CreateHalftonePalette().Entries());

    ASSERT_TRUE(CreateDibPalette(dib, p, kPaletteOptimized));
    ASSERT_EQ(p.Size(), 2u);
    EXPECT_EQ(Of(p[0]), Rgb3(0, 0, 255));  // blue: child index 1 at the top level
    EXPECT_EQ(Of(p[1]), Rgb3(255, 0, 0));  // red: child index 4

    p = CreateHalftonePalette();
    EXPECT_FALSE(CreateDibPalette(dib, p, 2));
    EXPECT_TRUE(p.IsEmpty());
    EXPECT_FALSE(CreateDibPalette(dib, p, -1));
}

TEST(CreateDibPaletteTest, RefusesNullBlocksAndTablesPastTheBlock) {
    Palette p = CreateHalftonePalette();
    EXPECT_FALSE(CreateDibPalette(Dib(), p, 0));
    EXPECT_TRUE(p.IsEmpty());

    Dib dib = Dib::Create(4, 1, 8);  // 40 + 1024 + 4 bytes
    StoreLe32(dib.Data() + dibfield::kClrUsed, 0xFFFF);
    EXPECT_FALSE(CreateDibPalette(dib, p, 0));
    EXPECT_TRUE(p.IsEmpty());
}

}  // namespace
}  // namespace vorel
