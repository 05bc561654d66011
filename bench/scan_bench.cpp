// Scan throughput: how fast the TIM and bitmap scanners walk a large file,
// compared with simply reading the same file in the same run.
//
//   scan_bench [MEGABYTES] [FOLDER]    (default 512 MB in $TMPDIR or /tmp)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sample_builders/sample_builders.h"
#include "search/file_reader.h"
#include "search/scanners.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingHost : public vorel::ISearchHost {
public:
    void CreateProgress() override {}
    void SetProgressLabel(std::string_view) override {}
    bool CheckCancel() override { return false; }
    void StepProgress() override {}
    void DestroyProgress() override {}
    bool AskYesNo(std::string_view) override { return false; }
    vorel::DocumentRef OpenDocument(const vorel::SearchState&, std::string_view) override {
        ++opened;
        return this;
    }
    long opened = 0;
};

struct Made {
    long tims = 0;
    long bitmaps = 0;
};

// Random bytes with a real image every 1 to 2 MB, alternating TIMs and bitmaps.
Made MakeFile(const std::string& path, std::size_t megabytes) {
    std::ofstream out(path, std::ios::binary);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    std::vector<std::uint8_t> block(1000000);
    Made made;
    const std::vector<std::vector<std::uint8_t>> images = {
        vorel::samples::MakeTim(8, 64, 64, 4), vorel::samples::MakeDib(8, 100, 80),
        vorel::samples::MakeTim(2, 128, 96),   vorel::samples::MakeDib(24, 64, 64),
        vorel::samples::MakeTim(9, 256, 256),  vorel::samples::MakeDib(4, 33, 17)};
    for (std::size_t mb = 0; mb < megabytes; ++mb) {
        for (std::size_t i = 0; i + 8 <= block.size(); i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            std::memcpy(block.data() + i, &x, 8);
        }
        if (mb % 2 == 1) {
            const auto& image = images[(mb / 2) % images.size()];
            std::memcpy(block.data() + (x % (block.size() - image.size())), image.data(), image.size());
            ((mb / 2) % 2 == 0 ? made.tims : made.bitmaps)++;
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    }
    return made;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The baseline: the same file read in the scanners' chunk size, each byte touched once.
double PlainRead(const std::string& path, std::uint64_t& checksum) {
    vorel::FileReader file;
    file.Open(path);
    std::vector<std::uint8_t> buffer(1000000);
    const auto start = Clock::now();
    std::int64_t offset = 0;
    for (;;) {
        const std::int64_t got = file.ReadAt(offset, buffer);
        if (got <= 0) break;
        checksum += buffer[static_cast<std::size_t>(got) - 1];
        offset += got;
    }
    return Seconds(start);
}

template <class Scan>
double Best(int runs, Scan scan) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        scan();
        best = std::min(best, Seconds(start));
    }
    return best;
}

long PeakRssKb(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 512;
    const std::filesystem::path folder =
        argc > 2 ? argv[2] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    const std::string path = (folder / "vorel-scan-bench.bin").string();
    std::printf("generating %zu MB of random bytes with images in %s ...\n", megabytes, path.c_str());
    const Made made = MakeFile(path, megabytes);
    const double mb = static_cast<double>(megabytes) * 1e6 / 1e6;

    std::uint64_t checksum = 0;
    PlainRead(path, checksum);  // into the page cache
    const double read = Best(3, [&] { PlainRead(path, checksum); });

    vorel::MemorySettingsStore store;
    CountingHost timHost;
    CountingHost bmpHost;
    const double tim = Best(3, [&] {
        vorel::SearchState state;
        timHost.opened = 0;
        vorel::SearchTim(state, timHost, store, path);
    });
    const double bmp = Best(3, [&] {
        vorel::SearchState state;
        bmpHost.opened = 0;
        vorel::SearchBmp(state, bmpHost, store, path);
    });
    const long benchPeak = PeakRssKb(RUSAGE_SELF);

    // The finder over the whole file, in a process of its own, for its peak memory.
    const auto findStart = Clock::now();
    const std::string command = std::string("\"") + VOREL_FIND_EXE + "\" --tsv \"" + path + "\" >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    const double find = Seconds(findStart);
    const long findPeak = PeakRssKb(RUSAGE_CHILDREN);

    std::printf("\nfile: %.0f MB, %ld TIMs and %ld bitmaps placed\n", mb, made.tims, made.bitmaps);
    std::printf("%-22s %9s %10s %16s\n", "", "seconds", "MB/s", "x plain read");
    std::printf("%-22s %9.3f %10.0f %16.2f\n", "plain read (baseline)", read, mb / read, 1.0);
    std::printf("%-22s %9.3f %10.0f %16.2f   (%ld found)\n", "SearchTim", tim, mb / tim, tim / read, timHost.opened);
    std::printf("%-22s %9.3f %10.0f %16.2f   (%ld found)\n", "SearchBmp", bmp, mb / bmp, bmp / read, bmpHost.opened);
    std::printf("%-22s %9.3f %10.0f %16.2f   (both scans, exit %d)\n", "vorel-find", find, mb / find, find / read,
                WEXITSTATUS(status));
    std::printf("\npeak resident memory: benchmark %.1f MiB, vorel-find %.1f MiB\n", benchPeak / 1024.0,
                findPeak / 1024.0);
    const bool ok = timHost.opened == made.tims && bmpHost.opened == made.bitmaps;
    if (!ok) std::printf("MISMATCH: the scans did not find exactly the images placed\n");
    std::filesystem::remove(path);
    return ok ? 0 : 1;
}
