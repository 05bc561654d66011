// Disc files: the reader's map of genisoimage's ISOs (plain, Joliet, deep
// folders; as .iso and wrapped in raw sectors) against isoinfo's listing, every
// packed image named by its file and offset, and trees no walk may get lost in.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <unistd.h>

#include "disc/disc_map.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/disc_image.h"
#include "search/scan_support.h"
#include "search/search_run.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;
using samples::SectorKind;

struct Where {
    std::string path;
    std::int64_t offset;
    bool operator==(const Where&) const = default;
    friend void PrintTo(const Where& w, std::ostream* os) { *os << w.path << "+" << w.offset; }
};

// The file and offset isoinfo's extents give for a byte of the image.
std::optional<Where> FromListing(const std::vector<samples::IsoinfoEntry>& listing, std::int64_t sector,
                                 std::int64_t inSector) {
    for (const auto& e : listing) {
        const std::int64_t offset = (sector - e.firstSector) * 2048 + inSector;
        if (sector >= e.firstSector && offset < e.size) return Where{e.path, offset};
    }
    return std::nullopt;
}

TEST(Iso9660Test, MapMatchesIsoinfoAndNamesEveryPackedImage) {
    const fs::path dir = fs::temp_directory_path() / ("vorel-iso-" + std::to_string(::getpid()));
    fs::create_directories(dir / "src");
    const auto placed = samples::WriteDiscSource((dir / "src").string());
    struct Case {
        const char* name;
        const char* options;
        bool joliet;
    };
    const Case cases[] = {{"plain", "", false}, {"joliet", "-J", true}, {"deep", "-D -J", true}, {"deep_iso", "-D", false}};
    for (const Case& c : cases) {
        const std::string iso = (dir / (std::string(c.name) + ".iso")).string();
        ASSERT_TRUE(samples::MakeIso((dir / "src").string(), iso, c.options)) << "genisoimage " << c.name;
        bool ok = false;
        const auto listing = samples::ListWithIsoinfo(iso, c.joliet, ok);
        ASSERT_TRUE(ok && !listing.empty()) << "isoinfo " << c.name;
        const auto isoBytes = test::ReadFileBytes(iso);
        // The same sectors as a plain .iso, and wrapped raw in each data mode.
        for (const int wrap : {0, 1, 2}) {
            const std::string label = std::string(c.name) + (wrap == 0 ? " .iso" : wrap == 1 ? " Mode 2" : " Mode 1");
            std::string path = iso;
            std::int64_t dataStart = 0;
            if (wrap != 0) {
                samples::RawLayout layout;
                layout.dataKind = wrap == 1 ? SectorKind::kMode2Form1 : SectorKind::kMode1;
                dataStart = wrap == 1 ? 24 : 16;
                path = (dir / (std::string(c.name) + std::to_string(wrap) + ".bin")).string();
                const auto raw = samples::WrapRaw(isoBytes, layout);
                std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(raw.data()),
                                                            static_cast<std::streamsize>(raw.size()));
            }
            DiscMap map;
            ASSERT_EQ(map.Load(path, SectorReading::kAuto), DiscNaming::kNamed) << label;
            EXPECT_EQ(map.Tree().joliet, c.joliet) << label;
            std::map<std::string, std::pair<std::int64_t, std::int64_t>> mine, theirs;
            for (const auto& f : map.Tree().files) mine[f.path] = {f.firstSector, f.size};
            for (const auto& e : listing) theirs[e.path] = {e.firstSector, e.size};
            EXPECT_EQ(mine, theirs) << label;

            MemorySettingsStore store;
            Write(store, settings::kSearchType, 2);
            SearchState state;
            test::RecordingHost host;
            RunSearchScans(state, host, store, path);
            std::vector<Where> named;
            for (const auto& doc : host.docs) {
                const std::int64_t sectorBytes = wrap == 0 ? 2048 : 2352;
                const std::int64_t sector = doc.fileOffset / sectorBytes;
                const auto expected = FromListing(listing, sector, doc.fileOffset % sectorBytes - dataStart);
                DiscLocation where;
                const bool found = map.Locate(doc.fileOffset, where);
                ASSERT_EQ(found, expected.has_value()) << label << " hit at " << doc.fileOffset;
                if (found) {
                    EXPECT_EQ((Where{map.PathOf(where), where.offset}), *expected) << label;
                    named.push_back({map.PathOf(where), where.offset});
                }
            }
            for (const auto& p : placed) {
                if (!theirs.contains(p.discPath)) continue;  // deep folders are left out without -D
                EXPECT_NE(std::find(named.begin(), named.end(), Where{p.discPath, p.offset}), named.end())
                    << label << " " << p.discPath << "+" << p.offset;
            }
        }
    }
    // An ordinary file is no disc; a raw image without a file system is one that cannot be read.
    DiscMap plain;
    EXPECT_EQ(plain.Load((dir / "src" / "BIG" / "DATA.BIN").string(), SectorReading::kAuto), DiscNaming::kNotADisc);
    const std::string bare = (dir / "bare.bin").string();
    const auto raw = samples::WrapRaw(samples::QuietNoise(40 * 2048, 9), {});
    std::ofstream(bare, std::ios::binary).write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    DiscMap none;
    EXPECT_EQ(none.Load(bare, SectorReading::kAuto), DiscNaming::kUnreadable);
    EXPECT_EQ(none.Problem(), DiscTreeOutcome::kNoDescriptor);
    fs::remove_all(dir);
}

