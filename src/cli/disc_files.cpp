#include "cli/disc_files.h"

#include <algorithm>
#include <cstdio>

namespace vorel {
namespace {

const char* KindText(DiscFileKind kind) {
    switch (kind) {
        case DiscFileKind::kData: return "data";
        case DiscFileKind::kForm2: return "form2";
        case DiscFileKind::kAudio: return "cdda";
        case DiscFileKind::kInterleaved: return "interleaved";
    }
    return "?";
}

}  // namespace

void LoadDiscFiles(DiscMap& map, const SearchTarget& target, const ISettingsStore& store, const QString& name) {
    const SectorReading reading = target.fromSheet ? target.reading : ReadSectorReading(store);
    if (map.Load(target.path, reading, target.fromSheet, target.dataTrackStart) != DiscNaming::kUnreadable) return;
    std::fprintf(stderr, "vorel-find: %s: disc files could not be named: %s\n", qPrintable(name),
                 DiscTreeProblemText(map.Problem()));
}

std::string DiscColumnsHeader(bool tsv) { return tsv ? "\tdisc_file\tfile_offset" : " DISC FILE"; }

std::string DiscColumns(const FoundImage& image, bool tsv) {
    if (tsv) {
        if (image.discFile.empty()) return "\t\t";
        return "\t" + image.discFile + "\t" + std::to_string(image.fileOffset);
    }
    return image.discFile.empty() ? std::string() : " " + ShortDiscText(image.discFile, image.fileOffset);
}

void PrintDiscFilesHeader(bool tsv) {
    if (tsv) {
        std::printf("disc_file\tfirst_sector\tsize\timages\tkind\n");
    } else {
        std::printf("%-48s %12s %12s %6s %s\n", "DISC FILE", "FIRST SECTOR", "SIZE", "IMAGES", "KIND");
    }
}

void PrintDiscFiles(const DiscMap& map, const std::vector<int>& imagesPerFile, bool tsv) {
    const auto& files = map.Tree().files;
    // By path, as a file manager lists them (the walk meets them folder by folder).
    std::vector<std::size_t> order(files.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return files[a].path < files[b].path; });
    for (const std::size_t i : order) {
        const DiscFile& f = files[i];
        const int images = i < imagesPerFile.size() ? imagesPerFile[i] : 0;
        if (tsv) {
            std::printf("%s\t%lld\t%lld\t%d\t%s\n", f.path.c_str(), static_cast<long long>(f.firstSector),
                        static_cast<long long>(f.size), images, KindText(f.kind));
        } else {
            std::printf("%-48s %12lld %12lld %6d %s\n", f.path.c_str(), static_cast<long long>(f.firstSector),
                        static_cast<long long>(f.size), images, KindText(f.kind));
        }
    }
    std::fflush(stdout);
}

}  // namespace vorel
