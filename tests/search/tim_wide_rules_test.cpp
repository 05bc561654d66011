// The real-game TIM rules: TIMs of every kind the strict rules pass over, built
// here field by field, are found, described, decoded as ImageMagick decodes them
// and read again from their records; the strict setting passes them over; and
// everything the strict rules find in the sample and the corpus is found exactly
// as before. (Near misses are among the hostile inputs in tests/regressions.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "docview/hit_test_support.h"
#include "docview/hit_to_dib.h"
#include "image/bytes.h"
#include "search/chunk_scan.h"
#include "search/image_record.h"
#include "search/scan_support.h"
#include "search/scanners.h"
#include "search/tim_candidate.h"

namespace vorel {
namespace {

using hit_support::DecodeWithImageMagick;
using hit_support::FirstDifference;
using hit_support::PixelsOf;
using test::Filler;
using test::Place;
using test::RecordingHost;
using test::TempFile;

struct Shape {
    std::uint32_t flagWord;
    int clutWidth, clutHeight;  // 0 x 0: no CLUT block
    int words, height;          // image block width in 16-bit words, and lines
    int extra = 0;              // image block bytes beyond its pixels
};

void PutBlockHeader(std::vector<std::uint8_t>& out, std::int64_t length, int w, int h) {
    const std::size_t at = out.size();
    out.resize(at + 12, 0);
    StoreLe32(out.data() + at, static_cast<std::uint32_t>(length));
    StoreLe16(out.data() + at + 8, static_cast<std::uint16_t>(w));
    StoreLe16(out.data() + at + 10, static_cast<std::uint16_t>(h));
}

// A TIM laid out by hand: id, flag word, CLUT block (colours of a varied
// pattern, bit 15 set so no word reads as transparent), image block.
std::vector<std::uint8_t> Build(const Shape& s) {
    std::vector<std::uint8_t> out(8, 0);
    StoreLe32(out.data(), 0x10);
    StoreLe32(out.data() + 4, s.flagWord);
    if (s.clutWidth > 0) {
        const std::int64_t words = std::int64_t{s.clutWidth} * s.clutHeight;
        PutBlockHeader(out, 12 + 2 * words, s.clutWidth, s.clutHeight);
        for (std::int64_t i = 0; i < words; ++i) {
            const auto word = static_cast<std::uint16_t>(0x8000 | ((i * 2663 + 5) & 0x7FFF));
            out.push_back(static_cast<std::uint8_t>(word));
            out.push_back(static_cast<std::uint8_t>(word >> 8));
        }
    }
    const std::int64_t pixelBytes = 2 * std::int64_t{s.words} * s.height;
    PutBlockHeader(out, 12 + pixelBytes + s.extra, s.words, s.height);
    for (std::int64_t i = 0; i < pixelBytes; ++i) out.push_back(static_cast<std::uint8_t>((i * 7 + i / 97) & 0xFF));
    if (s.extra > 0) out.resize(out.size() + static_cast<std::size_t>(s.extra), 0);
    return out;
}

// The hit a document of `tim` is opened with, as the scanner describes it.
SearchState HitOf(const std::vector<std::uint8_t>& tim, const TimHeader& h) {
    SearchState s;
    s.m_nSourceType = kSourceTim;
    DescribeTimHit(h, s);
    s.m_pHitData = tim;
    s.m_nHitSize = tim.size();
    s.m_nHitBytesFound = tim.size();
    return s;
}

struct FoundWithRecords : RecordingHost {
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        records.push_back(RecordOfHit(state, path));
        return RecordingHost::OpenDocument(state, path);
    }
    std::vector<ImageRecord> records;
};

struct ScanResult {
    FoundWithRecords host;
    SearchState state;
};

void ScanTims(const std::string& path, bool strict, ScanResult& out) {
    MemorySettingsStore store;
    Write(store, settings::kStrictTim, strict ? 1 : 0);
    SearchTim(out.state, out.host, store, path);
}

struct WideCase {
    const char* name;
    Shape shape;
    std::uint32_t kind;  // the kind the pixels are read as
    int pixelWidth;
    // The flag word of the same TIM as ImageMagick is shown it (0: as it is);
    // ImageMagick reads a 16- or 24-bit mode with a CLUT as direct colour.
    std::uint32_t magickFlag = 0;
};

const WideCase kWideCases[] = {
    {"16-bit, block 2 bytes long", {2, 0, 0, 320, 240, 2}, kTim16, 320},
    {"16-bit, the whole video memory", {2, 0, 0, 1024, 512}, kTim16, 1024},
    {"16-bit, flag bits above the mode", {0x12, 0, 0, 9, 5}, kTim16, 9},
    {"24-bit, block 2 bytes long", {3, 0, 0, 30, 4, 2}, kTim24, 20},
    {"8-bit texture page 256 x 512", {9, 256, 1, 128, 512}, kTim8, 256},
    {"4-bit 1,024 pixels wide", {8, 16, 1, 256, 6}, kTim4, 1024},
    {"flag 0x28F609", {0x28F609, 256, 1, 16, 8}, kTim8, 32},
    {"flag 0x5B29", {0x5B29, 256, 1, 10, 3}, kTim8, 20},
    {"flag 0x7C48", {0x7C48, 16, 1, 8, 8}, kTim4, 32},
    {"flag 0x6188", {0x6188, 16, 1, 3, 7}, kTim4, 12},
    {"flag 0x5758, block 2 bytes long", {0x5758, 16, 1, 4, 4, 2}, kTim4, 16},
    {"flag 0x55D8", {0x55D8, 16, 1, 5, 2}, kTim4, 20},
    {"16-bit mode, CLUT 256 wide", {0xA, 256, 1, 16, 8}, kTim8, 32, 9},
    {"16-bit mode, CLUT 16 wide", {0xA, 16, 1, 8, 8}, kTim4, 32, 8},
    {"24-bit mode, CLUT 256 wide", {0xB, 256, 1, 12, 5}, kTim8, 24, 9},
    {"24-bit mode, 2 CLUTs 16 wide, block 2 bytes long", {0xB, 16, 2, 7, 3, 2}, kTim4, 28, 8},
};

TEST(TimWideRulesTest, EveryRealGameKindIsFoundDecodedAndPassedOverWhenStrict) {
    for (const WideCase& c : kWideCases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> tim = Build(c.shape);
        TimHeader h;
        EXPECT_EQ(TestTimCandidate(tim, 0, h, TimRules::kStrict), TimTest::kReject);
        ASSERT_EQ(TestTimCandidate(tim, 0, h, TimRules::kWide), TimTest::kAccept);
        EXPECT_EQ(h.flag, c.kind);
        EXPECT_EQ(h.flagWord, c.shape.flagWord);
        EXPECT_EQ(h.width, c.pixelWidth);
        EXPECT_EQ(h.height, c.shape.height);
        EXPECT_EQ(h.paletteCount, c.shape.clutWidth > 0 ? c.shape.clutHeight : 1);
        EXPECT_EQ(h.size, static_cast<std::int64_t>(tim.size()));  // the two extra bytes belong to it

        // Decoded as ImageMagick decodes it.
        const Dib dib = ConvertHitToDib(HitOf(tim, h));
        ASSERT_FALSE(dib.IsNull());
        std::vector<std::uint8_t> shown = tim;
        if (c.magickFlag != 0) StoreLe32(shown.data() + 4, c.magickFlag);
        // ImageMagick reads a CLUT of one row only: palette 0 is shown to it alone.
        if (c.shape.clutHeight > 1) shown = hit_support::TimWithOnlyPalette(shown, 0);
        const auto expected = DecodeWithImageMagick(shown, "tim");
        if (expected) {
            EXPECT_TRUE(PixelsOf(dib) == *expected) << FirstDifference(PixelsOf(dib), *expected);
        } else {
            ADD_FAILURE() << "ImageMagick did not decode the TIM (is it installed?)";
        }

        // Found in a file at an odd offset, described as the document sees it and
        // read again from its record; the strict setting passes it over.
        auto bytes = Filler(3001);
        Place(bytes, 3001, tim);
        Place(bytes, bytes.size(), Filler(777, 3));
        const TempFile file(bytes);
        ScanResult wide;
        ScanTims(file.Path(), false, wide);
        ASSERT_EQ(wide.host.docs.size(), 1u);
        EXPECT_EQ(wide.host.docs[0].fileOffset, 3001);
        EXPECT_EQ(wide.host.docs[0].timFlag, c.kind);
        EXPECT_EQ(wide.host.docs[0].hit, tim);
        SearchState again;
        ASSERT_EQ(ReadImageAgain(wide.host.records[0], again), RereadOutcome::kOk);
        EXPECT_TRUE(std::equal(again.Hit().begin(), again.Hit().end(), tim.begin(), tim.end()));
        ScanResult strict;
        ScanTims(file.Path(), true, strict);
        EXPECT_TRUE(strict.host.docs.empty());
        // A record made under the strict rules is read again by them.
        ImageRecord strictRecord = wide.host.records[0];
        strictRecord.strictTim = true;
        EXPECT_EQ(ReadImageAgain(strictRecord, again), RereadOutcome::kImageGone);
    }
}

// Every file the strict rules read: the bundled sample, the real TIMs of the
// corpus, and all of them in one file at chunk ends. The real-game rules find
// the same images at the same offsets with the same bytes, and nothing more.
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
    const TempFile joinedFile(joined);
    paths.push_back(joinedFile.Path());
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        ScanResult strict;
        ScanResult wide;
        ScanTims(path, true, strict);
        ScanTims(path, false, wide);
        ASSERT_FALSE(strict.host.docs.empty());
        ASSERT_EQ(wide.host.docs.size(), strict.host.docs.size());
        for (std::size_t i = 0; i < strict.host.docs.size(); ++i) {
            const auto& s = strict.host.docs[i];
            const auto& w = wide.host.docs[i];
            EXPECT_EQ(w.number, s.number);
            EXPECT_EQ(w.fileOffset, s.fileOffset);
            EXPECT_EQ(w.timFlag, s.timFlag);
            EXPECT_EQ(w.width, s.width);
            EXPECT_EQ(w.height, s.height);
            EXPECT_EQ(w.paletteCount, s.paletteCount);
            EXPECT_EQ(w.hit, s.hit);
        }
    }
}

}  // namespace
}  // namespace vorel
