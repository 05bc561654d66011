#include "cd_sectors.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vorel::samples {
namespace {

constexpr std::size_t kSector = 2352;

struct Tables {
    std::array<std::uint8_t, 256> forward{};   // multiplication by x in GF(2^8), polynomial 0x11D
    std::array<std::uint8_t, 256> backward{};  // division by (x + 1)
    std::array<std::uint32_t, 256> edc{};
    Tables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t j = (i << 1) ^ ((i & 0x80) != 0 ? 0x11D : 0);
            forward[i] = static_cast<std::uint8_t>(j);
            backward[i ^ j] = static_cast<std::uint8_t>(i);
            std::uint32_t e = i;
            for (int k = 0; k < 8; ++k) e = (e >> 1) ^ ((e & 1) != 0 ? 0xD8018001u : 0);
            edc[i] = e;
        }
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// One of the two Reed-Solomon product codes over bytes 12 to 2,075 of a sector:
// P works on 86 columns of 24 bytes, Q on 52 diagonals of 43.
void EccBlock(const std::uint8_t* src, std::size_t majorCount, std::size_t minorCount, std::size_t majorMult,
              std::size_t minorInc, std::uint8_t* dest) {
    const std::size_t size = majorCount * minorCount;
    for (std::size_t major = 0; major < majorCount; ++major) {
        std::size_t index = (major >> 1) * majorMult + (major & 1);
        std::uint8_t a = 0;
        std::uint8_t b = 0;
        for (std::size_t minor = 0; minor < minorCount; ++minor) {
            const std::uint8_t v = src[index];
            index += minorInc;
            if (index >= size) index -= size;
            a ^= v;
            b ^= v;
            a = T().forward[a];
        }
        a = T().backward[T().forward[a] ^ b];
        dest[major] = a;
        dest[major + majorCount] = a ^ b;
    }
}

// P then Q parity; Mode 2 sectors compute them with the address taken as zero.
void Ecc(std::uint8_t* sector, bool zeroAddress) {
    std::array<std::uint8_t, 4> address;
    std::copy(sector + 12, sector + 16, address.begin());
    if (zeroAddress) std::fill(sector + 12, sector + 16, 0);
    EccBlock(sector + 12, 86, 24, 2, 86, sector + 2076);
    EccBlock(sector + 12, 52, 43, 86, 88, sector + 2248);
    std::copy(address.begin(), address.end(), sector + 12);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint8_t Bcd(std::uint32_t v) { return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10)); }

void Header(std::uint8_t* s, std::uint32_t lba, std::uint8_t mode) {
    s[0] = 0x00;
    std::fill(s + 1, s + 11, 0xFF);
    s[11] = 0x00;
    const std::uint32_t frames = lba + 150;  // the pregap of two seconds
    s[12] = Bcd(frames / (60 * 75));
    s[13] = Bcd((frames / 75) % 60);
    s[14] = Bcd(frames % 75);
    s[15] = mode;
}

}  // namespace

std::uint32_t CdEdc(const std::uint8_t* bytes, std::size_t size) {
    std::uint32_t edc = 0;
    for (std::size_t i = 0; i < size; ++i) edc = (edc >> 8) ^ T().edc[(edc ^ bytes[i]) & 0xFF];
    return edc;
}

