// The fixed layout of the TIFF files Vorel writes: one directory, one strip,
// and a header laid out in advance for each of the four kinds of image.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vorel {

namespace tifftype {
inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
inline constexpr std::uint16_t kRational = 5;
}  // namespace tifftype

struct TiffEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t value = 0;  // the value itself, or the offset of the values
};

struct TiffRational {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;
};

// Everything that precedes the colour map or the strip. The caller fills the
// image fields; CompleteTiffHeader fills the rest.
struct TiffHeader {
    // Image fields.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int bitsPerSample = 0;  // 1, 4, 8, or 24 for RGB
    std::uint16_t compression = 0;
    TiffRational xResolution;
    TiffRational yResolution;

    // Layout fields.
    bool bigEndian = false;  // "MM" instead of "II"
    std::uint16_t version = 0;
    std::uint32_t firstDirectory = 0;
    std::uint16_t entryCount = 0;
    std::array<TiffEntry, 14> entries{};
    std::uint32_t nextDirectory = 0;
};

// Placement of the parts of the file for one kind of image.
struct TiffLayout {
    std::uint16_t entryCount;       // 13, or 14 with a colour map
    std::uint32_t xResolutionAt;    // 14 + 12 * entries
    std::uint32_t colorMapAt;       // colour map (palette kinds) or RGB's three BitsPerSample values
    std::uint32_t colorMapEntries;  // 16 or 256 for the palette kinds, else 0
    std::uint32_t stripOffset;      // 186, 294, 1734 or 192
};
std::optional<TiffLayout> LayoutForBits(int bitsPerSample);

// Bytes of one written row R, of one stored DIB row S, and the end of the pixel
// data E counted from the start of the block (header and a full colour table of
// 2, 16 or 256 entries, then S * height bytes).
struct TiffRowGeometry {
    std::uint64_t rowBytes;
    std::uint64_t stride;
    std::uint64_t pixelEnd;
};
std::optional<TiffRowGeometry> RowGeometryForBits(int bitsPerSample, std::uint32_t width,
                                                  std::uint32_t height);

// Fills the layout fields for the image fields already set. `photometric` is the
// PhotometricInterpretation of a bilevel image (0 WhiteIsZero, 1 BlackIsZero); the
// other kinds have a fixed one. False when bitsPerSample is not 1, 4, 8 or 24.
bool CompleteTiffHeader(TiffHeader& header, bool bigEndian, std::uint16_t photometric);

// The bytes from offset 0 up to the colour map (or, for RGB, including the three
// BitsPerSample values), every field in the header's byte order.
std::vector<std::uint8_t> SerializeTiffHeader(const TiffHeader& header);

}  // namespace vorel
