#include "image/octree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "image/dib.h"
#include "image/palette.h"

namespace vorel {
namespace {

struct Colour {
    int r, g, b;
    friend bool operator==(const Colour&, const Colour&) = default;
};

std::ostream& operator<<(std::ostream& os, const Colour& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

// The order of leaves in a child-index depth-first walk is the order of the
// colours' bits interleaved red, green, blue from the top bit down.
std::uint32_t InterleavedKey(const Colour& c) {
    std::uint32_t key = 0;
    for (int bit = 7; bit >= 0; --bit) {
        key = (key << 3) | (((c.r >> bit) & 1u) << 2) | (((c.g >> bit) & 1u) << 1) | ((c.b >> bit) & 1u);
    }
    return key;
}

std::vector<Colour> InTreeOrder(std::vector<Colour> colours) {
    std::sort(colours.begin(), colours.end(),
              [](const Colour& a, const Colour& b) { return InterleavedKey(a) < InterleavedKey(b); });
    return colours;
}

// A 24-bit DIB whose pixels, in storage order (bottom row first, left to
// right), are `pixels`; the padding bytes hold 0xEE.
Dib DibOf(const std::vector<Colour>& pixels, int width) {
    const int height = static_cast<int>(pixels.size()) / width;
    Dib dib = Dib::Create(width, height, 24);
    for (int r = 0; r < height; ++r) {
        auto row = dib.StoredRow(r);
        std::fill(row.begin(), row.end(), 0xEE);
        for (int x = 0; x < width; ++x) {
            const Colour& c = pixels[static_cast<std::size_t>(r * width + x)];
            row[3 * x] = static_cast<std::uint8_t>(c.b);
            row[3 * x + 1] = static_cast<std::uint8_t>(c.g);
            row[3 * x + 2] = static_cast<std::uint8_t>(c.r);
        }
    }
    return dib;
}

std::vector<Colour> Optimized(const Dib& dib) {
    Palette p;
    EXPECT_TRUE(CreateOptimizedPalette(dib, p));
    std::vector<Colour> out;
    for (const auto& e : p.Entries()) {
        EXPECT_EQ(e.flags, 0);
        out.push_back({e.red, e.green, e.blue});
    }
    return out;
}

TEST(OctreeTest, TwoColoursComeInChildIndexOrderWhateverTheirPixelOrder) {
    struct Case {
        Colour first, second;  // expected palette order
    };
    const Case cases[] = {
        {{0, 128, 128}, {128, 0, 0}},  // top bits: child 3 before child 4
        {{0, 64, 64}, {64, 0, 0}},     // top bits tie at child 0; the next bit decides
        {{0, 0, 0}, {0, 0, 1}},        // only the last bit differs
        {{0, 255, 255}, {255, 0, 0}},  // green + blue (3) before red (4)
        {{1, 1, 1}, {254, 254, 254}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Optimized(DibOf({c.first, c.second}, 2)), (std::vector<Colour>{c.first, c.second}));
        EXPECT_EQ(Optimized(DibOf({c.second, c.first, c.second}, 3)),
                  (std::vector<Colour>{c.first, c.second}));
    }
}

TEST(OctreeTest, UpTo236ColoursComeBackExactlyOnceEach) {
    std::mt19937 random(7);
    std::set<std::tuple<int, int, int>> seen;
    std::vector<Colour> distinct;
    while (distinct.size() < 236) {
        const Colour c{static_cast<int>(random() % 256), static_cast<int>(random() % 256),
                       static_cast<int>(random() % 256)};
        if (seen.insert({c.r, c.g, c.b}).second) distinct.push_back(c);
    }
    std::vector<Colour> pixels = distinct;
    for (int i = 0; i < 236; ++i)
        pixels.push_back(distinct[random() % distinct.size()]);  // repeats add nothing
    std::shuffle(pixels.begin(), pixels.end(), random);
    EXPECT_EQ(Optimized(DibOf(pixels, 59)), InTreeOrder(distinct));  // 472 pixels, 8 rows
}

TEST(OctreeTest, ColourNumber237FoldsTheNewestLevelSevenNodeFirst) {
    // 118 pairs that differ only in the lowest blue bit share a level-7 node each;
    // they are inserted with the pair for red 0 last.
    std::vector<Colour> pixels;
    std::vector<Colour> expected;
    for (int k = 117; k >= 0; --k) {
        pixels.push_back({2 * k, 64, 10});
        pixels.push_back({2 * k, 64, 11});
        if (k != 0) {
            expected.push_back({2 * k, 64, 10});
            expected.push_back({2 * k, 64, 11});
        }
    }
    // The 237th colour has a level-7 node of its own (the newest): folding it
    // removes no leaf, so the pair inserted last is folded next, into the
    // truncated average (10 + 11) / 2 = 10.
    pixels.push_back({250, 64, 10});
    expected.push_back({0, 64, 10});
    expected.push_back({250, 64, 10});
    const auto palette = Optimized(DibOf(pixels, 237));
    EXPECT_EQ(palette.size(), 236u);
    EXPECT_EQ(palette, InTreeOrder(expected));
}

TEST(OctreeTest, SingleChildFoldsRemoveNoLeafSoReductionClimbsALevel) {
    // 237 colours, all with even red: each has a level-7 node with one child, so
    // all 237 level-7 folds leave 237 leaves. The green-4 colours come last and
    // make the newest level-6 nodes, which go next: colour 236 (red 216) alone
    // again, then colours 234 and 235 (reds 212 and 214) into one leaf.
    std::vector<Colour> pixels;
    for (int k = 0; k < 237; ++k)
        pixels.push_back(k < 128 ? Colour{2 * k, 0, 0} : Colour{2 * (k - 128), 4, 0});
    std::vector<Colour> expected(pixels.begin(), pixels.begin() + 234);
    expected.push_back({213, 4, 0});
    expected.push_back({216, 4, 0});
    const auto palette = Optimized(DibOf(pixels, 237));
    EXPECT_EQ(palette.size(), 236u);
    EXPECT_EQ(palette, InTreeOrder(expected));
}

TEST(OctreeTest, OnePixelGivesOneEntry) {
    EXPECT_EQ(Optimized(DibOf({{12, 34, 56}}, 1)), (std::vector<Colour>{{12, 34, 56}}));
}

TEST(OctreeTest, RowPaddingIsNeverReadAsAPixel) {
    // Width 1: three pixel bytes and one padding byte (0xEE) per row.
    const auto palette = Optimized(DibOf({{1, 2, 3}, {200, 100, 50}, {1, 2, 3}}, 1));
    EXPECT_EQ(palette, InTreeOrder({{1, 2, 3}, {200, 100, 50}}));
}

TEST(OctreeTest, ManyColoursStayWithinTheBoundAndAverageTheirPixels) {
    std::mt19937 random(11);
    std::vector<Colour> pixels(320 * 240);
    for (auto& c : pixels) {
        c = {static_cast<int>(random() % 256), static_cast<int>(random() % 256),
             static_cast<int>(random() % 256)};
    }
    const auto palette = Optimized(DibOf(pixels, 320));
    EXPECT_GT(palette.size(), 100u);
    EXPECT_LE(palette.size(), 236u);

    // One colour covering all pixels stays exact however many pixels it has.
    const auto grey = Optimized(DibOf(std::vector<Colour>(640 * 480, Colour{77, 77, 77}), 640));
    EXPECT_EQ(grey, (std::vector<Colour>{{77, 77, 77}}));
}

TEST(OctreeTest, OnlyTwentyFourBitBlocksAreQuantised) {
    Palette p;
    EXPECT_FALSE(CreateOptimizedPalette(Dib(), p));
    EXPECT_FALSE(CreateOptimizedPalette(Dib::Create(4, 4, 8), p));
    EXPECT_TRUE(p.IsEmpty());
}

TEST(OctreeTest, ReductionTakesTheDeepestListAndFallsBackToLevelZero) {
    std::unique_ptr<QuantNode> root;
    std::uint32_t leaves = 0;
    ReducibleLists lists{};
    EXPECT_FALSE(ReduceQuantTree(kQuantDepth, leaves, lists));  // nothing to fold
    ASSERT_TRUE(InsertColor(root, 0, 0, 0, kQuantDepth, 0, leaves, lists));
    ASSERT_TRUE(InsertColor(root, 255, 255, 255, kQuantDepth, 0, leaves, lists));
    ASSERT_TRUE(InsertColor(root, 255, 255, 255, kQuantDepth, 0, leaves, lists));
    EXPECT_EQ(leaves, 2u);
    for (int level = 0; level < kQuantDepth; ++level) ASSERT_NE(lists[level], nullptr) << level;
    // 7 folds per branch of single children, then the root with two leaves.
    int folds = 0;
    while (ReduceQuantTree(kQuantDepth, leaves, lists)) ++folds;
    EXPECT_EQ(folds, 15);
    EXPECT_EQ(leaves, 1u);
    ASSERT_TRUE(root && root->isLeaf);
    std::vector<PaletteEntry> entries(1);
    std::size_t index = 0;
    CollectLeafColors(root.get(), entries, index);
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(entries[0], (PaletteEntry{170, 170, 170, 0}));  // (0 + 255 + 255) / 3
    FreeQuantTree(root);
    EXPECT_EQ(root, nullptr);
}

}  // namespace
}  // namespace vorel
