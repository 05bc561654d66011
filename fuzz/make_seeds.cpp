// Writes the seed corpora of the fuzz targets: small TIMs and bitmaps of every
// kind from the sample builders, the real TIMs of the test corpus, files that
// embed them among noise (with the scan options in their last four bytes),
// pictures for the quantiser and DIB shapes for the writers.
//   fuzz_make_seeds <fuzz/corpus> <tests/data/corpus> [samples/sample.bin]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;
using vorel::samples::MakeBmpFile;
using vorel::samples::MakeDib;
using vorel::samples::MakeTim;

fs::path g_out;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = g_out / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Deterministic noise without the bytes that start candidates (0x10, 0x28).
Bytes Noise(std::size_t n, std::uint32_t seed) {
    Bytes b(n);
    for (auto& v : b) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<std::uint8_t>(seed >> 16);
        if (v == 0x10 || v == 0x28) v ^= 0x01;
    }
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// The scan target reads its options from the last four bytes and the sector
// reader's from the one before them (see TakeScanOptions).
Bytes WithOptions(Bytes b, std::uint8_t b0, std::uint8_t b1 = 0, std::uint8_t b2 = 0, std::uint8_t b3 = 0,
                  std::uint8_t sectors = 0) {
    b.insert(b.end(), {sectors, b0, b1, b2, b3});
    return b;
}

// Sector option byte: 1 wrapped, 2 read raw, 3 detected; Mode 1; Form 2 every 2, 3 or 7; an audio sector last.
constexpr std::uint8_t kWrapped = 1, kForcedRaw = 2, kDetected = 3, kMode1 = 4, kForm2Every3 = 2 << 3,
                       kAudioLast = 32;

Bytes Sectors(vorel::samples::SectorKind kind, int count, const Bytes& data = {}) {
    Bytes all;
    for (int i = 0; i < count; ++i) {
        const Bytes s = vorel::samples::MakeSector(kind, static_cast<std::uint32_t>(i), data.data(), data.size());
        all.insert(all.end(), s.begin(), s.end());
    }
    return all;
}

// A built TIM with another flag word, or with an image block 2 bytes longer:
// TIMs only the real-game rules accept.
Bytes Reflagged(Bytes tim, std::uint32_t flag) {
    for (int i = 0; i < 4; ++i) tim[4 + i] = static_cast<std::uint8_t>(flag >> (8 * i));
    return tim;
}
Bytes TwoBytesLonger(Bytes tim) {
    tim[8] += 2;  // a direct-colour TIM's image block length
    tim.insert(tim.end(), {0, 0});
    return tim;
}

void TimSeeds(const fs::path& corpus) {
    Put("tim_candidate", "wide_tim16_plus_two", TwoBytesLonger(MakeTim(2, 8, 4)));
    Put("tim_candidate", "wide_tim24_plus_two", TwoBytesLonger(MakeTim(3, 6, 2)));
    Put("tim_candidate", "wide_tim16_1000x4", MakeTim(2, 1000, 4));
    Put("tim_candidate", "wide_tim8_flag_5b29", Reflagged(MakeTim(9, 8, 3), 0x5B29));
    Put("tim_candidate", "wide_tim4_flag_7c48_2pal", Reflagged(MakeTim(8, 16, 4, 2), 0x7C48));
    Put("tim_candidate", "wide_mode16_clut16", Reflagged(MakeTim(8, 16, 2), 0xA));
    Put("tim_candidate", "wide_mode24_clut256", Reflagged(MakeTim(9, 8, 2), 0xB));
    Put("tim_candidate", "tim16_8x4", MakeTim(2, 8, 4));
    Put("tim_candidate", "tim24_units_6x2", MakeTim(3, 6, 2, 1, 2, true));
    Put("tim_candidate", "tim24_pixels_5x3", MakeTim(3, 5, 3, 1, 3, false));
    Put("tim_candidate", "tim4_16x8_2pal", MakeTim(8, 16, 8, 2, 4));
    Put("tim_candidate", "tim8_8x4", MakeTim(9, 8, 4, 1, 5));
    Put("tim_candidate", "tim8_4x2_3pal", MakeTim(9, 4, 2, 3, 6));
    Bytes cut = MakeTim(2, 32, 32, 1, 7);
    cut.resize(100);
    Put("tim_candidate", "tim16_cut_off", cut);
    for (const char* name : {"ball16c.tim", "bungirl.tim", "lamelotl16c.tim"}) {
        const Bytes real = ReadFile(corpus / name);
        if (!real.empty() && real.size() <= 64 * 1024) Put("tim_candidate", name, real);
    }
}

