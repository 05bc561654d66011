// Disc file names as Linux shows them, against isoinfo's listing of the same
// genisoimage discs: Rock Ridge names (long ones continued in another sector,
// folders moved for depth), ISO 9660:1999 names as UTF-8 (or Latin-1 when they
// are not UTF-8), Joliet names over Rock Ridge ones, and a file hidden from the
// Joliet tree under its primary name; and a data track that does not start at the
// .bin's first sector (a pregap, an audio track before it), its files counted from
// the track's INDEX 01 as isoinfo lists bchunk's cut of the track.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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
using Listing = std::map<std::string, std::pair<std::int64_t, std::int64_t>>;  // path: first sector, size

void Put(const fs::path& path, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

Listing Isoinfo(const std::string& iso, const std::string& tree) {
    bool ok = false;
    Listing out;
    for (const auto& e : samples::ListTreeWithIsoinfo(iso, tree, ok)) {
        // isoinfo prints a name's bytes as they stand; Linux shows bytes that are no UTF-8 as Latin-1.
        out[e.path == "/TEX/lat\xE9.bin" ? "/TEX/lat\xC3\xA9.bin" : e.path] = {e.firstSector, e.size};
    }
    EXPECT_TRUE(ok) << "isoinfo " << tree << " " << iso;
    return out;
}

Listing ListingOf(const DiscMap& map) {
    Listing mine;
    for (const auto& f : map.Tree().files) mine[f.path] = {f.firstSector, f.size};
    return mine;
}

TEST(DiscNamesTest, NamesAreWhatIsoinfoListsFromTheTreeLinuxShows) {
    const fs::path dir = fs::temp_directory_path() / ("vorel-names-" + std::to_string(::getpid()));
    // A tree for Joliet (isoinfo -J prints Latin-1 only), and one of names only bytes can hold.
    const fs::path joliet = dir / "joliet";
    const fs::path bytes = dir / "bytes";
    for (const fs::path& root : {joliet, bytes}) {
        fs::create_directories(root);
        samples::WriteDiscSource(root.string());
        Put(root / "TEX" / "HIDDEN.TIM", 2);
    }
    Put(bytes / "Dossier \xC3\xA9t\xC3\xA9" / "a long lower case name.bin", 1);
    Put(bytes / "TEX" / "\xC3\x9Cn\xC3\xAF" "code \xE3\x83\x86\xE3\x82\xAF\xE3\x82\xB9\xE3\x83\x81\xE3\x83\xA3.tim", 5);
    Put(bytes / "TEX" / "lat\xE9.bin", 3);                    // not UTF-8: Latin-1
    Put(bytes / (std::string(200, 'n') + ".tim"), 4);         // a Rock Ridge name continued elsewhere
    struct Case {
        const char* name;
        const fs::path* source;
        const char* options;  // genisoimage's
        const char* tree;     // isoinfo's
        bool joliet;
    };
    const Case cases[] = {
        {"rock ridge", &bytes, "-R -D", "-R", false},
        {"rock ridge, deep folders moved", &bytes, "-R", "-R", false},
        {"level 4", &bytes, "-iso-level 4 -D", "", false},
        {"level 4 and rock ridge", &bytes, "-iso-level 4 -R -D", "-R", false},
        {"rock ridge and joliet", &joliet, "-R -J -D", "-J", true},
        {"hidden from joliet", &joliet, "-J -D -hide-joliet HIDDEN.TIM", "-J", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string iso = (dir / "disc.iso").string();
        ASSERT_TRUE(samples::MakeIso(c.source->string(), iso, c.options));
        Listing expected = Isoinfo(iso, c.tree);
        if (std::string(c.name) == "rock ridge, deep folders moved") {
            // isoinfo lists a moved folder where it was moved; Linux follows the link left in its place.
            Listing moved;
            for (auto& [path, where] : expected) {
                const std::string from = "/rr_moved/";
                moved[path.starts_with(from) ? "/D1/D2/D3/D4/D5/D6/D7/" + path.substr(from.size()) : path] = where;
            }
            expected = moved;
        }
        if (std::string(c.name) == "hidden from joliet") {
            // What the primary tree holds beyond the Joliet tree keeps its primary name.
            std::set<std::pair<std::int64_t, std::int64_t>> seen;
            for (const auto& [path, where] : expected) seen.insert(where);
            int hidden = 0;
            for (const auto& [path, where] : Isoinfo(iso, ""))
                if (!seen.contains(where)) expected[path] = where, ++hidden;
            EXPECT_EQ(hidden, 1);
        }
        DiscMap map;
        ASSERT_EQ(map.Load(iso, SectorReading::kAuto), DiscNaming::kNamed);
        EXPECT_EQ(map.Tree().joliet, c.joliet);
        EXPECT_EQ(ListingOf(map), expected);
    }
    fs::remove_all(dir);
}

std::string Msf(int sectors) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sectors / (60 * 75), sectors / 75 % 60, sectors % 75);
    return text;
}

TEST(DiscNamesTest, FilesAreCountedFromTheDataTracksIndex01) {
    if (std::system("command -v bchunk >/dev/null 2>&1") != 0) GTEST_SKIP() << "bchunk is not installed";
    const fs::path dir = fs::temp_directory_path() / ("vorel-track-" + std::to_string(::getpid()));
    fs::create_directories(dir / "src");
    const auto placed = samples::WriteDiscSource((dir / "src").string());
    const std::string iso = (dir / "disc.iso").string();
    ASSERT_TRUE(samples::MakeIso((dir / "src").string(), iso, "-J"));
    const auto isoBytes = test::ReadFileBytes(iso);
    const struct {
        const char* name;
        int audio;   // sectors of an audio track 1 before the data track
        int pregap;  // data-mode sectors between the data track's INDEX 00 and INDEX 01
        SectorKind kind;
    } cases[] = {
        {"pregap", 0, 150, SectorKind::kMode1},
        {"pregap, Mode 2", 0, 150, SectorKind::kMode2Form1},
        {"audio track first", 600, 0, SectorKind::kMode2Form1},
        {"audio track, then a pregap", 900, 150, SectorKind::kMode1},
    };
    for (const auto& c : cases) {
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
        const Listing theirs = Isoinfo(cut, "-J");
        ASSERT_FALSE(theirs.empty());

        const auto targets = PlanSearch((dir / "disc.cue").string());
        ASSERT_EQ(targets.size(), 1u);
        DiscMap map;
        ASSERT_EQ(map.Load(targets[0].path, targets[0].reading, true, targets[0].dataTrackStart), DiscNaming::kNamed);
        EXPECT_EQ(ListingOf(map), theirs);

        // Every image placed on the disc is found and named by its file and offset.
        MemorySettingsStore store;
        Write(store, settings::kSearchType, 2);
        SearchState state;
        test::RecordingHost host;
        RunSearchScans(state, host, store, targets[0]);
        std::vector<std::string> named;
        for (const auto& doc : host.docs) {
            DiscLocation where;
            ASSERT_TRUE(map.Locate(doc.fileOffset, where)) << "hit at " << doc.fileOffset;
            named.push_back(map.PathOf(where) + "+" + std::to_string(where.offset));
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
