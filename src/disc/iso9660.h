// The ISO 9660 file system of a CD image: the volume descriptors from sector 16
// on and the directory tree, read into a list of files and the sectors each
// one occupies, so that a byte found anywhere in the image can be named as a
// disc file and an offset inside it. Names are the ones Linux shows: Joliet's
// when the disc has a Joliet tree (files hidden from it keep their name in the
// primary tree), else Rock Ridge names, else the ISO 9660 names (an ISO
// 9660:1999 tree's as UTF-8 when they are UTF-8).
//
// Everything here is read from an untrusted image: every record is checked
// against its sector, every extent against the image, and the walk is bounded
// (each folder read once, a limit on folders, entries, depth and sectors read).
// One damaged record is passed over; the rest of its folder is still read.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace vorel {

inline constexpr std::int64_t kIsoBlockBytes = 2048;
inline constexpr std::int64_t kIsoFirstDescriptorSector = 16;

// Bounds of the walk. A real CD holds a few thousand files in a few hundred
// directory sectors; anything far beyond is a damaged or hostile image.
inline constexpr std::size_t kMaxDiscEntries = 200000;       // files and folders together
inline constexpr std::int64_t kMaxDirectorySectors = 65536;  // 128 MiB of directory records
inline constexpr int kMaxDiscDepth = 32;                     // the standard allows 8 levels
inline constexpr int kMaxVolumeDescriptors = 64;

// What a file's sectors hold, from its XA attributes. Only kData files are
// ever matched to a found image: the sectors of the others give no user data
// to the scanners.
enum class DiscFileKind : std::uint8_t {
    kData,         // Mode 1 or Mode 2 Form 1 sectors
    kForm2,        // Mode 2 Form 2 (XA audio, video)
    kAudio,        // CD-DA sectors
    kInterleaved,  // recorded in interleaved units, not one run of sectors
};

struct DiscFile {
    std::string path;            // from the root, "/" before each name: "/TEX/T003.TIM"
    std::int64_t firstSector = 0;  // of the first extent, as recorded
    std::int64_t size = 0;       // bytes, over all its extents
    DiscFileKind kind = DiscFileKind::kData;
};

// One run of sectors of a data file.
struct DiscExtent {
    std::int64_t sector = 0;      // first sector of the file's data in this run
    std::int64_t length = 0;      // bytes of the file in this run
    std::int64_t fileOffset = 0;  // bytes of the file before this run
    std::uint32_t file = 0;       // index into DiscTree::files
};

enum class DiscTreeOutcome {
    kOk,
    kNoDescriptor,       // sector 16 holds no volume descriptor
    kBadVersion,         // sector 16 holds "CD001" with a version no standard knows
    kNoPrimary,          // descriptors, but no primary volume descriptor
    kNoRoot,             // the descriptor's root folder has no extent (an empty or zeroed descriptor)
    kReadFailed,         // a sector could not be read
    kDirectoryOutside,   // a folder's sectors lie beyond the image or hold no file data
    kLoop,               // a folder is recorded inside itself (in one of its own subfolders)
    kTooDeep,            // folders nested deeper than kMaxDiscDepth
    kTooManyEntries,     // more than kMaxDiscEntries entries
    kTooManyDirectoryBytes,  // more than kMaxDirectorySectors sectors of directory records
};

struct DiscTree {
    DiscTreeOutcome outcome = DiscTreeOutcome::kNoDescriptor;
    bool joliet = false;               // names from the Joliet tree
    bool rockRidge = false;            // names from Rock Ridge entries (the primary tree's)
    std::vector<DiscFile> files;       // in the order the walk met them
    std::vector<DiscExtent> extents;   // data files only, by sector; empty files have none
};

enum class SectorRead { kOk, kPastEnd, kNoData, kError };

// Reads the 2,048 bytes of user data of logical sector `sector` into `out`.
using SectorFetch = std::function<SectorRead(std::int64_t sector, std::span<std::uint8_t> out)>;

// Reads the tree of an image of `sectorCount` sectors. On any outcome but kOk
// the lists are empty.
DiscTree ReadDiscTree(const SectorFetch& fetch, std::int64_t sectorCount);

// True when a sector holds a volume descriptor ("CD001", version 1; or version
// 2, the enhanced descriptor of ISO 9660:1999).
bool IsVolumeDescriptor(std::span<const std::uint8_t> sector);

// True when a sector starts as a volume descriptor does ("CD001"), whatever its version.
bool HasDescriptorSignature(std::span<const std::uint8_t> sector);

// Why a tree could not be read, in a few words for a message.
const char* DiscTreeProblemText(DiscTreeOutcome outcome);

// The extent holding byte `offsetInSector` of `sector`, when that byte lies
// inside a data file (not in the slack after its end); null otherwise.
const DiscExtent* FindExtent(const DiscTree& tree, std::int64_t sector, std::int64_t offsetInSector);

}  // namespace vorel