void BmpSeeds() {
    Put("bmp_candidate", "dib1_33x3", MakeDib(1, 33, 3));
    Put("bmp_candidate", "dib4_9x2", MakeDib(4, 9, 2));
    Put("bmp_candidate", "dib8_5x3_clr20", MakeDib(8, 5, 3, 20));
    Put("bmp_candidate", "dib8_3x3", MakeDib(8, 3, 3));
    Put("bmp_candidate", "dib24_10x10", MakeDib(24, 10, 10));
    Put("bmp_candidate", "dib24_top_down_7x1", MakeDib(24, 7, 1, 0, true));
    Put("bmp_candidate", "dib24_clr5_4x4", MakeDib(24, 4, 4, 5));
    Put("bmp_candidate", "dib4_top_down_3x5", MakeDib(4, 3, 5, 0, true));
}

void ScanSeeds(const fs::path& corpus, const fs::path& sample) {
    const Bytes mixed = Cat({Noise(300, 1), MakeTim(2, 8, 4), Noise(17, 2), MakeBmpFile(8, 5, 3), Noise(9, 3),
                             MakeTim(8, 16, 8, 2), MakeDib(24, 10, 10), Noise(40, 4), MakeTim(9, 4, 2, 3)});
    Put("scan", "mixed_both", WithOptions(mixed, 2));
    Put("scan", "mixed_palette_images", WithOptions(mixed, 2 | 4 | 8));
    Put("scan", "mixed_chunk_edge", WithOptions(mixed, 2 | 32, 0, 0, 21));
    Put("scan", "mixed_divided", WithOptions(mixed, 2, 0, 1 | 2, 16));
    Put("scan", "mixed_cancel", WithOptions(mixed, 0, (1 << 4) | 0x80));
    Put("scan", "mixed_write", WithOptions(mixed, 1 | 64));
    Put("scan", "nested_tims", WithOptions(Cat({MakeTim(9, 16, 16, 1, 8), MakeTim(2, 4, 4, 1, 9)}), 0 | 4));
    // Raw CD images: the same bytes wrapped in sectors, and hostile raw files.
    using vorel::samples::SectorKind;
    Put("scan", "raw_mixed_wrapped", WithOptions(mixed, 2, 0, 0, 0, kWrapped | kForm2Every3 | kAudioLast));
    Put("scan", "raw_mixed_mode1_chunk_edge", WithOptions(mixed, 2 | 32, 0, 0, 21, kWrapped | kMode1));
    const Bytes tim = MakeTim(8, 16, 8, 2);
    Put("scan", "raw_mixed_image", WithOptions(vorel::samples::WrapRaw(mixed, {SectorKind::kMode2Form1, 2, 1, 0}), 2,
                                               0, 0, 0, kDetected));
    Put("scan", "raw_garbage_modes", WithOptions(Sectors(SectorKind::kGarbageMode, 3, tim), 0, 0, 0, 0, kDetected));
    Put("scan", "raw_one_sector", WithOptions(Sectors(SectorKind::kMode1, 1, tim), 0, 0, 0, 0, kDetected));
    Put("scan", "raw_one_byte", WithOptions({0x00}, 2, 0, 0, 0, kForcedRaw));
    Bytes cut = Sectors(SectorKind::kMode2Form1, 2, tim);
    cut.resize(2352 + 24 + 60);
    Put("scan", "raw_truncated_last_sector", WithOptions(cut, 0, 0, 0, 0, kDetected));
    Put("scan", "raw_form2_only", WithOptions(Sectors(SectorKind::kMode2Form2, 2, tim), 2, 0, 0, 0, kForcedRaw));
    const Bytes ball = ReadFile(corpus / "ball16c.tim");
    if (!ball.empty()) Put("scan", "ball_at_edge", WithOptions(Cat({Noise(5, 5), ball}), 32, 1, 0, 3));
    const Bytes sampleBytes = sample.empty() ? Bytes{} : ReadFile(sample);
    if (!sampleBytes.empty() && sampleBytes.size() <= 256 * 1024)
        Put("scan", "sample_bin", WithOptions(sampleBytes, 2 | 4));
}

