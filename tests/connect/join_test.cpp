// The join against a model built here from first principles: each DIB is read
// pixel by pixel into a top-down grid of colours, the two grids are put side by
// side or one above the other, and B's colours are what A's colour table gives
// its indexes (8 bits: the nearest colour, found by trying every entry).
#include "connect/join.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/bytes.h"

namespace vorel {
namespace {

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::size_t RowStart(const Dib& dib, int topDownRow) {
    const int bits = dib.BitCount();
    const std::size_t stride = ((static_cast<std::size_t>(dib.Width()) * bits + 31) / 32) * 4;
    const std::size_t table = bits == 24 ? 0 : 4u * (std::size_t{1} << bits);
    return 40 + table + stride * static_cast<std::size_t>(dib.Height() - 1 - topDownRow);
}

// The colour-table index of pixel (x, y), y counted from the top.
int IndexAt(const Dib& dib, int x, int y) {
    const std::uint8_t* row = dib.Data() + RowStart(dib, y);
    switch (dib.BitCount()) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
        default: return row[x];
    }
}

Rgb TableColour(const Dib& dib, int index) {
    const std::uint8_t* e = dib.Data() + 40 + 4 * index;
    return {e[2], e[1], e[0]};
}

Rgb ColourAt(const Dib& dib, int x, int y) {
    if (dib.BitCount() == 24) {
        const std::uint8_t* p = dib.Data() + RowStart(dib, y) + 3 * x;
        return {p[2], p[1], p[0]};
    }
    return TableColour(dib, IndexAt(dib, x, y));
}

int BruteNearest(const Dib& table, Rgb c) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 256; ++i) {
        const Rgb e = TableColour(table, i);
        const long d = long(e.r - c.r) * (e.r - c.r) + long(e.g - c.g) * (e.g - c.g) + long(e.b - c.b) * (e.b - c.b);
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// B's pixel as the joined picture must show it.
Rgb ExpectedForB(const Dib& a, const Dib& b, int x, int y) {
    switch (b.BitCount()) {
        case 24: return ColourAt(b, x, y);
        case 8: return TableColour(a, BruteNearest(a, ColourAt(b, x, y)));
        default: return TableColour(a, IndexAt(b, x, y));
    }
}

// Random colour table and random bytes everywhere in the rows, padding included,
// so stray bits past a row's end would show.
Dib RandomDib(int width, int height, int bits, std::mt19937& rng, int tableSize = -1) {
    Dib dib = Dib::Create(width, height, bits);
    EXPECT_FALSE(dib.IsNull());
    std::uniform_int_distribution<int> byte(0, 255);
    const int colours = bits == 24 ? 0 : 1 << bits;
    for (int i = 0; i < colours; ++i) {
        std::uint8_t* e = dib.Data() + 40 + 4 * i;
        for (int k = 0; k < 3; ++k) e[k] = static_cast<std::uint8_t>(byte(rng));
    }
    // Pixel values limited to a part of the table (a picture using few colours).
    const std::size_t start = 40 + 4u * static_cast<std::size_t>(colours);
    for (std::size_t i = start; i < dib.AllocatedSize(); ++i) {
        int v = byte(rng);
        if (bits == 8 && tableSize > 0) v %= tableSize;
        dib.Data()[i] = static_cast<std::uint8_t>(v);
    }
    return dib;
}

const char* Name(JoinDirection d) {
    static const char* names[] = {"上", "下", "左", "右"};
    return names[static_cast<int>(d)];
}

void ExpectJoinedAsModel(const Dib& first, const Dib& second, JoinDirection direction) {
    SCOPED_TRACE(std::string(Name(direction)) + " " + std::to_string(first.BitCount()) + " bits " +
                 std::to_string(first.Width()) + "x" + std::to_string(first.Height()) + " + " +
                 std::to_string(second.Width()) + "x" + std::to_string(second.Height()));
    const JoinResult result = JoinDibs(first, second, direction);
    ASSERT_EQ(result.outcome, JoinOutcome::Joined);
    const Dib& out = result.dib;
    const bool secondFirst = direction == JoinDirection::Above || direction == JoinDirection::Left;
    const bool sideBySide = direction == JoinDirection::Left || direction == JoinDirection::Right;
    const Dib& a = secondFirst ? second : first;
    const Dib& b = secondFirst ? first : second;
    const int width = sideBySide ? a.Width() + b.Width() : a.Width();
    const int height = sideBySide ? a.Height() : a.Height() + b.Height();
    const int bits = a.BitCount();
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    const std::size_t table = bits == 24 ? 0 : 4u * (std::size_t{1} << bits);

    ASSERT_EQ(out.AllocatedSize(), 40 + table + stride * height);
    EXPECT_EQ(static_cast<int>(LoadLe32(out.Data() + 4)), width);
    EXPECT_EQ(static_cast<int>(LoadLe32(out.Data() + 8)), height);
    EXPECT_EQ(LoadLe32(out.Data() + 20), stride * height);
    // Every other header byte and the whole colour table are A's.
    for (std::size_t i = 0; i < 40 + table; ++i) {
        if ((i >= 4 && i < 12) || (i >= 20 && i < 24)) continue;
        ASSERT_EQ(out.Data()[i], a.Data()[i]) << "byte " << i;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgb expected;
            if (sideBySide) {
                expected = x < a.Width() ? ColourAt(a, x, y) : ExpectedForB(a, b, x - a.Width(), y);
            } else {
                expected = y < a.Height() ? ColourAt(a, x, y) : ExpectedForB(a, b, x, y - a.Height());
            }
            ASSERT_EQ(ColourAt(out, x, y), expected) << "pixel " << x << "," << y;
        }
    }
    // The sources are left as they were.
}

