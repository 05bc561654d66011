#include "disc/iso9660.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <unordered_set>
#include <utility>

#include "disc/iso_names.h"
#include "image/bytes.h"

namespace vorel {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kRecordFixedBytes = 33;  // a directory record before its name
constexpr std::size_t kRootRecordOffset = 156; // in a primary or supplementary descriptor
constexpr std::size_t kJolietEscapeOffset = 88;
constexpr std::uint8_t kFlagDirectory = 0x02;
constexpr std::uint8_t kFlagMultiExtent = 0x80;
// XA attributes (big-endian, in the record's system use area).
constexpr std::uint16_t kXaForm2 = 0x1000;
constexpr std::uint16_t kXaInterleaved = 0x2000;
constexpr std::uint16_t kXaAudio = 0x4000;
constexpr std::size_t kXaBytes = 14;
// Candidates looked at before an offset; extents of a sound image never overlap,
// so only a hostile one (many files over one run) gets near this.
constexpr int kLookBack = 64;

DiscFileKind KindOf(Bytes record, std::size_t nameLength) {
    const std::uint8_t unit = record[26];
    const std::uint8_t gap = record[27];
    const std::size_t su = SystemUseStart(nameLength);
    if (su + kXaBytes <= record.size() && record[su + 6] == 'X' && record[su + 7] == 'A') {
        const std::uint16_t attributes = static_cast<std::uint16_t>(record[su + 4] << 8 | record[su + 5]);
        if ((attributes & kXaAudio) != 0) return DiscFileKind::kAudio;
        if ((attributes & kXaForm2) != 0) return DiscFileKind::kForm2;
        if ((attributes & kXaInterleaved) != 0) return DiscFileKind::kInterleaved;
    }
    if (unit != 0 || gap != 0) return DiscFileKind::kInterleaved;
    return DiscFileKind::kData;
}

struct Folder {
    std::int64_t sector = 0;
    std::int64_t length = 0;  // bytes of records; -1: as its own "." record says
    std::string path;         // "" for the root, else "/A/B"
    int depth = 0;
    std::size_t node = 0;     // its place in the walk's list of folders
};

// How the names of one tree are written.
enum class TreeNames {
    kJoliet,    // UCS-2
    kPrimary,   // ISO 9660 (levels 1 to 3) with a ";1" version, or Rock Ridge names
    kEnhanced,  // ISO 9660:1999: any bytes, no version
};

class TreeWalk {
public:
    TreeWalk(const SectorFetch& fetch, std::int64_t sectorCount, TreeNames names, DiscTree& tree)
        : fetch_(fetch), sectorCount_(sectorCount), names_(names), tree_(tree), block_(kIsoBlockBytes) {}

    DiscTreeOutcome Run(Bytes rootRecord) {
        const std::int64_t sector = LoadLe32(rootRecord.data() + 2) + std::int64_t{rootRecord[1]};
        const std::int64_t length = LoadLe32(rootRecord.data() + 10);
        // A zeroed descriptor, or one whose root was never written.
        if (rootRecord[0] == 0 || LoadLe32(rootRecord.data() + 2) == 0 || length == 0) return DiscTreeOutcome::kNoRoot;
        // Breadth first: a folder reached from two parents is named by its shallowest path.
        std::deque<Folder> pending;
        nodes_.push_back({sector, kNoParent});
        seen_.insert(sector);
        pending.push_back({sector, length, {}, 0, 0});
        while (!pending.empty()) {
            const Folder folder = std::move(pending.front());
            pending.pop_front();
            const DiscTreeOutcome outcome = ReadFolder(folder, pending);
            if (outcome != DiscTreeOutcome::kOk) return outcome;
        }
        tree_.rockRidge = rockRidge_.present;
        return DiscTreeOutcome::kOk;
    }

private:
    static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

    struct Node {
        std::int64_t sector;
        std::size_t parent;
    };

    // True when `sector` is the folder at `node` or one it lies in.
    bool IsOnPath(std::size_t node, std::int64_t sector) const {
        for (std::size_t n = node; n != kNoParent; n = nodes_[n].parent)
            if (nodes_[n].sector == sector) return true;
        return false;
    }

    // The length a folder reached through a Rock Ridge link gives itself in its "." record.
    std::int64_t OwnLength(std::int64_t sector) {
        if (sector < 0 || sector >= sectorCount_ || fetch_(sector, block_) != SectorRead::kOk) return -1;
        if (block_[0] < kRecordFixedBytes + 1) return -1;
        return LoadLe32(block_.data() + 10);
    }

