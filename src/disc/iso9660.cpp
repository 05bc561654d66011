#include "disc/iso9660.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

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

std::uint32_t Le32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A name can never split a path or hide in a terminal: "/" and control
// characters become "_", and so do names that would mean "here" or "up".
void AppendSafe(std::string& out, std::uint32_t cp) {
    if (cp < 0x20 || cp == 0x7F || cp == '/' || (cp >= 0x80 && cp < 0xA0)) cp = '_';
    AppendUtf8(out, cp);
}

std::string MakeName(Bytes raw, bool joliet) {
    std::string name;
    if (joliet) {
        // UCS-2 big-endian; a surrogate pair is joined, a lone surrogate replaced.
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            std::uint32_t cp = static_cast<std::uint32_t>(raw[i]) << 8 | raw[i + 1];
            if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < raw.size()) {
                const std::uint32_t low = static_cast<std::uint32_t>(raw[i + 2]) << 8 | raw[i + 3];
                if (low >= 0xDC00 && low < 0xE000) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
            if (cp == ';') {
                // The version ";1" is no part of the name.
                break;
            }
            AppendSafe(name, cp);
        }
    } else {
        std::size_t end = raw.size();
        for (std::size_t i = 0; i < raw.size(); ++i)
            if (raw[i] == ';') {
                end = i;
                break;
            }
        // "README.;1": a file without an extension keeps its separator on the disc.
        if (end > 1 && raw[end - 1] == '.') --end;
        for (std::size_t i = 0; i < end; ++i) AppendSafe(name, raw[i]);  // Latin-1
    }
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

DiscFileKind KindOf(Bytes record, std::size_t nameLength) {
    const std::uint8_t unit = record[26];
    const std::uint8_t gap = record[27];
    // The system use area follows the name and its padding byte.
    std::size_t su = kRecordFixedBytes + nameLength + (nameLength % 2 == 0 ? 1 : 0);
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
    std::int64_t length = 0;
    std::string path;  // "" for the root, else "/A/B"
    int depth = 0;
};

class TreeWalk {
public:
    TreeWalk(const SectorFetch& fetch, std::int64_t sectorCount, bool joliet, DiscTree& tree)
        : fetch_(fetch), sectorCount_(sectorCount), joliet_(joliet), tree_(tree), block_(kIsoBlockBytes) {}

    DiscTreeOutcome Run(Bytes rootRecord) {
        std::vector<Folder> pending;
        pending.push_back({Le32(rootRecord, 2) + std::int64_t{rootRecord[1]}, Le32(rootRecord, 10), {}, 0});
        while (!pending.empty()) {
            Folder folder = std::move(pending.back());
            pending.pop_back();
            const DiscTreeOutcome outcome = ReadFolder(folder, pending);
            if (outcome != DiscTreeOutcome::kOk) return outcome;
        }
        return DiscTreeOutcome::kOk;
    }

private:
    DiscTreeOutcome ReadFolder(const Folder& folder, std::vector<Folder>& pending) {
        const std::int64_t sectors = (folder.length + kIsoBlockBytes - 1) / kIsoBlockBytes;
        if (folder.sector < 0 || folder.sector > sectorCount_ || sectors > sectorCount_ - folder.sector)
            return DiscTreeOutcome::kDirectoryOutside;
        // Each folder is read once: one reached again leads back into itself.
        if (!visited_.insert(folder.sector).second) return DiscTreeOutcome::kLoop;
        sectorsRead_ += sectors;
        if (sectorsRead_ > kMaxDirectorySectors) return DiscTreeOutcome::kTooManyEntries;
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
                if (length < kRecordFixedBytes + 1 || length > used - pos) return DiscTreeOutcome::kBadRecord;
                const Bytes record = sector.subspan(pos, length);
                pos += length;
                const std::size_t nameLength = record[32];
                if (nameLength == 0 || kRecordFixedBytes + nameLength > length) return DiscTreeOutcome::kBadRecord;
                const Bytes rawName = record.subspan(kRecordFixedBytes, nameLength);
                if (nameLength == 1 && rawName[0] <= 1) continue;  // "." and ".."
                if (++entries_ > kMaxDiscEntries) return DiscTreeOutcome::kTooManyEntries;
                const std::string name = MakeName(rawName, joliet_);
                const std::int64_t start = std::int64_t{Le32(record, 2)} + record[1];  // after any extended attributes
                const std::int64_t size = Le32(record, 10);
                const std::uint8_t flags = record[25];
                if ((flags & kFlagDirectory) != 0) {
                    if (folder.depth + 1 > kMaxDiscDepth) return DiscTreeOutcome::kTooDeep;
                    pending.push_back({start, size, folder.path + "/" + name, folder.depth + 1});
                    multiExtent = -1;
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
            tree_.files.push_back({folder.path + "/" + name, Le32(record, 2), size, KindOf(record, nameLength)});
            multiExtent = static_cast<std::int64_t>(tree_.files.size() - 1);
        }
        const DiscFile& file = tree_.files[static_cast<std::size_t>(multiExtent)];
        if (file.kind == DiscFileKind::kData && size > 0)
            tree_.extents.push_back({start, size, offset, static_cast<std::uint32_t>(multiExtent)});
    }