struct ModelCase {
    int bits;
    int firstWidth, firstHeight, secondWidth, secondHeight;
};

TEST(JoinTest, EveryDepthAndDirectionMatchesTheModel) {
    std::mt19937 rng(20261207);
    const ModelCase sameHeight[] = {{1, 3, 4, 5, 4}, {4, 3, 3, 5, 3}, {1, 31, 2, 2, 2}, {4, 7, 5, 9, 5},
                                    {8, 3, 4, 6, 4}, {24, 5, 3, 7, 3}, {1, 1, 1, 1, 1}, {24, 1, 2, 2, 2}};
    const ModelCase sameWidth[] = {{1, 3, 4, 3, 2}, {4, 5, 2, 5, 3}, {8, 7, 3, 7, 5}, {24, 5, 2, 5, 1},
                                   {1, 33, 2, 33, 3}, {8, 32, 20, 32, 12}};
    for (const auto& c : sameHeight) {
        const Dib first = RandomDib(c.firstWidth, c.firstHeight, c.bits, rng);
        const Dib second = RandomDib(c.secondWidth, c.secondHeight, c.bits, rng);
        const Dib firstCopy = DuplicateDib(first), secondCopy = DuplicateDib(second);
        for (auto d : {JoinDirection::Left, JoinDirection::Right}) ExpectJoinedAsModel(first, second, d);
        EXPECT_EQ(first, firstCopy);
        EXPECT_EQ(second, secondCopy);
    }
    for (const auto& c : sameWidth) {
        const Dib first = RandomDib(c.firstWidth, c.firstHeight, c.bits, rng);
        const Dib second = RandomDib(c.secondWidth, c.secondHeight, c.bits, rng);
        for (auto d : {JoinDirection::Above, JoinDirection::Below}) ExpectJoinedAsModel(first, second, d);
    }
}

TEST(JoinTest, EightBitWithTheSameTableKeepsEveryIndex) {
    std::mt19937 rng(7);
    // Distinct colours, so that the nearest colour of an entry is the entry itself.
    Dib first = RandomDib(6, 3, 8, rng);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* e = first.Data() + 40 + 4 * i;
        e[0] = static_cast<std::uint8_t>(i);
        e[1] = static_cast<std::uint8_t>(255 - i);
        e[2] = static_cast<std::uint8_t>(i * 7);
    }
    Dib second = RandomDib(4, 3, 8, rng);
    std::memcpy(second.Data() + 40, first.Data() + 40, 1024);
    const JoinResult joined = JoinDibs(first, second, JoinDirection::Right);
    ASSERT_EQ(joined.outcome, JoinOutcome::Joined);
    for (int row = 0; row < 3; ++row) {
        const auto out = joined.dib.StoredRow(row);
        const auto b = second.StoredRow(row);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(out[6 + x], b[x]) << row << "," << x;
    }
}

TEST(JoinTest, EightBitForeignColoursBecomeTheNearestOfTheTopLeftTable) {
    std::mt19937 rng(99);
    // A uses a coarse grey ramp, B arbitrary colours of which only 16 are used.
    Dib first = RandomDib(5, 4, 8, rng);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* e = first.Data() + 40 + 4 * i;
        const auto grey = static_cast<std::uint8_t>((i % 16) * 17);
        e[0] = e[1] = e[2] = grey;
    }
    const Dib second = RandomDib(5, 3, 8, rng, 16);
    for (auto d : {JoinDirection::Above, JoinDirection::Below}) ExpectJoinedAsModel(first, second, d);
}