    DiscTreeOutcome ReadFolder(Folder folder, std::deque<Folder>& pending) {
        if (folder.length < 0) folder.length = OwnLength(folder.sector);
        if (folder.length < 0) return DiscTreeOutcome::kDirectoryOutside;
        const std::int64_t sectors = (folder.length + kIsoBlockBytes - 1) / kIsoBlockBytes;
        if (folder.sector < 0 || folder.sector > sectorCount_ || sectors > sectorCount_ - folder.sector)
            return DiscTreeOutcome::kDirectoryOutside;
        sectorsRead_ += sectors;
        if (sectorsRead_ > kMaxDirectorySectors) return DiscTreeOutcome::kTooManyDirectoryBytes;
        std::int64_t multiExtent = -1;  // the file whose next extent may follow
        std::string multiName;
        for (std::int64_t s = 0; s < sectors; ++s) {
            switch (fetch_(folder.sector + s, block_)) {
                case SectorRead::kOk: break;
                case SectorRead::kPastEnd:
                case SectorRead::kNoData: return DiscTreeOutcome::kDirectoryOutside;
                case SectorRead::kError: return DiscTreeOutcome::kReadFailed;
            }
            // The last sector holds only what the folder's length says.
            const auto used = static_cast<std::size_t>(std::min(kIsoBlockBytes, folder.length - s * kIsoBlockBytes));
            const Bytes sector(block_.data(), used);
            std::size_t pos = 0;
            while (pos < used) {
                const std::size_t length = sector[pos];
                if (length == 0) break;  // records never cross a sector: the rest is padding
                // A record running past its sector hides where the next one starts:
                // the rest of this sector is passed over, the folder's next sector read.
                if (length < kRecordFixedBytes + 1 || length > used - pos) break;
                const Bytes record = sector.subspan(pos, length);
                const bool first = pos == 0 && s == 0;
                pos += length;
                const std::size_t nameLength = record[32];
                if (nameLength == 0 || kRecordFixedBytes + nameLength > length) continue;  // a damaged record
                const Bytes rawName = record.subspan(kRecordFixedBytes, nameLength);
                if (nameLength == 1 && rawName[0] <= 1) {
                    // "." and ".."; the root's "." says whether the tree has Rock Ridge entries.
                    if (first && folder.depth == 0 && names_ != TreeNames::kJoliet)
                        rockRidge_ = DetectRockRidge(record);
                    continue;
                }
                if (++entries_ > kMaxDiscEntries) return DiscTreeOutcome::kTooManyEntries;
                const RockRidgeEntry rr = ReadRockRidge(record, nameLength, rockRidge_, fetch_, continuation_);
                if (rr.relocated) continue;  // a folder moved for depth: listed where its link stands
                const bool version = names_ == TreeNames::kPrimary;
                const std::string name = names_ == TreeNames::kJoliet ? JolietName(rawName)
                                         : !rr.name.empty()           ? rr.name
                                                                      : ByteName(rawName, version);
                // The data starts after any extended attribute record.
                const std::int64_t start = std::int64_t{LoadLe32(record.data() + 2)} + record[1];
                const std::int64_t size = LoadLe32(record.data() + 10);
                const std::uint8_t flags = record[25];
                if ((flags & kFlagDirectory) != 0 || rr.childLink >= 0) {
                    multiExtent = -1;
                    const std::int64_t at = rr.childLink >= 0 ? rr.childLink : start;
                    if (folder.depth + 1 > kMaxDiscDepth) return DiscTreeOutcome::kTooDeep;
                    if (IsOnPath(folder.node, at)) return DiscTreeOutcome::kLoop;
                    // Reached from a second parent: read once, named by its first path.
                    if (!seen_.insert(at).second) continue;
                    nodes_.push_back({at, folder.node});
                    pending.push_back({at, rr.childLink >= 0 ? -1 : size, folder.path + "/" + name, folder.depth + 1,
                                       nodes_.size() - 1});
                    continue;
                }
                AddFile(folder, name, record, nameLength, start, size, multiExtent, multiName);
                if ((flags & kFlagMultiExtent) != 0) {
                    multiName = name;
                } else {
                    multiExtent = -1;
                }
            }
        }
        return DiscTreeOutcome::kOk;
    }

