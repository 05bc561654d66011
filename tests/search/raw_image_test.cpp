// Raw CD images: the reader's stream against bchunk's, every picture of the
// sample at many sector phases against the plain search, straddling images,
// detection, and hostile raw files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

#include "docview/hit_to_dib.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"
#include "search/raw_window.h"
#include "search/scan_source.h"
#include "search/scanners.h"
#include "search/scan_support.h"
#include "search/search_run.h"

namespace vorel {
namespace {

using samples::RawLayout;
using samples::SectorKind;
using samples::WrapRaw;
using test::Filler;
using test::Place;
using test::TempFile;

constexpr std::int64_t kChunkMb = 1000000;

// The whole stream a source gives, read window by window as the scans read it.
std::vector<std::uint8_t> StreamOf(const std::string& path, SectorReading reading) {
    ScanSource source;
    EXPECT_TRUE(source.Open(path, reading));
    std::vector<std::uint8_t> all;
    std::vector<std::uint8_t> window(static_cast<std::size_t>(kChunkMb + kRawReadSlack));
    for (std::int64_t base = 0;; base += kChunkMb) {
        const std::int64_t got = source.ReadWindow(base, {window.data(), static_cast<std::size_t>(kChunkMb)}, false);
        EXPECT_GE(got, 0);
        if (got <= 0) break;
        all.insert(all.end(), window.begin(), window.begin() + got);
        if (got < kChunkMb) break;
    }
    return all;
}

// What a document is shown: where, and the picture.
struct Shown {
    std::int64_t offset;
    std::int32_t number;
    std::vector<std::uint8_t> dib;
};

class DibHost : public test::RecordingHost {
public:
    DocumentRef OpenDocument(const SearchState& state, std::string_view) override {
        const Dib dib = ConvertHitToDib(state);
        const auto bytes = dib.IsNull() ? ByteSpan{} : ByteSpan(dib.Data(), dib.AllocatedSize());
        shown.push_back({state.m_nHitFileOffset, state.m_nHitCount, {bytes.begin(), bytes.end()}});
        return &shown.back();
    }
    std::vector<Shown> shown;
};

std::vector<Shown> Search(const std::string& path, int rawSectors = 0, int searchType = 2) {
    MemorySettingsStore store;
    Write(store, settings::kRawSectors, rawSectors);
    Write(store, settings::kSearchType, searchType);
    SearchState state;
    DibHost host;
    RunSearchScans(state, host, store, path);
    // Every scan passes its 50 progress points (one per byte in a file of fewer bytes).
    const auto points = static_cast<int>(std::min<std::uintmax_t>(50, std::filesystem::file_size(path)));
    EXPECT_EQ(host.steps, searchType == 2 ? 2 * points : points);
    return host.shown;
}

// The file offset of stream byte `s` of an image whose data sectors the builder listed.
std::int64_t Mapped(std::int64_t s, const std::vector<std::uint32_t>& dataSectors, SectorKind kind) {
    const std::int64_t header = kind == SectorKind::kMode1 ? 16 : 24;
    return std::int64_t{dataSectors.at(static_cast<std::size_t>(s / 2048))} * 2352 + header + s % 2048;
}

std::vector<std::uint8_t> SampleBytes() {
    return test::ReadFileBytes(std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin");
}

// --- the reader against bchunk ----------------------------------------------

struct BchunkCase {
    const char* name;
    RawLayout layout;
};

TEST(RawImageTest, ReaderStreamIsWhatBchunkCutsOutMinusFormTwoSectors) {
    if (std::system("command -v bchunk >/dev/null 2>&1") != 0) GTEST_SKIP() << "bchunk is not installed";
    const BchunkCase cases[] = {
        {"mode1", {SectorKind::kMode1, 0, 0, 0}},
        {"mode2_form1", {SectorKind::kMode2Form1, 0, 0, 0}},
        {"mode2_with_form2", {SectorKind::kMode2Form1, 3, 0, 0}},
        {"mode2_with_audio_track", {SectorKind::kMode2Form1, 5, 7, 0}},
        {"mode1_with_audio_track", {SectorKind::kMode1, 0, 3, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto payload = Filler(150001, 3);
        std::vector<std::uint32_t> data;
        const auto image = WrapRaw(payload, c.layout, &data);
        const std::int64_t sectors = static_cast<std::int64_t>(image.size()) / 2352;
        const int audioFrom = c.layout.audioAfter > 0 ? static_cast<int>(sectors - c.layout.audioAfter) : -1;
        TempFile bin(image, "disc.bin");
        const std::filesystem::path dir = std::filesystem::path(bin.Path()).parent_path();
        std::ofstream(dir / "disc.cue") << samples::MakeCueSheet("disc.bin", c.layout.dataKind, audioFrom);
        const std::string command = "cd '" + dir.string() + "' && bchunk disc.bin disc.cue out >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const auto iso = test::ReadFileBytes((dir / "out01.iso").string());
        const std::set<std::uint32_t> isData(data.begin(), data.end());
        // bchunk cuts 2,048 bytes out of every sector of the track; the Form 2 ones hold no file data.
        std::vector<std::uint8_t> expected;
        for (std::size_t k = 0; (k + 1) * 2048 <= iso.size(); ++k) {
            if (isData.count(static_cast<std::uint32_t>(k)) == 0) continue;
            expected.insert(expected.end(), iso.begin() + static_cast<std::ptrdiff_t>(k * 2048),
                            iso.begin() + static_cast<std::ptrdiff_t>((k + 1) * 2048));
        }
        ASSERT_EQ(expected.size(), data.size() * 2048);
        EXPECT_TRUE(StreamOf(bin.Path(), SectorReading::kAuto) == expected);
        EXPECT_TRUE(StreamOf(bin.Path(), SectorReading::kRaw) == expected);
        EXPECT_TRUE(StreamOf(bin.Path(), SectorReading::kPlain) == image);
    }
}

// --- a window of sectors, read where they lie ------------------------------

TEST(RawImageTest, AWindowOfSectorsGivesThePayloadFromAnySectorOnWhereverItEnds) {
    const auto payload = Filler(9 * 2048 + 700, 4);
    for (const RawLayout& layout : {RawLayout{SectorKind::kMode1, 0, 0, 0}, RawLayout{SectorKind::kMode2Form1, 3, 2, 1}}) {
        std::vector<std::uint32_t> data;
        const auto image = WrapRaw(payload, layout, &data);
        const std::int64_t header = layout.dataKind == SectorKind::kMode1 ? 16 : 24;
        // Whole, and cut 700 bytes into the last data sector's user data.
        for (const std::int64_t size : {static_cast<std::int64_t>(image.size()), std::int64_t{data.back()} * 2352 + header + 700}) {
            // The stream: the payload, zero-padded to a whole sector unless cut.
            std::vector<std::uint8_t> stream = payload;
            if (size == static_cast<std::int64_t>(image.size())) stream.resize(data.size() * 2048, 0);
            const std::int64_t sectors = (size + 2351) / 2352;
            for (std::int64_t from = 0; from < sectors; ++from) {
                for (const std::int64_t count : {std::int64_t{4}, sectors - from}) {
                    SCOPED_TRACE("sectors " + std::to_string(from) + " + " + std::to_string(count) + " of " +
                                 std::to_string(sectors));
                    const std::int64_t bytes = std::min(count * 2352, size - from * 2352);
                    // What the window holds: the user data of its data sectors, in order.
                    std::vector<std::uint8_t> want;
                    std::vector<std::int64_t> offsets;
                    for (std::size_t d = 0; d < data.size(); ++d) {
                        if (data[d] < from || data[d] >= from + count || d * 2048 >= stream.size()) continue;
                        const auto end = std::min(stream.size(), (d + 1) * 2048);
                        want.insert(want.end(), stream.begin() + static_cast<std::ptrdiff_t>(d * 2048),
                                    stream.begin() + static_cast<std::ptrdiff_t>(end));
                        offsets.push_back(Mapped(static_cast<std::int64_t>(d) * 2048, data, layout.dataKind));
                    }
                    RawWindow window;
                    ASSERT_TRUE(window.Reserve(bytes));
                    window.Reset(image.data() + from * 2352, from * 2352, bytes);
                    std::vector<std::uint8_t> got(want.size() + 100);
                    ASSERT_EQ(window.Copy(0, got.size(), got.data()), want.size());
                    got.resize(want.size());
                    EXPECT_TRUE(got == want);
                    // Across every sector end, and where each byte lies in the file.
                    for (std::size_t at = 2045; at < want.size(); at += 2048) {
                        std::uint8_t six[6] = {};
                        const std::size_t n = std::min<std::size_t>(6, want.size() - at);
                        EXPECT_EQ(window.Copy(static_cast<std::int64_t>(at), 6, six), n);
                        EXPECT_TRUE(std::equal(six, six + n, want.begin() + static_cast<std::ptrdiff_t>(at)));
                    }
                    for (std::size_t k = 0; k < offsets.size(); ++k) {
                        EXPECT_EQ(window.FileOffsetOf(static_cast<std::int64_t>(k) * 2048 + 5), offsets[k] + 5);
                    }
                    EXPECT_FALSE(window.HasData(static_cast<std::int64_t>(offsets.size())));
                }
            }
        }
    }
}

// --- the sample at many sector phases -------------------------------------

TEST(RawImageTest, EverySamplePictureAtManySectorPhasesIsFoundAtItsMappedOffsetAndIsTheSamePicture) {
    const auto sample = SampleBytes();
    ASSERT_FALSE(sample.empty());
    TempFile plainFile(sample);
    const std::vector<Shown> reference = Search(plainFile.Path(), 2);
    ASSERT_EQ(reference.size(), 9u);
    // Every seventh phase, and every phase that puts a picture's first bytes across a sector end.
    std::set<std::int64_t> phases;
    for (std::int64_t p = 0; p < 2048; p += 7) phases.insert(p);
    for (const Shown& r : reference) {
        for (std::int64_t back = 1; back <= 44; ++back) phases.insert(((2048 - r.offset % 2048) - back + 2048) % 2048);
    }
    for (const std::int64_t phase : phases) {
        SCOPED_TRACE("phase " + std::to_string(phase));
        std::vector<std::uint8_t> payload = Filler(static_cast<std::size_t>(phase), 11);
        payload.insert(payload.end(), sample.begin(), sample.end());
        const RawLayout layout{phase % 2 == 0 ? SectorKind::kMode2Form1 : SectorKind::kMode1,
                               static_cast<int>(3 + phase % 5), static_cast<int>(phase % 3), 0};
        std::vector<std::uint32_t> data;
        TempFile raw(WrapRaw(payload, layout, &data));
        // The threads' windows: the default, and a few sectors each, so that pictures straddle them.
        const ScanTuning saved = CurrentScanTuning();
        for (const std::int64_t window : {kDefaultWindowBytes, std::int64_t{3 * 2352 + 100}}) {
            CurrentScanTuning().windowBytes = window;
            const std::vector<Shown> shown = Search(raw.Path());
            CurrentScanTuning() = saved;
            ASSERT_EQ(shown.size(), reference.size()) << "window " << window;
            for (std::size_t i = 0; i < shown.size(); ++i) {
                EXPECT_EQ(shown[i].number, reference[i].number);
                EXPECT_EQ(shown[i].offset, Mapped(reference[i].offset + phase, data, layout.dataKind)) << "image " << i;
                EXPECT_TRUE(shown[i].dib == reference[i].dib) << "image " << i << " differs from the plain search";
            }
        }
    }
}

// --- straddling images, look-ahead across sectors and chunk ends ----------

struct Placed {
    const char* what;
    std::size_t at;  // stream offset
    std::vector<std::uint8_t> bytes;
};

TEST(RawImageTest, ImagesAcrossSectorAndChunkEndsAreFoundAsThePlainSearchFindsThem) {
    using samples::MakeDib;
    using samples::MakeTim;
    const std::vector<Placed> placed = {
        {"id across a sector end", 2048 - 2, MakeTim(2, 16, 8)},
        {"header across a sector end", 2 * 2048 - 12, MakeTim(9, 32, 16)},
        {"CLUT across a sector end", 5 * 2048 - 40, MakeTim(8, 64, 32, 3)},
        {"pixels over many sectors", 9 * 2048 + 100, MakeTim(3, 200, 60)},
        {"bitmap header across a sector end", 60 * 2048 - 20, MakeDib(8, 50, 40)},
        {"first byte the chunk's last", kChunkMb - 1, MakeTim(8, 32, 32, 2)},
        {"header in the look-ahead, across sectors", 2 * kChunkMb - 30, MakeTim(9, 64, 64)},
        {"bitmap header across the chunk end", 3 * kChunkMb - 25, MakeDib(24, 33, 20)},
        {"CLUT block reaching far into the look-ahead", 4 * kChunkMb - 300, MakeTim(9, 320, 200, 2)},
    };
    std::vector<std::uint8_t> payload = Filler(4 * kChunkMb + 200000, 5);
    for (const auto& p : placed) Place(payload, p.at, p.bytes);
    // The stream of a raw image is its payload padded to whole sectors.
    std::vector<std::uint8_t> padded = payload;
    padded.resize((payload.size() + 2047) / 2048 * 2048, 0);
    TempFile plain(padded, "plain.iso");
    const std::vector<Shown> expected = Search(plain.Path(), 2);
    ASSERT_EQ(expected.size(), placed.size());

    const RawLayout layouts[] = {{SectorKind::kMode2Form1, 4, 2, 3}, {SectorKind::kMode1, 0, 0, 1}};
    for (const RawLayout& layout : layouts) {
        std::vector<std::uint32_t> data;
        TempFile raw(WrapRaw(payload, layout, &data));
        // Audio sectors first hide the image from detection; "always raw" still reads it.
        if (layout.audioBefore > 0) EXPECT_LT(Search(raw.Path()).size(), expected.size());
        else EXPECT_EQ(Search(raw.Path()).size(), expected.size());
        const std::vector<Shown> shown = Search(raw.Path(), 1);
        ASSERT_EQ(shown.size(), expected.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            SCOPED_TRACE("image " + std::to_string(i));
            EXPECT_EQ(shown[i].offset, Mapped(expected[i].offset, data, layout.dataKind));
            EXPECT_TRUE(shown[i].dib == expected[i].dib);
            EXPECT_FALSE(shown[i].dib.empty());
        }
    }
}

// --- detection ---------------------------------------------------------------

std::vector<std::uint8_t> Sync() { return {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}; }

std::vector<std::uint8_t> RawSectors(int count, SectorKind kind = SectorKind::kMode2Form1) {
    std::vector<std::uint8_t> all;
    for (int i = 0; i < count; ++i) {
        const auto s = samples::MakeSector(kind, static_cast<std::uint32_t>(i), nullptr, 0);
        all.insert(all.end(), s.begin(), s.end());
    }
    return all;
}

TEST(RawImageTest, AutomaticDetectionNeedsTheSyncPatternAtEverySectorStartOfTheFirstSixteen) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool raw;
    };
    auto syncThenNoise = Filler(40000);
    Place(syncThenNoise, 0, Sync());
    auto fifteenOfSixteen = RawSectors(20);
    fifteenOfSixteen[15 * 2352 + 5] = 0x12;
    auto seventeenthBroken = RawSectors(20);
    seventeenthBroken[16 * 2352 + 5] = 0x12;
    auto oneSectorAndAShortTail = RawSectors(1);
    oneSectorAndAShortTail.resize(2352 + 5, 0x33);
    auto twoSectorsTailWithoutSync = RawSectors(2);
    twoSectorsTailWithoutSync.resize(2 * 2352 + 40, 0x33);
    const std::vector<Case> cases = {
        {"plain file beginning with a sync pattern", syncThenNoise, false},
        {"sync pattern missing at the sixteenth sector", fifteenOfSixteen, false},
        {"sync pattern missing only after the sixteenth", seventeenthBroken, true},
        {"three whole sectors", RawSectors(3), true},
        {"one sector and a tail too short for a sync pattern", oneSectorAndAShortTail, true},
        {"a tail without the sync pattern", twoSectorsTailWithoutSync, false},
        {"one byte", {0x00}, false},
        {"the sync pattern alone", Sync(), true},
        {"empty", {}, false},
    };
    for (const auto& c : cases) {
        TempFile file(c.bytes);
        ScanSource source;
        ASSERT_TRUE(source.Open(file.Path(), SectorReading::kAuto)) << c.name;
        EXPECT_EQ(source.IsRaw(), c.raw) << c.name;
    }
}

TEST(RawImageTest, PlainFileBeginningWithASyncPatternIsSearchedPlainInAutoMode) {
    auto bytes = Filler(30000);
    Place(bytes, 0, Sync());
    const auto tim = samples::MakeTim(9, 64, 64);
    Place(bytes, 2345, tim);
    TempFile file(bytes);
    const auto shown = Search(file.Path(), 0, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].offset, 2345);
    // Forced raw, the same file has no sector to give.
    EXPECT_TRUE(Search(file.Path(), 1, 0).empty());
}

// --- hostile raw files -------------------------------------------------------

TEST(RawImageTest, HostileRawFilesGiveClearResults) {
    const auto tim = samples::MakeTim(8, 16, 8);  // 8 + 44 + 76 bytes: fits in one sector
    std::vector<std::uint8_t> timSector(tim);
    timSector.resize(2048, 0);
    const auto sectorWith = [&](SectorKind kind) { return samples::MakeSector(kind, 0, timSector.data(), 2048); };
    auto garbage = RawSectors(20, SectorKind::kGarbageMode);
    const auto g = sectorWith(SectorKind::kGarbageMode);
    Place(garbage, 3 * 2352, g);
    auto truncatedInData = RawSectors(4);
    auto last = sectorWith(SectorKind::kMode2Form1);
    last.resize(24 + 100);  // the TIM's first 100 bytes
    Place(truncatedInData, 4 * 2352, last);
    auto truncatedInHeader = RawSectors(4);
    truncatedInHeader.resize(4 * 2352 + 20, 0);
    Place(truncatedInHeader, 4 * 2352, Sync());
    auto modeByteOnly = Sync();
    modeByteOnly.insert(modeByteOnly.end(), {0x00, 0x02, 0x00, 0x02});
    auto form2 = RawSectors(3, SectorKind::kMode2Form2);
    Place(form2, 2352, sectorWith(SectorKind::kMode2Form2));
    auto audio = RawSectors(3, SectorKind::kAudio);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int rawSectors;
        std::size_t found;
    };
    const std::vector<Case> cases = {
        {"sync with garbage modes", garbage, 0, 0},
        {"one sector holding a TIM", sectorWith(SectorKind::kMode2Form1), 0, 1},
        {"one Mode 1 sector holding a TIM", sectorWith(SectorKind::kMode1), 0, 1},
        {"one byte, read raw", {0x42}, 1, 0},
        {"a last sector cut inside the TIM", truncatedInData, 0, 1},
        {"a last sector cut inside its header", truncatedInHeader, 0, 0},
        {"sync, address and mode only", modeByteOnly, 1, 0},
        {"Form 2 sectors only", form2, 1, 0},
        {"audio sectors read raw", audio, 1, 0},
    };
    for (const auto& c : cases) {
        TempFile file(c.bytes);
        const auto shown = Search(file.Path(), c.rawSectors, 0);
        EXPECT_EQ(shown.size(), c.found) << c.name;
        for (const Shown& s : shown) {
            EXPECT_GE(s.offset, 0) << c.name;
            EXPECT_LT(s.offset, static_cast<std::int64_t>(c.bytes.size())) << c.name;
        }
    }
}

// --- long runs without user data, and claims past the end ----------------------

// A TIM in the first of 16 data sectors, `audio` audio sectors, and another TIM sector.
std::vector<std::uint8_t> TimsAroundAudio(int audio) {
    std::vector<std::uint8_t> data = samples::MakeTim(8, 16, 8);
    data.resize(2048, 0);
    auto image = samples::MakeSector(SectorKind::kMode2Form1, 0, data.data(), data.size());
    const auto zeros = RawSectors(15);
    image.insert(image.end(), zeros.begin(), zeros.end());
    const auto gap = RawSectors(audio, SectorKind::kAudio);
    image.insert(image.end(), gap.begin(), gap.end());
    const auto last = samples::MakeSector(SectorKind::kMode2Form1, 16, data.data(), data.size());
    image.insert(image.end(), last.begin(), last.end());
    return image;
}

class StepsAtOpenHost : public test::RecordingHost {
public:
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        stepsAtOpen.push_back(steps);
        return RecordingHost::OpenDocument(state, path);
    }
    std::vector<int> stepsAtOpen;
};

