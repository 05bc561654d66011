// The TIM candidate test at the first byte, and the conversion of what it accepts.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::CheckTimCandidate({data, size});
    return 0;
}
