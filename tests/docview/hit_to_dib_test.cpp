#include "docview/hit_to_dib.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <vector>

#include "docview/hit_test_support.h"
#include "image/bytes.h"

namespace vorel {
namespace {

using hit_support::BitmapHit;
using hit_support::TimHit;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// TIM id, flag word and the first block's 12-byte header.
Bytes TimStart(std::uint32_t flag, std::uint32_t blockLength, int width, int height) {
    Bytes b;
    Put32(b, 0x10);
    Put32(b, flag);
    Put32(b, blockLength);
    Put32(b, 0);
    Put16(b, static_cast<std::uint32_t>(width));
    Put16(b, static_cast<std::uint32_t>(height));
    return b;
}

// A 4-bit (clutWidth 16) or 8-bit (256) TIM whose CLUT word n holds n, i.e.
// red n & 31, green n >> 5; the pixel bytes follow as given.
Bytes IndexedTim(std::uint32_t flag, int clutWords, int clutHeight, int widthField, int height,
                 const Bytes& pixels) {
    Bytes b =
        TimStart(flag, static_cast<std::uint32_t>(12 + 2 * clutWords), flag == 8 ? 16 : 256, clutHeight);
    for (int n = 0; n < clutWords; ++n) Put16(b, static_cast<std::uint32_t>(n));
    Put32(b, static_cast<std::uint32_t>(12 + pixels.size()));
    Put32(b, 0);
    Put16(b, static_cast<std::uint32_t>(widthField));
    Put16(b, static_cast<std::uint32_t>(height));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes Row(const Dib& dib, int storedRow) {
    const auto row = dib.StoredRow(storedRow);
    return Bytes(row.begin(), row.end());
}

Rgb Entry(const Dib& dib, std::size_t i) {
    const std::uint8_t* q = dib.ColorEntry(i);
    return {q[2], q[1], q[0]};
}

std::uint8_t Expand(unsigned v) {
    return static_cast<std::uint8_t>(v * 8 + v / 4);
}

TEST(TimColorTest, FiveBitChannelsSpreadOverTheFullRange) {
    struct Case {
        std::uint16_t word;
        Rgb rgb;
    };
    const Case cases[] = {
        {0x7FFF, {255, 255, 255}}, {0xFFFF, {255, 255, 255}}, {0x8000, {0, 0, 0}},   {0x0000, {0, 0, 0}},
        {0x001F, {255, 0, 0}},     {0x03E0, {0, 255, 0}},     {0x7C00, {0, 0, 255}}, {0x0001, {8, 0, 0}},
        {0x0004, {33, 0, 0}},      {0x01E0, {0, 123, 0}},     {0x4000, {0, 0, 132}},
    };
    for (const auto& c : cases) EXPECT_EQ(TimColor(c.word), c.rgb) << std::hex << c.word;
}

TEST(ConvertTimTest, SixteenBitTopRowIsStoredLast) {
    Bytes tim = TimStart(2, 12 + 8, 2, 2);
    for (std::uint32_t w : {0x001Fu, 0x03E0u, 0x7C00u, 0xFFFFu}) Put16(tim, w);  // red green / blue white
    const Dib dib = ConvertHitToDib(TimHit(tim));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(dib.AllocatedSize(), 40u + 16u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kSizeImage), 16u);
    EXPECT_EQ(Row(dib, 0), (Bytes{255, 0, 0, 255, 255, 255, 0, 0}));
    EXPECT_EQ(Row(dib, 1), (Bytes{0, 0, 255, 0, 255, 0, 0, 0}));
}

TEST(ConvertTimTest, TwentyFourBitKeepsEveryPixelOfAnOddWidth) {
    Bytes tim = TimStart(3, 12 + 18, 3 * 3 / 2, 2);
    for (int v = 1; v <= 18; ++v) tim.push_back(static_cast<std::uint8_t>(v));  // R, G, B per pixel
    auto state = TimHit(tim);
    state.m_nWidth = 3;
    const Dib dib = ConvertHitToDib(state);
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(Row(dib, 0), (Bytes{12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0}));
    EXPECT_EQ(Row(dib, 1), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}));
}