TEST(JoinTest, WorkedExamples) {
    std::mt19937 rng(3);
    {  // "右", 4 bits, 3 + 5 pixels: width 8, stride 4, B's first pixel in the low nibble of byte 1.
        const Dib first = RandomDib(3, 2, 4, rng);
        const Dib second = RandomDib(5, 2, 4, rng);
        const JoinResult r = JoinDibs(first, second, JoinDirection::Right);
        ASSERT_EQ(r.outcome, JoinOutcome::Joined);
        EXPECT_EQ(r.dib.Width(), 8);
        EXPECT_EQ(r.dib.Stride(), 4u);
        for (int row = 0; row < 2; ++row) {
            EXPECT_EQ(r.dib.StoredRow(row)[1] & 0x0F, second.StoredRow(row)[0] >> 4);
            EXPECT_EQ(r.dib.StoredRow(row)[1] >> 4, first.StoredRow(row)[1] >> 4);
        }
    }
    {  // "左", 24 bits, A 5 wide and B 7: W 12, S 36, A's 15 bytes then B's 21.
        const Dib first = RandomDib(7, 2, 24, rng);
        const Dib second = RandomDib(5, 2, 24, rng);
        const JoinResult r = JoinDibs(first, second, JoinDirection::Left);
        ASSERT_EQ(r.outcome, JoinOutcome::Joined);
        EXPECT_EQ(r.dib.Width(), 12);
        EXPECT_EQ(r.dib.Stride(), 36u);
        EXPECT_EQ(0, std::memcmp(r.dib.StoredRow(1).data(), second.StoredRow(1).data(), 15));
        EXPECT_EQ(0, std::memcmp(r.dib.StoredRow(1).data() + 15, first.StoredRow(1).data(), 21));
    }
}

TEST(JoinTest, RefusesWhatTheRuleDoesNotAllow) {
    std::mt19937 rng(5);
    const Dib a8 = RandomDib(4, 4, 8, rng);
    const Dib wider8 = RandomDib(6, 4, 8, rng);
    const Dib taller8 = RandomDib(4, 6, 8, rng);
    const Dib a4 = RandomDib(4, 4, 4, rng);
    Dib cut = DuplicateDib(a8);
    cut.Assign(std::vector<std::uint8_t>(cut.Bytes().begin(), cut.Bytes().end() - 1));
    Dib rle = DuplicateDib(a8);
    StoreLe32(rle.Data() + dibfield::kCompression, 1);
    Dib sixteen = RandomDib(4, 4, 24, rng);
    StoreLe16(sixteen.Data() + dibfield::kBitCount, 16);
    struct Case {
        const char* name;
        const Dib* first;
        const Dib* second;
        int direction;
        JoinOutcome outcome;
    };
    const Dib null;
    const Case cases[] = {
        {"no first image", &null, &a8, 3, JoinOutcome::NoImage},
        {"no second image", &a8, &null, 0, JoinOutcome::NoImage},
        {"rows cut short, first on the left", &cut, &a8, 3, JoinOutcome::TopLeftUnusable},
        {"rows cut short, second on the right", &a8, &cut, 3, JoinOutcome::BottomRightUnusable},
        {"compressed", &a8, &rle, 1, JoinOutcome::BottomRightUnusable},
        {"16 bits", &sixteen, &sixteen, 1, JoinOutcome::TopLeftUnusable},
        {"depths differ", &a8, &a4, 3, JoinOutcome::BitCountDiffers},
        {"above with unequal widths", &a8, &wider8, 0, JoinOutcome::EdgesDiffer},
        {"below with unequal widths", &a8, &wider8, 1, JoinOutcome::EdgesDiffer},
        {"left with unequal heights", &a8, &taller8, 2, JoinOutcome::EdgesDiffer},
        {"right with unequal heights", &a8, &taller8, 3, JoinOutcome::EdgesDiffer},
        {"no direction", &a8, &a8, -1, JoinOutcome::BadDirection},
        {"direction 4", &a8, &a8, 4, JoinOutcome::BadDirection},
    };
    for (const auto& c : cases) {
        const JoinResult r = JoinDibs(*c.first, *c.second, static_cast<JoinDirection>(c.direction));
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        EXPECT_TRUE(r.dib.IsNull()) << c.name;
    }
}

TEST(JoinTest, CandidatesAndDirections) {
    // First image 64 x 32 at 8 bits.
    struct Case {
        int bits, width, height;
        bool candidate, aboveBelow, leftRight;
    };
    const Case cases[] = {
        {8, 64, 48, true, true, false}, {8, 16, 32, true, false, true}, {8, 64, 32, true, true, true},
        {8, 16, 16, false, false, false}, {4, 64, 32, false, true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsJoinCandidate(8, 64, 32, c.bits, c.width, c.height), c.candidate) << c.width << "x" << c.height;
        const AllowedDirections d = DirectionsFor(64, 32, c.width, c.height);
        EXPECT_EQ(d.aboveBelow, c.aboveBelow);
        EXPECT_EQ(d.leftRight, c.leftRight);
        EXPECT_EQ(d.Allows(JoinDirection::Above), c.aboveBelow);
        EXPECT_EQ(d.Allows(JoinDirection::Right), c.leftRight);
    }
}

}  // namespace
}  // namespace vorel