std::vector<std::uint8_t> MakeSector(SectorKind kind, std::uint32_t lba, const std::uint8_t* data,
                                     std::size_t size) {
    std::vector<std::uint8_t> s(kSector, 0);
    const auto fill = [&](std::size_t at, std::size_t room) {
        if (size > 0) {
            std::copy(data, data + std::min(size, room), s.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            for (std::size_t i = 0; i < room; ++i) s[at + i] = static_cast<std::uint8_t>(lba * 7 + i * 13 + 1);
        }
    };
    switch (kind) {
        case SectorKind::kMode1:
            Header(s.data(), lba, 1);
            fill(16, 2048);
            PutLe32(s.data() + 2064, CdEdc(s.data(), 2064));
            Ecc(s.data(), false);  // bytes 2068 to 2075 stay zero
            break;
        case SectorKind::kMode2Form1: {
            Header(s.data(), lba, 2);
            const std::uint8_t sub[4] = {0, 0, 0x08, 0};  // file 0, channel 0, submode data, no coding
            std::copy(sub, sub + 4, s.begin() + 16);
            std::copy(sub, sub + 4, s.begin() + 20);
            fill(24, 2048);
            PutLe32(s.data() + 2072, CdEdc(s.data() + 16, 2056));
            Ecc(s.data(), true);
            break;
        }
        case SectorKind::kMode2Form2: {
            Header(s.data(), lba, 2);
            const std::uint8_t sub[4] = {1, 1, 0x64, 0x01};  // real time, form 2, audio; 4-bit stereo
            std::copy(sub, sub + 4, s.begin() + 16);
            std::copy(sub, sub + 4, s.begin() + 20);
            fill(24, 2324);
            PutLe32(s.data() + 2348, CdEdc(s.data() + 16, 2332));
            break;
        }
        case SectorKind::kAudio:
            fill(0, kSector);
            // Samples that happen to begin like a sync pattern would not be audio.
            if (s[0] == 0x00 && s[1] == 0xFF) s[1] = 0xFE;
            break;
        case SectorKind::kGarbageMode:
            Header(s.data(), lba, static_cast<std::uint8_t>(3 + lba % 250));
            fill(16, 2048);
            break;
    }
    return s;
}

std::vector<std::uint8_t> WrapRaw(const std::vector<std::uint8_t>& payload, const RawLayout& layout,
                                  std::vector<std::uint32_t>* dataSectors) {
    std::vector<std::uint8_t> image;
    std::uint32_t lba = 0;
    const auto put = [&](SectorKind kind, const std::uint8_t* data, std::size_t size) {
        const auto s = MakeSector(kind, lba++, data, size);
        image.insert(image.end(), s.begin(), s.end());
    };
    for (int i = 0; i < layout.audioBefore; ++i) put(SectorKind::kAudio, nullptr, 0);
    std::size_t done = 0;
    std::uint32_t count = 0;
    while (done < payload.size()) {
        ++count;
        if (layout.form2Every > 0 && count % static_cast<std::uint32_t>(layout.form2Every) == 0) {
            put(SectorKind::kMode2Form2, nullptr, 0);
            continue;
        }
        if (dataSectors) dataSectors->push_back(lba);
        const std::size_t n = std::min<std::size_t>(2048, payload.size() - done);
        std::vector<std::uint8_t> block(payload.begin() + static_cast<std::ptrdiff_t>(done),
                                        payload.begin() + static_cast<std::ptrdiff_t>(done + n));
        block.resize(2048, 0);
        put(layout.dataKind, block.data(), block.size());
        done += n;
    }
    for (int i = 0; i < layout.audioAfter; ++i) put(SectorKind::kAudio, nullptr, 0);
    return image;
}

std::string MakeCueSheet(const std::string& binName, SectorKind dataKind, int audioFrom) {
    std::string cue = "FILE \"" + binName + "\" BINARY\n";
    cue += std::string("  TRACK 01 ") + (dataKind == SectorKind::kMode1 ? "MODE1/2352" : "MODE2/2352") + "\n";
    cue += "    INDEX 01 00:00:00\n";
    if (audioFrom >= 0) {
        char index[32];
        std::snprintf(index, sizeof index, "%02d:%02d:%02d", audioFrom / (60 * 75), (audioFrom / 75) % 60,
                      audioFrom % 75);
        cue += "  TRACK 02 AUDIO\n    INDEX 01 " + std::string(index) + "\n";
    }
    return cue;
}

}  // namespace vorel::samples
