// The ISO 9660 reader over an image whose sectors from 16 on are the input.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::CheckDiscTree({data, size});
    return 0;
}
