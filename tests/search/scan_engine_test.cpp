// The scan engine against the chunk walk it replaced, one walk per kind (run
// here over plain files and raw images alike): for every file and setting,
// every thread count and window size must give the same documents, in the same
// order, with the same numbers, progress and answers to Cancel.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "image/bytes.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"
#include "search/scan_engine.h"
#include "search/scan_support.h"
#include "search/search_run.h"

namespace vorel {
namespace {

using samples::MakeDib;
using samples::MakeTim;
using test::Filler;
using test::Place;
using test::RecordingHost;
using test::TempFile;

// What a run shows, as one comparable value.
struct Outcome {
    std::vector<test::OpenedDoc> docs;
    std::vector<std::string> log;
    std::vector<std::string> questions;
    int checks = 0;
    int steps = 0;
    int hitCount = 0;
    int shownCount = 0;
    int paletteImages = 0;
    std::ptrdiff_t resultIndex = -2;  // which document the run returned, -1 none
    std::string message;
};

struct Settings {
    int type = 2;
    int chunkMb = 1;
    bool palettes = false;
    int divideNum = -1;  // -1: no divided search
    int dividePos = 0;
    std::vector<int> cancelAt;  // checks at which Cancel is pressed and answered Yes
};

std::string Describe(const Settings& s) {
    return "type " + std::to_string(s.type) + ", chunk " + std::to_string(s.chunkMb) + " MB" +
           (s.palettes ? ", palettes" : "") +
           (s.divideNum >= 0 ? ", page " + std::to_string(s.dividePos) + " of " + std::to_string(s.divideNum) : "") +
           (s.cancelAt.empty() ? "" : ", cancel at " + std::to_string(s.cancelAt.front()));
}

Outcome RunOnce(const std::string& path, const Settings& s, int threads, bool raw = false) {
    MemorySettingsStore store;
    Write(store, settings::kRawSectors, raw ? 1 : 0);
    Write(store, settings::kSearchType, s.type);
    Write(store, settings::kReadMemorySize, std::to_string(s.chunkMb));
    Write(store, settings::kPaletteImage, s.palettes ? 1 : 0);
    Write(store, settings::kScanThreads, threads);
    if (s.divideNum >= 0) {
        Write(store, settings::kDivideSearch, 1);
        Write(store, settings::kDivideNum, s.divideNum);
        Write(store, settings::kDividePos, s.dividePos);
    }
    SearchState state;
    RecordingHost host;
    host.cancelAtCheck = s.cancelAt;
    const DocumentRef result = RunSearchScans(state, host, store, path);
    Outcome out;
    out.docs = host.docs;
    out.log = host.log;
    out.questions = host.questions;
    out.checks = host.checks;
    out.steps = host.steps;
    out.hitCount = state.m_nHitCount;
    out.shownCount = state.m_nShownCount;
    out.paletteImages = state.m_nPaletteImageCount;
    out.resultIndex = -1;
    for (std::size_t k = 0; k < host.docs.size(); ++k) {
        if (result == &host.docs[k]) out.resultIndex = static_cast<std::ptrdiff_t>(k);
    }
    out.message = ClosingMessage(state, store);
    return out;
}

auto Fields(const test::OpenedDoc& d) {
    return std::tie(d.fileOffset, d.number, d.paletteIndex, d.paletteCount, d.sourceType, d.timFlag, d.width, d.height,
                    d.hit);
}
auto Fields(const Outcome& o) {
    return std::tie(o.log, o.questions, o.checks, o.steps, o.hitCount, o.shownCount, o.paletteImages, o.resultIndex,
                    o.message);
}

void ExpectSame(const Outcome& want, const Outcome& got) {
    ASSERT_EQ(got.docs.size(), want.docs.size());
    for (std::size_t k = 0; k < want.docs.size(); ++k) {
        ASSERT_TRUE(Fields(got.docs[k]) == Fields(want.docs[k]))
            << "document " << k << " at " << got.docs[k].fileOffset << ", wanted at " << want.docs[k].fileOffset;
    }
    EXPECT_TRUE(Fields(got) == Fields(want)) << "closing message " << got.message << ", wanted " << want.message;
}

class TuningScope {
public:
    TuningScope() : saved_(CurrentScanTuning()) {}
    ~TuningScope() { CurrentScanTuning() = saved_; }

private:
    ScanTuning saved_;
};

std::vector<std::uint8_t> ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Images at and around the ends of windows of the sizes tried, of a chunk, and
// of the halves two or three threads would take; bitmaps and TIMs alternating.
std::vector<std::uint8_t> ImagesAtBoundaries() {
    constexpr std::size_t kSize = 2500000;
    auto bytes = Filler(kSize, 11);
    const std::vector<std::vector<std::uint8_t>> images = {
        MakeTim(8, 16, 8, 3), MakeDib(8, 10, 7), MakeTim(2, 7, 3), MakeDib(24, 9, 4), MakeTim(9, 20, 10),
        MakeDib(1, 33, 2), MakeTim(3, 10, 4, 1, 1, true), MakeDib(4, 5, 5, 16)};
    // An 8-bit TIM of 2,100 palettes whose image header lies 5,220 bytes past
    // its chunk's end plus the look-ahead: found only with chunks of 2 MB.
    const std::uint32_t clut = 12 + 2100 * 512;
    std::vector<std::uint8_t> header(20, 0);
    StoreLe32(header.data(), 0x10);
    StoreLe32(header.data() + 4, 9);
    StoreLe32(header.data() + 8, clut);
    StoreLe16(header.data() + 16, 256);
    StoreLe16(header.data() + 18, 2100);
    Place(bytes, 930000, header);
    std::vector<std::uint8_t> image(12 + 256, 7);
    StoreLe32(image.data(), 12 + 256);
    StoreLe16(image.data() + 8, 8);   // 16 pixels
    StoreLe16(image.data() + 10, 16);
    Place(bytes, 930000 + 8 + clut, image);
    std::vector<std::size_t> offsets = {0, 1, kSize - 30, kSize - 200};
    for (const std::size_t edge : {std::size_t{4093}, std::size_t{65536}, std::size_t{1} << 20, std::size_t{1000000},
                                   kSize / 2, kSize / 3, 2 * kSize / 3, std::size_t{2000000}}) {
        for (const std::size_t shift : {std::size_t{1}, std::size_t{3}, std::size_t{41}}) offsets.push_back(edge - shift);
        offsets.push_back(edge);
        offsets.push_back(edge + 1);
    }
    for (std::size_t k = 0; k < offsets.size(); ++k) Place(bytes, offsets[k], images[k % images.size()]);
    bytes.resize(kSize);  // the last images are cut off by the end of the file
    // A TIM whose CLUT puts its image header past the chunk's end, inside the look-ahead.
    Place(bytes, 999990, MakeTim(9, 16, 16, 300));
    return bytes;
}

// More candidates than a window's list holds and more bitmaps than a TIM scan
// carries: packed one-pixel bitmaps and small TIMs.
std::vector<std::uint8_t> Packed() {
    std::vector<std::uint8_t> bytes;
    const auto empty = MakeDib(24, 1, 1);
    const auto tim = MakeTim(2, 1, 1);
    for (int k = 0; k < 70000; ++k) bytes.insert(bytes.end(), empty.begin(), empty.end());
    for (int k = 0; k < 6000; ++k) bytes.insert(bytes.end(), tim.begin(), tim.end());
    for (int k = 0; k < 100; ++k) bytes.insert(bytes.end(), empty.begin(), empty.end());
    return bytes;
}

TEST(ScanEngineTest, EveryThreadCountAndWindowGivesTheChunkWalksRows) {
    const TuningScope restore;
    struct File {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<File> files = {{"sample", ReadWhole(std::filesystem::path(VOREL_SOURCE_DIR) / "samples/sample.bin")},
                               {"boundaries", ImagesAtBoundaries()},
                               {"empty", {}},
                               {"tiny", {0x28, 0, 0, 0, 0x10, 0}}};
    std::vector<std::uint8_t> corpus;
    for (const auto& entry : std::filesystem::directory_iterator(VOREL_TEST_DATA_DIR "/corpus")) {
        if (entry.path().extension() != ".tim") continue;
        const auto bytes = ReadWhole(entry.path());
        files.push_back({entry.path().filename().string(), bytes});
        corpus.insert(corpus.end(), bytes.begin(), bytes.end());
        corpus.resize(corpus.size() + 977, 0x5A);
    }
    files.push_back({"corpus joined", corpus});
    ASSERT_GT(files[0].bytes.size(), 100000u) << "the sample is missing";
    // Raw CD images: one walk keeps the bitmaps for the bitmap scan there too.
    const std::size_t plainFiles = files.size();
    files.push_back({"sample, raw Mode 1 with audio", samples::WrapRaw(files[0].bytes, {samples::SectorKind::kMode1, 0, 300, 2})});
    files.push_back({"boundaries, raw Form 1 and 2", samples::WrapRaw(files[1].bytes, {samples::SectorKind::kMode2Form1, 5, 0, 0})});
    // Ends 1,000 bytes into a sector's user data.
    files.push_back({"corpus, raw, cut inside a sector", samples::WrapRaw(corpus, {samples::SectorKind::kMode1, 3, 0, 1})});
    files.back().bytes.resize(files.back().bytes.size() / 2352 * 2352 - 2352 + 16 + 1000);

    const std::vector<Settings> settingsTried = {
        {}, {0}, {1}, {2, 2}, {2, 1, true}, {2, 1, false, 3, 1}, {2, 1, true, 2, 0}, {2, 1, false, 0, 0},
        {1, 1, false, 4, 2}, {2, 1, false, -1, 0, {20}}, {2, 1, false, -1, 0, {70}}, {0, 1, false, -1, 0, {1}}};
    const std::int64_t windows[] = {4093, 65536, 1 << 20, kDefaultWindowBytes};
    for (std::size_t n = 0; n < files.size(); ++n) {
        const File& f = files[n];
        const bool raw = n >= plainFiles;
        TempFile file(f.bytes);
        for (const Settings& s : settingsTried) {
            CurrentScanTuning() = ScanTuning{};
            CurrentScanTuning().chunkWalk = true;
            const Outcome want = RunOnce(file.Path(), s, 1, raw);
            for (const WindowMode mode : {WindowMode::kRead, WindowMode::kMap}) {
                for (const std::int64_t window : windows) {
                    for (const int threads : {1, 2, 3}) {
                        SCOPED_TRACE(f.name + ", " + Describe(s) + ", window " + std::to_string(window) + ", " +
                                     std::to_string(threads) + " threads" + (mode == WindowMode::kMap ? ", mapped" : ""));
                        CurrentScanTuning() = ScanTuning{window, mode, false};
                        ExpectSame(want, RunOnce(file.Path(), s, threads, raw));
                    }
                }
            }
        }
    }
    // Packed candidates: a few settings, since each run opens many thousands of documents.
    const auto packedBytes = Packed();
    TempFile packed(packedBytes);
    TempFile packedRaw(samples::WrapRaw(packedBytes, {samples::SectorKind::kMode2Form1, 7, 0, 0}));
    for (const bool raw : {false, true}) {
        const std::string& path = raw ? packedRaw.Path() : packed.Path();
        for (const Settings& s : {Settings{}, Settings{2, 1, false, 100, 3, {}}, Settings{2, 1, false, -1, 0, {30}}}) {
            CurrentScanTuning() = ScanTuning{};
            CurrentScanTuning().chunkWalk = true;
            const Outcome want = RunOnce(path, s, 1, raw);
            if (s.divideNum < 0 && s.cancelAt.empty()) {
                ASSERT_GT(want.hitCount, 70000);
            }
            for (const int threads : {1, 2}) {
                SCOPED_TRACE(std::string(raw ? "packed, raw, " : "packed, ") + Describe(s) + ", " +
                             std::to_string(threads) + " threads");
                CurrentScanTuning() = ScanTuning{};
                ExpectSame(want, RunOnce(path, s, threads, raw));
            }
        }
    }
}

// A file cut short while it is searched, under a mapped window: the search
// ends where the file now ends, with the closing message, and the process lives.
TEST(ScanEngineTest, AFileCutShortWhileSearchedEndsTheSearchWithItsMessage) {
    const TuningScope restore;
    struct CuttingHost : RecordingHost {
        bool CheckCancel() override {
            if (checks == 2) {
                // Everything after the first 100,000 bytes goes, pages of the
                // windows already mapped included.
                EXPECT_EQ(::truncate(path.c_str(), 100000), 0);
            }
            return RecordingHost::CheckCancel();
        }
        std::string path;
    };
    constexpr std::size_t kSize = 24 << 20;
    auto bytes = Filler(kSize, 3);
    for (std::size_t at = 1000; at < kSize; at += 250000) Place(bytes, at, MakeTim(2, 4, 4));
    for (const auto& [threads, raw] : {std::pair{1, false}, std::pair{2, false}, std::pair{2, true}}) {
        SCOPED_TRACE(std::to_string(threads) + " threads" + (raw ? ", raw image" : ""));
        TempFile file(raw ? samples::WrapRaw(bytes, {}) : bytes);
        // Small mapped windows: the threads are still far from the end when the file is cut.
        CurrentScanTuning() = ScanTuning{65536, WindowMode::kMap, false};
        MemorySettingsStore store;
        Write(store, settings::kScanThreads, threads);
        Write(store, settings::kSearchType, 0);
        Write(store, settings::kRawSectors, raw ? 1 : 2);
        // The search runs in a child process, so a crash shows as its status.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SearchState state;
            CuttingHost host;
            host.path = file.Path();
            RunSearchScans(state, host, store, file.Path());
            const std::string message = ClosingMessage(state, store);
            // The TIMs found before the cut (those past it with the bytes the file no
            // longer has), and none of the windows tested after it.
            const bool ok = message == std::to_string(host.docs.size()) + " Images Find" && !host.docs.empty() &&
                            host.docs.size() < kSize / 250000 && host.steps == 50 && host.log.back() == "destroy";
            std::_Exit(ok ? 0 : 3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "the search died of signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

// A raw image overwritten while the TIM scan takes the rest of a window whose
// thread found more than it may keep: the scan ends where the file no longer
// holds a hit, and the bitmap scan after it shows each bitmap once.
TEST(ScanEngineTest, AHitGoneWhileAWindowIsFinishedLeavesNoBitmapShownTwice) {
    const TuningScope restore;
    CurrentScanTuning() = ScanTuning{};
    std::vector<std::uint8_t> payload;
    const auto dib = MakeDib(24, 1, 1);
    for (int k = 0; k < 5000; ++k) payload.insert(payload.end(), dib.begin(), dib.end());
    payload.resize((payload.size() / 2048 + 1) * 2048, 0);
    const std::size_t timSector = payload.size() / 2048 + 95;  // the 96th of 100 TIMs, one a sector
    for (int k = 0; k < 100; ++k) {
        auto sector = MakeTim(2, 4, 4);
        sector.resize(2048, 0);
        payload.insert(payload.end(), sector.begin(), sector.end());
    }
    struct OverwritingHost : RecordingHost {
        bool CheckCancel() override {
            if (checks + 1 == at) {
                std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
                file.seekp(static_cast<std::streamoff>(timSector * 2352));
                file.write("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);  // no longer a data sector
            }
            return RecordingHost::CheckCancel();
        }
        std::string path;
        int at = 0;
        std::size_t timSector = 0;
    };
    for (const int at : {40, 44, 46}) {
        SCOPED_TRACE("overwritten at check " + std::to_string(at));
        TempFile file(samples::WrapRaw(payload, {samples::SectorKind::kMode1, 0, 0, 0}));
        MemorySettingsStore store;
        Write(store, settings::kScanThreads, 1);
        Write(store, settings::kRawSectors, 1);
        SearchState state;
        OverwritingHost host;
        host.path = file.Path();
        host.at = at;
        host.timSector = timSector;
        RunSearchScans(state, host, store, file.Path());
        std::vector<std::int64_t> offsets;
        for (const auto& d : host.docs) offsets.push_back(d.fileOffset);
        std::sort(offsets.begin(), offsets.end());
        EXPECT_GE(offsets.size(), 5000u);
        EXPECT_TRUE(std::adjacent_find(offsets.begin(), offsets.end()) == offsets.end());
    }
}

}  // namespace
}  // namespace vorel