TEST(RawImageTest, ALongRunWithoutUserDataMovesTheBarAndHearsCancelWhileItIsWalked) {
    // 12 MB of audio between two data sectors: one chunk read walks all of it.
    TempFile file(TimsAroundAudio(5000));
    {
        ScanSource source;
        ASSERT_TRUE(source.Open(file.Path(), SectorReading::kAuto));
        std::vector<std::int64_t> reached;
        source.SetQuietWalkObserver([&](std::int64_t at) {
            reached.push_back(at);
            return true;
        });
        std::vector<std::uint8_t> window(static_cast<std::size_t>(kChunkMb + kRawReadSlack));
        EXPECT_EQ(source.ReadWindow(0, {window.data(), static_cast<std::size_t>(kChunkMb)}, false), 17 * 2048);
        ASSERT_GE(reached.size(), 4u);
        EXPECT_TRUE(std::is_sorted(reached.begin(), reached.end()));
        EXPECT_LT(reached.back(), 5016 * 2352);
        source.SetQuietWalkObserver([](std::int64_t) { return false; });
        EXPECT_EQ(source.ReadWindow(0, {window.data(), static_cast<std::size_t>(kChunkMb)}, false), -1);
    }
    MemorySettingsStore store;
    {
        // The bar follows the file: the TIM before the audio opens after the
        // first point, the one after it once every point inside the audio is passed.
        SearchState state;
        StepsAtOpenHost host;
        SearchTim(state, host, store, file.Path());
        ASSERT_EQ(host.stepsAtOpen.size(), 2u);
        EXPECT_EQ(host.stepsAtOpen[0], 1);
        EXPECT_EQ(host.stepsAtOpen[1], 50);
        EXPECT_EQ(host.steps, 50);
    }
    {
        // Cancel at the fifth point, inside the audio: the TIM after it is not opened.
        SearchState state;
        StepsAtOpenHost host;
        host.cancelAtCheck = {5};
        host.answers = {true};
        EXPECT_EQ(SearchTim(state, host, store, file.Path()), nullptr);
        EXPECT_EQ(host.stepsAtOpen.size(), 1u);
        EXPECT_EQ(host.questions.size(), 1u);
    }
}

