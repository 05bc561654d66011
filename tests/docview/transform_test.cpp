// Quarter turns and flips on hand-built images whose expected bytes are
// written out here; the comparison with an independent model over every bit
// depth lives with the drawing tests (tests/docview/ui/transform_model_test.cpp).
#include "docview/transform.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/bytes.h"

namespace vorel {
namespace {

using Row = std::vector<std::uint8_t>;

// A DIB whose stored rows (bottom first) start with the given bytes.
Dib Make(int w, int h, int bits, const std::vector<Row>& storedRows) {
    Dib dib = Dib::Create(w, h, bits);
    for (std::size_t r = 0; r < storedRows.size(); ++r) {
        auto row = dib.StoredRow(static_cast<std::int32_t>(r));
        std::copy(storedRows[r].begin(), storedRows[r].end(), row.begin());
    }
    return dib;
}

Row StoredRow(const Dib& dib, int r) {
    const auto row = dib.StoredRow(r);
    return {row.begin(), row.end()};
}

std::uint32_t SizeImage(const Dib& dib) {
    return LoadLe32(dib.Data() + dibfield::kSizeImage);
}

Dib RandomDib(int w, int h, int bits, unsigned seed) {
    Dib dib = Dib::Create(w, h, bits);
    std::mt19937 rng(seed);
    // Pixels and table alike; the padding stays zero as in every block the program builds.
    for (std::size_t i = kDibHeaderSize; i < dib.PixelOffset(); ++i) dib.Data()[i] = static_cast<std::uint8_t>(rng());
    const std::size_t used = (static_cast<std::size_t>(w) * bits + 7) / 8;
    for (int r = 0; r < h; ++r) {
        auto row = dib.StoredRow(r);
        for (std::size_t i = 0; i < used; ++i) row[i] = static_cast<std::uint8_t>(rng());
        if ((w * bits) % 8 != 0) row[used - 1] &= static_cast<std::uint8_t>(0xFF << (8 - (w * bits) % 8));
    }
    return dib;
}

TEST(TransformTest, QuarterTurnsOfTwoPixels) {
    // 2 x 1 with pixels a, b: left puts b on top of a, right a on top of b.
    const std::uint8_t a = 7, b = 9;
    Dib left = Make(2, 1, 8, {{a, b}});
    ASSERT_EQ(RotateLeft(left), TransformOutcome::Done);
    EXPECT_EQ(left.Width(), 1);
    EXPECT_EQ(left.Height(), 2);
    EXPECT_EQ(StoredRow(left, 1)[0], b) << "top row";
    EXPECT_EQ(StoredRow(left, 0)[0], a);

    Dib right = Make(2, 1, 8, {{a, b}});
    ASSERT_EQ(RotateRight(right), TransformOutcome::Done);
    EXPECT_EQ(StoredRow(right, 1)[0], a) << "top row";
    EXPECT_EQ(StoredRow(right, 0)[0], b);
}

TEST(TransformTest, TurnedBlocksHaveTheNewStrideAndSize) {
    const struct {
        int w, h, bits;
        std::uint64_t stride;
        std::uint32_t sizeImage;
        std::size_t allocated;
    } cases[] = {
        {3, 1, 24, 4, 12, 40 + 12},        // 3 x 1 (stride 12) becomes 1 x 3 (stride 4)
        {5, 3, 8, 4, 20, 1064 + 20},       // 5 x 3 becomes 3 x 5
        {1, 1, 8, 4, 4, 1064 + 4},
        {7, 13, 24, 40, 280, 40 + 280},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.bits);
        for (auto turn : {RotateLeft, RotateRight}) {
            Dib dib = Dib::Create(c.w, c.h, c.bits);
            ASSERT_EQ(turn(dib), TransformOutcome::Done);
            EXPECT_EQ(dib.Width(), c.h);
            EXPECT_EQ(dib.Height(), c.w);
            EXPECT_EQ(dib.Stride(), c.stride);
            EXPECT_EQ(SizeImage(dib), c.sizeImage);
            EXPECT_EQ(dib.AllocatedSize(), c.allocated);
        }
    }
}

TEST(TransformTest, TurnsAndFlipsUndoThemselves) {
    const struct {
        int w, h, bits;
    } sizes[] = {{1, 1, 8}, {5, 3, 8}, {2, 7, 8}, {3, 1, 24}, {9, 4, 24}, {17, 5, 1}, {3, 3, 4}};
    for (const auto& s : sizes) {
        SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " at " << s.bits);
        const Dib original = RandomDib(s.w, s.h, s.bits, static_cast<unsigned>(s.w * 31 + s.h));
        Dib dib = original;
        ASSERT_EQ(FlipVertical(dib), TransformOutcome::Done);
        ASSERT_EQ(FlipVertical(dib), TransformOutcome::Done);
        EXPECT_EQ(dib, original) << "two flips";
        ASSERT_EQ(Mirror(dib), TransformOutcome::Done);
        ASSERT_EQ(Mirror(dib), TransformOutcome::Done);
        EXPECT_EQ(dib, original) << "two mirrors";
        if (s.bits < 8) continue;
        for (int i = 0; i < 4; ++i) ASSERT_EQ(RotateLeft(dib), TransformOutcome::Done);
        EXPECT_EQ(dib, original) << "four left turns";
        ASSERT_EQ(RotateLeft(dib), TransformOutcome::Done);
        ASSERT_EQ(RotateRight(dib), TransformOutcome::Done);
        EXPECT_EQ(dib, original) << "a left and a right turn";
    }
}

