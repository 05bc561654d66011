#include "disc/disc_map.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace vorel {

SectorRead ReadImageSector(const FileReader& file, std::int64_t fileSize, bool raw, std::int64_t sector,
                           std::span<std::uint8_t> out) {
    if (out.size() < static_cast<std::size_t>(kIsoBlockBytes)) return SectorRead::kError;
    const std::int64_t sectorBytes = raw ? kRawSectorBytes : kIsoBlockBytes;
    if (sector < 0 || sector >= (fileSize + sectorBytes - 1) / sectorBytes) return SectorRead::kPastEnd;
    const std::int64_t start = sector * sectorBytes;
    if (!raw) {
        // A short last sector reads as if padded with zeros.
        const std::int64_t got = file.ReadAt(start, out.first(static_cast<std::size_t>(kIsoBlockBytes)));
        if (got < 0) return SectorRead::kError;
        std::memset(out.data() + got, 0, static_cast<std::size_t>(kIsoBlockBytes - got));
        return SectorRead::kOk;
    }
    std::array<std::uint8_t, kRawSectorBytes> whole{};
    const std::int64_t got = file.ReadAt(start, whole);
    if (got < 0) return SectorRead::kError;
    const std::size_t at = UserDataOffset(ByteSpan(whole.data(), static_cast<std::size_t>(got)));
    if (at == 0) return SectorRead::kNoData;
    if (static_cast<std::int64_t>(at) + kIsoBlockBytes > got) return SectorRead::kPastEnd;  // cut off
    std::memcpy(out.data(), whole.data() + at, static_cast<std::size_t>(kIsoBlockBytes));
    return SectorRead::kOk;
}

DiscNaming DiscMap::Load(const std::string& path, SectorReading reading, bool knownDisc, std::int64_t trackStart) {
    naming_ = DiscNaming::kNotADisc;
    tree_ = {};
    if (!file_.Open(path)) return naming_;
    fileSize_ = file_.Size();
    if (fileSize_ < 0) return naming_;
    raw_ = reading == SectorReading::kRaw || (reading == SectorReading::kAuto && LooksLikeRawImage(file_, fileSize_));
    const std::int64_t sectorBytes = raw_ ? kRawSectorBytes : kIsoBlockBytes;
    const std::int64_t fileSectors = (fileSize_ + sectorBytes - 1) / sectorBytes;
    trackStart_ = std::clamp<std::int64_t>(trackStart, 0, fileSectors);
    const std::int64_t sectors = fileSectors - trackStart_;
    const SectorFetch fetch = [this](std::int64_t sector, std::span<std::uint8_t> out) {
        if (sector < 0) return SectorRead::kPastEnd;
        return ReadImageSector(file_, fileSize_, raw_, trackStart_ + sector, out);
    };
    if (!raw_ && !knownDisc) {
        // An ordinary file is no disc: only a volume descriptor at sector 16 makes it one
        // (one of an unknown version too, so that the finder can say why it is not read).
        std::array<std::uint8_t, kIsoBlockBytes> first{};
        if (fetch(kIsoFirstDescriptorSector, first) != SectorRead::kOk || !HasDescriptorSignature(first))
            return naming_;
    }
    tree_ = ReadDiscTree(fetch, sectors);
    naming_ = tree_.outcome == DiscTreeOutcome::kOk ? DiscNaming::kNamed : DiscNaming::kUnreadable;
    return naming_;
}

bool DiscMap::Locate(std::int64_t fileOffset, DiscLocation& where) const {
    if (naming_ != DiscNaming::kNamed || fileOffset < 0) return false;
    std::int64_t sector = fileOffset / kIsoBlockBytes;
    std::int64_t inSector = fileOffset % kIsoBlockBytes;
    if (raw_) {
        // Where the user data starts depends on the sector's mode.
        sector = fileOffset / kRawSectorBytes;
        std::array<std::uint8_t, kMode2Form1DataOffset> head{};
        const std::int64_t got = file_.ReadAt(sector * kRawSectorBytes, head);
        if (got < 0) return false;
        const auto at = static_cast<std::int64_t>(UserDataOffset(ByteSpan(head.data(), static_cast<std::size_t>(got))));
        inSector = fileOffset % kRawSectorBytes - at;
        if (at == 0 || inSector < 0 || inSector >= kIsoBlockBytes) return false;
    }
    sector -= trackStart_;  // a pregap or an audio track before the data track
    if (sector < 0) return false;
    const DiscExtent* extent = FindExtent(tree_, sector, inSector);
    if (extent == nullptr) return false;
    where.file = extent->file;
    where.offset = extent->fileOffset + (sector - extent->sector) * kIsoBlockBytes + inSector;
    return true;
}

namespace {

std::string Hex(std::int64_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%" PRIX64, static_cast<std::uint64_t>(offset));
    return text;
}

}  // namespace

std::string ShortDiscText(const std::string& path, std::int64_t offset) {
    return (path.starts_with('/') ? path.substr(1) : path) + "+" + Hex(offset);
}

std::string LongDiscText(const std::string& path, std::int64_t offset) {
    return path + " (+" + Hex(offset) + ")";
}

}  // namespace vorel
