// The octree quantiser on a 24-bit picture made from the input.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::CheckOptimizedPalette({data, size});
    return 0;
}
