// The ISO 9660 reader over an image whose sectors from 16 on are the input
// (sectors 0 to 15, the system area, are zeros), read once as a plain .iso and
// once wrapped in raw Mode 2 Form 1 sectors after an audio track (the data track
// starting where a cue sheet's INDEX 01 says): the two must give the same tree,
// and every answer must stay inside what was read.
#include <algorithm>
#include <cstring>
#include <string>

#include "disc/disc_map.h"
#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"

namespace vorel::fuzz {
namespace {

constexpr std::uint64_t kSystemArea = 16 * 2048;
// Audio sectors (no sync pattern) before the data track of the raw image.
constexpr std::size_t kAudioSectors = 3;

std::vector<std::uint8_t> WrapRawForm1(Input data) {
    const std::size_t sectors = 16 + (data.size() + 2047) / 2048;
    std::vector<std::uint8_t> image((kAudioSectors + sectors) * 2352, 0x5A);
    for (std::size_t k = 0; k < sectors; ++k) {
        std::uint8_t* s = image.data() + (kAudioSectors + k) * 2352;
        std::memset(s, 0, 2352);
        std::memcpy(s, kSectorSync.data(), kSyncBytes);
        s[15] = 2;  // Mode 2, Form 1 (submode 0x08: data)
        s[18] = s[22] = 0x08;
        if (k >= 16 && (k - 16) * 2048 < data.size()) {
            const std::size_t at = (k - 16) * 2048;
            std::memcpy(s + 24, data.data() + at, std::min<std::size_t>(2048, data.size() - at));
        }
    }
    return image;
}

bool SafePath(const std::string& path) {
    if (!path.starts_with('/') || path.size() < 2 || path.ends_with('/')) return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return std::none_of(path.begin(), path.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

void CheckMap(const DiscMap& map, std::int64_t imageSize) {
    const DiscTree& tree = map.Tree();
    if (map.Naming() != DiscNaming::kNamed) {
        Require(tree.files.empty() && tree.extents.empty(), "disc: an unreadable tree keeps no files");
        return;
    }
    Require(tree.files.size() <= kMaxDiscEntries, "disc: more files than the bound");
    for (const DiscFile& f : tree.files) Require(SafePath(f.path), "disc: a path that could leave its folder");
    for (std::size_t i = 0; i < tree.extents.size(); ++i) {
        const DiscExtent& e = tree.extents[i];
        Require(e.file < tree.files.size(), "disc: an extent of no file");
        if (e.file >= tree.files.size()) return;
        const DiscFile& f = tree.files[e.file];
        Require(f.kind == DiscFileKind::kData, "disc: an extent of a Form 2, audio or interleaved file");
        Require(e.length > 0 && e.fileOffset >= 0 && e.fileOffset + e.length <= f.size, "disc: an extent outside its file");
        Require(i == 0 || tree.extents[i - 1].sector <= e.sector, "disc: extents out of order");
    }
    // Offsets spread over the image, and a few just around sector edges.
    const std::int64_t step = std::max<std::int64_t>(1, imageSize / 997);
    for (std::int64_t at = 0; at < imageSize + 4096; at += step) {
        for (const std::int64_t probe : {at, at - at % 2352 + 23, at - at % 2352 + 24, at - at % 2048 + 2047}) {
            DiscLocation where;
            if (!map.Locate(probe, where)) continue;
            Require(where.file < tree.files.size(), "disc: a location in no file");
            if (where.file >= tree.files.size()) return;
            Require(where.offset >= 0 && where.offset < tree.files[where.file].size, "disc: a location past its file's end");
        }
    }
}

}  // namespace

DiscSummary CheckDiscTree(Input data) {
    const MemoryFile plain(data, kSystemArea);
    const std::vector<std::uint8_t> wrapped = WrapRawForm1(data);
    const MemoryFile raw(wrapped);
    if (!plain.IsOpen() || !raw.IsOpen()) return {};
    DiscMap a;
    a.Load(plain.Path(), SectorReading::kPlain, true);
    CheckMap(a, static_cast<std::int64_t>(kSystemArea + data.size()));
    DiscMap b;
    b.Load(raw.Path(), SectorReading::kRaw, true, kAudioSectors);
    CheckMap(b, static_cast<std::int64_t>(wrapped.size()));
    Require(a.Problem() == b.Problem(), "disc: a raw image reads another tree than its plain sectors");
    Require(a.Tree().files.size() == b.Tree().files.size(), "disc: a raw image lists other files");
    for (std::size_t i = 0; i < std::min(a.Tree().files.size(), b.Tree().files.size()); ++i) {
        const DiscFile& x = a.Tree().files[i];
        const DiscFile& y = b.Tree().files[i];
        Require(x.path == y.path && x.firstSector == y.firstSector && x.size == y.size && x.kind == y.kind,
                "disc: a raw image lists a file otherwise");
    }
    return {a.Problem(), a.Tree().files.size()};
}

}  // namespace vorel::fuzz
