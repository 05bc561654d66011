// Putting one picture back into a large raw CD image, against copying that
// file with cp in the same run: the whole-file rewrite (clone or copy, patch,
// seal, flush, read back, rename) should cost at most 1.5 times the copy, and
// hold no copy of the file in memory. Then the same put back into a sparse
// file of that size holding 4 MB of data, against cp --sparse=always: the new
// file should take no more blocks than the old one.
//
//   put_back_bench [MEGABYTES] [FOLDER]    (default 700 MB in $TMPDIR or /tmp)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_args.h"
#include "export/put_back.h"
#include "export/rewrite_file.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"
#include "search/image_record.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kSector = 2352;
constexpr std::size_t kUser = 2048;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

long PeakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const bench::Args args(argc, argv,
                           "Putting one picture back into a large raw CD image against cp of that file in the same run.\n"
                           "usage: put_back_bench [MEGABYTES] [FOLDER]\n"
                           "  MEGABYTES  size of the raw image written, 2 to 65536 (default 700)\n"
                           "  FOLDER     where it goes (default $TMPDIR or /tmp)\n",
                           {}, 2);
    const std::vector<std::string>& given = args.Positional();
    const auto megabytes = static_cast<std::size_t>(given.empty() ? 700 : args.Number("MEGABYTES", given[0], 2, 65536));
    const std::string folder = given.size() > 1 ? given[1] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) args.Refuse("no folder " + folder);
    const std::string path = folder + "/vorel_put_back_bench.bin";
    const std::string copy = folder + "/vorel_put_back_bench.copy";
    const std::size_t sectors = megabytes * 1000000 / kSector;
    const std::vector<std::uint8_t> tim = vorel::samples::MakeTim(2, 128, 96);
    // In the middle of the image, 100 bytes before a sector's user data ends.
    const std::size_t streamOffset = (sectors / 2) * kUser - 100;
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<std::uint8_t> user(kUser);
        std::uint64_t x = 0x9E3779B97F4A7C15ull;
        for (std::size_t s = 0; s < sectors; ++s) {
            for (std::size_t i = 0; i < kUser; i += 8) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                std::memcpy(user.data() + i, &x, 8);
            }
            for (std::size_t i = 0; i < kUser; ++i) {
                const std::size_t stream = s * kUser + i;
                if (stream >= streamOffset && stream < streamOffset + tim.size()) user[i] = tim[stream - streamOffset];
            }
            const auto sector = vorel::samples::MakeSector(vorel::samples::SectorKind::kMode2Form1,
                                                           static_cast<std::uint32_t>(s), user.data(), user.size());
            out.write(reinterpret_cast<const char*>(sector.data()), static_cast<std::streamsize>(sector.size()));
        }
        if (!out) {
            std::fprintf(stderr, "put_back_bench: %s cannot be written\n", path.c_str());
            std::filesystem::remove(path);
            return 2;
        }
    }
    const double size = static_cast<double>(std::filesystem::file_size(path));

    // The copy once untimed, to bring the file into the page cache as the search left it.
    const std::string cp = "cp --reflink=never '" + path + "' '" + copy + "' && sync '" + copy + "'";
    if (std::system(cp.c_str()) != 0) return 2;
    std::filesystem::remove(copy);

    // The record a search would have made of the TIM.
    vorel::ImageRecord record;
    record.path = path;
    record.stamp = vorel::StampOfFile(path);
    record.rawSectors = true;
    record.streamOffset = static_cast<std::int64_t>(streamOffset);
    record.fileOffset = static_cast<std::int64_t>((streamOffset / kUser) * kSector + 24 + streamOffset % kUser);
    record.sourceType = vorel::kSourceTim;
    record.timFlag = 2;
    record.bitCount = 16;
    record.width = 128;
    record.height = 96;
    record.imageNo = 1;

    // Rounds alternate the copy (flushed, as the put back flushes its file) and the put back; best of three.
    const long rssBefore = PeakRssKb();
    double cpSeconds = 1e9;
    double putSeconds = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto cpStart = Clock::now();
        if (std::system(cp.c_str()) != 0) return 2;
        cpSeconds = std::min(cpSeconds, Seconds(cpStart));
        std::filesystem::remove(copy);

        record.stamp = vorel::StampOfFile(path);
        const auto start = Clock::now();
        vorel::SearchState found;
        if (vorel::ReadImageAgain(record, found) != vorel::RereadOutcome::kOk) {
            std::fputs("put_back_bench: the image cannot be read again\n", stderr);
            std::filesystem::remove(path);
            return 2;
        }
        vorel::PictureRgba picture;
        picture.width = 128;
        picture.height = 96;
        for (int i = 0; i < 128 * 96; ++i)
            picture.pixels.insert(picture.pixels.end(), {static_cast<std::uint8_t>(i + round), static_cast<std::uint8_t>(i / 128), 200, 255});
        const vorel::Conversion c = vorel::ConvertPicture(found, picture, false);
        const vorel::ImagePatch patch{record, c.bytes};
        const vorel::RewriteOutcome outcome = vorel::RewriteImages({&patch, 1});
        putSeconds = std::min(putSeconds, Seconds(start));
        if (outcome != vorel::RewriteOutcome::kRewritten) {
            std::fprintf(stderr, "put_back_bench: the rewrite failed: %s\n", std::string(vorel::RewriteOutcomeText(outcome)).c_str());
            std::filesystem::remove(path);
            return 2;
        }
    }
    const long rssAfter = PeakRssKb();
    std::filesystem::remove(path);

    // A sparse file of the same size: 4 MB of data, the TIM in it, holes around it.
    const auto sparseSize = static_cast<off_t>(size);
    const off_t island = sparseSize / 2;
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::vector<std::uint8_t> data(std::size_t{4} << 20, 0x5A);
        std::copy(tim.begin(), tim.end(), data.begin() + 1000);
        const bool written = fd >= 0 && ::pwrite(fd, data.data(), data.size(), island) == static_cast<ssize_t>(data.size()) &&
                             ::ftruncate(fd, sparseSize) == 0;
        if (fd >= 0) ::close(fd);
        if (!written) return 2;
    }
    const auto allocated = [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? static_cast<double>(st.st_blocks) * 512.0 : -1.0;
    };
    const double sparseBefore = allocated(path);
    const std::string cpSparse = "cp --reflink=never --sparse=always '" + path + "' '" + copy + "' && sync '" + copy + "'";
    const auto cpSparseStart = Clock::now();
    if (std::system(cpSparse.c_str()) != 0) return 2;
    const double cpSparseSeconds = Seconds(cpSparseStart);
    const double cpSparseBlocks = allocated(copy);
    std::filesystem::remove(copy);
    record.rawSectors = false;
    record.streamOffset = record.fileOffset = island + 1000;
    record.stamp = vorel::StampOfFile(path);
    const auto sparseStart = Clock::now();
    vorel::SearchState sparseFound;
    if (vorel::ReadImageAgain(record, sparseFound) != vorel::RereadOutcome::kOk) {
        std::filesystem::remove(path);
        return 2;
    }
    vorel::PictureRgba flat;
    flat.width = 128;
    flat.height = 96;
    flat.pixels.assign(std::size_t{128} * 96 * 4, 200);
    const vorel::ImagePatch sparsePatch{record, vorel::ConvertPicture(sparseFound, flat, false).bytes};
    const vorel::RewriteOutcome sparseOutcome = vorel::RewriteImages({&sparsePatch, 1});
    const double sparseSeconds = Seconds(sparseStart);
    const double sparseAfter = allocated(path);
    std::filesystem::remove(path);
    if (sparseOutcome != vorel::RewriteOutcome::kRewritten) {
        std::fprintf(stderr, "put_back_bench: the sparse rewrite failed: %s\n",
                     std::string(vorel::RewriteOutcomeText(sparseOutcome)).c_str());
        return 2;
    }
    std::printf("raw image            %.0f MB (%zu sectors), picture 128 x 96 across a sector end\n", size / 1e6, sectors);
    std::printf("cp (copy, flushed)   %.3f s best of 3  (%.0f MB/s)\n", cpSeconds, size / 1e6 / cpSeconds);
    std::printf("put back (flushed)   %.3f s best of 3  (%.0f MB/s)\n", putSeconds, size / 1e6 / putSeconds);
    std::printf("ratio put back / cp  %.2f  (target: at most 1.5)\n", putSeconds / cpSeconds);
    std::printf("peak memory          %ld kB before, %ld kB after the put backs (file %.0f MB)\n", rssBefore, rssAfter,
                size / 1e6);
    std::printf("sparse file          %.0f MB, %.1f MB on disk\n", size / 1e6, sparseBefore / 1e6);
    std::printf("cp --sparse=always   %.3f s, copy %.1f MB on disk\n", cpSparseSeconds, cpSparseBlocks / 1e6);
    std::printf("put back (sparse)    %.3f s, file %.1f MB on disk afterwards  (ratio to cp %.2f; target: no more blocks)\n",
                sparseSeconds, sparseAfter / 1e6, sparseSeconds / cpSparseSeconds);
    return 0;
}
