// Helpers for the writer tests: scratch folders, known test pictures, and the
// independent readers (Pillow, libtiff's tools) that decode what was written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/dib.h"

namespace vorel::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::string path_;
};

std::optional<std::vector<std::uint8_t>> ReadAll(const std::string& path);
bool WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool Exists(const std::string& path);

// A picture whose every pixel follows from its position, so the expected colours
// never come from the code under test. Indexed images get a colour table of
// distinct colours; `whiteFirst` makes entry 0 of a 1-bit table white, else black.
Dib MakePatternDib(int width, int height, int bits, bool whiteFirst = false);
// The colour of pixel (x, y), y counted from the top, as the pattern defines it.
struct Rgb {
    std::uint8_t r, g, b;
};
Rgb PatternColor(int x, int y, int bits, bool whiteFirst = false);
// The whole picture, rows from the top, red-green-blue per pixel.
std::vector<std::uint8_t> PatternRgb(int width, int height, int bits, bool whiteFirst = false);

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
CommandResult RunCommand(const std::string& command);
std::string ShellQuote(const std::string& s);

// A picture decoded by an independent reader, rows from the top, RGB bytes.
struct Decoded {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};
// Pillow (Python Imaging Library).
Decoded DecodeWithPillow(const std::string& path);
// libtiff's tiff2rgba, its output read back by Pillow.
Decoded DecodeWithTiff2Rgba(const std::string& path);
// What tiffinfo prints about a file; a file it accepts gives exit code 0 and nothing on stderr.
CommandResult TiffInfo(const std::string& path);
// Empty when Pillow and the libtiff tools can be run; otherwise what is missing.
std::string MissingReaders();

// Runs `body` in a child process without the super-user's power to ignore file
// permissions (as the unprivileged user "nobody" when the tests run as root) and
// returns its result, or -1 when the child could not be run.
int RunUnprivileged(const std::function<int()>& body);
// Lets the unprivileged user reach `path` (and write into it when `writable`).
void OpenUpForOthers(const std::string& path, bool writable);

}  // namespace vorel::testing