TEST(RawImageTest, PointsPassedWhileTheLookAheadWalksAnAudioTailAreNotPassedAgain) {
    // A chunk of data sectors and an audio tail that the look-ahead walks to
    // its last sector, passing every point left (the tail's length makes the
    // walk's last report fall on the end of the file). Among them is the point
    // the scan was heading for inside the chunk.
    constexpr int kData = 489;
    constexpr int kAudio = 3647;
    const std::int64_t step = std::int64_t{kData + kAudio} * 2352 / 50;
    // The last point inside the chunk, and its stream position (Mode 2 Form 1 sectors).
    std::int64_t pointFile = 0;
    for (std::int64_t k = 0; (k + 1) * step / 2352 < kData - 2; ++k) pointFile = (k + 1) * step;
    ASSERT_GT(pointFile % 2352, 24);
    const std::int64_t pointStream = pointFile / 2352 * 2048 + pointFile % 2352 - 24;
    // A TIM just before it whose CLUT runs past the chunk end: it asks for the look-ahead.
    const auto tim = samples::MakeTim(9, 16, 16, 400);
    const std::int64_t at = pointStream - 200;
    ASSERT_GT(at + 8 + 12 + 400 * 512, kChunkMb);
    std::vector<std::uint8_t> payload(std::size_t{kData} * 2048, 0);
    std::copy(tim.begin(), tim.begin() + 1000, payload.begin() + at);
    TempFile file(WrapRaw(payload, {SectorKind::kMode2Form1, 0, kAudio, 0}));
    MemorySettingsStore store;
    SearchState state;
    test::RecordingHost host;
    SearchTim(state, host, store, file.Path());
    EXPECT_EQ(host.steps, 50);
}

