// Hit conversion checked against pictures decoded by another program:
// the corpus TIMs' .expected.png (ImageMagick) and ImageMagick's own reading of
// TIMs and BMP files made by the sample builders.
#include <gtest/gtest.h>

#include <string>

#include "docview/hit_test_support.h"
#include "docview/hit_to_dib.h"
#include "image/bytes.h"
#include "sample_builders/encode.h"
#include "sample_builders/sample_builders.h"

namespace vorel {
namespace {

using namespace vorel::hit_support;
namespace samples = vorel::samples;

bool HaveImageMagick() {
    static const bool have = std::system("convert -version >/dev/null 2>&1") == 0;
    return have;
}

#define REQUIRE_IMAGEMAGICK() \
    if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick's convert is not installed"

TEST(CorpusDecodeTest, RealTimsDecodeToTheirExpectedPictures) {
    REQUIRE_IMAGEMAGICK();
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"}) {
        const std::string base = std::string(VOREL_TEST_DATA_DIR) + "/corpus/" + name;
        const auto expected = DecodeFileWithImageMagick(base + ".expected.png");
        ASSERT_TRUE(expected) << name;
        const auto bytes = ReadFileBytes(base + ".tim");
        ASSERT_FALSE(bytes.empty()) << name;
        const Dib dib = ConvertHitToDib(TimHit(bytes));
        ASSERT_FALSE(dib.IsNull()) << name;
        const RgbImage actual = PixelsOf(dib);
        EXPECT_TRUE(actual == *expected) << name << ": " << FirstDifference(actual, *expected);
    }
}

TEST(CorpusDecodeTest, TwentyFourBitCorpusUsesThePixelWidth) {
    const auto bytes = ReadFileBytes(std::string(VOREL_TEST_DATA_DIR) + "/corpus/bunpattern.tim");
    ASSERT_GE(bytes.size(), 20u);
    EXPECT_EQ(LoadLe16(bytes.data() + 16), 960);  // the field counts 16-bit units
    const SearchState state = TimHit(bytes);
    EXPECT_EQ(state.m_nWidth, 640);
    const Dib dib = ConvertHitToDib(state);
    EXPECT_EQ(dib.Width(), 640);
    EXPECT_EQ(dib.Height(), 480);
}

TEST(BuilderDecodeTest, BuiltTimsMatchImageMagick) {
    REQUIRE_IMAGEMAGICK();
    struct Case {
        std::uint32_t flag;
        int width, height, palettes;
        std::uint32_t seed;
    };
    const Case cases[] = {
        {2, 17, 5, 1, 1},  {2, 64, 48, 1, 9}, {3, 2, 1, 1, 3},   {3, 66, 30, 1, 2}, {8, 4, 1, 1, 1},
        {8, 36, 20, 3, 5}, {9, 2, 2, 1, 4},   {9, 34, 17, 2, 7}, {8, 640, 2, 1, 1}, {9, 320, 3, 1, 8},
    };
    for (const auto& c : cases) {
        const auto tim = samples::MakeTim(c.flag, c.width, c.height, c.palettes, c.seed);
        ASSERT_FALSE(tim.empty()) << c.flag;
        for (int p = 0; p < c.palettes; ++p) {
            const Dib dib = ConvertHitToDib(TimHit(tim, p));
            ASSERT_FALSE(dib.IsNull()) << c.flag;
            // ImageMagick reads only the first CLUT row, so each palette is shown to it alone.
            const auto expected =
                DecodeWithImageMagick(c.palettes > 1 ? TimWithOnlyPalette(tim, p) : tim, "tim");
            ASSERT_TRUE(expected) << "flag " << c.flag;
            const RgbImage actual = PixelsOf(dib);
            EXPECT_TRUE(actual == *expected)
                << "flag " << c.flag << " " << c.width << "x" << c.height << " palette " << p << ": "
                << FirstDifference(actual, *expected);
        }
    }
}

TEST(BuilderDecodeTest, BothTwentyFourBitFormsHoldTheSamePixels) {
    const auto units = samples::MakeTim(3, 10, 4, 1, 6, true);
    const auto pixels = samples::MakeTim(3, 10, 4, 1, 6, false);
    ASSERT_EQ(units.size(), 20u + 3 * 10 * 4);
    ASSERT_EQ(pixels.size(), units.size());
    EXPECT_EQ(LoadLe32(units.data() + 8), 12u + 3 * 10 * 4);
    EXPECT_EQ(LoadLe32(pixels.data() + 8), 12u + 3 * 10 * 4);
    EXPECT_EQ(LoadLe16(units.data() + 16), 15);   // 16-bit units
    EXPECT_EQ(LoadLe16(pixels.data() + 16), 10);  // pixels
    SearchState state = TimHit(pixels);
    state.m_nWidth = 10;
    EXPECT_EQ(PixelsOf(ConvertHitToDib(state)), PixelsOf(ConvertHitToDib(TimHit(units))));
}

TEST(BuilderDecodeTest, PalettesOfOneTimShowDifferentColours) {
    const auto tim = samples::MakeTim(8, 16, 4, 2, 1);
    EXPECT_FALSE(PixelsOf(ConvertHitToDib(TimHit(tim, 0))) == PixelsOf(ConvertHitToDib(TimHit(tim, 1))));
}

TEST(BuilderDecodeTest, BuiltBitmapsMatchImageMagick) {
    REQUIRE_IMAGEMAGICK();
    struct Case {
        int bits, width, height;
        std::uint32_t clrUsed;
        bool topDown;
    };
    const Case cases[] = {
        {1, 33, 7, 0, false}, {1, 8, 3, 0, true},    {4, 9, 5, 0, false},   {4, 30, 4, 5, true},
        {8, 7, 3, 0, false},  {8, 13, 6, 20, false}, {8, 40, 9, 200, true}, {24, 10, 10, 0, false},
        {24, 5, 3, 0, true},  {24, 1, 4, 0, false},
    };
    for (const auto& c : cases) {
        const auto dib = samples::MakeDib(c.bits, c.width, c.height, c.clrUsed, c.topDown, 3);
        ASSERT_FALSE(dib.empty());
        const Dib converted = ConvertHitToDib(BitmapHit(dib));
        ASSERT_FALSE(converted.IsNull()) << c.bits << " bits";
        EXPECT_EQ(converted.Height(), c.height);
        const auto expected = DecodeWithImageMagick(samples::WrapBmpFile(dib), "bmp");
        ASSERT_TRUE(expected) << c.bits << " bits";
        const RgbImage actual = PixelsOf(converted);
        EXPECT_TRUE(actual == *expected)
            << c.bits << " bits " << c.width << "x" << c.height << " clrUsed " << c.clrUsed
            << (c.topDown ? " top-down" : "") << ": " << FirstDifference(actual, *expected);
    }
}

TEST(BuilderDecodeTest, BmpFileHoldsTheDibBehindItsFileHeader) {
    const auto file = samples::MakeBmpFile(8, 5, 4, 2);
    const auto dib = samples::MakeDib(8, 5, 4, 0, false, 2);
    ASSERT_EQ(file.size(), 14 + dib.size());
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(LoadLe32(file.data() + 2), file.size());
    EXPECT_EQ(LoadLe32(file.data() + 10), 14u + 40u + 1024u);
    EXPECT_TRUE(std::equal(dib.begin(), dib.end(), file.begin() + 14));
}

}  // namespace
}  // namespace vorel