TEST(TransformTest, MirrorOfPackedRows) {
    const struct {
        const char* name;
        int w, bits;
        Row before, after;
    } cases[] = {
        {"1 bit, width 3: 1,0,0 -> 0,0,1", 3, 1, {0x80}, {0x20}},
        {"1 bit, width 8", 8, 1, {0x80}, {0x01}},
        {"1 bit, width 9", 9, 1, {0xC0, 0x00}, {0x01, 0x80}},
        {"4 bits, width 3: 1,2,3 -> 3,2,1", 3, 4, {0x12, 0x30}, {0x32, 0x10}},
        {"4 bits, width 4", 4, 4, {0x12, 0x34}, {0x43, 0x21}},
        {"8 bits, width 3", 3, 8, {1, 2, 3}, {3, 2, 1}},
        {"24 bits, width 2", 2, 24, {1, 2, 3, 4, 5, 6}, {4, 5, 6, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dib dib = Make(c.w, 1, c.bits, {c.before});
        ASSERT_EQ(Mirror(dib), TransformOutcome::Done);
        const Row row = StoredRow(dib, 0);
        EXPECT_EQ(Row(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(c.after.size())), c.after);
    }
}

TEST(TransformTest, FlipReversesTheStoredRows) {
    Dib dib = Make(3, 3, 8, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    ASSERT_EQ(FlipVertical(dib), TransformOutcome::Done);
    EXPECT_EQ(StoredRow(dib, 0), (Row{3, 3, 3, 0}));
    EXPECT_EQ(StoredRow(dib, 2), (Row{1, 1, 1, 0}));
    Dib single = Make(4, 1, 4, {{0x12, 0x34}});
    const Dib before = single;
    ASSERT_EQ(FlipVertical(single), TransformOutcome::Done);
    EXPECT_EQ(single, before) << "a one-row image";
}

TEST(TransformTest, RefusalsLeaveTheImageAsItWas) {
    for (int bits : {1, 4}) {
        Dib dib = RandomDib(5, 3, bits, 1);
        const Dib before = dib;
        EXPECT_EQ(RotateLeft(dib), TransformOutcome::Unsupported);
        EXPECT_EQ(RotateRight(dib), TransformOutcome::Unsupported);
        EXPECT_EQ(dib, before);
    }
    Dib null;
    for (auto op : {RotateLeft, RotateRight, FlipVertical, Mirror}) EXPECT_EQ(op(null), TransformOutcome::NoImage);

    // A header that claims more rows than the block holds is never read past its end.
    Dib lying = Dib::Create(4, 4, 8);
    StoreLe32(lying.Data() + dibfield::kHeight, 4000);
    const Dib lyingBefore = lying;
    for (auto op : {RotateLeft, RotateRight, FlipVertical, Mirror}) {
        EXPECT_EQ(op(lying), TransformOutcome::Unreadable);
        EXPECT_EQ(lying, lyingBefore);
    }
}

TEST(TransformTest, TheColourTableIsUntouched) {
    Dib dib = RandomDib(6, 2, 8, 5);
    const Row table(dib.Data() + kDibHeaderSize, dib.Data() + dib.PixelOffset());
    for (auto op : {RotateLeft, RotateRight, FlipVertical, Mirror}) {
        ASSERT_EQ(op(dib), TransformOutcome::Done);
        EXPECT_EQ(Row(dib.Data() + kDibHeaderSize, dib.Data() + dib.PixelOffset()), table);
    }
}

// The transparency mask follows its image: after any sequence of turns and flips a mask pixel is
// still set exactly where the image's pixel has an odd first byte, as it was made.
TEST(TransformTest, TheMaskTurnsWithItsImageOrNeitherChanges) {
    const auto maskOf = [](const Dib& image) {
        Dib mask = Dib::Create(image.Width(), image.Height(), 8);
        const std::size_t step = static_cast<std::size_t>(image.BitCount()) / 8;
        for (int r = 0; r < image.Height(); ++r)
            for (int x = 0; x < image.Width(); ++x) mask.StoredRow(r)[x] = image.StoredRow(r)[x * step] & 1;
        return mask;
    };
    for (int bits : {8, 24}) {
        Dib image = RandomDib(7, 3, bits, 11);
        Dib mask = maskOf(image);
        for (auto op : {RotateLeft, Mirror, RotateLeft, FlipVertical, RotateRight, Mirror, RotateLeft}) {
            ASSERT_EQ(TransformWithMask(op, image, mask), TransformOutcome::Done);
            EXPECT_EQ(mask, maskOf(image)) << bits;
        }
    }
    Dib packed = RandomDib(5, 3, 4, 2);
    Dib mask = Dib::Create(5, 3, 8);
    mask.StoredRow(0)[0] = 1;
    const Dib packedBefore = packed;
    const Dib maskBefore = mask;
    EXPECT_EQ(TransformWithMask(RotateLeft, packed, mask), TransformOutcome::Unsupported);
    EXPECT_EQ(packed, packedBefore);
    EXPECT_EQ(mask, maskBefore);
    Dib none;
    EXPECT_EQ(TransformWithMask(Mirror, packed, none), TransformOutcome::Done);
    EXPECT_TRUE(none.IsNull());
}

}  // namespace
}  // namespace vorel
