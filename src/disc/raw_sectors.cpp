#include "disc/raw_sectors.h"

#include <algorithm>
#include <cstring>

namespace vorel {

SectorReading ReadSectorReading(const ISettingsStore& store) {
    switch (Read(store, settings::kRawSectors)) {
        case 1: return SectorReading::kRaw;
        case 2: return SectorReading::kPlain;
        default: return SectorReading::kAuto;
    }
}

std::size_t UserDataOffset(ByteSpan sector) {
    if (sector.size() < kMode1DataOffset) return 0;
    if (std::memcmp(sector.data(), kSectorSync.data(), kSyncBytes) != 0) return 0;  // audio
    const std::uint8_t mode = sector[15];
    if (mode == 1) return kMode1DataOffset;
    if (mode != 2) return 0;
    if (sector.size() <= 18) return 0;
    if ((sector[18] & kSubmodeForm2) != 0) return 0;  // Form 2: XA audio, video
    return kMode2Form1DataOffset;
}

bool LooksLikeRawImage(const FileReader& file, std::int64_t fileSize) {
    if (fileSize < static_cast<std::int64_t>(kSyncBytes)) return false;
    // Only the sync patterns are needed: one short read at each sector start.
    std::array<std::uint8_t, kSyncBytes> head{};
    for (std::int64_t start = 0; start < kSectorsTestedForSync * kRawSectorBytes; start += kRawSectorBytes) {
        const std::int64_t got = file.ReadAt(start, head);
        if (got < 0) return false;
        if (got < static_cast<std::int64_t>(kSyncBytes)) return start > 0;  // a tail too short to hold one
        if (head != kSectorSync) return false;
    }
    return true;
}

}  // namespace vorel