TEST(ConvertTimTest, FourBitSwapsNibblesAndTakesTheChosenPalette) {
    const Bytes tim = IndexedTim(8, 32, 2, 1, 2, {0x21, 0x43, 0xF0, 0x0F});
    const Dib dib = ConvertHitToDib(TimHit(tim, 1));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.BitCount(), 4);
    EXPECT_EQ(dib.PixelOffset(), 104u);
    EXPECT_EQ(Row(dib, 1), (Bytes{0x12, 0x34, 0, 0}));
    EXPECT_EQ(Row(dib, 0), (Bytes{0x0F, 0xF0, 0, 0}));
    for (unsigned i = 0; i < 16; ++i) EXPECT_EQ(Entry(dib, i), (Rgb{Expand(16 + i), 0, 0})) << i;
}

TEST(ConvertTimTest, FourBitOddWidthConvertsTheLastHalfByte) {
    const Bytes tim = IndexedTim(8, 16, 1, 1, 1, {0x21, 0x43, 0x65});
    auto state = TimHit(tim);
    state.m_nWidth = 5;  // three source bytes per row; the sixth nibble is not a pixel
    const Dib dib = ConvertHitToDib(state);
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(Row(dib, 0), (Bytes{0x12, 0x34, 0x50, 0}));
}

TEST(ConvertTimTest, ClutWordsPastTheEntryCountStayBlack) {
    // 20 CLUT words; palette 1 gets words 16..19, then black although the
    // image block header lies right behind them.
    const Bytes four = IndexedTim(8, 20, 1, 1, 1, {0x10, 0x32});
    const Dib dib4 = ConvertHitToDib(TimHit(four, 1));
    ASSERT_FALSE(dib4.IsNull());
    for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(Entry(dib4, i), (Rgb{Expand(16 + i), 0, 0}));
    for (unsigned i = 4; i < 16; ++i) EXPECT_EQ(Entry(dib4, i), (Rgb{})) << i;

    const Bytes eight = IndexedTim(9, 16, 1, 1, 1, {5, 255});
    const Dib dib8 = ConvertHitToDib(TimHit(eight));
    ASSERT_FALSE(dib8.IsNull());
    EXPECT_EQ(dib8.PixelOffset(), 1064u);
    EXPECT_EQ(Entry(dib8, 5), (Rgb{Expand(5), 0, 0}));
    for (unsigned i = 16; i < 256; ++i) EXPECT_EQ(Entry(dib8, i), (Rgb{})) << i;
    EXPECT_EQ(Row(dib8, 0), (Bytes{5, 255, 0, 0}));
}

TEST(ConvertTimTest, EightBitSecondPaletteStartsAtWord256) {
    const Bytes tim = IndexedTim(9, 512, 2, 2, 1, {0, 1, 2, 3});
    const Dib dib = ConvertHitToDib(TimHit(tim, 1));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(Entry(dib, 0), (Rgb{0, Expand(8), 0}));           // word 256: green 8, red 0
    EXPECT_EQ(Entry(dib, 33), (Rgb{Expand(1), Expand(9), 0}));  // word 289
    EXPECT_EQ(Row(dib, 0), (Bytes{0, 1, 2, 3}));
}

