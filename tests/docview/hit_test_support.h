// Test helpers for hit conversion: search states filled the way the scanners
// fill them, a plain reading of a DIB's pixels, and ImageMagick as an
// independent decoder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/dib.h"
#include "search/search_state.h"

namespace vorel::hit_support {

// 8-bit RGB pixels, top row first, no padding.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    friend bool operator==(const RgbImage&, const RgbImage&) = default;
};

// A TIM hit as the scanner describes it: header fields read from `tim`
// (a 24-bit width field counts 16-bit units: pixel width = 2W/3).
SearchState TimHit(std::vector<std::uint8_t> tim, int paletteIndex = 0);

// A bitmap hit: `dib` starts with its BITMAPINFOHEADER.
SearchState BitmapHit(std::vector<std::uint8_t> dib);

// One CLUT row of a many-palette TIM as a TIM of its own (ImageMagick reads only the first row).
std::vector<std::uint8_t> TimWithOnlyPalette(const std::vector<std::uint8_t>& tim, int palette);

// The DIB's pixels read through its colour table, top row first.
RgbImage PixelsOf(const Dib& dib);

// Decodes `bytes` with ImageMagick's `convert FORMAT:file ppm:-`; nothing when
// ImageMagick is missing or cannot read them.
std::optional<RgbImage> DecodeWithImageMagick(const std::vector<std::uint8_t>& bytes,
                                              const std::string& format);
std::optional<RgbImage> DecodeFileWithImageMagick(const std::string& path);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// The first differing pixel, for failure messages.
std::string FirstDifference(const RgbImage& actual, const RgbImage& expected);

}  // namespace vorel::hit_support
