// Putting pictures back: the conversion rules on hand-made images, every image
// of the sample and the real TIMs coming back to their very bytes, and sector
// sealing against the test builder's sectors.
#include "export/put_back.h"

#include <gtest/gtest.h>

#include <random>

#include "disc/cd_seal.h"
#include "docview/hit_test_support.h"
#include "docview/hit_to_dib.h"
#include "image/bytes.h"
#include "put_back_support.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"

namespace vorel {
namespace {

using hit_support::TimHit;
using put_back_test::FoundImage;
using put_back_test::PictureOfHit;

PictureRgba Picture(int w, int h, std::vector<std::array<std::uint8_t, 4>> pixels) {
    PictureRgba p;
    p.width = w;
    p.height = h;
    for (const auto& px : pixels) p.pixels.insert(p.pixels.end(), px.begin(), px.end());
    return p;
}

std::vector<std::uint16_t> Words(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t count) {
    std::vector<std::uint16_t> out;
    for (std::size_t i = 0; i < count; ++i) out.push_back(LoadLe16(bytes.data() + at + 2 * i));
    return out;
}

TEST(PutBackTest, SixteenBitWordsFollowTheRules) {
    auto tim = samples::MakeTim(2, 4, 1);
    const std::uint16_t old[4] = {0x8000 | (3 << 5) | 9, 0x7FFF, 0x1234, 0x0421};
    for (int i = 0; i < 4; ++i) StoreLe16(tim.data() + 20 + 2 * i, old[i]);
    const SearchState found = TimHit(tim);
    const Rgb kept = TimColor(old[0]);
    const auto c = ConvertPicture(found, Picture(4, 1, {{kept.red, kept.green, kept.blue, 255},
                                                        {255, 0, 8, 255},
                                                        {0, 0, 0, 255},
                                                        {90, 90, 90, 10}}),
                                  false);
    ASSERT_EQ(c.outcome, ConvertOutcome::kConverted);
    // The same colour keeps its word (semi-transparency bit too); others are c >> 3 with the bit clear;
    // opaque black is 0x8000; a transparent pixel is 0x0000.
    EXPECT_EQ(Words(c.bytes, 20, 4), (std::vector<std::uint16_t>{old[0], 0x041F, 0x8000, 0x0000}));
    EXPECT_EQ(c.colours, 4);
}

TEST(PutBackTest, IndexesKeepTheOldOneThenTheLowestExactThenTheNearest) {
    auto tim = samples::MakeTim(8, 8, 1);
    const std::uint16_t clut[16] = {0x001F, 0x0000, 0x001F, 0x03E0, 0x7C00, 0x7C1F, 0x7FFF, 0x4210,
                                    0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F, 0x001F};
    for (int i = 0; i < 16; ++i) StoreLe16(tim.data() + 20 + 2 * i, clut[i]);
    const std::size_t pixels = 20 + 32 + 12;
    // Old indexes, left pixel in the low nibble: 2 3 | 4 5 | 6 7 | 0 1.
    const std::uint8_t row[4] = {0x32, 0x54, 0x76, 0x10};
    std::copy(row, row + 4, tim.begin() + pixels);
    const SearchState found = TimHit(tim);
    const auto c = ConvertPicture(found, Picture(8, 1, {{255, 0, 0, 255},     // red on old red 2: stays 2
                                                        {255, 0, 0, 255},     // red on green: lowest red, 0
                                                        {250, 8, 0, 255},     // nearly red: nearest, 0
                                                        {0, 0, 255, 255},     // blue on magenta: blue 4
                                                        {12, 12, 12, 0},      // transparent: word 0x0000 is 1
                                                        {130, 130, 130, 255}, // grey 7 (0x4210) is nearest
                                                        {0, 0, 255, 255},     // blue on red 0: 4
                                                        {0, 0, 0, 255}}),     // opaque black never takes 0x0000 here: grey 7
                                  false);
    ASSERT_EQ(c.outcome, ConvertOutcome::kConverted);
    EXPECT_EQ(std::vector<std::uint8_t>(c.bytes.begin() + pixels, c.bytes.begin() + pixels + 4),
              (std::vector<std::uint8_t>{0x02, 0x40, 0x71, 0x74}));
    EXPECT_EQ(c.nearest, 3);
    EXPECT_EQ(c.paletteSize, 16);
}

TEST(PutBackTest, PaletteTooTakesThePicturesColoursInOrder) {
    const auto tim = samples::MakeTim(8, 4, 2, 2);  // two CLUT rows: the second one is rewritten
    SearchState found = TimHit(tim, 1);
    PictureRgba p = Picture(4, 2, {{8, 16, 24, 255}, {0, 0, 0, 255}, {8, 16, 24, 255}, {1, 2, 3, 0},
                                   {255, 255, 255, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {8, 16, 24, 255}});
    auto c = ConvertPicture(found, p, true);
    ASSERT_EQ(c.outcome, ConvertOutcome::kConverted);
    ASSERT_TRUE(c.paletteRewritten);
    const std::uint16_t colour = 1 | (2 << 5) | (3 << 10);
    EXPECT_EQ(Words(c.bytes, 20 + 32, 4), (std::vector<std::uint16_t>{colour, 0x8000, 0x0000, 0x7FFF}));
    EXPECT_EQ(Words(c.bytes, 20, 16), Words(tim, 20, 16)) << "the other palette stays";
    EXPECT_EQ(c.nearest, 0);
    const std::size_t pixels = 20 + 64 + 12;
    EXPECT_EQ(std::vector<std::uint8_t>(c.bytes.begin() + pixels, c.bytes.begin() + pixels + 4),
              (std::vector<std::uint8_t>{0x10, 0x20, 0x13, 0x01}));

    // An indexed picture file gives its own order.
    p.palette = {{255, 255, 255, 255}, {0, 0, 0, 255}, {8, 16, 24, 255}, {1, 2, 3, 0}};
    c = ConvertPicture(found, p, true);
    EXPECT_EQ(Words(c.bytes, 20 + 32, 4), (std::vector<std::uint16_t>{0x7FFF, 0x8000, colour, 0x0000}));

    // More colours than the palette holds: the palette stays and the nearest colours are taken.
    PictureRgba many;
    many.width = 4;
    many.height = 2;
    for (int i = 0; i < 8; ++i) many.pixels.insert(many.pixels.end(), {std::uint8_t(i * 30), 0, 0, 255});
    found = TimHit(samples::MakeTim(8, 4, 2, 1));
    for (int i = 0; i < 16; ++i) StoreLe16(found.m_pHitData.data() + 20 + 2 * i, i < 6 ? 0x8000 : 0x001F);
    found.m_nClutEntries = 6;  // a short CLUT: six colours
    c = ConvertPicture(found, many, true);
    EXPECT_FALSE(c.paletteRewritten);
    EXPECT_TRUE(c.paletteTooSmall);
    EXPECT_EQ(c.paletteSize, 6);
}

// A pixel that looks as the export showed it keeps its word (or index). The export tells
// how word 0x0000 looked: opaque black without --alpha, transparent with it; a picture
// that does not say which export it came from is judged by its own transparency.
TEST(PutBackTest, UntouchedPixelsKeepTheirWordsAsTheExportShowedThem) {
    constexpr std::array<std::uint8_t, 4> kBlack{0, 0, 0, 255}, kClear{0, 0, 0, 0}, kRed{255, 0, 0, 255},
        kGrey{132, 132, 132, 255};
    const auto from = [](bool alpha) { return std::optional(PngProvenance{"t.bin", 0, "TIM16", 4, 1, 28, 0, alpha}); };
    // 16-bit words 0x0000 0x0000 0x8000 0x001F; 4-bit indexes 0 0 1 2 of the CLUT 0x0000 0x001F 0x4210.
    auto direct = samples::MakeTim(2, 4, 1), indexed = samples::MakeTim(8, 4, 1);
    for (int i = 0; i < 16; ++i) {
        if (i < 4) StoreLe16(direct.data() + 20 + 2 * i, std::array<std::uint16_t, 4>{0, 0, 0x8000, 0x001F}[i]);
        StoreLe16(indexed.data() + 20 + 2 * i, i < 3 ? std::array<std::uint16_t, 3>{0, 0x001F, 0x4210}[i] : 0x7FFF);
    }
    indexed[64] = 0x00;
    indexed[65] = 0x21;  // the left pixel in the low nibble
    const struct {
        const char* what;
        bool indexed;
        std::optional<PngProvenance> provenance;
        std::vector<std::array<std::uint8_t, 4>> pixels;
        std::vector<std::uint16_t> words;  // 16-bit words, or the four indexes
    } cases[] = {
        {"no --alpha, one pixel made transparent", false, from(false), {kBlack, kClear, kBlack, kRed}, {0x0000, 0x0000, 0x8000, 0x001F}},
        {"no --alpha, black painted on black", false, from(false), {kBlack, kBlack, kBlack, kBlack}, {0x0000, 0x0000, 0x8000, 0x8000}},
        {"--alpha, black painted where it was transparent", false, from(true), {kClear, kBlack, kBlack, kRed}, {0x0000, 0x8000, 0x8000, 0x001F}},
        {"--alpha, no pixel left transparent", false, from(true), {kBlack, kBlack, kBlack, kRed}, {0x8000, 0x8000, 0x8000, 0x001F}},
        {"no provenance, some transparency", false, std::nullopt, {kBlack, kClear, kBlack, kRed}, {0x8000, 0x0000, 0x8000, 0x001F}},
        {"no provenance, no transparency", false, std::nullopt, {kBlack, kBlack, kBlack, kRed}, {0x0000, 0x0000, 0x8000, 0x001F}},
        {"indexed, no --alpha, one pixel made transparent", true, from(false), {kBlack, kClear, kRed, kGrey}, {0, 0, 1, 2}},
        {"indexed, --alpha, black painted where it was transparent", true, from(true), {kBlack, kClear, kRed, kGrey}, {2, 0, 1, 2}},
        {"indexed, --alpha, no pixel left transparent", true, from(true), {kBlack, kBlack, kRed, kGrey}, {2, 2, 1, 2}},
        {"indexed, no provenance, some transparency", true, std::nullopt, {kBlack, kClear, kRed, kGrey}, {2, 0, 1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PictureRgba picture = Picture(4, 1, c.pixels);
        picture.provenance = c.provenance;
        const auto converted = ConvertPicture(TimHit(c.indexed ? indexed : direct), picture, false);
        ASSERT_EQ(converted.outcome, ConvertOutcome::kConverted);
        const auto& b = converted.bytes;
        if (!c.indexed) {
            EXPECT_EQ(Words(b, 20, 4), c.words);
        } else {
            EXPECT_EQ((std::vector<int>{b[64] & 15, b[64] >> 4, b[65] & 15, b[65] >> 4}),
                      std::vector<int>(c.words.begin(), c.words.end()));
        }
    }
}

TEST(PutBackTest, WrongSizeIsRefused) {
    const SearchState found = TimHit(samples::MakeTim(2, 4, 2));
    EXPECT_EQ(ConvertPicture(found, Picture(2, 4, std::vector<std::array<std::uint8_t, 4>>(8)), false).outcome,
              ConvertOutcome::kWrongSize);
    PictureRgba shortBuffer = Picture(4, 2, std::vector<std::array<std::uint8_t, 4>>(7));
    EXPECT_EQ(ConvertPicture(found, shortBuffer, false).outcome, ConvertOutcome::kBadPicture);
}

// Every image of the sample (each palette) and every real TIM: the picture as
// exported comes back as the very bytes found, with and without "palette too".
TEST(PutBackTest, UnchangedPicturesGiveTheBytesFound) {
    const auto images = put_back_test::EveryTestImage();
    ASSERT_GE(images.size(), 16u);
    for (const FoundImage& image : images) {
        SCOPED_TRACE(image.name);
        const PictureRgba picture = PictureOfHit(image.state);
        const auto c = ConvertPicture(image.state, picture, false);
        ASSERT_EQ(c.outcome, ConvertOutcome::kConverted);
        EXPECT_TRUE(std::equal(c.bytes.begin(), c.bytes.end(), image.state.Hit().begin(), image.state.Hit().end()));
        EXPECT_EQ(c.nearest, 0);
        const auto withPalette = ConvertPicture(image.state, picture, true);
        if (withPalette.paletteRewritten && static_cast<std::int64_t>(picture.palette.size()) == withPalette.paletteSize) {
            EXPECT_EQ(withPalette.bytes, c.bytes);
        }
    }
}

TEST(CdSealTest, SealedSectorsAreTheBuildersSectors) {
    std::mt19937 random(5);
    for (const auto kind : {samples::SectorKind::kMode1, samples::SectorKind::kMode2Form1}) {
        for (std::uint32_t lba : {0u, 17u, 4500u, 333000u}) {
            std::vector<std::uint8_t> data(2048);
            for (auto& b : data) b = static_cast<std::uint8_t>(random());
            const auto expected = samples::MakeSector(kind, lba, data.data(), data.size());
            auto sector = expected;
            const bool mode1 = kind == samples::SectorKind::kMode1;
            for (std::size_t i = mode1 ? 2064 : 2072; i < sector.size(); ++i)
                sector[i] ^= static_cast<std::uint8_t>(random() | 1);
            if (mode1) std::fill(sector.begin() + 2068, sector.begin() + 2076, 0);
            ASSERT_TRUE(SealDataSector(sector));
            EXPECT_EQ(sector, expected) << "lba " << lba;
        }
    }
    for (const auto kind : {samples::SectorKind::kMode2Form2, samples::SectorKind::kAudio}) {
        auto sector = samples::MakeSector(kind, 3, nullptr, 0);
        const auto before = sector;
        EXPECT_FALSE(SealDataSector(sector));
        EXPECT_EQ(sector, before);
    }
}

}  // namespace
}  // namespace vorel
