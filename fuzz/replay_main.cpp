// Feeds saved inputs to a fuzz target without libFuzzer, so any compiler and any
// build (plain or sanitized) can replay a corpus or a reproducer:
//   fuzz_replay_scan fuzz/corpus/scan tests/regressions/crash.bin
// Folders are read in name order. Exits non-zero when no input was found.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> Inputs(const std::filesystem::path& arg) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    if (std::filesystem::is_directory(arg, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(arg, error)) {
            if (entry.is_regular_file(error)) found.push_back(entry.path());
        }
        std::sort(found.begin(), found.end());
    } else if (std::filesystem::is_regular_file(arg, error)) {
        found.push_back(arg);
    } else {
        std::fprintf(stderr, "no such input: %s\n", arg.c_str());
    }
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& path : Inputs(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                                  std::istreambuf_iterator<char>()};
            // An empty vector's data() may be null; libFuzzer never passes null, so neither do we.
            static const std::uint8_t kNothing = 0;
            LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
            ++count;
        }
    }
    std::printf("replayed %zu inputs\n", count);
    return count == 0 ? 1 : 0;
}
