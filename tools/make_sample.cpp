// vorel-make-sample OUTFILE [--table]: writes the bundled sample file
// (samples/sample.bin); --table prints its images as a Markdown table.
#include <cstdio>
#include <cstring>
#include <string>

#include "sample_builders/sample_file.h"

int main(int argc, char** argv) {
    // An option where the file name goes is a request for help, not a name.
    const bool help = argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(help ? stdout : stderr, "usage: %s OUTFILE [--table]\n", argv[0]);
        return help ? 0 : 2;
    }
    const vorel::samples::SampleFile sample = vorel::samples::BuildSampleFile();
    if (sample.bytes.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], sample.problem.c_str());
        return 1;
    }
    // Write beside the target and rename, so a failed write leaves the old file whole.
    const std::string temporary = std::string(argv[1]) + ".tmp";
    FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "%s: cannot create %s\n", argv[0], temporary.c_str());
        return 1;
    }
    const bool written = std::fwrite(sample.bytes.data(), 1, sample.bytes.size(), f) == sample.bytes.size();
    if (std::fclose(f) != 0 || !written || std::rename(temporary.c_str(), argv[1]) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    if (argc > 2 && std::strcmp(argv[2], "--table") == 0) {
        std::fputs(vorel::samples::SampleTableMarkdown(sample.images).c_str(), stdout);
    }
    std::fprintf(stderr, "%s: %zu bytes, %zu images\n", argv[1], sample.bytes.size(), sample.images.size());
    return 0;
}
