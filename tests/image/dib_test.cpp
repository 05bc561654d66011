#include "image/dib.h"

#include <gtest/gtest.h>

#include "image/bytes.h"

namespace vorel {
namespace {

struct StrideCase {
    int width;
    int bits;
    std::uint64_t stride;
};

TEST(DibStrideTest, RoundsRowsUpToWholeWords) {
    const StrideCase cases[] = {
        {1, 24, 4}, {33, 1, 8}, {9, 4, 8}, {10, 24, 32}, {32, 1, 4}, {4, 8, 4}, {5, 8, 8}, {0, 8, 0}, {-3, 8, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DibStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

TEST(DibColorCountTest, FindsThePixelsAfterTheTable) {
    struct Case {
        int bits;
        std::uint32_t clrUsed;
        std::size_t pixelOffset;
    };
    const Case cases[] = {{8, 0, 1064}, {4, 0, 104}, {1, 0, 48}, {24, 0, 40}, {8, 20, 120}};
    for (const auto& c : cases) {
        Dib dib = Dib::Create(4, 4, c.bits);
        ASSERT_FALSE(dib.IsNull());
        StoreLe32(dib.Data() + dibfield::kClrUsed, c.clrUsed);
        EXPECT_EQ(dib.PixelOffset(), c.pixelOffset) << c.bits << " bits, biClrUsed " << c.clrUsed;
    }
}

TEST(DibColorCountTest, CoreHeaderTakesBitCountFromByteTen) {
    std::uint8_t core[12] = {12, 0, 0, 0, 4, 0, 4, 0, 1, 0, 4, 0};
    EXPECT_EQ(DibColorCount(core), 16);
    EXPECT_EQ(DibColorCount(std::span<const std::uint8_t>(core, 8)), 0);  // too short to tell
}

TEST(DibTest, CreateWritesAZeroFilledBottomUpHeader) {
    const Dib dib = Dib::Create(3, 2, 24);
    ASSERT_EQ(dib.AllocatedSize(), 40u + 12u * 2u);
    EXPECT_EQ(LoadLe32(dib.Data()), 40u);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.BitCount(), 24);
    EXPECT_EQ(LoadLe32(dib.Data() + dibfield::kSizeImage), 24u);
    EXPECT_TRUE(dib.IsConsistent());
    EXPECT_TRUE(Dib::Create(0, 1, 8).IsNull());
    EXPECT_TRUE(Dib::Create(1, 1, 16).IsNull());
    EXPECT_TRUE(Dib::Create(0x7FFFFFFF, 0x7FFFFFFF, 24).IsNull());
}

TEST(DibTest, DuplicateKeepsTheWholeAllocatedSize) {
    Dib source = Dib::Create(2, 2, 8);
    std::vector<std::uint8_t> bytes(source.Bytes().begin(), source.Bytes().end());
    bytes.resize(bytes.size() + 7, 0xAB);  // slack after the rows
    source.Assign(bytes);
    const Dib copy = DuplicateDib(source);
    EXPECT_EQ(copy.AllocatedSize(), source.AllocatedSize());
    EXPECT_EQ(copy, source);
    EXPECT_TRUE(DuplicateDib(Dib()).IsNull());
}

TEST(DibTest, StoredRowStaysInsideTheBlock) {
    Dib dib = Dib::Create(5, 3, 8);
    EXPECT_EQ(dib.StoredRow(0).size(), 8u);
    EXPECT_EQ(dib.StoredRow(2).data() - dib.Data(), 1064 + 16);
    EXPECT_TRUE(dib.StoredRow(3).empty());
    EXPECT_TRUE(dib.StoredRow(-1).empty());
    dib.Assign(std::vector<std::uint8_t>(dib.Bytes().begin(), dib.Bytes().end() - 1));  // a cut-short block
    EXPECT_TRUE(dib.StoredRow(2).empty());
    EXPECT_FALSE(dib.IsConsistent());
}

}  // namespace
}  // namespace vorel