TEST(ConvertTimTest, HitsThatCannotBeImagesGiveNoDib) {
    const Bytes good16 = [] {
        Bytes b = TimStart(2, 12 + 8, 2, 2);
        b.resize(b.size() + 8, 0x11);
        return b;
    }();
    const Bytes good4 = IndexedTim(8, 16, 1, 1, 1, {0x21, 0x43});
    ASSERT_FALSE(ConvertHitToDib(TimHit(good16)).IsNull());
    ASSERT_FALSE(ConvertHitToDib(TimHit(good4)).IsNull());

    struct Case {
        const char* what;
        const Bytes* bytes;
        void (*change)(SearchState&);
    };
    const Case cases[] = {
        {"unknown source", &good16, [](SearchState& s) { s.m_nSourceType = 2; }},
        {"no source", &good16, [](SearchState& s) { s.m_nSourceType = 0; }},
        {"flag 0", &good16, [](SearchState& s) { s.m_nTimFlag = 0; }},
        {"flag 1", &good16, [](SearchState& s) { s.m_nTimFlag = 1; }},
        {"flag 4", &good16, [](SearchState& s) { s.m_nTimFlag = 4; }},
        {"flag 10", &good16, [](SearchState& s) { s.m_nTimFlag = 10; }},
        {"width 0", &good16, [](SearchState& s) { s.m_nWidth = 0; }},
        {"height 0", &good16, [](SearchState& s) { s.m_nHeight = 0; }},
        {"negative width", &good16, [](SearchState& s) { s.m_nWidth = -2; }},
        {"pixels one byte short", &good16, [](SearchState& s) { s.m_nHitSize -= 1; }},
        {"hit size past the buffer", &good16, [](SearchState& s) { s.m_pHitData.pop_back(); }},
        {"huge width", &good16,
         [](SearchState& s) { s.m_nWidth = std::numeric_limits<std::int32_t>::max(); }},
        {"huge 24-bit", &good16,
         [](SearchState& s) {
             s.m_nTimFlag = 3;
             s.m_nWidth = s.m_nHeight = std::numeric_limits<std::int32_t>::max();
         }},
        {"hit offset past the buffer", &good16, [](SearchState& s) { s.m_nHitOffset = 1000; }},
        {"negative hit offset", &good16, [](SearchState& s) { s.m_nHitOffset = -1; }},
        {"4-bit pixels one byte short", &good4, [](SearchState& s) { s.m_nHitSize -= 1; }},
        {"CLUT row past the hit", &good4,
         [](SearchState& s) {
             s.m_nClutEntries = 1000;
             s.m_nPaletteIndex = 2;
         }},
        {"CLUT block past the hit", &good4, [](SearchState& s) { s.m_nClutBlockSize = 0x7FFFFFFF; }},
        {"CLUT block shorter than its header", &good4, [](SearchState& s) { s.m_nClutBlockSize = 4; }},
        {"negative CLUT entries", &good4, [](SearchState& s) { s.m_nClutEntries = -5; }},
        {"negative palette", &good4, [](SearchState& s) { s.m_nPaletteIndex = -1; }},
        {"huge 8-bit", &good4,
         [](SearchState& s) {
             s.m_nTimFlag = 9;
             s.m_nWidth = s.m_nHeight = std::numeric_limits<std::int32_t>::max();
         }},
    };
    for (const auto& c : cases) {
        SearchState s = TimHit(*c.bytes);
        c.change(s);
        EXPECT_TRUE(ConvertHitToDib(s).IsNull()) << c.what;
    }
}

TEST(ConvertTimTest, PaletteIndexPastTheClutGivesABlackTableNotARead) {
    const Bytes tim = IndexedTim(8, 16, 1, 1, 1, {0x21, 0x43});
    const Dib dib = ConvertHitToDib(TimHit(tim, 1000000));
    ASSERT_FALSE(dib.IsNull());
    for (unsigned i = 0; i < 16; ++i) EXPECT_EQ(Entry(dib, i), (Rgb{}));
}

TEST(ConvertTimTest, TheHitStartsAtTheHitOffset) {
    Bytes tim = TimStart(2, 12 + 2, 1, 1);
    Put16(tim, 0x001F);
    SearchState s = TimHit(tim);
    s.m_pHitData.insert(s.m_pHitData.begin(), {0xAA, 0xBB, 0xCC});
    s.m_nHitOffset = 3;
    const Dib dib = ConvertHitToDib(s);
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(Row(dib, 0), (Bytes{0, 0, 255, 0}));
}

// A BITMAPINFOHEADER; the table and pixels follow as given.
Bytes BitmapHeader(int width, int height, int bits, std::uint32_t clrUsed) {
    Bytes b;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(width));
    Put32(b, static_cast<std::uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<std::uint32_t>(bits));
    Put32(b, 0);
    Put32(b, 999);   // biSizeImage: recomputed
    Put32(b, 3780);  // resolution: kept
    Put32(b, 2834);
    Put32(b, clrUsed);
    Put32(b, 7);  // biClrImportant: cleared
    return b;
}

TEST(ConvertBitmapTest, TopDownRowsAreTurnedRound) {
    Bytes b = BitmapHeader(2, -2, 8, 0);
    for (int i = 0; i < 256; ++i) b.insert(b.end(), {static_cast<std::uint8_t>(i), 0, 0, 0});
    b.insert(b.end(), {1, 2, 0, 0, 3, 4, 0, 0});  // top row first
    const Dib dib = ConvertHitToDib(BitmapHit(b));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(Row(dib, 0), (Bytes{3, 4, 0, 0}));
    EXPECT_EQ(Row(dib, 1), (Bytes{1, 2, 0, 0}));
}

