// The files the scan benchmarks search: random bytes with real images
// sprinkled in, and the same bytes wrapped in a raw CD image.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"

namespace bench {

struct Made {
    long tims = 0;
    long bitmaps = 0;
};

// Random bytes with a real image every 1 to 2 MB, alternating TIMs and bitmaps.
inline Made MakeFile(const std::string& path, std::size_t megabytes) {
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

// The plain file's bytes in Mode 2 Form 1 sectors, the last one padded with zeros.
inline void MakeRawImage(const std::string& plain, const std::string& raw) {
    std::ifstream in(plain, std::ios::binary);
    std::ofstream out(raw, std::ios::binary);
    std::vector<char> block(2048);
    // Written in large pieces, as the plain file is: the page cache keeps a file
    // written in small pieces in small pages, which are slower to read back.
    std::vector<std::uint8_t> pending;
    for (std::uint32_t lba = 0;; ++lba) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0) break;
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(got), block.end(), 0);
        const auto sector = vorel::samples::MakeSector(vorel::samples::SectorKind::kMode2Form1, lba,
                                                       reinterpret_cast<const std::uint8_t*>(block.data()), 2048);
        pending.insert(pending.end(), sector.begin(), sector.end());
        if (pending.size() >= 1000000) {
            out.write(reinterpret_cast<const char*>(pending.data()), static_cast<std::streamsize>(pending.size()));
            pending.clear();
        }
    }
    out.write(reinterpret_cast<const char*>(pending.data()), static_cast<std::streamsize>(pending.size()));
}

}  // namespace bench
