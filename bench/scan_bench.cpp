// Scan throughput: how fast the TIM and bitmap scanners walk a large file,
// compared with simply reading the same file in the same run.
//
//   scan_bench [MEGABYTES] [FOLDER]    (default 512 MB in $TMPDIR or /tmp; --help)
//
// The same content is also wrapped in a raw CD image (Mode 2 Form 1 sectors of
// 2,352 bytes), and each scan of it is set against the scan of the plain file.
// The TIM scan by the real-game rules (the default) is set against the strict
// rules on the same file, and on a file dense with TIM-like headers that make
// every rule run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_args.h"
#include "bench_files.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"
#include "search/file_reader.h"
#include "search/scanners.h"

namespace {

using bench::Made;
using bench::MakeFile;
using bench::MakeRawImage;
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

// A TIM id every 64 bytes, with flag words of every mode and stray bits, sizes
// inside video memory and first blocks one byte longer than they could be
// (odd), so that no rule accepts one but each is judged to its last test.
void MakeDenseCandidates(const std::string& path, std::size_t megabytes) {
    std::ofstream out(path, std::ios::binary);
    std::uint64_t x = 0x2545F4914F6CDD1Dull;
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    static constexpr std::uint32_t kModes[] = {2, 3, 8, 9, 0xA, 0xB, 0x48, 0x49};
    std::vector<std::uint8_t> block(1000000);
    for (std::size_t mb = 0; mb < megabytes; ++mb) {
        for (std::size_t at = 0; at + 64 <= block.size(); at += 64) {
            for (std::size_t i = 0; i < 64; i += 8) {
                const std::uint64_t r = next();
                std::memcpy(block.data() + at + i, &r, 8);
            }
            const std::uint64_t r = next();
            const std::uint16_t size[] = {static_cast<std::uint16_t>(1 + (r >> 24) % 1024),
                                          static_cast<std::uint16_t>(1 + (r >> 44) % 512)};
            const std::uint32_t head[] = {0x10, kModes[r % 8] | static_cast<std::uint32_t>((r >> 8) & 0xFFF0),
                                          13u + 2u * size[0] * size[1]};
            std::memcpy(block.data() + at, head, sizeof head);
            std::memcpy(block.data() + at + 16, size, sizeof size);
        }
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
    }
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor time of this thread, kernel time included (the reads are copies the kernel makes):
// steadier than the clock on a machine that other work shares.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

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
    const bench::Args args(argc, argv,
                           "Scan throughput of the TIM and bitmap scanners against a plain read of the same file.\n"
                           "usage: scan_bench [MEGABYTES] [FOLDER]\n"
                           "  MEGABYTES  size of the file written, 1 to 65536 (default 512)\n"
                           "  FOLDER     where the file and its raw CD image go (default $TMPDIR or /tmp)\n",
                           {}, 2);
    const std::vector<std::string>& given = args.Positional();
    const auto megabytes =
        static_cast<std::size_t>(given.empty() ? 512 : args.Number("MEGABYTES", given[0], 1, 65536));
    const std::filesystem::path folder =
        given.size() > 1 ? given[1] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) args.Refuse("no folder " + folder.string());
    const std::string path = (folder / "vorel-scan-bench.bin").string();
    std::printf("generating %zu MB of random bytes with images in %s ...\n", megabytes, path.c_str());
    const Made made = MakeFile(path, megabytes);
    const double mb = static_cast<double>(megabytes) * 1e6 / 1e6;

    std::uint64_t checksum = 0;
    PlainRead(path, checksum);  // into the page cache
    const double read = Best(3, [&] { PlainRead(path, checksum); });

    const std::string rawPath = (folder / "vorel-scan-bench-raw.bin").string();
    std::printf("wrapping it in 2,352-byte sectors in %s ...\n", rawPath.c_str());
    MakeRawImage(path, rawPath);
    PlainRead(rawPath, checksum);  // into the page cache

