#include "search/bmp_candidate.h"

#include <limits>

namespace vorel {
namespace {

// n - r when the truncated remainder r of x / n is not 0, else 0 (r has the sign of x).
std::int64_t Pad(std::int64_t x, std::int64_t n) {
    const std::int64_t r = x % n;
    return r != 0 ? n - r : 0;
}

}  // namespace

std::int64_t BmpRowLength(std::int32_t width, int bitCount) {
    const std::int64_t w = width;
    switch (bitCount) {
        // The 1- and 4-bit lengths are shifted as unsigned 32-bit values, so a
        // negative width gives a huge row that no file can hold.
        case 1: return static_cast<std::uint32_t>(w + Pad(w, 32)) >> 3;
        case 4: return static_cast<std::uint32_t>(w + Pad(w, 8)) >> 1;
        case 8: return w + Pad(w, 4);
        case 24: return 3 * w + Pad(3 * w, 4);
        default: return -1;
    }
}

std::int64_t BmpColorTableBytes(int bitCount, std::uint32_t clrUsed) {
    // A 24-bit bitmap needs no table, but one that names colours in biClrUsed
    // carries them before its pixels, and the document skips them: count them.
    if (clrUsed != 0) return 4 * static_cast<std::int64_t>(clrUsed);
    if (bitCount == 24) return 0;
    return 4 * (std::int64_t{1} << bitCount);
}

BmpTest TestBmpHeader(ByteSpan bytes, std::size_t pos, BmpHeader& header) {
    if (!InBounds(bytes.size(), pos, 4)) return BmpTest::kNeedMore;
    const std::uint8_t* p = bytes.data() + pos;
    if (LoadLe32(p) != kBitmapInfoHeaderSize) return BmpTest::kReject;
    if (!InBounds(bytes.size(), pos, kBitmapInfoHeaderSize)) return BmpTest::kNeedMore;
    const int bitCount = LoadLe16(p + 14);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return BmpTest::kReject;
    if (LoadLe16(p + 12) != 1) return BmpTest::kReject;  // one plane
    if (LoadLe32(p + 16) != 0) return BmpTest::kReject;  // uncompressed only

    header.width = static_cast<std::int32_t>(LoadLe32(p + 4));
    header.height = static_cast<std::int32_t>(LoadLe32(p + 8));
    header.bitCount = bitCount;
    header.clrUsed = LoadLe32(p + 32);
    // A top-down bitmap (negative height) holds as many rows as a bottom-up one,
    // so its size counts |height| rows.
    const std::int64_t rows = header.height < 0 ? -static_cast<std::int64_t>(header.height) : header.height;
    const std::int64_t row = BmpRowLength(header.width, bitCount);
    const std::int64_t fixed = 40 + BmpColorTableBytes(bitCount, header.clrUsed);
    if (rows != 0 && row < 0) {
        header.size = -1;  // no size at all
    } else if (rows != 0 && row > (std::numeric_limits<std::int64_t>::max() - fixed) / rows) {
        header.size = std::numeric_limits<std::int64_t>::max();  // larger than any file
    } else {
        header.size = fixed + row * rows;
    }
    return BmpTest::kAccept;
}

}  // namespace vorel