void OctreeSeeds() {
    Bytes gradient = {15, 0, 15, 0};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            gradient.insert(gradient.end(), {std::uint8_t(x * 16), std::uint8_t(y * 16), 128});
    Put("octree", "gradient_256_colours", gradient);
    Put("octree", "two_colours", {2, 0, 0, 0, 255, 0, 0, 0, 0, 255, 255, 0, 0});
    Put("octree", "one_pixel", {0, 0, 0, 0, 1, 2, 3});
    Bytes many = {236, 0, 0, 0};
    for (int i = 0; i < 237; ++i)
        many.insert(many.end(), {std::uint8_t(i), std::uint8_t(i * 7), std::uint8_t(i * 13)});
    Put("octree", "colours_237", many);
    Put("octree", "width_one_rows", {0, 0, 7, 0, 9, 8, 7, 6, 5, 4, 3, 2, 1});
    Put("octree", "cut_off_block", {7, 0, 3, 9, 1, 2, 3, 4, 5, 6});
}

void WriterSeeds() {
    // bits selector, width, height, table selector, table parameter, mode, shift, body.
    const auto shape = [](std::uint8_t bits, std::int16_t w, std::int16_t h, std::uint8_t table,
                          std::uint8_t param, std::uint8_t mode, std::uint8_t shift) {
        Bytes b = {bits,
                   std::uint8_t(w),
                   std::uint8_t(w >> 8),
                   std::uint8_t(h),
                   std::uint8_t(h >> 8),
                   table,
                   param,
                   mode,
                   shift};
        const Bytes body = Noise(97, static_cast<std::uint32_t>(w * 31 + h));
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    Put("writers", "bits1_9x3", shape(0, 9, 3, 0, 0, 0, 0));
    Put("writers", "bits4_3x2_mm", shape(1, 3, 2, 0, 0, 4, 0));
    Put("writers", "bits8_5x3", shape(2, 5, 3, 0, 0, 16, 0));
    Put("writers", "bits24_5x4", shape(3, 5, 4, 0, 0, 0, 0));
    Put("writers", "bits8_clr16", shape(2, 4, 4, 1, 16, 0, 0));
    Put("writers", "bits24_header_short", shape(3, 64, 64, 0, 0, 1, 200));
    Put("writers", "bits8_longer_block", shape(2, 7, 2, 0, 0, 2, 33));
    Put("writers", "header_only", shape(3, 100, 100, 0, 0, 3, 1));
    Put("writers", "width_18797", shape(0, 18797, 1, 0, 0, 0, 0));
    Put("writers", "top_down", shape(3, 6, -3, 0, 0, 0, 0));
    Put("writers", "core_header", shape(2, 5, 5, 0, 0, 8, 0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <fuzz/corpus> <tests/data/corpus> [samples/sample.bin]\n", argv[0]);
        return 2;
    }
    g_out = argv[1];
    TimSeeds(argv[2]);
    BmpSeeds();
    ScanSeeds(argv[2], argc > 3 ? fs::path(argv[3]) : fs::path());
    OctreeSeeds();
    WriterSeeds();
    return 0;
}