    vorel::MemorySettingsStore store;
    // One thread, so that the processor time of this thread is the whole scan's
    // (find_bench measures the finder with its threads).
    vorel::Write(store, vorel::settings::kScanThreads, 1);
    // The best of several runs, by the clock and by processor time.
    const auto scan = [&](auto search, const std::string& file, long& found, Timing& best) {
        vorel::SearchState state;
        CountingHost host;
        const auto start = Clock::now();
        const double cpu = CpuSeconds();
        search(state, host, store, file);
        best.cpu = std::min(best.cpu, CpuSeconds() - cpu);
        best.wall = std::min(best.wall, Seconds(start));
        found = host.opened;
    };
    long timFound = 0, bmpFound = 0, timRawFound = 0, bmpRawFound = 0;
    // Plain and raw scans alternate, so that a busy machine weighs on both alike.
    Timing timT, bmpT, timRawT, bmpRawT;
    for (int round = 0; round < 7; ++round) {
        scan(vorel::SearchTim, path, timFound, timT);
        scan(vorel::SearchTim, rawPath, timRawFound, timRawT);
        scan(vorel::SearchBmp, path, bmpFound, bmpT);
        scan(vorel::SearchBmp, rawPath, bmpRawFound, bmpRawT);
    }
    const double tim = timT.wall, timRaw = timRawT.wall, bmp = bmpT.wall, bmpRaw = bmpRawT.wall;

    // The TIM rules, alternating as above: the real-game rules read from the
    // default store, the strict ones from a store that asks for them.
    vorel::MemorySettingsStore strictStore;
    vorel::Write(strictStore, vorel::settings::kStrictTim, 1);
    vorel::Write(strictStore, vorel::settings::kScanThreads, 1);  // one thread, as above
    const std::string densePath = (folder / "vorel-scan-bench-dense.bin").string();
    const std::size_t denseMegabytes = std::min<std::size_t>(megabytes, 64);
    std::printf("writing %zu MB dense with TIM-like headers in %s ...\n", denseMegabytes, densePath.c_str());
    MakeDenseCandidates(densePath, denseMegabytes);
    PlainRead(densePath, checksum);  // into the page cache
    const auto scanTim = [&](const vorel::ISettingsStore& rules, const std::string& file, long& found, Timing& best) {
        vorel::SearchState state;
        CountingHost host;
        const auto start = Clock::now();
        const double cpu = CpuSeconds();
        vorel::SearchTim(state, host, rules, file);
        best.cpu = std::min(best.cpu, CpuSeconds() - cpu);
        best.wall = std::min(best.wall, Seconds(start));
        found = host.opened;
    };
    long wideFound = 0, strictFound = 0, wideDenseFound = 0, strictDenseFound = 0;
    Timing wideT, strictT, wideDenseT, strictDenseT;
    for (int round = 0; round < 7; ++round) {
        scanTim(store, path, wideFound, wideT);
        scanTim(strictStore, path, strictFound, strictT);
        scanTim(store, densePath, wideDenseFound, wideDenseT);
        scanTim(strictStore, densePath, strictDenseFound, strictDenseT);
    }
    std::filesystem::remove(densePath);
    const long benchPeak = PeakRssKb(RUSAGE_SELF);

    // The finder over the whole file, in a process of its own, for its peak memory.
    const auto finder = [&](const std::string& file, int& status) {
        const auto start = Clock::now();
        const std::string command = std::string("\"") + VOREL_FIND_EXE + "\" --tsv \"" + file + "\" >/dev/null 2>&1";
        status = std::system(command.c_str());
        return Seconds(start);
    };
    int status = 0, rawStatus = 0;
    const double find = finder(path, status);
    const long findPeak = PeakRssKb(RUSAGE_CHILDREN);
    const double findRaw = finder(rawPath, rawStatus);
    const long findRawPeak = PeakRssKb(RUSAGE_CHILDREN);

