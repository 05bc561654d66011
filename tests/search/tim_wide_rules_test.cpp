// The real-game TIM rules: TIMs of every kind the strict rules pass over are
// found, read again from their records, decoded as ImageMagick decodes them and
// passed over by the strict setting; everything the strict rules find in the
// sample and the corpus is found exactly as before. (Near misses are among the
// hostile inputs in tests/regressions.)
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "docview/hit_test_support.h"
#include "docview/hit_to_dib.h"
#include "image/bytes.h"
#include "sample_builders/sample_builders.h"
#include "search/image_record.h"
#include "search/scan_support.h"
#include "search/scanners.h"
#include "search/tim_candidate.h"

namespace vorel {
namespace {

using samples::MakeTim;
using test::Filler;
using test::Place;

// A TIM of the sample builders (flag 2, 3, 8 or 9) given another flag word and
// `extra` bytes more in its image block.
std::vector<std::uint8_t> Widened(std::vector<std::uint8_t> tim, std::uint32_t flagWord, std::uint32_t extra = 0) {
    const std::size_t image = (tim[4] & 8) != 0 ? 8 + LoadLe32(tim.data() + 8) : 8;
    StoreLe32(tim.data() + image, LoadLe32(tim.data() + image) + extra);
    tim.resize(tim.size() + extra, 0);
    StoreLe32(tim.data() + 4, flagWord);
    return tim;
}

struct FoundWithRecords : test::RecordingHost {
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        records.push_back(RecordOfHit(state, path));
        return RecordingHost::OpenDocument(state, path);
    }
    std::vector<ImageRecord> records;
};

void ScanTims(const std::string& path, bool strict, FoundWithRecords& host) {
    MemorySettingsStore store;
    Write(store, settings::kStrictTim, strict ? 1 : 0);
    SearchState state;
    SearchTim(state, host, store, path);
}

TEST(TimWideRulesTest, EveryRealGameKindIsFoundDecodedAndPassedOverWhenStrict) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> tim;
        std::uint32_t kind;  // the kind the pixels are read as
    } cases[] = {
        {"16-bit, block 2 bytes long", Widened(MakeTim(2, 320, 240), 2, 2), kTim16},
        {"16-bit, the whole video memory", MakeTim(2, 1024, 512), kTim16},
        {"16-bit, flag bits above the mode", Widened(MakeTim(2, 9, 5), 0x12), kTim16},
        {"24-bit, block 2 bytes long", Widened(MakeTim(3, 20, 4), 3, 2), kTim24},
        {"8-bit texture page 256 x 512", MakeTim(9, 256, 512), kTim8},
        {"4-bit 1,024 pixels wide", MakeTim(8, 1024, 6), kTim4},
        {"flag 0x28F609", Widened(MakeTim(9, 32, 8), 0x28F609), kTim8},
        {"flag 0x5B29", Widened(MakeTim(9, 20, 3), 0x5B29), kTim8},
        {"flag 0x7C48", Widened(MakeTim(8, 32, 8), 0x7C48), kTim4},
        {"flag 0x5758, block 2 bytes long", Widened(MakeTim(8, 16, 4), 0x5758, 2), kTim4},
        {"16-bit mode, CLUT 256 wide", Widened(MakeTim(9, 32, 8), 0xA), kTim8},
        {"16-bit mode, CLUT 16 wide", Widened(MakeTim(8, 32, 8), 0xA), kTim4},
        {"24-bit mode, CLUT 256 wide", Widened(MakeTim(9, 24, 5), 0xB), kTim8},
        {"24-bit mode, 2 CLUTs 16 wide, block 2 bytes long", Widened(MakeTim(8, 28, 3, 2), 0xB, 2), kTim4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t flagWord = LoadLe32(c.tim.data() + 4);
        // Found at an odd offset of a file, whole (the two extra bytes belong to it), and read
        // again from its record; the strict setting passes it over, and so does a record made by it.
        auto bytes = Filler(3001);
        Place(bytes, 3001, c.tim);
        Place(bytes, bytes.size(), Filler(777, 3));
        const test::TempFile file(bytes);
        FoundWithRecords wide, strict;
        ScanTims(file.Path(), false, wide);
        ScanTims(file.Path(), true, strict);
        EXPECT_TRUE(strict.docs.empty());
        ASSERT_EQ(wide.docs.size(), 1u);
        EXPECT_EQ(wide.docs[0].fileOffset, 3001);
        EXPECT_EQ(wide.docs[0].timFlag, c.kind);
        EXPECT_EQ(wide.docs[0].paletteCount, (flagWord & 8) != 0 ? LoadLe16(c.tim.data() + 18) : 1);
        EXPECT_EQ(wide.docs[0].hit, c.tim);
        SearchState again;
        ASSERT_EQ(ReadImageAgain(wide.records[0], again), RereadOutcome::kOk);
        ImageRecord strictRecord = wide.records[0];
        strictRecord.strictTim = true;
        SearchState gone;
        EXPECT_EQ(ReadImageAgain(strictRecord, gone), RereadOutcome::kImageGone);

        // Decoded as ImageMagick decodes it. ImageMagick reads a 16- or 24-bit mode with a
        // CLUT as direct colour, and a CLUT of one row only: it is shown the indexed flag and palette 0.
        const Dib dib = ConvertHitToDib(again);
        ASSERT_FALSE(dib.IsNull());
        std::vector<std::uint8_t> shown = c.tim;
        if ((flagWord & 8) != 0 && (flagWord & 7) >= 2) StoreLe32(shown.data() + 4, c.kind == kTim8 ? 9 : 8);
        if ((flagWord & 8) != 0 && LoadLe16(c.tim.data() + 18) > 1) shown = hit_support::TimWithOnlyPalette(shown, 0);
        const auto expected = hit_support::DecodeWithImageMagick(shown, "tim");
        ASSERT_TRUE(expected) << "ImageMagick did not decode the TIM (is it installed?)";
        const auto actual = hit_support::PixelsOf(dib);
        EXPECT_TRUE(actual == *expected) << hit_support::FirstDifference(actual, *expected);
    }
}

