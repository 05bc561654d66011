// The finder against reading the file, as whole processes: `cat FILE >
// /dev/null`, vorel-find on both kinds (with its default threads and with one),
// on bitmaps only, foremost carving bitmaps (their "BM" header) from the same
// file, the finder on the same bytes as a raw CD image, and on a larger file.
// Every round runs each command once, in a rotated order, so that a machine
// other work shares weighs on all alike; the figures are medians.
//
//   find_bench [--mb N] [--big-mb N] [--rounds N] [--keep] [FOLDER]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_args.h"
#include "bench_files.h"

extern char** environ;

namespace {

struct Run {
    double seconds = 0;
    double maxRssMiB = 0;
    int status = -1;
};

// Runs a program with its output thrown away; its time by the clock and its peak memory.
Run Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return run;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.maxRssMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Command {
    std::string name;
    std::vector<std::string> argv;
    bool foremost = false;  // needs a fresh output folder per run
    std::vector<double> seconds;
    double maxRssMiB = 0;
    int status = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv,
                           "The finder against `cat FILE > /dev/null` and foremost, as whole processes, paired.\n"
                           "usage: find_bench [--mb N] [--big-mb N] [--rounds N] [--keep] [FOLDER]\n"
                           "  FOLDER     where the files go (default $TMPDIR or /tmp); they are removed at the end unless --keep\n",
                           {{"--mb", "N", "size of the main file in MB, 1 to 65536 (default 512)"},
                            {"--big-mb", "N", "size of the larger file in MB, 0 for none (default 2048)"},
                            {"--rounds", "N", "rounds, 1 to 99 (default 9)"},
                            {"--keep", nullptr, "keep the files written"}},
                           1);
    const long mb = args.OptionNumber("--mb", 512, 1, 65536);
    const long bigMb = args.OptionNumber("--big-mb", 2048, 0, 65536);
    const long rounds = args.OptionNumber("--rounds", 9, 1, 99);
    const std::filesystem::path folder = !args.Positional().empty() ? args.Positional()[0]
                                         : std::getenv("TMPDIR")   ? std::getenv("TMPDIR")
                                                                   : "/tmp";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) args.Refuse("no folder " + folder.string());
    struct statvfs fs {};
    const double needMb = static_cast<double>(mb) * 2.2 + static_cast<double>(bigMb) + 1000;
    if (statvfs(folder.c_str(), &fs) == 0 &&
        static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize) / 1e6 < needMb)
        args.Refuse("not enough free space in " + folder.string() + " (" + std::to_string(long(needMb)) + " MB needed)");

    const std::string file = (folder / "vorel-find-bench.bin").string();
    const std::string raw = (folder / "vorel-find-bench-raw.bin").string();
    const std::string big = (folder / "vorel-find-bench-big.bin").string();
    const std::string carved = (folder / "vorel-find-bench-foremost").string();
    std::printf("writing %ld MB, its raw CD image%s in %s ...\n", mb,
                bigMb > 0 ? (" and " + std::to_string(bigMb) + " MB").c_str() : "", folder.c_str());
    const bench::Made made = bench::MakeFile(file, static_cast<std::size_t>(mb));
    bench::MakeRawImage(file, raw);
    if (bigMb > 0) bench::MakeFile(big, static_cast<std::size_t>(bigMb));

    const std::string find = VOREL_FIND_EXE;
    const bool haveForemost = std::system("command -v foremost >/dev/null 2>&1") == 0;
    std::vector<Command> commands = {
        {"cat FILE > /dev/null", {"cat", file}},
        {"vorel-find --tsv", {find, "--tsv", file}},
        {"vorel-find --tsv --threads 1", {find, "--tsv", "--threads", "1", file}},
        {"vorel-find --tsv --type bmp", {find, "--tsv", "--type", "bmp", file}},
        {"vorel-find --tsv, raw image", {find, "--tsv", raw}},
    };
    if (haveForemost) commands.push_back({"foremost -t bmp", {"foremost", "-Q", "-t", "bmp", "-i", file, "-o", carved}, true});
    if (bigMb > 0) {
        commands.push_back({"cat BIG > /dev/null", {"cat", big}});
        commands.push_back({"vorel-find --tsv BIG", {find, "--tsv", big}});
    }
    // Into the page cache.
    for (const std::string& path : {file, raw, big}) {
        if (std::filesystem::exists(path)) Spawn({"cat", path});
    }
    for (long round = 0; round < rounds; ++round) {
        for (std::size_t k = 0; k < commands.size(); ++k) {
            Command& c = commands[(k + static_cast<std::size_t>(round)) % commands.size()];
            if (c.foremost) std::filesystem::remove_all(carved, error);
            const Run run = Spawn(c.argv);
            c.seconds.push_back(run.seconds);
            c.maxRssMiB = std::max(c.maxRssMiB, run.maxRssMiB);
            if (run.status != 0 && !(c.foremost && run.status == 1)) c.status = run.status;
        }
    }
    std::filesystem::remove_all(carved, error);

    std::map<std::string, double> median;
    for (const Command& c : commands) median[c.name] = Median(c.seconds);
    const double cat = median["cat FILE > /dev/null"];
    std::printf("\nfile: %ld MB, %ld TIMs and %ld bitmaps placed; %u processor cores; medians of %ld paired rounds\n",
                mb, made.tims, made.bitmaps, std::thread::hardware_concurrency(), rounds);
    std::printf("%-32s %9s %10s %12s %6s\n", "", "seconds", "x cat", "peak MiB", "exit");
    for (const Command& c : commands) {
        const bool onBig = c.name.find("BIG") != std::string::npos;
        const double base = onBig ? median["cat BIG > /dev/null"] : cat;
        std::printf("%-32s %9.3f %10.2f %12.1f %6d\n", c.name.c_str(), median[c.name], median[c.name] / base,
                    c.maxRssMiB, c.status);
    }
    const double bmp = median["vorel-find --tsv --type bmp"];
    if (haveForemost) std::printf("foremost -t bmp / vorel-find --type bmp: %.1f x\n", median["foremost -t bmp"] / bmp);
    std::printf("raw image / plain file (vorel-find --tsv): %.2f x (the raw file is %.0f %% larger)\n",
                median["vorel-find --tsv, raw image"] / median["vorel-find --tsv"],
                100.0 * (static_cast<double>(std::filesystem::file_size(raw)) /
                             static_cast<double>(std::filesystem::file_size(file)) -
                         1));
    std::printf("threads: --threads 1 / default: %.2f x\n",
                median["vorel-find --tsv --threads 1"] / median["vorel-find --tsv"]);
    if (!args.Has("--keep")) {
        for (const std::string& path : {file, raw, big}) std::filesystem::remove(path, error);
    }
    return 0;
}
