// Raw CD images: a .bin of 2,352-byte sectors, each with 12 bytes of sync, a
// 4-byte address and mode, and for Mode 2 an 8-byte subheader before its user
// data, and error correction after it. Only the user data of data sectors is
// the disc's file data; everything else must never be read as pixels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/bytes.h"
#include "search/file_reader.h"
#include "search/settings.h"

namespace vorel {

inline constexpr std::int64_t kRawSectorBytes = 2352;
inline constexpr std::int64_t kUserDataBytes = 2048;
inline constexpr std::size_t kSyncBytes = 12;
inline constexpr std::array<std::uint8_t, kSyncBytes> kSectorSync = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
inline constexpr std::size_t kMode1DataOffset = 16;      // sync, address, mode
inline constexpr std::size_t kMode2Form1DataOffset = 24; // ... and the subheader twice
inline constexpr std::uint8_t kSubmodeForm2 = 0x20;
// Detection looks at this many sector starts (all of them in a shorter file).
inline constexpr int kSectorsTestedForSync = 16;

// "RawSectors": how a file's sectors are read.
enum class SectorReading : int { kAuto = 0, kRaw = 1, kPlain = 2 };

// The setting, with anything but 1 or 2 read as automatic.
SectorReading ReadSectorReading(const ISettingsStore& store);

// Where the user data of one raw sector starts: 16 for Mode 1, 24 for Mode 2
// Form 1; 0 when the sector gives no file data (no sync pattern, as in audio
// tracks; Mode 2 Form 2, as XA audio and video; or any other mode byte).
// `sector` may be a trailing partial sector: what it holds is judged.
std::size_t UserDataOffset(ByteSpan sector);

// True when the file starts with the sync pattern and the pattern recurs at
// every 2,352 bytes over its first 16 sectors (every sector start that a
// shorter file holds whole).
bool LooksLikeRawImage(const FileReader& file, std::int64_t fileSize);

}  // namespace vorel
