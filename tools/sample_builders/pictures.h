// Pictures drawn for the bundled sample and the builders' patterns. All
// drawing is integer arithmetic, so the sample comes out byte-identical on
// every machine.
#pragma once

#include <cstdint>
#include <vector>

#include "sample_builders/encode.h"

namespace vorel::samples {

// A fully saturated colour around the colour wheel: 0 red, 256 yellow, 512 green,
// 768 cyan, 1024 blue, 1280 magenta, back to red at kHueSteps.
inline constexpr int kHueSteps = 1536;
Rgb8 Hue(int step);

// a + (b - a) * t / range, per channel.
Rgb8 Mix(Rgb8 a, Rgb8 b, int t, int range);

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgb8> pixels;  // row-major, top row first
};

struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> index;  // row-major, top row first
};

// A smiling face, `size` pixels square, in colour indices 0..7 (background,
// outline, face, shade, eyes, mouth, cheeks, highlight); SmileyCluts gives four
// moods of 16 colours each for those indices.
IndexedPicture DrawSmiley(int size);
std::vector<std::vector<std::uint16_t>> SmileyCluts();

// A checkerboard whose dark squares run a horizontal gradient (indices 0..127)
// and light squares a vertical one (128..255), with its 256-colour CLUT.
IndexedPicture DrawCheckerGradient(int width, int height, int square);
std::vector<std::uint16_t> CheckerGradientClut();

// Television colour bars over a rainbow and a grey ramp.
RgbPicture DrawColourBars(int width, int height);

// The word VOREL in bevelled blocky letters over an evening sky.
RgbPicture DrawVorelBanner(int width, int height);

// The word VOREL in blocky letters, index 1 on index 0.
IndexedPicture DrawVorelWord(int width, int height);

// Sky, sun, cloud, hills and water in the 12 colours of LandscapeColours.
IndexedPicture DrawLandscape(int width, int height);
std::vector<Rgb8> LandscapeColours();

// Concentric rainbow rings in the 256 colours of RingColours.
IndexedPicture DrawRings(int width, int height);
std::vector<Rgb8> RingColours();

// Hue across, brightness down: every colour of the wheel from full to dark.
RgbPicture DrawHueField(int width, int height);

// Red, green and blue discs overlapping into cyan, magenta, yellow and white.
RgbPicture DrawColourDiscs(int size);

}  // namespace vorel::samples
