// A data track that does not start at the .bin's first sector (a pregap before
// its INDEX 01, an audio track before it): the disc's files are counted from the
// track's INDEX 01, so every image is named as bchunk's cut of the track and
// isoinfo's listing of that cut say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

#include "disc/cue_sheet.h"
#include "disc/disc_map.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/disc_image.h"
#include "search/scan_support.h"
#include "search/search_run.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;
using samples::SectorKind;

std::string Msf(int sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / (60 * 75), sectors / 75 % 60, sectors % 75);
    return text;
}

TEST(TrackStartTest, FilesAreCountedFromTheDataTracksIndex01) {
    if (std::system("command -v bchunk >/dev/null 2>&1") != 0) GTEST_SKIP() << "bchunk is not installed";
    const fs::path dir = fs::temp_directory_path() / ("vorel-track-" + std::to_string(::getpid()));
    fs::create_directories(dir / "src");
    const auto placed = samples::WriteDiscSource((dir / "src").string());
    const std::string iso = (dir / "disc.iso").string();
    ASSERT_TRUE(samples::MakeIso((dir / "src").string(), iso, "-J"));
    const auto isoBytes = test::ReadFileBytes(iso);
    struct Case {
        const char* name;
        int audio;   // sectors of an audio track 1 before the data track
        int pregap;  // data-mode sectors between the data track's INDEX 00 and INDEX 01
        SectorKind kind;
    };
    const Case cases[] = {
        {"pregap", 0, 150, SectorKind::kMode1},
        {"pregap, Mode 2", 0, 150, SectorKind::kMode2Form1},
        {"audio track first", 600, 0, SectorKind::kMode2Form1},
        {"audio track, then a pregap", 900, 150, SectorKind::kMode1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bin;
        const std::vector<std::uint8_t> zeros(2048, 0);
        for (int i = 0; i < c.audio + c.pregap; ++i) {
            const auto s = samples::MakeSector(i < c.audio ? SectorKind::kAudio : c.kind, static_cast<std::uint32_t>(i),
                                               zeros.data(), i < c.audio ? 0 : zeros.size());
            bin.insert(bin.end(), s.begin(), s.end());
        }
        const auto track = samples::WrapRaw(isoBytes, {c.kind});
        bin.insert(bin.end(), track.begin(), track.end());
        std::ofstream(dir / "disc.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(bin.data()), static_cast<std::streamsize>(bin.size()));
        const std::string mode = c.kind == SectorKind::kMode1 ? "MODE1/2352" : "MODE2/2352";
        std::string cue = "FILE \"disc.bin\" BINARY\n";
        if (c.audio > 0) cue += "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
        cue += (c.audio > 0 ? "  TRACK 02 " : "  TRACK 01 ") + mode + "\n";
        if (c.pregap > 0) cue += "    INDEX 00 " + Msf(c.audio) + "\n";
        cue += "    INDEX 01 " + Msf(c.audio + c.pregap) + "\n";
        std::ofstream(dir / "disc.cue") << cue;

        // The independent answer: bchunk cuts the data track, isoinfo lists the cut.
        for (const char* old : {"cut01.iso", "cut02.iso"}) fs::remove(dir / old);
        const std::string command = "cd '" + dir.string() + "' && bchunk disc.bin disc.cue cut >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string cut = (dir / (c.audio > 0 ? "cut02.iso" : "cut01.iso")).string();
        bool ok = false;
        const auto listing = samples::ListWithIsoinfo(cut, true, ok);
        ASSERT_TRUE(ok && !listing.empty());
        const auto cutBytes = test::ReadFileBytes(cut);

        const auto targets = PlanSearch((dir / "disc.cue").string());
        ASSERT_EQ(targets.size(), 1u);
        DiscMap map;
        ASSERT_EQ(map.Load(targets[0].path, targets[0].reading, true, targets[0].dataTrackStart), DiscNaming::kNamed);
        std::map<std::string, std::pair<std::int64_t, std::int64_t>> mine, theirs;
        for (const auto& f : map.Tree().files) mine[f.path] = {f.firstSector, f.size};
        for (const auto& e : listing) theirs[e.path] = {e.firstSector, e.size};
        EXPECT_EQ(mine, theirs);

        // Every image found is named by a file whose bytes in the cut track are the image's.
        MemorySettingsStore store;
        Write(store, settings::kSearchType, 2);
        SearchState state;
        test::RecordingHost host;
        RunSearchScans(state, host, store, targets[0]);
        std::vector<std::string> named;
        for (const auto& doc : host.docs) {
            DiscLocation where;
            ASSERT_TRUE(map.Locate(doc.fileOffset, where)) << "hit at " << doc.fileOffset;
            const std::string& path = map.PathOf(where);
            named.push_back(path + "+" + std::to_string(where.offset));
            const auto entry = std::find_if(listing.begin(), listing.end(), [&](const auto& e) { return e.path == path; });
            ASSERT_NE(entry, listing.end()) << path;
            const std::int64_t inCut = entry->firstSector * 2048 + where.offset;
            const std::int64_t inSector = std::min<std::int64_t>(8, 2048 - where.offset % 2048);
            ASSERT_LE(inCut + inSector, static_cast<std::int64_t>(cutBytes.size()));
            EXPECT_TRUE(std::equal(bin.begin() + doc.fileOffset, bin.begin() + doc.fileOffset + inSector,
                                   cutBytes.begin() + inCut))
                << path << "+" << where.offset;
        }
        for (const auto& p : placed) {
            if (!theirs.contains(p.discPath)) continue;  // deep folders are left out without -D
            EXPECT_NE(std::find(named.begin(), named.end(), p.discPath + "+" + std::to_string(p.offset)), named.end())
                << p.discPath;
        }
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vorel
