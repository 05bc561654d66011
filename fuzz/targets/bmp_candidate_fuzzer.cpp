// The bitmap header test at the first byte, and the conversion of a bitmap that fits.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::CheckBmpCandidate({data, size});
    return 0;
}
