#include "connect/join.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "image/bytes.h"
#include "image/palette.h"

namespace vorel {
namespace {

// A DIB whose rows can be read without further checks: a 40-byte header,
// no compression, a bit depth the program knows, and everything inside the block.
bool IsJoinable(const Dib& dib) {
    if (!dib.IsConsistent()) return false;
    const auto size = ReadLe32(dib.Bytes(), dibfield::kSize);
    const auto compression = ReadLe32(dib.Bytes(), dibfield::kCompression);
    if (!size || *size != kDibHeaderSize) return false;
    if (!compression || *compression != 0) return false;
    const int bits = dib.BitCount();
    return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Index of pixel x in a 1- or 4-bit row: leftmost pixel in the highest bits.
int GetIndex(std::span<const std::uint8_t> row, std::int64_t x, int bits) {
    const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1 << bits) - 1);
}

// Writes into a zero-filled row, so the other pixels of the byte stay as they are.
void OrIndex(std::span<std::uint8_t> row, std::int64_t x, int bits, int value) {
    const std::uint64_t bit = static_cast<std::uint64_t>(x) * static_cast<std::uint64_t>(bits);
    const int shift = 8 - bits - static_cast<int>(bit % 8);
    row[bit / 8] = static_cast<std::uint8_t>(row[bit / 8] | ((value & ((1 << bits) - 1)) << shift));
}

// B's colour i -> the nearest entry of A's colour table. An index past the end
// of B's table stands for black, as a zero-filled table would show it.
std::array<std::uint8_t, 256> IndexMap(const Dib& a, const Dib& b) {
    std::array<std::uint8_t, 256> map{};
    const std::size_t aCount = std::min<std::size_t>(a.ColorCount(), 256);
    std::vector<PaletteEntry> entries(aCount);
    for (std::size_t i = 0; i < aCount; ++i) {
        const std::uint8_t* e = a.ColorEntry(i);
        entries[i] = {e[2], e[1], e[0], 0};
    }
    const Palette palette(std::move(entries));
    const std::size_t bCount = b.ColorCount();
    for (std::size_t i = 0; i < map.size(); ++i) {
        std::uint8_t red = 0, green = 0, blue = 0;
        if (i < bCount) {
            const std::uint8_t* e = b.ColorEntry(i);
            red = e[2];
            green = e[1];
            blue = e[0];
        }
        const int nearest = palette.NearestIndex(red, green, blue);
        // Without a colour table in A there is nothing to map to: keep the index.
        map[i] = static_cast<std::uint8_t>(nearest < 0 ? i : nearest);
    }
    return map;
}

// Copies the pixels [0, width) of `from` into `to` starting at pixel column `at`.
void PlacePixels(std::span<std::uint8_t> to, std::int64_t at, std::span<const std::uint8_t> from,
                 std::int64_t width, int bits, const std::array<std::uint8_t, 256>* map) {
    switch (bits) {
        case 24:
            std::memcpy(to.data() + 3 * at, from.data(), static_cast<std::size_t>(3 * width));
            break;
        case 8:
            for (std::int64_t x = 0; x < width; ++x) to[at + x] = map ? (*map)[from[x]] : from[x];
            break;
        default:
            for (std::int64_t x = 0; x < width; ++x) OrIndex(to, at + x, bits, GetIndex(from, x, bits));
            break;
    }
}

}  // namespace

bool IsJoinCandidate(int firstBits, int firstWidth, int firstHeight, int bits, int width, int height) {
    return bits == firstBits && (width == firstWidth || height == firstHeight);
}

AllowedDirections DirectionsFor(int firstWidth, int firstHeight, int secondWidth, int secondHeight) {
    return {secondWidth == firstWidth, secondHeight == firstHeight};
}

JoinResult JoinDibs(const Dib& first, const Dib& second, JoinDirection direction) {
    const int d = static_cast<int>(direction);
    if (d < 0 || d > 3) return {JoinOutcome::BadDirection, {}};
    if (first.IsNull() || second.IsNull()) return {JoinOutcome::NoImage, {}};
    const Dib& a = SecondGoesFirst(direction) ? second : first;
    const Dib& b = SecondGoesFirst(direction) ? first : second;
    if (!IsJoinable(a)) return {JoinOutcome::TopLeftUnusable, {}};
    if (!IsJoinable(b)) return {JoinOutcome::BottomRightUnusable, {}};
    const int bits = a.BitCount();
    if (b.BitCount() != bits) return {JoinOutcome::BitCountDiffers, {}};
    const bool sideBySide = SideBySide(direction);
    if (sideBySide ? a.Height() != b.Height() : a.Width() != b.Width()) return {JoinOutcome::EdgesDiffer, {}};

    const std::int64_t width = sideBySide ? std::int64_t{a.Width()} + b.Width() : a.Width();
    const std::int64_t height = sideBySide ? a.Height() : std::int64_t{a.Height()} + b.Height();
    if (width > std::numeric_limits<std::int32_t>::max() || height > std::numeric_limits<std::int32_t>::max())
        return {JoinOutcome::TooLarge, {}};
    const std::uint64_t stride = DibStride(width, bits);
    const auto rows = CheckedMul(stride, static_cast<std::uint64_t>(height));
    if (!rows || *rows > 0xFFFFFFFFu) return {JoinOutcome::TooLarge, {}};
    // A's header and colour table as they stand; the pixels follow them.
    const std::size_t pixelOffset = a.PixelOffset();
    const auto total = CheckedAdd(pixelOffset, *rows);
    if (!total || *total > Dib::kMaxDibBytes) return {JoinOutcome::TooLarge, {}};

    JoinResult result{JoinOutcome::Joined, Dib::Allocate(static_cast<std::size_t>(*total))};
    if (result.dib.IsNull()) return {JoinOutcome::OutOfMemory, {}};
    Dib& out = result.dib;
    std::memcpy(out.Data(), a.Data(), pixelOffset);
    StoreLe32(out.Data() + dibfield::kWidth, static_cast<std::uint32_t>(width));
    StoreLe32(out.Data() + dibfield::kHeight, static_cast<std::uint32_t>(height));
    StoreLe32(out.Data() + dibfield::kSizeImage, static_cast<std::uint32_t>(*rows));

    std::array<std::uint8_t, 256> map{};
    if (bits == 8) map = IndexMap(a, b);
    const std::array<std::uint8_t, 256>* bMap = bits == 8 ? &map : nullptr;

    // Rows are stored bottom-up: B, the lower or right part, fills the first
    // stored rows of an above/below join.
    const auto outHeight = static_cast<std::int32_t>(height);
    for (std::int32_t r = 0; r < outHeight; ++r) {
        std::span<std::uint8_t> row = out.StoredRow(r);
        if (sideBySide) {
            PlacePixels(row, 0, a.StoredRow(r), a.Width(), bits, nullptr);
            PlacePixels(row, a.Width(), b.StoredRow(r), b.Width(), bits, bMap);
        } else if (r < b.Height()) {
            PlacePixels(row, 0, b.StoredRow(r), b.Width(), bits, bMap);
        } else {
            PlacePixels(row, 0, a.StoredRow(r - b.Height()), a.Width(), bits, nullptr);
        }
    }
    return result;
}

}  // namespace vorel
