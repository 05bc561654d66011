#include "sample_builders/sample_builders.h"

#include <algorithm>
#include <cstddef>

#include "sample_builders/encode.h"
#include "sample_builders/pictures.h"

namespace vorel::samples {
namespace {

std::uint8_t Ramp(int v, int extent) {
    return static_cast<std::uint8_t>(extent <= 1 ? 0 : v * 255 / (extent - 1));
}

// A left-to-right red ramp over a top-to-bottom green ramp, with a seed-coloured
// XOR weave in blue: every pixel differs from its neighbours, so a swapped
// channel, a mirrored row or a shifted pixel shows at once.
Rgb8 GradientPixel(int x, int y, int w, int h, std::uint32_t seed) {
    return {Ramp(x, w), Ramp(y, h), static_cast<std::uint8_t>(((x ^ y) * 4 + seed * 53) & 0xFF)};
}

std::vector<std::uint16_t> FourBitClut(int palette, std::uint32_t seed) {
    std::vector<std::uint16_t> row(16);
    for (int i = 0; i < 16; ++i) {
        const int hue = (i * 96 + palette * 352 + static_cast<int>(seed) * 40) % kHueSteps;
        row[static_cast<std::size_t>(i)] = TimWord(Hue(hue));
    }
    return row;
}

std::vector<std::uint16_t> EightBitClut(int palette, std::uint32_t seed) {
    std::vector<std::uint16_t> row(256);
    for (int i = 0; i < 256; ++i) {
        const Rgb8 c{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                     static_cast<std::uint8_t>((i * 4 + palette * 85 + static_cast<int>(seed) * 17) & 0xFF)};
        row[static_cast<std::size_t>(i)] = TimWord(c);
    }
    return row;
}

}  // namespace

std::vector<std::uint8_t> ManySmallTims(int count) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        const auto tim = MakeTim(2, 8, 8, 1, static_cast<std::uint32_t>(i + 1));
        bytes.insert(bytes.end(), tim.begin(), tim.end());
        bytes.insert(bytes.end(), 5, 0xEE);
    }
    return bytes;
}

std::vector<std::uint8_t> MakeTim(std::uint32_t flag, int pixelWidth, int height, int palettes,
                                  std::uint32_t seed, bool width24InUnits) {
    if (pixelWidth <= 0 || height <= 0 || pixelWidth > 4096 || height > 4096) return {};
    const std::size_t w = static_cast<std::size_t>(pixelWidth);
    const std::size_t count = w * static_cast<std::size_t>(height);
    switch (flag) {
        case 2: {
            std::vector<std::uint16_t> words(count);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < pixelWidth; ++x) {
                    // Bit 15 (semi-transparency) set on a sprinkling of pixels; it never changes the colour.
                    words[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
                        TimWord(GradientPixel(x, y, pixelWidth, height, seed), (x + y) % 7 == 0);
                }
            }
            return EncodeTim16(pixelWidth, height, words);
        }
        case 3: {
            std::vector<Rgb8> pixels(count);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < pixelWidth; ++x) {
                    pixels[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
                        GradientPixel(x, y, pixelWidth, height, seed);
                }
            }
            return EncodeTim24(pixelWidth, height, pixels, width24InUnits);
        }
        case 8:
        case 9: {
            if (palettes <= 0 || palettes > 1024) return {};
            std::vector<std::vector<std::uint16_t>> cluts;
            for (int p = 0; p < palettes; ++p) {
                cluts.push_back(flag == 8 ? FourBitClut(p, seed) : EightBitClut(p, seed));
            }
            std::vector<std::uint8_t> indices(count);
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < pixelWidth; ++x) {
                    // 4-bit: diagonal bands of all 16 colours; 8-bit: an XOR weave over all 256.
                    const int v = flag == 8 ? (x + 2 * y + static_cast<int>(seed)) % 16
                                            : ((x ^ y) * 3 + static_cast<int>(seed)) & 0xFF;
                    indices[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
                        static_cast<std::uint8_t>(v);
                }
            }
            return EncodeTimIndexed(flag, pixelWidth, height, indices, cluts);
        }
        default:
            return {};
    }
}

std::vector<std::uint8_t> MakeDib(int bitCount, int width, int height, std::uint32_t clrUsed, bool topDown,
                                  std::uint32_t seed) {
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return {};
    DibPicture p;
    p.bitCount = bitCount;
    p.width = width;
    p.height = height;
    p.clrUsed = clrUsed;
    p.topDown = topDown;
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    if (bitCount == 24) {
        p.rgb.resize(count);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                p.rgb[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
                    GradientPixel(x, y, width, height, seed);
            }
        }
        for (std::uint32_t i = 0; i < clrUsed && i < 65536; ++i) {
            const auto v = static_cast<std::uint8_t>(i * 255 / std::max<std::uint32_t>(clrUsed - 1, 1));
            p.table.push_back({v, v, v});
        }
        return EncodeDib(p);
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return {};
    const std::uint32_t full = 1u << bitCount;
    const std::uint32_t entries = clrUsed != 0 ? std::min<std::uint32_t>(clrUsed, 65536) : full;
    const std::uint32_t usable = std::min(entries, full);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const int hue =
            static_cast<int>((i * kHueSteps / std::max<std::uint32_t>(usable, 1) + seed * 64) % kHueSteps);
        p.table.push_back(bitCount == 1 ? (i == 0 ? Rgb8{0, 0, 64} : Rgb8{255, 255, 192}) : Hue(hue));
    }
    p.index.resize(count);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = 0;
            switch (bitCount) {
                case 1:
                    v = static_cast<std::uint32_t>(x / 4 + y / 4) + seed;
                    break;  // checkerboard
                case 4:
                    v = static_cast<std::uint32_t>(x * 16 / width) + seed;
                    break;  // vertical bars
                default:
                    v = static_cast<std::uint32_t>(x + 3 * y) + seed;
                    break;  // diagonal ramp
            }
            p.index[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(v % usable);
        }
    }
    return EncodeDib(p);
}

std::vector<std::uint8_t> MakeBmpFile(int bitCount, int width, int height, std::uint32_t seed) {
    const auto dib = MakeDib(bitCount, width, height, 0, false, seed);
    if (dib.empty()) return {};
    return WrapBmpFile(dib);
}

}  // namespace vorel::samples