    void AddFile(const Folder& folder, const std::string& name, Bytes record, std::size_t nameLength,
                 std::int64_t start, std::int64_t size, std::int64_t& multiExtent, const std::string& multiName) {
        std::int64_t offset = 0;
        if (multiExtent >= 0 && name == multiName) {
            // A further extent of a file recorded in several.
            DiscFile& file = tree_.files[static_cast<std::size_t>(multiExtent)];
            offset = file.size;
            file.size += size;
        } else {
            tree_.files.push_back(
                {folder.path + "/" + name, LoadLe32(record.data() + 2), size, KindOf(record, nameLength)});
            multiExtent = static_cast<std::int64_t>(tree_.files.size() - 1);
        }
        const DiscFile& file = tree_.files[static_cast<std::size_t>(multiExtent)];
        if (file.kind == DiscFileKind::kData && size > 0)
            tree_.extents.push_back({start, size, offset, static_cast<std::uint32_t>(multiExtent)});
    }

    const SectorFetch& fetch_;
    std::int64_t sectorCount_;
    TreeNames names_;
    DiscTree& tree_;
    std::vector<std::uint8_t> block_;
    std::vector<Node> nodes_;
    std::unordered_set<std::int64_t> seen_;
    RockRidge rockRidge_;
    ContinuationCache continuation_;
    std::int64_t sectorsRead_ = 0;
    std::size_t entries_ = 0;
};

bool IsJolietEscape(Bytes descriptor) {
    const std::uint8_t* e = descriptor.data() + kJolietEscapeOffset;
    return e[0] == '%' && e[1] == '/' && (e[2] == '@' || e[2] == 'C' || e[2] == 'E');
}

void SortExtents(DiscTree& tree) {
    std::stable_sort(tree.extents.begin(), tree.extents.end(),
                     [](const DiscExtent& a, const DiscExtent& b) { return a.sector < b.sector; });
}

DiscTree WalkFrom(const SectorFetch& fetch, std::int64_t sectorCount, Bytes descriptor, TreeNames names) {
    DiscTree tree;
    tree.joliet = names == TreeNames::kJoliet;
    tree.outcome = TreeWalk(fetch, sectorCount, names, tree).Run(descriptor.subspan(kRootRecordOffset, 34));
    if (tree.outcome != DiscTreeOutcome::kOk) {
        tree.files.clear();
        tree.extents.clear();
        tree.rockRidge = false;
    }
    return tree;
}

// Files of the primary tree that the Joliet tree leaves out (hidden from it)
// are named by their primary path.
void AddHiddenFiles(DiscTree& joliet, const DiscTree& primary) {
    std::vector<std::pair<std::int64_t, std::int64_t>> named;
    named.reserve(joliet.files.size());
    for (const DiscFile& f : joliet.files) named.emplace_back(f.firstSector, f.size);
    std::sort(named.begin(), named.end());
    std::vector<std::int64_t> moved(primary.files.size(), -1);
    for (std::size_t i = 0; i < primary.files.size(); ++i) {
        const DiscFile& f = primary.files[i];
        if (std::binary_search(named.begin(), named.end(), std::pair{f.firstSector, f.size})) continue;
        moved[i] = static_cast<std::int64_t>(joliet.files.size());
        joliet.files.push_back(f);
    }
    for (DiscExtent e : primary.extents) {
        if (moved[e.file] < 0) continue;
        e.file = static_cast<std::uint32_t>(moved[e.file]);
        joliet.extents.push_back(e);
    }
}

}  // namespace

bool HasDescriptorSignature(std::span<const std::uint8_t> sector) {
    return sector.size() >= 7 && std::memcmp(sector.data() + 1, "CD001", 5) == 0;
}

bool IsVolumeDescriptor(std::span<const std::uint8_t> sector) {
    return HasDescriptorSignature(sector) && (sector[6] == 1 || (sector[0] == 2 && sector[6] == 2));
}

