// Disc file names as Linux shows them, against isoinfo's listing of the same
// genisoimage discs: Rock Ridge names (long ones continued in another sector,
// folders moved for depth), ISO 9660:1999 names as UTF-8 (or Latin-1 when they
// are not UTF-8), Joliet names over Rock Ridge ones, and a file hidden from the
// Joliet tree under its primary name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

#include "disc/disc_map.h"
#include "sample_builders/disc_image.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;
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
        Listing mine;
        for (const auto& f : map.Tree().files) mine[f.path] = {f.firstSector, f.size};
        EXPECT_EQ(mine, expected);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vorel
