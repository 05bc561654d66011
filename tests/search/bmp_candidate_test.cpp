#include "search/bmp_candidate.h"

#include <gtest/gtest.h>

#include "image/bytes.h"

namespace vorel {
namespace {

std::vector<std::uint8_t> Info(std::int32_t w, std::int32_t h, int bits, std::uint32_t clrUsed = 0,
                               std::uint32_t size = 40, int planes = 1, std::uint32_t compression = 0) {
    std::vector<std::uint8_t> b(40, 0);
    StoreLe32(b.data(), size);
    StoreLe32(b.data() + 4, static_cast<std::uint32_t>(w));
    StoreLe32(b.data() + 8, static_cast<std::uint32_t>(h));
    StoreLe16(b.data() + 12, static_cast<std::uint16_t>(planes));
    StoreLe16(b.data() + 14, static_cast<std::uint16_t>(bits));
    StoreLe32(b.data() + 16, compression);
    StoreLe32(b.data() + 32, clrUsed);
    return b;
}

std::int64_t SizeOf(const std::vector<std::uint8_t>& bytes) {
    BmpHeader h;
    EXPECT_EQ(TestBmpHeader(bytes, 0, h), BmpTest::kAccept);
    return h.size;
}

TEST(BmpCandidateTest, RowLengthsRoundUpToWords) {
    struct Case {
        int w, bits;
        std::int64_t row;
    };
    const Case cases[] = {{10, 24, 32}, {33, 1, 8}, {32, 1, 4}, {1, 1, 4}, {9, 4, 8}, {8, 4, 4},
                          {5, 8, 8},    {4, 8, 4},  {1, 24, 4}, {0, 8, 0}, {0, 24, 0}};
    for (const auto& c : cases) EXPECT_EQ(BmpRowLength(c.w, c.bits), c.row) << c.w << "x" << c.bits;
}

TEST(BmpCandidateTest, SizeCountsHeaderTableAndRows) {
    EXPECT_EQ(SizeOf(Info(10, 10, 24)), 40 + 320);         // no table at 24 bits
    EXPECT_EQ(SizeOf(Info(10, 10, 24, 16)), 40 + 64 + 320);  // a 24-bit bitmap's optional table
    EXPECT_EQ(SizeOf(Info(4, 1, 8)), 40 + 1024 + 4);       // full 8-bit table
    EXPECT_EQ(SizeOf(Info(4, 1, 8, 16)), 40 + 64 + 4);     // 16 entries
    EXPECT_EQ(SizeOf(Info(33, 2, 1)), 40 + 8 + 16);        // 1-bit rows of 8 bytes
    EXPECT_EQ(SizeOf(Info(3, 3, 4)), 40 + 64 + 12);
    EXPECT_EQ(SizeOf(Info(0, 5, 8)), 40 + 1024);           // found, but no image in it
    EXPECT_EQ(SizeOf(Info(5, 0, 24)), 40);
}

TEST(BmpCandidateTest, TopDownBitmapsCountAllTheirRows) {
    EXPECT_EQ(SizeOf(Info(10, -10, 24)), 40 + 320);
    EXPECT_EQ(SizeOf(Info(4, -2, 8)), 40 + 1024 + 8);
}

TEST(BmpCandidateTest, HostileSizesNeverWrapToSmallOnes) {
    // Rows whose length overflows 32 bits, and counts that overflow 64.
    EXPECT_GT(SizeOf(Info(0x7FFFFFFF, 0x7FFFFFFF, 24)), std::int64_t{1} << 40);
    EXPECT_GT(SizeOf(Info(0x60000000, 3, 24)), std::int64_t{0xFFFFFFFF});
    EXPECT_GT(SizeOf(Info(100, 100, 8, 0xFFFFFFFF)), std::int64_t{0xFFFFFFFF});
    EXPECT_LT(SizeOf(Info(-8, 2, 8)), 0);                      // negative rows: no size
    EXPECT_EQ(SizeOf(Info(-1, 2, 1)), 40 + 8 + 8);              // -1 rounds up to a 4-byte row
    EXPECT_GT(SizeOf(Info(-100, 2, 1)), std::int64_t{1} << 28);  // 1-bit: huge, shifted as unsigned
}

TEST(BmpCandidateTest, OnlyPlainUncompressedHeaders) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* why;
    };
    const Case cases[] = {
        {Info(4, 4, 8, 0, 12), "core header"},
        {Info(4, 4, 8, 0, 108), "V4 header"},
        {Info(4, 4, 8, 0, 124), "V5 header"},
        {Info(4, 4, 16), "16 bits"},
        {Info(4, 4, 32), "32 bits"},
        {Info(4, 4, 2), "2 bits"},
        {Info(4, 4, 8, 0, 40, 2), "two planes"},
        {Info(4, 4, 8, 0, 40, 1, 1), "RLE8"},
        {Info(4, 4, 4, 0, 40, 1, 2), "RLE4"},
        {Info(4, 4, 24, 0, 40, 1, 3), "bit fields"},
    };
    for (const auto& c : cases) {
        BmpHeader h;
        EXPECT_EQ(TestBmpHeader(c.bytes, 0, h), BmpTest::kReject) << c.why;
    }
}

TEST(BmpCandidateTest, ShortBufferAsksForMore) {
    auto bytes = Info(4, 4, 8);
    bytes.resize(39);
    BmpHeader h;
    EXPECT_EQ(TestBmpHeader(bytes, 0, h), BmpTest::kNeedMore);
    EXPECT_EQ(TestBmpHeader(bytes, 37, h), BmpTest::kNeedMore);
}

}  // namespace
}  // namespace vorel
