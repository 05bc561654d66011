// Encoders that lay pictures out as TIM textures and packed DIBs, byte for
// byte as the real formats store them. Pictures are row-major, top row first.
#pragma once

#include <cstdint>
#include <vector>

namespace vorel::samples {

struct Rgb8 {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// A 16-bit TIM colour word for an 8-bit colour (each channel keeps its top 5 bits).
std::uint16_t TimWord(Rgb8 c, bool semiTransparent = false);

// Flag 2: one colour word per pixel. Empty on a bad shape.
std::vector<std::uint8_t> EncodeTim16(int width, int height, const std::vector<std::uint16_t>& words);

// Flag 3: R, G, B bytes per pixel. widthInUnits writes the width field as 16-bit units (3 * width / 2,
// width even) the way real tools do; otherwise the field holds the pixel count. Empty on a bad shape.
std::vector<std::uint8_t> EncodeTim24(int width, int height, const std::vector<Rgb8>& pixels,
                                      bool widthInUnits);

// Flag 8 (4-bit, width a multiple of 4, 16 colours per CLUT row) or 9 (8-bit, width even,
// 256 colours per row). Each CLUT row is padded with 0 or cut to the row width. Empty on a bad shape.
std::vector<std::uint8_t> EncodeTimIndexed(std::uint32_t flag, int width, int height,
                                           const std::vector<std::uint8_t>& indices,
                                           const std::vector<std::vector<std::uint16_t>>& cluts);

struct DibPicture {
    int bitCount = 24;  // 1, 4, 8 or 24
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> index;  // indexed pictures: one colour index per pixel
    std::vector<Rgb8> rgb;            // 24-bit pictures
    std::vector<Rgb8> table;          // colour table; missing entries are written as 0
    std::uint32_t clrUsed =
        0;                 // written to biClrUsed; the table holds clrUsed entries, or the full table when 0
    bool topDown = false;  // negative biHeight, rows stored top row first
};

// A packed DIB: BITMAPINFOHEADER, colour table, rows padded to 4 bytes. Empty on a bad shape.
std::vector<std::uint8_t> EncodeDib(const DibPicture& picture);

// A .bmp file: the "BM" file header in front of a packed DIB.
std::vector<std::uint8_t> WrapBmpFile(const std::vector<std::uint8_t>& dib);

}  // namespace vorel::samples