TEST(ConvertBitmapTest, ShortColourTableIsCopiedAndTheRestLeftBlack) {
    Bytes b = BitmapHeader(3, 1, 8, 20);
    for (int i = 0; i < 20; ++i) b.insert(b.end(), {static_cast<std::uint8_t>(i + 1), 0x22, 0x33, 0});
    ASSERT_EQ(b.size(), 120u);
    b.insert(b.end(), {19, 0, 7, 0xEE});
    const Dib dib = ConvertHitToDib(BitmapHit(b));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.AllocatedSize(), 1064u + 4u);
    EXPECT_EQ(dib.PixelOffset(), 1064u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kClrUsed), 0u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kClrImportant), 0u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kSizeImage), 4u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kXPelsPerMeter), 3780u);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kYPelsPerMeter), 2834u);
    EXPECT_EQ(Entry(dib, 19), (Rgb{0x33, 0x22, 20}));
    for (unsigned i = 20; i < 256; ++i) EXPECT_EQ(Entry(dib, i), (Rgb{})) << i;
    EXPECT_EQ(Row(dib, 0), (Bytes{19, 0, 7, 0xEE}));
}

TEST(ConvertBitmapTest, OversizedColourTableIsSkippedAndCutToTheFullTable) {
    Bytes b = BitmapHeader(4, 1, 8, 300);
    for (int i = 0; i < 300; ++i) b.insert(b.end(), {0, static_cast<std::uint8_t>(i), 0, 0});
    b.insert(b.end(), {9, 8, 7, 6});
    const Dib dib = ConvertHitToDib(BitmapHit(b));
    ASSERT_FALSE(dib.IsNull());
    EXPECT_EQ(dib.AllocatedSize(), 1064u + 4u);
    EXPECT_EQ(Entry(dib, 255), (Rgb{0, 255, 0}));
    EXPECT_EQ(Row(dib, 0), (Bytes{9, 8, 7, 6}));

    // 24 bits: a table announced by biClrUsed is stepped over, never copied.
    Bytes c = BitmapHeader(1, 1, 24, 2);
    c.insert(c.end(), {1, 1, 1, 0, 2, 2, 2, 0, 10, 20, 30, 0});
    const Dib direct = ConvertHitToDib(BitmapHit(c));
    ASSERT_FALSE(direct.IsNull());
    EXPECT_EQ(direct.AllocatedSize(), 44u);
    EXPECT_EQ(Row(direct, 0), (Bytes{10, 20, 30, 0}));
}

TEST(ConvertBitmapTest, BitmapsThatDoNotFitTheirHitGiveNoDib) {
    const auto bitmap = [](int width, int height, int bits, std::uint32_t clrUsed, std::size_t extra) {
        Bytes b = BitmapHeader(width, height, bits, clrUsed);
        b.resize(b.size() + extra, 0x5A);
        return b;
    };
    // 8 x 2 at 4 bits: 64-byte table, two rows of 4 bytes.
    ASSERT_FALSE(ConvertHitToDib(BitmapHit(bitmap(8, 2, 4, 0, 72))).IsNull());
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"pixels one byte short", bitmap(8, 2, 4, 0, 71)},
        {"table one byte short", bitmap(8, 2, 4, 0, 63)},
        {"header only", bitmap(8, 2, 4, 0, 0)},
        {"half a header", Bytes(20, 0)},
        {"biClrUsed 0xFFFFFFFF", bitmap(8, 2, 4, 0xFFFFFFFF, 72)},
        {"biClrUsed 0x40000000", bitmap(8, 2, 4, 0x40000000, 72)},
        {"24-bit table past the hit", bitmap(2, 1, 24, 3, 8)},
        {"huge height", bitmap(8, 0x7FFFFFFF, 4, 0, 72)},
        {"huge width", bitmap(0x7FFFFFFF, 2, 24, 0, 72)},
        {"width 0", bitmap(0, 2, 4, 0, 72)},
        {"negative width", bitmap(-8, 2, 4, 0, 72)},
        {"height 0", bitmap(8, 0, 4, 0, 72)},
        {"height -2^31", bitmap(8, std::numeric_limits<std::int32_t>::min(), 4, 0, 72)},
        {"16 bits", bitmap(8, 2, 16, 0, 72)},
        {"32 bits", bitmap(8, 2, 32, 0, 72)},
    };
    for (const auto& c : cases) EXPECT_TRUE(ConvertHitToDib(BitmapHit(c.bytes)).IsNull()) << c.what;

    Bytes compressed = bitmap(8, 2, 4, 0, 72);
    compressed[16] = 1;
    EXPECT_TRUE(ConvertHitToDib(BitmapHit(compressed)).IsNull());
    Bytes planes = bitmap(8, 2, 4, 0, 72);
    planes[12] = 2;
    EXPECT_TRUE(ConvertHitToDib(BitmapHit(planes)).IsNull());
}

}  // namespace
}  // namespace vorel
