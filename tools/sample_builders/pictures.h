// Pictures drawn for the bundled sample and the builders' patterns.
#pragma once

#include "sample_builders/encode.h"

namespace vorel::samples {

// A fully saturated colour around the colour wheel: 0 red, 256 yellow, 512 green,
// 768 cyan, 1024 blue, 1280 magenta, back to red at kHueSteps.
inline constexpr int kHueSteps = 1536;
Rgb8 Hue(int step);

}  // namespace vorel::samples
