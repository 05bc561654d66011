// Names of disc files as Linux shows them: Joliet names (UCS-2), names of the
// ISO 9660 tree at any level (ISO 9660:1999 too) and Rock Ridge names (the NM
// entries in a record's system use area, continued in other sectors when long).
// Every name comes out as UTF-8 that can neither split a path nor hide in a
// terminal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "disc/iso9660.h"

namespace vorel {

// UCS-2 big-endian (surrogate pairs joined) up to any ";1" version.
std::string JolietName(std::span<const std::uint8_t> raw);

// An 8-bit name, taken as UTF-8 when it is valid UTF-8 (ISO 9660:1999 and Rock
// Ridge names written on Linux), else as Latin-1. With `stripVersion`, a ";1"
// version at its end goes, and the dot before it ("README.;1" is "README").
std::string ByteName(std::span<const std::uint8_t> raw, bool stripVersion);

// Whether a tree carries Rock Ridge entries, from the system use area of its
// root's "." record (an "SP" entry), and how many bytes start every area
// before its entries.
struct RockRidge {
    bool present = false;
    std::size_t skip = 0;
};
RockRidge DetectRockRidge(std::span<const std::uint8_t> dotRecord);

// What a record's Rock Ridge entries say.
struct RockRidgeEntry {
    std::string name;            // the NM name as UTF-8; empty when there is none
    std::int64_t childLink = -1;  // CL: a folder moved away for depth lives at this sector
    bool relocated = false;       // RE: the moved folder itself, listed where it was moved to
};

// The last continuation sector read, kept for the next record (a tree's long
// names usually share one).
struct ContinuationCache {
    std::int64_t sector = -1;
    std::vector<std::uint8_t> bytes;
};

// Reads the system use area of `record` (whose name is `nameLength` bytes) and
// the continuation areas it points to, at most a few of them; damaged entries
// end the reading with what was read before them.
RockRidgeEntry ReadRockRidge(std::span<const std::uint8_t> record, std::size_t nameLength, const RockRidge& rr,
                             const SectorFetch& fetch, ContinuationCache& cache);

// Where a record's system use area starts: after its name and the name's padding byte.
std::size_t SystemUseStart(std::size_t nameLength);

}  // namespace vorel
