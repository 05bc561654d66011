#include "connect/preview_layout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace vorel {

void PrintTo(const PreviewRect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

// The fitting worked out by hand: s = min((cw-1)/w, (ch-1)/h), sizes w*s and
// h*s rounded half up, the rest of the area (less one pixel) split in two.
TEST(PreviewLayoutTest, FitsAPictureIntoItsFrame) {
    struct Case {
        int cw, ch, width, height;
        PreviewRect expected;
    };
    const Case cases[] = {
        {141, 101, 100, 50, {0, 15, 140, 70}},    // s = min(1.4, 2.0)
        {141, 101, 50, 100, {45, 0, 50, 100}},    // s = 1.0: height decides
        {141, 101, 640, 480, {3, 0, 133, 100}},   // s = 100/480: 133.33 -> 133
        {141, 101, 3, 1, {0, 26, 140, 47}},       // s = 46.67: 46.67 -> 47, y (101-47-1)/2
        {141, 101, 1, 1, {20, 0, 100, 100}},
        {281, 201, 8, 4, {0, 30, 280, 140}},
        {141, 101, 0, 5, {0, 0, 0, 0}},           // nothing to fit
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitPreview(c.cw, c.ch, c.width, c.height), c.expected)
            << c.width << "x" << c.height << " in " << c.cw << "x" << c.ch;
    }
}

TEST(PreviewLayoutTest, JoinedPartsShareTheFittedRectangle) {
    // 100 x 50 beside 60 x 50 -> 160 x 50 in 281 x 201: s = 280/160 = 1.75, 280 x 88 (87.5 rounds up).
    const JoinedPreview side = LayOutJoinedPreview(281, 201, 100, 50, 60, 50, true);
    EXPECT_EQ(side.whole, (PreviewRect{0, 56, 280, 88}));
    EXPECT_EQ(side.topLeft, (PreviewRect{0, 56, 175, 88}));       // 100/160 of 280
    EXPECT_EQ(side.bottomRight, (PreviewRect{175, 56, 105, 88}));  // 60/160 of 280
    // 40 x 30 above 40 x 10 -> 40 x 40 in 141 x 101: s = 2.5, 100 x 100.
    const JoinedPreview stacked = LayOutJoinedPreview(141, 101, 40, 30, 40, 10, false);
    EXPECT_EQ(stacked.whole, (PreviewRect{20, 0, 100, 100}));
    EXPECT_EQ(stacked.topLeft, (PreviewRect{20, 0, 100, 75}));
    EXPECT_EQ(stacked.bottomRight, (PreviewRect{20, 75, 100, 25}));
}

}  // namespace
}  // namespace vorel
