#include "search/tim_candidate.h"

#include <gtest/gtest.h>

#include "image/bytes.h"
#include "sample_builders/sample_builders.h"

namespace vorel {
namespace {

using samples::MakeTim;

// A TIM header assembled field by field, independent of the builders.
std::vector<std::uint8_t> Header(std::uint32_t flag, std::int32_t blockLength, std::int16_t w, std::int16_t h,
                                 std::size_t extra = 0) {
    std::vector<std::uint8_t> b(20 + extra, 0);
    StoreLe32(b.data(), 0x10);
    StoreLe32(b.data() + 4, flag);
    StoreLe32(b.data() + 8, static_cast<std::uint32_t>(blockLength));
    StoreLe16(b.data() + 16, static_cast<std::uint16_t>(w));
    StoreLe16(b.data() + 18, static_cast<std::uint16_t>(h));
    return b;
}

// An indexed TIM header: CLUT block of `clutLength` (width cw, height ch), then an image block header.
std::vector<std::uint8_t> Indexed(std::uint32_t flag, std::int32_t clutLength, std::int16_t cw,
                                  std::int16_t ch, std::int32_t imageLength, std::int16_t wField,
                                  std::int16_t height) {
    auto b = Header(flag, clutLength, cw, ch, clutLength > 12 ? static_cast<std::size_t>(clutLength) : 12);
    if (clutLength < 12) return b;  // no room for an image block where the length says
    const std::size_t image = 8 + static_cast<std::size_t>(clutLength);
    StoreLe32(b.data() + image, static_cast<std::uint32_t>(imageLength));
    StoreLe16(b.data() + image + 8, static_cast<std::uint16_t>(wField));
    StoreLe16(b.data() + image + 10, static_cast<std::uint16_t>(height));
    return b;
}

TimTest Check(const std::vector<std::uint8_t>& bytes, TimHeader& h) {
    return TestTimCandidate(bytes, 0, h);
}

TEST(TimFieldTest, ByteOrdersAndOrdersThatReadNothing) {
    const std::vector<std::uint8_t> bytes = {0x10, 0x20, 0x30, 0x40, 0x50};
    struct Case {
        int order;
        std::size_t offset;
        std::uint16_t word;
        std::uint32_t dword;
    };
    const Case cases[] = {
        {0, 0, 0x2010, 0x40302010u},  {0, 1, 0x3020, 0x50403020u}, {1, 0, 0x1020, 0x10203040u},
        {1, 1, 0x2030, 0x20304050u},  {2, 0, 0xFFFF, 0xFFFFFFFFu}, {7, 1, 0xFFFF, 0xFFFFFFFFu},
        {-1, 0, 0xFFFF, 0xFFFFFFFFu}, {0, 4, 0xFFFF, 0xFFFFFFFFu},  // past the end: nothing is read
        {1, 2, 0x3040, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadTimWord(bytes, c.offset, c.order), c.word) << c.order << " at " << c.offset;
        EXPECT_EQ(ReadTimDword(bytes, c.offset, c.order), c.dword) << c.order << " at " << c.offset;
    }
}

TEST(TimCandidateTest, DirectColourLimitsAreInclusive) {
    struct Case {
        std::uint32_t flag;
        int w, h;
        bool accepted;
    };
    const Case cases[] = {
        {2, 640, 480, true}, {2, 641, 480, false}, {2, 640, 481, false},
        {2, 0, 10, false},   {2, 10, 0, false},    {2, -4, 10, false},
        {3, 640, 480, true}, {3, 641, 1, false},   {3, 1, 481, false},
    };
    for (const auto& c : cases) {
        const std::int64_t bpp = c.flag == 2 ? 2 : 3;
        TimHeader h;
        const auto bytes = Header(c.flag, static_cast<std::int32_t>(12 + bpp * c.w * c.h),
                                  static_cast<std::int16_t>(c.w), static_cast<std::int16_t>(c.h));
        EXPECT_EQ(Check(bytes, h) == TimTest::kAccept, c.accepted) << c.flag << " " << c.w << "x" << c.h;
        if (c.accepted) {
            EXPECT_EQ(h.size, 12 + bpp * c.w * c.h + 8);
        }
    }
}

TEST(TimCandidateTest, SixteenBitOfFullSizeHasItsSize) {
    TimHeader h;
    ASSERT_EQ(Check(Header(2, 614412, 640, 480), h), TimTest::kAccept);
    EXPECT_EQ(h.size, 614420);
    EXPECT_EQ(h.paletteCount, 1);
}

TEST(TimCandidateTest, TwentyFourBitAcceptsBothWidthForms) {
    TimHeader h;
    // Width field as pixels, three bytes each.
    ASSERT_EQ(Check(Header(3, 12 + 3 * 5 * 2, 5, 2), h), TimTest::kAccept);
    EXPECT_EQ(h.width, 5);
    // Width field in 16-bit units, as real files have it: 960 units are 640 pixels.
    ASSERT_EQ(Check(Header(3, 12 + 2 * 960 * 480, 960, 480), h), TimTest::kAccept);
    EXPECT_EQ(h.width, 640);
    EXPECT_EQ(h.size, 8 + 12 + 2 * 960 * 480);
    // Units that do not make whole pixels, or more than 640 pixels, are no TIM.
    EXPECT_EQ(Check(Header(3, 12 + 2 * 7 * 2, 7, 2), h), TimTest::kReject);
    EXPECT_EQ(Check(Header(3, 12 + 2 * 963 * 2, 963, 2), h), TimTest::kReject);
}

TEST(TimCandidateTest, OnlyKnownFlagsAndExactIds) {
    for (std::uint32_t flag : {0u, 1u, 4u, 5u, 6u, 7u, 10u, 0x102u, 0xFFFFFFFFu}) {
        TimHeader h;
        EXPECT_EQ(Check(Header(flag, 12 + 2 * 4 * 4, 4, 4), h), TimTest::kReject) << flag;
    }
    auto bytes = Header(2, 12 + 2 * 4 * 4, 4, 4);
    bytes[1] = 1;  // id 10 01 00 00
    TimHeader h;
    EXPECT_EQ(Check(bytes, h), TimTest::kReject);
}

TEST(TimCandidateTest, IndexedWidthLimits) {
    struct Case {
        std::uint32_t flag;
        int field;
        bool accepted;
    };
    const Case cases[] = {{8, 160, true}, {8, 161, false}, {9, 320, true}, {9, 321, false}, {8, 0, false}};
    for (const auto& c : cases) {
        const int width = c.flag == 8 ? c.field * 4 : c.field * 2;
        const int pixels = c.flag == 8 ? width * 2 / 2 : width * 2;  // height 2
        TimHeader h;
        EXPECT_EQ(Check(Indexed(c.flag, 44, 16, 1, 12 + pixels, static_cast<std::int16_t>(c.field), 2), h) ==
                      TimTest::kAccept,
                  c.accepted)
            << c.flag << " field " << c.field;
    }
}

TEST(TimCandidateTest, ClutLengthAndPaletteCountRules) {
    struct Case {
        std::int32_t clutLength;
        std::int16_t cw, ch;
        TimTest expected;
    };
    const Case cases[] = {
        {44, 16, 1, TimTest::kAccept},                                     // 16 entries
        {45, 16, 1, TimTest::kAccept},                                     // still 16 entries
        {46, 16, 1, TimTest::kAccept},                                     // 17 entries: 17 / 16 is 1
        {76, 16, 2, TimTest::kAccept},                                     // two palettes
        {76, 16, 1, TimTest::kReject},                                     // 32 entries are two rows, not one
        {12, 16, 0, TimTest::kReject},                                     // no palette at all
        {44, 16, 0, TimTest::kReject},    {44, 0, 1, TimTest::kReject},    // no colours per palette
        {44, 16, -1, TimTest::kReject},   {10, 16, -1, TimTest::kReject},  // shorter than its own header
        {-20, 16, -16, TimTest::kReject},
    };
    for (const auto& c : cases) {
        TimHeader h;
        const auto bytes = Indexed(8, c.clutLength, c.cw, c.ch, 12 + 8 * 2 / 2, 2, 2);
        EXPECT_EQ(Check(bytes, h), c.expected)
            << "clut length " << c.clutLength << " " << c.cw << "x" << c.ch;
    }
}

TEST(TimCandidateTest, ImageHeaderBeyondTheBufferAsksForMore) {
    // A CLUT length that puts the image header past the bytes offered.
    auto bytes = Header(8, 1000, 16, 30);
    TimHeader h;
    EXPECT_EQ(Check(bytes, h), TimTest::kNeedMore);
    bytes = Header(8, 0x7FFFFFF0, 16, 0x7FF);
    EXPECT_NE(Check(bytes, h), TimTest::kAccept);
    // Fewer than 20 bytes after an id: more needed, never a read past the end.
    const std::vector<std::uint8_t> shortBytes = {0x10, 0, 0, 0, 2, 0, 0, 0, 44};
    EXPECT_EQ(Check(shortBytes, h), TimTest::kNeedMore);
    const std::vector<std::uint8_t> notId = {0x10, 0, 1};
    EXPECT_EQ(Check(notId, h), TimTest::kNeedMore);
}

TEST(TimCandidateTest, BuilderTimsOfEveryKindAreRecognised) {
    struct Case {
        std::uint32_t flag;
        int w, h, palettes;
        bool units;
    };
    const Case cases[] = {{8, 16, 16, 3, true},
                          {9, 30, 7, 2, true},
                          {2, 33, 5, 1, true},
                          {3, 32, 4, 1, true},
                          {3, 31, 4, 1, false}};
    for (const auto& c : cases) {
        const auto tim = MakeTim(c.flag, c.w, c.h, c.palettes, 3, c.units);
        ASSERT_FALSE(tim.empty());
        TimHeader h;
        ASSERT_EQ(Check(tim, h), TimTest::kAccept) << c.flag;
        EXPECT_EQ(h.width, c.w);
        EXPECT_EQ(h.height, c.h);
        EXPECT_EQ(h.paletteCount, c.palettes);
        EXPECT_EQ(h.size, static_cast<std::int64_t>(tim.size()));
    }
}

}  // namespace
}  // namespace vorel