TEST(RawImageTest, HoldsIsTrueUpToTheLastStreamByteAndFalseOneByteFurther) {
    auto cut = WrapRaw(std::vector<std::uint8_t>(5 * 2048, 7), {});
    cut.resize(cut.size() - 2352 + 24 + 300);  // the last sector holds 300 bytes
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"Mode 1", WrapRaw(std::vector<std::uint8_t>(9 * 2048, 1), {SectorKind::kMode1})},
        {"Form 2 and audio between and after", WrapRaw(std::vector<std::uint8_t>(7 * 2048, 2),
                                                       {SectorKind::kMode2Form1, 3, 6, 2})},
        {"a cut last sector", cut},
        {"audio tracks only", RawSectors(4, SectorKind::kAudio)},
    };
    for (const auto& c : cases) {
        TempFile file(c.bytes);
        const auto length = static_cast<std::int64_t>(StreamOf(file.Path(), SectorReading::kRaw).size());
        for (const std::int64_t from : {std::int64_t{0}, length / 2, length}) {
            ScanSource source;
            ASSERT_TRUE(source.Open(file.Path(), SectorReading::kRaw));
            // Asked too much first: the answer must not spoil the exact one.
            EXPECT_FALSE(source.Holds(from, length - from + 1)) << c.name << " from " << from;
            EXPECT_FALSE(source.Holds(from, std::int64_t{1} << 40)) << c.name << " from " << from;
            EXPECT_FALSE(source.Holds(from, std::numeric_limits<std::int64_t>::max())) << c.name << " from " << from;
            EXPECT_TRUE(source.Holds(from, length - from)) << c.name << " from " << from;
            EXPECT_FALSE(source.Holds(from, length - from + 1)) << c.name << " from " << from;
        }
    }
}

