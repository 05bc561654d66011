// A whole search run over the input; its last four bytes choose the run's options.
#include <cstddef>
#include <cstdint>

#include "harness/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vorel::fuzz::Input input(data, size);
    const vorel::fuzz::ScanOptions options = vorel::fuzz::TakeScanOptions(input);
    vorel::fuzz::ScanBuffer(input, options);
    return 0;
}
