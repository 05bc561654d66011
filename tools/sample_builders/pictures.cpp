#include "sample_builders/pictures.h"

namespace vorel::samples {

Rgb8 Hue(int step) {
    step %= kHueSteps;
    if (step < 0) step += kHueSteps;
    const auto f = static_cast<std::uint8_t>(step % 256);
    const auto g = static_cast<std::uint8_t>(255 - f);
    switch (step / 256) {
        case 0:
            return {255, f, 0};
        case 1:
            return {g, 255, 0};
        case 2:
            return {0, 255, f};
        case 3:
            return {0, g, 255};
        case 4:
            return {f, 0, 255};
        default:
            return {255, 0, g};
    }
}

}  // namespace vorel::samples