// A bitmap header whose size no file can hold is no find, wherever it lies:
// the plain search and the raw one must agree.
TEST(RawImageTest, BitmapHeadersClaimingMoreThanAnyFileAreNotFoundInARawImage) {
    struct Case {
        const char* name;
        std::uint32_t width;
        std::uint32_t height;
        std::uint16_t bits;
        std::size_t at;  // stream offset
    };
    const Case cases[] = {
        {"largest 24-bit, mid stream", 0x7FFFFFFF, 0x7FFFFFFF, 24, 3000},
        {"largest 24-bit, top-down", 0x7FFFFFFF, 0x80000001, 24, 5000},
        {"largest 8-bit, second byte", 0x7FFFFFFF, 0x7FFFFFFF, 8, 1},
        {"largest 24-bit, first byte", 0x7FFFFFFF, 0x7FFFFFFF, 24, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> header(40, 0);
        const auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        put32(0, 40);
        put32(4, c.width);
        put32(8, c.height);
        header[12] = 1;  // one plane
        header[14] = static_cast<std::uint8_t>(c.bits);
        auto payload = Filler(4 * 2048, 9);
        Place(payload, c.at, header);
        TempFile plain(payload, "plain.iso");
        EXPECT_TRUE(Search(plain.Path(), 2, 1).empty());
        TempFile raw(WrapRaw(payload, {SectorKind::kMode2Form1, 0, 2, 0}));
        EXPECT_TRUE(Search(raw.Path(), 1, 1).empty());
    }
}

// Appends bytes to the file being searched at the first progress point, as a
// download or a copy still being written would.
class GrowingHost : public test::RecordingHost {
public:
    GrowingHost(std::string path, std::vector<std::uint8_t> more) : path_(std::move(path)), more_(std::move(more)) {}
    bool CheckCancel() override {
        if (checks == 0) {
            std::ofstream out(path_, std::ios::binary | std::ios::app);
            out.write(reinterpret_cast<const char*>(more_.data()), static_cast<std::streamsize>(more_.size()));
        }
        return RecordingHost::CheckCancel();
    }

private:
    std::string path_;
    std::vector<std::uint8_t> more_;
};

TEST(RawImageTest, BytesAddedWhileTheFileIsSearchedAreLeftForTheNextSearch) {
    // More than one chunk of empty data sectors, then sectors holding a TIM that
    // are only written once the search has begun.
    const std::vector<std::uint8_t> original = WrapRaw(std::vector<std::uint8_t>(500 * 2048, 0), {});
    auto tims = samples::MakeTim(8, 16, 8);
    tims.resize(2048, 0);
    std::vector<std::uint8_t> added;
    for (std::uint32_t k = 0; k < 8; ++k) {
        const auto sector = samples::MakeSector(SectorKind::kMode2Form1, 500 + k, tims.data(), tims.size());
        added.insert(added.end(), sector.begin(), sector.end());
    }
    for (const int rawSectors : {1, 2}) {
        SCOPED_TRACE(rawSectors == 1 ? "read raw" : "read plain");
        TempFile file(original);
        MemorySettingsStore store;
        Write(store, settings::kRawSectors, rawSectors);
        SearchState state;
        GrowingHost host(file.Path(), added);
        SearchTim(state, host, store, file.Path());
        ASSERT_EQ(std::filesystem::file_size(file.Path()), original.size() + added.size());
        EXPECT_TRUE(host.docs.empty()) << host.docs.size() << " found in the added bytes";
        EXPECT_EQ(host.steps, 50);
    }
}

}  // namespace
}  // namespace vorel