DiscTree ReadDiscTree(const SectorFetch& fetch, std::int64_t sectorCount) {
    std::vector<std::uint8_t> block(kIsoBlockBytes);
    std::vector<std::uint8_t> primary;
    std::vector<std::uint8_t> joliet;
    std::vector<std::uint8_t> enhanced;
    DiscTree failed;
    for (int i = 0; i < kMaxVolumeDescriptors; ++i) {
        const std::int64_t sector = kIsoFirstDescriptorSector + i;
        const SectorRead read = fetch(sector, block);
        if (read == SectorRead::kError) {
            failed.outcome = DiscTreeOutcome::kReadFailed;
            return failed;
        }
        // A set without its terminator ends where the descriptors do.
        if (read != SectorRead::kOk || !IsVolumeDescriptor(block)) break;
        if (block[0] == 255) break;  // the set's terminator
        if (block[0] == 1 && primary.empty()) primary = block;
        if (block[0] == 2 && block[6] == 1 && joliet.empty() && IsJolietEscape(block)) joliet = block;
        if (block[0] == 2 && block[6] == 2 && enhanced.empty()) enhanced = block;
    }
    if (primary.empty() && joliet.empty() && enhanced.empty()) {
        std::vector<std::uint8_t> first(kIsoBlockBytes);
        const bool any = fetch(kIsoFirstDescriptorSector, first) == SectorRead::kOk && HasDescriptorSignature(first);
        failed.outcome = !any                        ? DiscTreeOutcome::kNoDescriptor
                         : !IsVolumeDescriptor(first) ? DiscTreeOutcome::kBadVersion
                                                      : DiscTreeOutcome::kNoPrimary;
        return failed;
    }
    // Joliet for its long names (its tree names the same extents as the primary
    // one), else the enhanced descriptor's tree of ISO 9660:1999 names, else the
    // primary tree; when one cannot be read, the next. The last one's reason is given.
    const std::pair<const std::vector<std::uint8_t>*, TreeNames> order[] = {
        {&joliet, TreeNames::kJoliet}, {&enhanced, TreeNames::kEnhanced}, {&primary, TreeNames::kPrimary}};
    DiscTree tree;
    for (const auto& [descriptor, names] : order) {
        if (descriptor->empty()) continue;
        tree = WalkFrom(fetch, sectorCount, *descriptor, names);
        if (tree.outcome != DiscTreeOutcome::kOk) continue;
        if (names == TreeNames::kJoliet && !primary.empty()) {
            const DiscTree other = WalkFrom(fetch, sectorCount, primary, TreeNames::kPrimary);
            if (other.outcome == DiscTreeOutcome::kOk) AddHiddenFiles(tree, other);
        }
        SortExtents(tree);
        return tree;
    }
    return tree;
}

const char* DiscTreeProblemText(DiscTreeOutcome outcome) {
    static_assert(kMaxDiscDepth == 32 && kMaxDiscEntries == 200000 &&
                      kMaxDirectorySectors * kIsoBlockBytes == std::int64_t{128} << 20,
                  "the texts below name the bounds");
    switch (outcome) {
        case DiscTreeOutcome::kOk: return "";
        case DiscTreeOutcome::kNoDescriptor: return "no ISO 9660 volume descriptor at sector 16";
        case DiscTreeOutcome::kBadVersion: return "the volume descriptor at sector 16 has an unknown version";
        case DiscTreeOutcome::kNoPrimary: return "no primary volume descriptor";
        case DiscTreeOutcome::kNoRoot: return "the volume descriptor names no root folder";
        case DiscTreeOutcome::kReadFailed: return "a sector of the file system could not be read";
        case DiscTreeOutcome::kDirectoryOutside: return "a folder lies outside the image's data sectors";
        case DiscTreeOutcome::kLoop: return "a folder is recorded inside itself";
        case DiscTreeOutcome::kTooDeep: return "folders nested more than 32 deep";
        case DiscTreeOutcome::kTooManyEntries: return "more than 200,000 directory entries";
        case DiscTreeOutcome::kTooManyDirectoryBytes: return "more than 128 MiB of directory records";
    }
    return "unknown problem";
}

const DiscExtent* FindExtent(const DiscTree& tree, std::int64_t sector, std::int64_t offsetInSector) {
    auto it = std::upper_bound(tree.extents.begin(), tree.extents.end(), sector,
                               [](std::int64_t s, const DiscExtent& e) { return s < e.sector; });
    for (int step = 0; step < kLookBack && it != tree.extents.begin(); ++step) {
        --it;
        const std::int64_t inRun = (sector - it->sector) * kIsoBlockBytes + offsetInSector;
        if (inRun < it->length) return &*it;
    }
    return nullptr;
}

}  // namespace vorel