    std::printf("\nfile: %.0f MB, %ld TIMs and %ld bitmaps placed; raw image %.0f MB\n", mb, made.tims, made.bitmaps,
                static_cast<double>(std::filesystem::file_size(rawPath)) / 1e6);
    std::printf("%-22s %9s %10s %16s %12s\n", "", "seconds", "MB/s", "x plain read", "x plain scan");
    std::printf("%-22s %9.3f %10.0f %16.2f\n", "plain read (baseline)", read, mb / read, 1.0);
    std::printf("%-22s %9.3f %10.0f %16.2f %12s   (%ld found)\n", "SearchTim", tim, mb / tim, tim / read, "",
                timFound);
    std::printf("%-22s %9.3f %10.0f %16.2f %12.2f   (%ld found)\n", "SearchTim, raw image", timRaw, mb / timRaw,
                timRaw / read, timRaw / tim, timRawFound);
    std::printf("%-22s %9.3f %10.0f %16.2f %12s   (%ld found)\n", "SearchBmp", bmp, mb / bmp, bmp / read, "",
                bmpFound);
    std::printf("%-22s %9.3f %10.0f %16.2f %12.2f   (%ld found)\n", "SearchBmp, raw image", bmpRaw, mb / bmpRaw,
                bmpRaw / read, bmpRaw / bmp, bmpRawFound);
    std::printf("%-22s %9.3f %10.0f %16.2f %12s   (both scans, exit %d)\n", "vorel-find", find, mb / find,
                find / read, "", WEXITSTATUS(status));
    std::printf("%-22s %9.3f %10.0f %16.2f %12.2f   (both scans, exit %d)\n", "vorel-find, raw image", findRaw,
                mb / findRaw, findRaw / read, findRaw / find, WEXITSTATUS(rawStatus));
    std::printf("\nMB/s count the user data (the plain file's bytes) in both cases.\n");
    std::printf("processor time, best of 7:   SearchTim %.3f s, raw %.3f s (x %.2f);   SearchBmp %.3f s, raw %.3f s (x %.2f)\n",
                timT.cpu, timRawT.cpu, timRawT.cpu / timT.cpu, bmpT.cpu, bmpRawT.cpu, bmpRawT.cpu / bmpT.cpu);
    std::printf("peak resident memory: benchmark %.1f MiB, vorel-find %.1f MiB, vorel-find on the raw image %.1f MiB\n",
                benchPeak / 1024.0, findPeak / 1024.0, findRawPeak / 1024.0);
    std::printf("\nTIM rules, best of 7        real-game (s)   strict (s)   ratio (clock)   ratio (processor)\n");
    std::printf("%-26s %15.3f %12.3f %15.3f %19.3f   (%ld / %ld found)\n", "this file", wideT.wall, strictT.wall,
                wideT.wall / strictT.wall, wideT.cpu / strictT.cpu, wideFound, strictFound);
    std::printf("%-26s %15.3f %12.3f %15.3f %19.3f   (%ld / %ld found)\n", "dense TIM-like headers", wideDenseT.wall,
                strictDenseT.wall, wideDenseT.wall / strictDenseT.wall, wideDenseT.cpu / strictDenseT.cpu,
                wideDenseFound, strictDenseFound);
    const double candidates = static_cast<double>(denseMegabytes) * 1e6 / 64;
    std::printf("dense file: %.0f candidates, %.1f ns more each by the real-game rules (processor time)\n",
                candidates, (wideDenseT.cpu - strictDenseT.cpu) / candidates * 1e9);
    const bool rulesFast = wideT.cpu <= 1.05 * strictT.cpu;
    std::printf("real-game rules within 1.05 x the strict rules on this file (processor time): %s\n",
                rulesFast ? "yes" : "NO");
    const bool ok = wideFound == made.tims && strictFound == made.tims && wideDenseFound == strictDenseFound &&
                    timFound == made.tims && bmpFound == made.bitmaps && timRawFound == made.tims &&
                    bmpRawFound == made.bitmaps;
    if (!ok) std::printf("MISMATCH: the scans did not find exactly the images placed\n");
    const bool fast = timRaw <= 1.3 * tim && bmpRaw <= 1.3 * bmp;
    const bool fastCpu = timRawT.cpu <= 1.3 * timT.cpu && bmpRawT.cpu <= 1.3 * bmpT.cpu;
    std::printf("raw image scans within 1.3 x the plain scans: %s by the clock, %s by processor time\n",
                fast ? "yes" : "NO", fastCpu ? "yes" : "NO");
    std::filesystem::remove(path);
    std::filesystem::remove(rawPath);
    return ok ? 0 : 1;
}
