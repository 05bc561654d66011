// The BMP and TIFF writers on a DIB shaped by the input.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::CheckWriters({data, size});
    return 0;
}
