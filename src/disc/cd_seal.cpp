#include "disc/cd_seal.h"

#include <algorithm>
#include <array>

#include "disc/raw_sectors.h"

namespace vorel {
namespace {

struct GaloisTables {
    std::array<std::uint8_t, 256> timesX{};       // multiplication by x in GF(2^8), polynomial 0x11D
    std::array<std::uint8_t, 256> overXPlus1{};   // division by (x + 1)
    std::array<std::uint32_t, 256> edc{};
    GaloisTables() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t doubled = (i << 1) ^ ((i & 0x80) != 0 ? 0x11D : 0);
            timesX[i] = static_cast<std::uint8_t>(doubled);
            overXPlus1[i ^ doubled] = static_cast<std::uint8_t>(i);
            std::uint32_t crc = i;
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xD8018001u : 0);
            edc[i] = crc;
        }
    }
};

const GaloisTables& Tables() {
    static const GaloisTables tables;
    return tables;
}

constexpr std::size_t kEccStart = 12;   // the parity covers the address onwards
constexpr std::size_t kPParity = 2076;  // 2 x 86 bytes
constexpr std::size_t kQParity = 2248;  // 2 x 52 bytes

// One Reed-Solomon product code over the 2,064 bytes from the address on (with
// the P parity once it exists): P runs down 86 columns of 24 bytes, Q along 52
// diagonals of 43. `data` points at byte 12 of the sector.
void ParityOf(const std::uint8_t* data, std::size_t lines, std::size_t lineLength, std::size_t lineStep,
              std::size_t byteStep, std::uint8_t* parity) {
    const GaloisTables& t = Tables();
    const std::size_t total = lines * lineLength;
    for (std::size_t line = 0; line < lines; ++line) {
        std::size_t at = (line >> 1) * lineStep + (line & 1);
        std::uint8_t weighted = 0;
        std::uint8_t sum = 0;
        for (std::size_t k = 0; k < lineLength; ++k) {
            const std::uint8_t v = data[at];
            at += byteStep;
            if (at >= total) at -= total;
            weighted = t.timesX[weighted ^ v];
            sum ^= v;
        }
        const std::uint8_t first = t.overXPlus1[t.timesX[weighted] ^ sum];
        parity[line] = first;
        parity[line + lines] = first ^ sum;
    }
}

void PutEcc(std::uint8_t* sector, bool addressAsZero) {
    std::array<std::uint8_t, 4> address{};
    std::copy(sector + kEccStart, sector + kEccStart + 4, address.begin());
    if (addressAsZero) std::fill(sector + kEccStart, sector + kEccStart + 4, 0);
    ParityOf(sector + kEccStart, 86, 24, 2, 86, sector + kPParity);
    ParityOf(sector + kEccStart, 52, 43, 86, 88, sector + kQParity);
    std::copy(address.begin(), address.end(), sector + kEccStart);
}

}  // namespace

std::uint32_t CdSectorEdc(ByteSpan bytes) {
    const GaloisTables& t = Tables();
    std::uint32_t crc = 0;
    for (const std::uint8_t b : bytes) crc = (crc >> 8) ^ t.edc[(crc ^ b) & 0xFF];
    return crc;
}

bool SealDataSector(MutableByteSpan sector) {
    if (sector.size() != static_cast<std::size_t>(kRawSectorBytes)) return false;
    const std::size_t userData = UserDataOffset(sector);
    std::uint8_t* s = sector.data();
    if (userData == kMode1DataOffset) {
        StoreLe32(s + 2064, CdSectorEdc(sector.first(2064)));
        PutEcc(s, false);
        return true;
    }
    if (userData == kMode2Form1DataOffset) {
        StoreLe32(s + 2072, CdSectorEdc(sector.subspan(16, 2056)));
        PutEcc(s, true);
        return true;
    }
    return false;
}

}  // namespace vorel