// Hand-built directory sectors for the cases no tool writes.
std::vector<std::uint8_t> Record(const std::string& name, std::uint32_t sector, std::uint32_t size, std::uint8_t flags,
                                 std::uint16_t xa = 0) {
    const std::size_t pad = name.size() % 2 == 0 ? 1 : 0;
    std::vector<std::uint8_t> r(33 + name.size() + pad + (xa != 0 ? 14 : 0));
    r[0] = static_cast<std::uint8_t>(r.size());
    for (int i = 0; i < 4; ++i) {
        r[2 + i] = static_cast<std::uint8_t>(sector >> (8 * i));
        r[10 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    r[25] = flags;
    r[32] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), r.begin() + 33);
    if (xa != 0) {
        const std::size_t su = 33 + name.size() + pad;
        r[su + 4] = static_cast<std::uint8_t>(xa >> 8);
        r[su + 5] = static_cast<std::uint8_t>(xa);
        r[su + 6] = 'X';
        r[su + 7] = 'A';
    }
    return r;
}

// Sector 16 a primary descriptor whose root is sector 20 with `rootSectors`
// sectors; every root sector holds `rootSector`; sector 17 terminates the set;
// `others` holds any other sectors.
DiscTree TreeOf(const std::vector<std::uint8_t>& rootSector, std::uint32_t rootSectors, std::int64_t sectorCount,
                const std::map<std::int64_t, std::vector<std::uint8_t>>& others = {}) {
    const SectorFetch fetch = [&](std::int64_t n, std::span<std::uint8_t> out) {
        std::fill(out.begin(), out.end(), 0);
        if (n >= sectorCount) return SectorRead::kPastEnd;
        if (n == 16 || n == 17) {
            out[0] = n == 16 ? 1 : 255;
            std::copy_n("CD001\x01", 6, out.begin() + 1);
            const auto root = Record(std::string(1, '\0'), 20, rootSectors * 2048, 2);
            std::copy(root.begin(), root.end(), out.begin() + 156);
        } else if (n >= 20 && n < 20 + static_cast<std::int64_t>(rootSectors)) {
            std::copy(rootSector.begin(), rootSector.end(), out.begin());
        } else if (const auto it = others.find(n); it != others.end()) {
            std::copy(it->second.begin(), it->second.end(), out.begin());
        }
        return SectorRead::kOk;
    };
    return ReadDiscTree(fetch, sectorCount);
}

TEST(Iso9660Test, XaKindsAreListedButMatchNothing) {
    std::vector<std::uint8_t> root;
    for (const auto& r : {Record("MOVIE.STR;1", 30, 4096, 0, 0x1000 | 0x2000), Record("SOUND.DA;1", 40, 2048, 0, 0x4000),
                          Record("DATA.BIN;1", 50, 100, 0, 0x0800)})
        root.insert(root.end(), r.begin(), r.end());
    const DiscTree tree = TreeOf(root, 1, 100);
    ASSERT_EQ(tree.outcome, DiscTreeOutcome::kOk);
    ASSERT_EQ(tree.files.size(), 3u);
    EXPECT_EQ(tree.files[0].kind, DiscFileKind::kForm2);
    EXPECT_EQ(tree.files[1].kind, DiscFileKind::kAudio);
    EXPECT_EQ(tree.files[2].kind, DiscFileKind::kData);
    EXPECT_EQ(FindExtent(tree, 30, 0), nullptr);
    EXPECT_EQ(FindExtent(tree, 40, 0), nullptr);
    ASSERT_NE(FindExtent(tree, 50, 99), nullptr);
    EXPECT_EQ(FindExtent(tree, 50, 100), nullptr);  // the slack after the file's end
}

TEST(Iso9660Test, AMillionEntriesStopAtTheBound) {
    // One sector of 56 file records repeated over 18,000 directory sectors.
    std::vector<std::uint8_t> sector;
    for (int i = 0; sector.size() + 34 <= 2048; ++i) {
        const auto r = Record("F" + std::to_string(i % 10), 30, 1, 0);
        sector.insert(sector.end(), r.begin(), r.end());
    }
    const DiscTree tree = TreeOf(sector, 18000, 18100);
    EXPECT_EQ(tree.outcome, DiscTreeOutcome::kTooManyEntries);
    EXPECT_TRUE(tree.files.empty());
}

TEST(Iso9660Test, ASharedFolderIsNamedOnceAndEachBoundSaysItself) {
    // Two folders list one subfolder (no loop): it is read once, under the first path.
    std::vector<std::uint8_t> root = Record("A", 21, 2048, 2), b = Record("B", 22, 2048, 2);
    root.insert(root.end(), b.begin(), b.end());
    const DiscTree shared = TreeOf(root, 1, 100,
                                   {{21, Record("SHARED", 23, 2048, 2)}, {22, Record("SHARED", 23, 2048, 2)},
                                    {23, Record("X.TIM;1", 30, 100, 0)}});
    ASSERT_EQ(shared.outcome, DiscTreeOutcome::kOk);
    ASSERT_EQ(shared.files.size(), 1u);
    EXPECT_EQ(shared.files[0].path, "/A/SHARED/X.TIM");
    // One folder of 129 MiB: the bound hit is the bytes of records, not the entries.
    const DiscTree big = TreeOf({}, 129 * 512, 70000);
    EXPECT_EQ(big.outcome, DiscTreeOutcome::kTooManyDirectoryBytes);
    EXPECT_STREQ(DiscTreeProblemText(big.outcome), "more than 128 MiB of directory records");
}

}  // namespace
}  // namespace vorel