// The bundled sample, the real TIMs of the corpus, and all of them in one file at
// chunk ends: the real-game rules find what the strict rules find, at the same
// offsets with the same bytes, and nothing more.
TEST(TimWideRulesTest, WhatTheStrictRulesFindIsFoundExactlyAsBefore) {
    const std::string corpus = std::string(VOREL_TEST_DATA_DIR) + "/corpus/";
    std::vector<std::string> paths = {std::string(VOREL_TEST_DATA_DIR) + "/../../samples/sample.bin"};
    std::vector<std::uint8_t> joined = Filler(10);
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"}) {
        paths.push_back(corpus + name + ".tim");
        const auto bytes = test::ReadFileBytes(paths.back());
        ASSERT_FALSE(bytes.empty()) << name;
        // Each TIM starts a few bytes before the next 1,000,000-byte chunk ends.
        Place(joined, (joined.size() / 1000000 + 1) * 1000000 - 3, bytes);
    }
    const test::TempFile joinedFile(joined);
    paths.push_back(joinedFile.Path());
    const auto found = [](const std::string& path, bool strict) {
        FoundWithRecords host;
        ScanTims(path, strict, host);
        std::vector<std::tuple<int, std::int64_t, std::uint32_t, int, int, int, std::vector<std::uint8_t>>> docs;
        for (const auto& d : host.docs)
            docs.emplace_back(d.number, d.fileOffset, d.timFlag, d.width, d.height, d.paletteCount, d.hit);
        return docs;
    };
    for (const std::string& path : paths) {
        const auto strict = found(path, true);
        EXPECT_FALSE(strict.empty()) << path;
        EXPECT_TRUE(found(path, false) == strict) << path;
    }
}

}  // namespace
}  // namespace vorel
