#include "harness/support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "harness/check.h"
#include "image/bytes.h"
#include "image/palette.h"

namespace vorel::fuzz {
namespace {

bool WriteAllAt(int fd, std::span<const std::uint8_t> data, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

MemoryFile::MemoryFile(std::span<const std::uint8_t> data, std::uint64_t leadingZeros) {
    int fd = ::memfd_create("vorel-fuzz", MFD_CLOEXEC);
    if (fd >= 0) {
        path_ = "/proc/self/fd/" + std::to_string(fd);
        if (::access(path_.c_str(), R_OK) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        std::string name = TempFolder() + "/vorel-fuzz-XXXXXX";
        fd = ::mkstemp(name.data());
        if (fd < 0) return;
        path_ = name;
        unlinkPath_ = name;
    }
    // ftruncate leaves the zeros as holes, so a file of megabytes costs nothing to make.
    if (::ftruncate(fd, static_cast<off_t>(leadingZeros + data.size())) != 0 ||
        !WriteAllAt(fd, data, leadingZeros)) {
        ::close(fd);
        if (!unlinkPath_.empty()) ::unlink(unlinkPath_.c_str());
        path_.clear();
        unlinkPath_.clear();
        return;
    }
    fd_ = fd;
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!unlinkPath_.empty()) ::unlink(unlinkPath_.c_str());
}

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : TempFolder();
        std::string name = base + "/vorel-fuzz-out-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr) return std::string();
        static std::string removeAtExit;
        removeAtExit = name;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return name;
    }();
    return folder;
}

int ScratchEntryCount() {
    DIR* dir = ::opendir(ScratchFolder().c_str());
    if (dir == nullptr) return -1;
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") ++count;
    }
    ::closedir(dir);
    return count;
}

void CheckBuiltDib(const Dib& dib) {
    if (dib.IsNull()) return;
    const auto bytes = dib.Bytes();
    Require(bytes.size() >= kDibHeaderSize, "built DIB shorter than its header");
    if (bytes.size() < kDibHeaderSize) return;
    const std::uint8_t* h = bytes.data();
    const auto width = static_cast<std::int32_t>(LoadLe32(h + 4));
    const auto height = static_cast<std::int32_t>(LoadLe32(h + 8));
    const int bits = LoadLe16(h + 14);
    Require(LoadLe32(h) == 40, "built DIB: biSize is not 40");
    Require(width > 0 && height > 0, "built DIB: width or height not positive");
    Require(LoadLe16(h + 12) == 1, "built DIB: biPlanes is not 1");
    Require(bits == 1 || bits == 4 || bits == 8 || bits == 24, "built DIB: bit count not 1, 4, 8 or 24");
    Require(LoadLe32(h + 16) == 0, "built DIB: compressed");
    Require(LoadLe32(h + 32) == 0 && LoadLe32(h + 36) == 0, "built DIB: biClrUsed or biClrImportant set");
    if (width <= 0 || height <= 0) return;
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
    const std::uint64_t table = bits == 24 ? 0 : std::uint64_t{4} << bits;
    const std::uint64_t rows = stride * static_cast<std::uint64_t>(height);
    Require(LoadLe32(h + 20) == static_cast<std::uint32_t>(rows),
            "built DIB: biSizeImage is not stride x height");
    Require(bytes.size() == 40 + table + rows, "built DIB: block is not header + full table + rows");
    Require(dib.IsConsistent(), "built DIB: not consistent");
}

void CheckDocumentPalette(const Dib& dib, int paletteMode) {
    if (dib.IsNull()) return;
    Palette palette;
    const bool made = CreateDibPalette(dib, palette, paletteMode);
    const int bits = dib.BitCount();
    if (bits != 24) {
        const std::size_t colors = std::size_t{1} << bits;
        Require(made && palette.Size() == colors, "indexed DIB: palette is not its whole colour table");
        if (!made || palette.Size() != colors) return;
        for (std::size_t i = 0; i < colors; ++i) {
            const std::uint8_t* quad = dib.Bytes().data() + 40 + 4 * i;
            Require(palette[i].red == quad[2] && palette[i].green == quad[1] && palette[i].blue == quad[0],
                    "indexed DIB: palette entry differs from the colour table");
        }
        return;
    }
    switch (paletteMode) {
        case 0:
            Require(made && palette.Size() == 256, "24-bit DIB: halftone palette is not 256 entries");
            break;
        case 1:
            Require(made && palette.Size() >= 1 && palette.Size() <= 236,
                    "24-bit DIB: optimised palette missing or not 1 to 236 entries");
            break;
        default:
            Require(!made && palette.IsEmpty(), "24-bit DIB: a palette for an unknown palette mode");
            break;
    }
}

}  // namespace vorel::fuzz
