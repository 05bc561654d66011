// Byte-exact builders of the images Vorel finds: TIM textures and packed
// Windows bitmaps. Tests use them to make inputs of known shape, and
// vorel-make-sample uses them to write the bundled sample file.
#pragma once

#include <cstdint>
#include <vector>

namespace vorel::samples {

// A complete TIM: flag 2 (16-bit), 3 (24-bit), 8 (4-bit + CLUT), 9 (8-bit + CLUT); pixelWidth in pixels
// (4-bit: multiple of 4; 8-bit: multiple of 2); palettes = CLUT rows (flags 8/9); for flag 3,
// width24InUnits=true writes the real files' form (width field 3*pixelWidth/2, pixelWidth even,
// block 12 + 2*W*H), false writes width field = pixelWidth and block 12 + 3*pixelWidth*height.
// Pixel and CLUT content is a deterministic recognisable pattern from `seed`.
// CLUT rows are 16 colours wide for flag 8 and 256 for flag 9. An impossible shape gives an empty vector.
std::vector<std::uint8_t> MakeTim(std::uint32_t flag, int pixelWidth, int height, int palettes = 1,
                                  std::uint32_t seed = 1, bool width24InUnits = true);

// `count` small 16-bit TIMs (8 x 8, each its own pixels) with five filler bytes
// after each: a file of many images for the benchmarks.
std::vector<std::uint8_t> ManySmallTims(int count);

// A packed DIB (BITMAPINFOHEADER + colour table + rows) of bitCount 1, 4, 8 or 24; clrUsed written to
// biClrUsed and sizes the table (0 = full table); topDown writes a negative biHeight.
// A 24-bit DIB with clrUsed != 0 carries that many table entries before its pixels, as Windows lays
// such a bitmap out. biSizeImage = stride * height, biXPelsPerMeter = biYPelsPerMeter = 2835.
// An impossible shape (other bit count, width or height <= 0) gives an empty vector.
std::vector<std::uint8_t> MakeDib(int bitCount, int width, int height, std::uint32_t clrUsed = 0,
                                  bool topDown = false, std::uint32_t seed = 1);

// The same DIB behind a 14-byte "BM" file header (a .bmp file).
std::vector<std::uint8_t> MakeBmpFile(int bitCount, int width, int height, std::uint32_t seed = 1);

}  // namespace vorel::samples
