// Recognising a headerless Windows bitmap (a BITMAPINFOHEADER followed by its
// colour table and pixels) at one byte position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bytes.h"

namespace vorel {

inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;

struct BmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitCount = 0;
    std::uint32_t clrUsed = 0;
    // Bytes from the header to the end of the pixels: 40 + colour table + row
    // length x |height|. Negative when the fields make no sense as a size.
    std::int64_t size = 0;
};

enum class BmpTest { kReject, kAccept, kNeedMore };

// Tests the header fields at `pos` (biSize 40, one plane, 1/4/8/24 bits,
// uncompressed) and computes the bitmap's size.
BmpTest TestBmpHeader(ByteSpan bytes, std::size_t pos, BmpHeader& header);

// The row length the header's width gives, rounded up to whole 32-bit words.
// Negative widths give what the same rounding does to them, so such headers
// still count as found where they fit, but never become an image.
std::int64_t BmpRowLength(std::int32_t width, int bitCount);

// The colour-table bytes that follow the header: 4 x biClrUsed when it is not 0
// (24-bit bitmaps included), else the full table, which 24-bit bitmaps do not have.
std::int64_t BmpColorTableBytes(int bitCount, std::uint32_t clrUsed);

}  // namespace vorel
