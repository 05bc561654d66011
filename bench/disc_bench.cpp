// Disc files: how long reading the ISO 9660 tree of a full CD image takes, and
// what naming the disc file of every image costs the finder, against the same
// finder on the same bytes with the volume descriptor cleared (which makes the
// file no CD image, so it is searched exactly as before), in the same run.
//
//   disc_bench [--mb MB] [--files N] [--dir DIR]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_args.h"
#include "disc/disc_map.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/disc_image.h"
#include "sample_builders/sample_builders.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFinderRounds = 7;

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Best(int rounds, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        run();
        best = std::min(best, Seconds(start));
    }
    return best;
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `files` files in folders of 50, about `megabytes` in all; every tenth holds a TIM.
int WriteSource(const fs::path& root, long megabytes, int files) {
    const std::size_t each = static_cast<std::size_t>(megabytes) * 1000000 / static_cast<std::size_t>(files);
    const auto tim = vorel::samples::MakeTim(8, 16, 16, 1, 1);
    int images = 0;
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "DIR%d", i / 50);
        const fs::path folder = root / name;
        fs::create_directories(folder);
        auto bytes = vorel::samples::QuietNoise(each, static_cast<std::uint32_t>(i + 1));
        if (i % 10 == 0 && bytes.size() > tim.size() + 5000) {
            std::copy(tim.begin(), tim.end(), bytes.begin() + 1000 + i % 3000);
            ++images;
        }
        std::snprintf(name, sizeof name, "F%d.BIN", i);
        WriteBytes(folder / name, bytes);
    }
    return images;
}

const char kUsage[] =
    "usage: disc_bench [--mb MB] [--files N] [--dir DIR]\n"
    "  Makes a CD image of about MB megabytes (default 650) holding N files (default 3000) with\n"
    "  genisoimage in DIR (default $TMPDIR or /tmp), as .iso and as a raw .bin, and prints the time\n"
    "  to read its tree and the finder's time on it against the same bytes without a file system.\n";

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv, kUsage,
                           {{"--mb", "MB", "size of the disc in megabytes (default 650)"},
                            {"--files", "N", "files on the disc (default 3000)"},
                            {"--dir", "DIR", "where to write (default $TMPDIR or /tmp)"}});
    const long megabytes = args.OptionNumber("--mb", 650, 1, 4000);
    const int files = static_cast<int>(args.OptionNumber("--files", 3000, 1, 100000));
    const fs::path dir = args.Has("--dir") ? args.Value("--dir") : std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    if (!fs::is_directory(dir)) args.Refuse(dir.string() + " is no folder");

    const fs::path work = dir / "vorel-disc-bench";
    fs::remove_all(work);
    fs::create_directories(work / "src");
    // The user's saved settings must not steer the finder here.
    ::setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    std::printf("writing %d files of %ld MB in all, and the disc image, under %s ...\n", files, megabytes, work.c_str());
    const int placed = WriteSource(work / "src", megabytes, files);
    const fs::path iso = work / "disc.iso";
    if (!vorel::samples::MakeIso((work / "src").string(), iso.string(), "-J")) {
        std::fprintf(stderr, "disc_bench: genisoimage failed\n");
        return 1;
    }
    fs::remove_all(work / "src");
    auto bytes = ReadBytes(iso);
    // Every file compared is written the same way, by this program: the file as
    // genisoimage wrote it was searched about 1.25 x slower (more system time in
    // its reads from the page cache) than a fresh copy of the very same bytes.
    fs::remove(iso);
    WriteBytes(iso, bytes);
    const fs::path bin = work / "disc.bin";
    WriteBytes(bin, vorel::samples::WrapRaw(bytes, {}));
    // The same bytes with sector 16 cleared: no CD image any more, searched as before.
    std::fill_n(bytes.begin() + 16 * 2048, 2048, 0);
    const fs::path isoBare = work / "bare.iso";
    WriteBytes(isoBare, bytes);
    const fs::path binBare = work / "bare.bin";
    WriteBytes(binBare, vorel::samples::WrapRaw(bytes, {}));
    bytes = {};

    std::size_t discFiles = 0;
    const auto readTree = [&](const fs::path& path) {
        vorel::DiscMap map;
        map.Load(path.string(), vorel::SectorReading::kAuto);
        discFiles = map.Tree().files.size();
    };
    readTree(iso);  // into the page cache
    readTree(bin);
    const double treeIso = Best(9, [&] { readTree(iso); });
    const double treeBin = Best(9, [&] { readTree(bin); });

    int status = 0;
    // The best wall time and the best processor time (user + system) of the finder's process.
    struct Timing {
        double wall = 1e30;
        double cpu = 1e30;
    };
    const auto finder = [&](const fs::path& path, Timing& best) {
        const std::string command = std::string("\"") + VOREL_FIND_EXE + "\" --tsv \"" + path.string() + "\" >\"" +
                                    (work / "out.tsv").string() + "\" 2>/dev/null";
        const double cpu = ChildCpuSeconds();
        const auto start = Clock::now();
        status = std::system(command.c_str());
        best.wall = std::min(best.wall, Seconds(start));
        best.cpu = std::min(best.cpu, ChildCpuSeconds() - cpu);
    };
    Timing findIso, findIsoBare, findBin, findBinBare;
    // Alternating, so that a busy machine weighs on both alike.
    for (int round = 0; round < kFinderRounds; ++round) {
        finder(isoBare, findIsoBare);
        finder(iso, findIso);
        finder(binBare, findBinBare);
        finder(bin, findBin);
    }
    std::ifstream tsv(work / "out.tsv");
    int named = 0;
    for (std::string line; std::getline(tsv, line);) named += line.find("\t/DIR") != std::string::npos ? 1 : 0;

    const double mb = static_cast<double>(fs::file_size(iso)) / 1e6;
    std::printf("disc: %.0f MB .iso (%.0f MB raw), %zu files, %d TIMs placed\n", mb,
                static_cast<double>(fs::file_size(bin)) / 1e6, discFiles, placed);
    std::printf("%-34s %10s %8s %10s %8s\n", "", "wall ms", "ratio", "cpu ms", "ratio");
    std::printf("%-34s %10.2f\n", "read the tree, .iso", treeIso * 1e3);
    std::printf("%-34s %10.2f\n", "read the tree, raw .bin", treeBin * 1e3);
    const auto row = [](const char* what, const Timing& t, const Timing& base) {
        std::printf("%-34s %10.1f %8.2f %10.1f %8.2f\n", what, t.wall * 1e3, t.wall / base.wall, t.cpu * 1e3,
                    t.cpu / base.cpu);
    };
    row("vorel-find, .iso without its tree", findIsoBare, findIsoBare);
    row("vorel-find, .iso, files named", findIso, findIsoBare);
    row("vorel-find, raw without its tree", findBinBare, findBinBare);
    row("vorel-find, raw, files named", findBin, findBinBare);
    std::printf("images named on the raw image: %d of %d placed (exit %d); best of 9 tree reads, %d finder runs each\n",
                named, placed, status, kFinderRounds);
    fs::remove_all(work);
    return 0;
}
