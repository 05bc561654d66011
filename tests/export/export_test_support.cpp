#include "export_test_support.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "image/bytes.h"

namespace vorel::testing {
namespace {

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The Debian python3 has Pillow (python3-pil); a python3 found first on PATH may not.
const std::string& Python() {
    static const std::string python = [] {
        for (const char* candidate : {"/usr/bin/python3", "python3"}) {
            const std::string cmd = std::string(candidate) + " -c 'import PIL' >/dev/null 2>&1";
            if (std::system(cmd.c_str()) == 0) return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

constexpr const char* kPillowScript =
    "import sys\n"
    "from PIL import Image\n"
    "im = Image.open(sys.argv[1])\n"
    "im.load()\n"
    "rgb = im.convert('RGB')\n"
    "open(sys.argv[2], 'wb').write(rgb.tobytes())\n"
    "print(rgb.size[0], rgb.size[1], im.mode)\n";

std::uint8_t PatternIndex(int x, int y, int colors) {
    return static_cast<std::uint8_t>((x * 7 + y * 3 + x * y) % colors);
}

Rgb TableColor(int i, int bits, bool whiteFirst) {
    if (bits == 1) {
        const bool white = (i == 0) == whiteFirst;
        return white ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
    }
    return {static_cast<std::uint8_t>(i * 37 + 11), static_cast<std::uint8_t>(i * 91 + 5),
            static_cast<std::uint8_t>(i * 13 + 200)};
}

}  // namespace

ScratchDir::ScratchDir() {
    std::string pattern = TempRoot() + "/vorel-export-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

ScratchDir::~ScratchDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Tests make folders read-only; give them back their write bit so they can go.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec)) {
        if (entry.is_directory(ec)) ::chmod(entry.path().c_str(), 0700);
    }
    ::chmod(path_.c_str(), 0700);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> ScratchDir::Entries() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::uint8_t>> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

Rgb PatternColor(int x, int y, int bits, bool whiteFirst) {
    if (bits == 24) {
        return {static_cast<std::uint8_t>(x * 29 + y * 7 + 1), static_cast<std::uint8_t>(x * 3 + y * 53),
                static_cast<std::uint8_t>(x * x + y)};
    }
    return TableColor(PatternIndex(x, y, 1 << bits), bits, whiteFirst);
}

Dib MakePatternDib(int width, int height, int bits, bool whiteFirst) {
    Dib dib = Dib::Create(width, height, bits);
    if (dib.IsNull()) return dib;
    if (bits != 24) {
        for (int i = 0; i < (1 << bits); ++i) {
            const Rgb c = TableColor(i, bits, whiteFirst);
            std::uint8_t* e = dib.ColorEntry(static_cast<std::size_t>(i));
            e[0] = c.b;
            e[1] = c.g;
            e[2] = c.r;
        }
    }
    for (int y = 0; y < height; ++y) {
        auto row = dib.StoredRow(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                const Rgb c = PatternColor(x, y, 24);
                row[3 * x] = c.b;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.r;
                continue;
            }
            const std::uint8_t index = PatternIndex(x, y, 1 << bits);
            const int perByte = 8 / bits;
            const int shift = 8 - bits * (x % perByte + 1);  // leftmost pixel in the high bits
            row[x / perByte] |= static_cast<std::uint8_t>(index << shift);
        }
        // Padding gets a value of its own, so a writer that copies it shows up.
        for (std::size_t i = (static_cast<std::size_t>(width) * bits + 7) / 8; i < row.size(); ++i)
            row[i] = 0xA5;
    }
    return dib;
}

std::vector<std::uint8_t> PatternRgb(int width, int height, int bits, bool whiteFirst) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = PatternColor(x, y, bits, whiteFirst);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    }
    return rgb;
}

std::string ShellQuote(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

CommandResult RunCommand(const std::string& command) {
    ScratchDir dir;
    const std::string out = dir.File("out");
    const std::string err = dir.File("err");
    const std::string full = "(" + command + ") >" + ShellQuote(out) + " 2>" + ShellQuote(err);
    CommandResult result;
    const int status = std::system(full.c_str());
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(out);
    result.err = ReadText(err);
    return result;
}

Decoded DecodeWithPillow(const std::string& path) {
    Decoded decoded;
    if (Python().empty()) {
        decoded.error = "Pillow is not installed";
        return decoded;
    }
    ScratchDir dir;
    const std::string raw = dir.File("pixels.rgb");
    const CommandResult run = RunCommand(Python() + " -c " + ShellQuote(kPillowScript) + " " +
                                         ShellQuote(path) + " " + ShellQuote(raw));
    if (run.exitCode != 0) {
        decoded.error = "Pillow: " + run.err;
        return decoded;
    }
    std::istringstream sizes(run.out);
    sizes >> decoded.width >> decoded.height;
    decoded.rgb = ReadAll(raw).value_or(std::vector<std::uint8_t>{});
    decoded.ok = true;
    return decoded;
}

Decoded DecodeWithTiff2Rgba(const std::string& path) {
    ScratchDir dir;
    const std::string converted = dir.File("rgba.tif");
    const CommandResult run = RunCommand("tiff2rgba " + ShellQuote(path) + " " + ShellQuote(converted));
    if (run.exitCode != 0 || !run.err.empty()) {
        Decoded failed;
        failed.error = "tiff2rgba: " + run.err;
        return failed;
    }
    return DecodeWithPillow(converted);
}

CommandResult TiffInfo(const std::string& path) {
    return RunCommand("tiffinfo " + ShellQuote(path));
}

std::string MissingReaders() {
    std::string missing;
    if (Python().empty()) missing += "Pillow (python3-pil) ";
    if (std::system("command -v tiffinfo >/dev/null 2>&1") != 0) missing += "tiffinfo (libtiff-tools) ";
    if (std::system("command -v tiff2rgba >/dev/null 2>&1") != 0) missing += "tiff2rgba (libtiff-tools) ";
    return missing;
}

int RunUnprivileged(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(255);
        }
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void OpenUpForOthers(const std::string& path, bool writable) {
    ::chmod(path.c_str(), writable ? 0777 : 0755);
}

}  // namespace vorel::testing
