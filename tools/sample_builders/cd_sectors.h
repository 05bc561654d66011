// Raw CD images for tests and benchmarks: any bytes wrapped in 2,352-byte
// sectors laid out as ECMA-130 lays them out (sync, BCD address, mode, Mode 2
// subheader, EDC and the P and Q parity of the ECC), with Mode 2 Form 2 and
// audio sectors mixed in where asked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorel::samples {

enum class SectorKind : std::uint8_t {
    kMode1,       // 2,048 bytes of data at offset 16
    kMode2Form1,  // 2,048 bytes of data at offset 24
    kMode2Form2,  // 2,324 bytes of XA audio or video at offset 24: no file data
    kAudio,       // 2,352 bytes of samples, no sync: no file data
    kGarbageMode, // sync and a mode byte of neither 1 nor 2: no file data
};

// One whole sector at logical block `lba` (address 00:02:00 is LBA 0). Data
// kinds take up to 2,048 bytes of `data` (zeros after them); the others take
// their own payload from `data`, or a pattern when it is empty.
std::vector<std::uint8_t> MakeSector(SectorKind kind, std::uint32_t lba, const std::uint8_t* data, std::size_t size);

// The layout of a raw image: which kind each sector is.
struct RawLayout {
    SectorKind dataKind = SectorKind::kMode2Form1;
    // Every n-th sector (counting from 1) is a Form 2 sector; 0 none.
    int form2Every = 0;
    // Audio sectors after the data (a CD-DA track), and before it.
    int audioAfter = 0;
    int audioBefore = 0;
};

// Wraps `payload` in data sectors of the layout (the last one zero-padded), with
// the other sectors placed between them. Returns the image; `dataSectors` gets
// the index in the image of every data sector, in order.
std::vector<std::uint8_t> WrapRaw(const std::vector<std::uint8_t>& payload, const RawLayout& layout,
                                  std::vector<std::uint32_t>* dataSectors = nullptr);

// A cue sheet for one .bin holding a data track (MODE1/2352 or MODE2/2352) and,
// when `audioFrom` is not negative, an audio track from that sector on.
std::string MakeCueSheet(const std::string& binName, SectorKind dataKind, int audioFrom = -1);

// The 32-bit EDC of ECMA-130 (CRC with polynomial x^32 + x^31 + x^16 + x^15 + x^4 + x^3 + x + 1).
std::uint32_t CdEdc(const std::uint8_t* bytes, std::size_t size);

}  // namespace vorel::samples