    const SectorFetch& fetch_;
    std::int64_t sectorCount_;
    bool joliet_;
    DiscTree& tree_;
    std::vector<std::uint8_t> block_;
    std::unordered_set<std::int64_t> visited_;
    std::int64_t sectorsRead_ = 0;
    std::size_t entries_ = 0;
};

bool IsJolietEscape(Bytes descriptor) {
    const std::uint8_t* e = descriptor.data() + kJolietEscapeOffset;
    return e[0] == '%' && e[1] == '/' && (e[2] == '@' || e[2] == 'C' || e[2] == 'E');
}

DiscTree WalkFrom(const SectorFetch& fetch, std::int64_t sectorCount, Bytes rootRecord, bool joliet) {
    DiscTree tree;
    tree.joliet = joliet;
    tree.outcome = TreeWalk(fetch, sectorCount, joliet, tree).Run(rootRecord);
    if (tree.outcome != DiscTreeOutcome::kOk) {
        tree.files.clear();
        tree.extents.clear();
        return tree;
    }
    std::stable_sort(tree.extents.begin(), tree.extents.end(),
                     [](const DiscExtent& a, const DiscExtent& b) { return a.sector < b.sector; });
    return tree;
}

}  // namespace

bool IsVolumeDescriptor(std::span<const std::uint8_t> sector) {
    return sector.size() >= 7 && std::memcmp(sector.data() + 1, "CD001", 5) == 0 && sector[6] == 1;
}

DiscTree ReadDiscTree(const SectorFetch& fetch, std::int64_t sectorCount) {
    std::vector<std::uint8_t> block(kIsoBlockBytes);
    std::vector<std::uint8_t> primary;
    std::vector<std::uint8_t> joliet;
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
        if (block[0] == 2 && joliet.empty() && IsJolietEscape(block)) joliet = block;
    }
    if (primary.empty() && joliet.empty()) {
        std::vector<std::uint8_t> first(kIsoBlockBytes);
        const bool any = fetch(kIsoFirstDescriptorSector, first) == SectorRead::kOk && IsVolumeDescriptor(first);
        failed.outcome = any ? DiscTreeOutcome::kNoPrimary : DiscTreeOutcome::kNoDescriptor;
        return failed;
    }
    // Joliet for its long names; its tree names the same extents as the primary one.
    if (!joliet.empty()) {
        DiscTree tree = WalkFrom(fetch, sectorCount, Bytes(joliet).subspan(kRootRecordOffset, 34), true);
        if (tree.outcome == DiscTreeOutcome::kOk || primary.empty()) return tree;
    }
    return WalkFrom(fetch, sectorCount, Bytes(primary).subspan(kRootRecordOffset, 34), false);
}

const char* DiscTreeProblemText(DiscTreeOutcome outcome) {
    switch (outcome) {
        case DiscTreeOutcome::kOk: return "";
        case DiscTreeOutcome::kNoDescriptor: return "no ISO 9660 volume descriptor at sector 16";
        case DiscTreeOutcome::kNoPrimary: return "no primary volume descriptor";
        case DiscTreeOutcome::kReadFailed: return "a sector of the file system could not be read";
        case DiscTreeOutcome::kDirectoryOutside: return "a folder lies outside the image's data sectors";
        case DiscTreeOutcome::kBadRecord: return "a directory record is damaged";
        case DiscTreeOutcome::kLoop: return "a folder is recorded inside itself";
        case DiscTreeOutcome::kTooDeep: return "folders nested more than 32 deep";
        case DiscTreeOutcome::kTooManyEntries: return "more directory entries than a CD holds";
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
