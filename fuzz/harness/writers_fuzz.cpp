// The BMP and TIFF writers on DIBs shaped by the input, including blocks whose
// header claims more than they hold. A save either puts exactly the expected file
// in place or leaves the old file and the folder as they were.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "export/bmp_writer.h"
#include "export/save_tiff.h"
#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"
#include "image/bytes.h"

namespace vorel::fuzz {
namespace {

// Blocks stay small unless the input asks for one past the writer's 1 MB strip buffer.
constexpr std::uint64_t kSmallShapedBytes = std::uint64_t{1} << 16;
constexpr std::uint64_t kLargeShapedBytes = (std::uint64_t{1} << 20) + 4096;

// In one read: byte by byte through a stream iterator, the instrumented copy
// loop cost more than the writers themselves.
std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    if (size <= 0) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

bool Replace(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The colour-table length every reader of a BITMAPINFOHEADER uses.
std::uint32_t ColourCount(const std::uint8_t* h) {
    if (LoadLe32(h) == 12) {
        const int bits = LoadLe16(h + 10);
        return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    }
    if (LoadLe32(h + 32) != 0) return LoadLe32(h + 32) & 0xFFFF;
    const int bits = LoadLe16(h + 14);
    return bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
}

void CheckBmp(const Dib& dib, const std::string& path, const std::vector<std::uint8_t>& old) {
    const BmpWriteOutcome outcome = WriteBmpFile(path, dib);
    const bool writable = !dib.IsNull() && dib.AllocatedSize() >= 40;
    Require((outcome == BmpWriteOutcome::Saved) == writable,
            "BMP writer refused a block it can write, or wrote one it cannot");
    const std::vector<std::uint8_t> file = ReadWhole(path);
    if (outcome != BmpWriteOutcome::Saved) {
        Require(file == old, "failed BMP save changed the existing file");
        return;
    }
    const std::uint8_t* h = dib.Data();
    const std::size_t size = dib.AllocatedSize();
    Require(file.size() == 14 + size, "BMP file is not header + whole block");
    if (file.size() != 14 + size) return;
    Require(file[0] == 'B' && file[1] == 'M' && LoadLe32(&file[2]) == 14 + size,
            "BMP file header: type or size wrong");
    Require(LoadLe32(&file[10]) == static_cast<std::uint32_t>(14 + LoadLe32(h) + 4 * ColourCount(h)),
            "BMP file header: pixel offset wrong");
    Require(std::memcmp(file.data() + 14, h, size) == 0, "BMP file does not hold the block unchanged");
}

void CheckTiff(const Dib& dib, const std::string& path, const std::vector<std::uint8_t>& old, int byteOrder) {
    const SaveTiffResult result = SaveTiff(path, dib, byteOrder, 1, false);
    const std::vector<std::uint8_t> file = ReadWhole(path);
    const bool indexedOk = !dib.IsNull() && dib.AllocatedSize() >= 40;
    const int bits = indexedOk ? dib.BitCount() : 0;
    const std::uint32_t colours = indexedOk ? ColourCount(dib.Data()) : 1;
    const std::int64_t w = indexedOk ? dib.Width() : 0, h = indexedOk ? dib.Height() : 0;
    // A block as the program builds it, within the TIFF limits, must be written.
    const bool sound =
        indexedOk && dib.IsConsistent() && LoadLe32(dib.Data()) == 40 && LoadLe32(dib.Data() + 32) == 0 &&
        (bits == 1 || bits == 4 || bits == 8 || bits == 24) && w <= 18796 && w * h <= 250061984 && h <= 65535;
    if (sound) Require(result.writeCode == 0, "TIFF writer refused a sound DIB");
    if (result.writeCode != 0) {
        Require(result.value != 0, "failed TIFF save reported as done");
        Require(file == old, "failed TIFF save changed the existing file");
        return;
    }
    Require(result.value == 0, "written TIFF not reported as written");
    Require(w > 0 && h > 0 && w <= 18796 && w * h <= 250061984,
            "TIFF written for an image out of its limits");
    Require(colours == (bits == 24 ? 0u : 1u << bits),
            "TIFF written for a colour count that is not its depth");
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(w) * bits + 7) / 8;
    const std::uint64_t strip = bits == 1 ? 186 : bits == 4 ? 294 : bits == 8 ? 1734 : 192;
    Require(file.size() == strip + rowBytes * static_cast<std::uint64_t>(h),
            "TIFF file is not its strip offset + rows");
    if (file.size() != strip + rowBytes * static_cast<std::uint64_t>(h)) return;
    const std::uint8_t ii[4] = {'I', 'I', 42, 0}, mm[4] = {'M', 'M', 0, 42};
    Require(std::memcmp(file.data(), byteOrder == 0 ? ii : mm, 4) == 0,
            "TIFF header has the wrong byte order");
    // The strip starts with the top row, which the DIB stores last.
    const auto top = dib.StoredRow(static_cast<std::int32_t>(h - 1));
    for (std::uint64_t i = 0; i < rowBytes; ++i) {
        const std::uint64_t from = bits == 24 ? i - i % 3 + (2 - i % 3) : i;  // RGB from the DIB's BGR
        if (file[strip + i] != top[from]) {
            Fail("TIFF strip does not start with the top row");
            break;
        }
    }
}

}  // namespace

void CheckWritersOn(const Dib& dib, int byteOrder) {
    const std::string& folder = ScratchFolder();
    if (folder.empty()) return;
    const std::string bmp = folder + "/image.bmp";
    const std::string tif = folder + "/image.tif";
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    if (!Replace(bmp, old) || !Replace(tif, old)) return;
    const int entries = ScratchEntryCount();
    CheckBmp(dib, bmp, old);
    CheckTiff(dib, tif, old, byteOrder);
    Require(ScratchEntryCount() == entries, "a save left a stray file in the folder");
    std::remove(bmp.c_str());
    std::remove(tif.c_str());
}

void CheckWriters(Input data) {
    if (data.size() < 9) return;
    static constexpr int kBits[8] = {1, 4, 8, 24, 0, 16, 32, 2};
    const int bits = kBits[data[0] & 7];
    const auto width = static_cast<std::int16_t>(data[1] | (data[2] << 8));
    const auto height = static_cast<std::int16_t>(data[3] | (data[4] << 8));
    std::uint32_t clrUsed = 0;
    switch (data[5] & 7) {
        case 1:
            clrUsed = data[6];
            break;
        case 2:
            clrUsed = 0x10000u + data[6];
            break;
        case 3:
            clrUsed = 0xFFFFFFFFu;
            break;
        case 4:
            clrUsed = bits <= 8 ? 1u << bits : 0;
            break;
        default:
            break;
    }
    const std::uint8_t mode = data[7];
    const Input body = data.subspan(9);

    // The size the header describes, then the block as the input wants it: exact,
    // short, long, or header only (capped, so huge claims become lying headers).
    const std::uint64_t stride = width > 0 ? (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4 : 0;
    const std::uint64_t rows =
        height < 0 ? static_cast<std::uint64_t>(-height) : static_cast<std::uint64_t>(height);
    const std::uint64_t fullTable = bits == 1 ? 8 : bits == 4 ? 64 : bits == 8 ? 1024 : 0;
    const std::uint64_t table = clrUsed != 0 ? 4 * std::uint64_t{clrUsed & 0xFFFF} : fullTable;
    std::uint64_t size =
        std::min((mode & 32) ? kLargeShapedBytes : kSmallShapedBytes, 40 + table + stride * rows);
    switch (mode & 3) {
        case 1:
            size = size > 40u + data[8] ? size - data[8] : 40;
            break;
        case 2:
            size += data[8];
            break;
        case 3:
            size = 40 - (data[8] % 8 == 0 ? data[8] % 41 : 0);
            break;
        default:
            break;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
    for (std::size_t i = 40; i < bytes.size() && !body.empty(); ++i) bytes[i] = body[(i - 40) % body.size()];
    if (bytes.size() >= 40) {
        StoreLe32(bytes.data(), (mode & 8) ? 12 : 40);
        StoreLe32(bytes.data() + 4, static_cast<std::uint32_t>(std::int32_t{width}));
        StoreLe32(bytes.data() + 8, static_cast<std::uint32_t>(std::int32_t{height}));
        StoreLe16(bytes.data() + 12, 1);
        StoreLe16(bytes.data() + 14, static_cast<std::uint16_t>(bits));
        StoreLe32(bytes.data() + 20, static_cast<std::uint32_t>(stride * rows));
        if (mode & 16) {
            StoreLe32(bytes.data() + 24, LoadLe32(data.data() + 1));
            StoreLe32(bytes.data() + 28, LoadLe32(data.data() + 4));
        }
        StoreLe32(bytes.data() + 32, clrUsed);
    }
    Dib dib;
    dib.Assign(std::move(bytes));
    CheckWritersOn(dib, (mode >> 2) & 1);
}

}  // namespace vorel::fuzz
