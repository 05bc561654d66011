#include "search/scanners.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <future>
#include <unistd.h>

#include "image/bytes.h"
#include "sample_builders/sample_builders.h"
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

constexpr std::size_t kMb = 1000000;

struct Scan {
    SearchState state;
    RecordingHost host;
    MemorySettingsStore store;
    DocumentRef result = nullptr;

    void Tim(const std::string& path) { result = SearchTim(state, host, store, path); }
    void Bmp(const std::string& path) { result = SearchBmp(state, host, store, path); }
    void Run(const std::string& path) { result = RunSearchScans(state, host, store, path); }
    std::vector<std::int64_t> Offsets() const {
        std::vector<std::int64_t> out;
        for (const auto& d : host.docs) out.push_back(d.fileOffset);
        return out;
    }
};

TEST(TimScannerTest, FindsEveryKindAtItsOffsetInOrder) {
    auto bytes = Filler(300000);
    const std::vector<std::vector<std::uint8_t>> tims = {MakeTim(8, 16, 8, 2), MakeTim(9, 20, 10), MakeTim(2, 7, 3),
                                                         MakeTim(3, 10, 4, 1, 1, true), MakeTim(3, 5, 4, 1, 1, false)};
    const std::size_t offsets[] = {0, 1001, 50003, 123457, 299000};
    for (std::size_t i = 0; i < tims.size(); ++i) Place(bytes, offsets[i], tims[i]);
    TempFile file(bytes);
    Scan scan;
    scan.Tim(file.Path());
    ASSERT_EQ(scan.host.docs.size(), tims.size());
    for (std::size_t i = 0; i < tims.size(); ++i) {
        const auto& doc = scan.host.docs[i];
        EXPECT_EQ(doc.fileOffset, static_cast<std::int64_t>(offsets[i]));
        EXPECT_EQ(doc.number, static_cast<int>(i) + 1);
        EXPECT_EQ(doc.sourceType, kSourceTim);
        EXPECT_EQ(doc.hit, tims[i]) << "hit " << i << " must be the TIM's own bytes";
    }
    EXPECT_EQ(scan.host.docs[3].width, 10);  // 24-bit, width counted in 16-bit units
    EXPECT_EQ(scan.host.docs[4].width, 5);   // 24-bit, width counted in pixels
    EXPECT_EQ(scan.state.m_nHitCount, 5);
    EXPECT_EQ(scan.state.m_nShownCount, 5);
    EXPECT_EQ(scan.result, &scan.host.docs.back());
    EXPECT_TRUE(scan.state.m_pHitData.empty()) << "the hit buffer lives for one scan";
}

TEST(TimScannerTest, ChunkEdgesAndTheEndOfTheFile) {
    // One TIM whose first byte is the last byte of the first chunk, one across the
    // next chunk boundary, one cut off by the end of the file.
    const auto a = MakeTim(9, 64, 64);
    const auto b = MakeTim(2, 100, 50);
    const auto c = MakeTim(8, 32, 32, 2);
    auto bytes = Filler(3 * kMb);
    Place(bytes, kMb - 1, a);
    Place(bytes, 2 * kMb - 5000, b);
    bytes.resize(3 * kMb - 100);
    Place(bytes, bytes.size() - c.size() + 50, std::vector<std::uint8_t>(c.begin(), c.end() - 50));
    TempFile file(bytes);
    Scan scan;
    scan.Tim(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 3u);
    EXPECT_EQ(scan.host.docs[0].fileOffset, static_cast<std::int64_t>(kMb - 1));
    EXPECT_EQ(scan.host.docs[0].hit, a);
    EXPECT_EQ(scan.host.docs[1].hit, b);
    auto cutOff = c;
    std::fill(cutOff.end() - 50, cutOff.end(), 0);  // what the file could not supply reads as zeros
    EXPECT_EQ(scan.host.docs[2].hit, cutOff);
}

TEST(TimScannerTest, ATimInsideAnotherTimIsFoundToo) {
    auto outer = MakeTim(2, 64, 64);
    const auto inner = MakeTim(2, 4, 4);
    Place(outer, 20 + 100, inner);
    TempFile file(outer);
    Scan scan;
    scan.Tim(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 2u);
    EXPECT_EQ(scan.host.docs[1].fileOffset, 120);
    EXPECT_EQ(scan.host.docs[1].number, 2);
}

TEST(TimScannerTest, EveryChunkSizeFindsTheSameImages) {
    auto bytes = Filler(5 * kMb + 123);
    for (std::size_t at : {std::size_t{0}, kMb - 1, 2 * kMb - 3, 3 * kMb, 4 * kMb + 999999})
        Place(bytes, at, MakeTim(8, 8, 8, 1, static_cast<std::uint32_t>(at)));
    TempFile file(bytes);
    std::vector<std::int64_t> first;
    for (const char* mb : {"1", "2", "3", "10", "0", "11", "x"}) {
        Scan scan;
        scan.store.WriteString("Settings", "Read Memory Size", mb);
        scan.Tim(file.Path());
        EXPECT_EQ(scan.host.docs.size(), 5u) << "chunk " << mb;
        if (first.empty()) first = scan.Offsets();
        EXPECT_EQ(scan.Offsets(), first) << "chunk " << mb;
    }
}

TEST(TimScannerTest, ClutLengthBeyondTheLookAheadIsRejectedSafely) {
    // The CLUT block claims 1.5 MB: its image header would lie past the chunk and its look-ahead.
    std::vector<std::uint8_t> bytes(40, 0);
    StoreLe32(bytes.data(), 0x10);
    StoreLe32(bytes.data() + 4, 8);
    StoreLe32(bytes.data() + 8, 1500000);
    StoreLe16(bytes.data() + 16, 30);     // 749,994 entries: 24,999 palettes of 30 colours,
    StoreLe16(bytes.data() + 18, 24999);  // so only the image header's place can refuse it
    TempFile file(bytes);
    Scan scan;
    scan.Tim(file.Path());
    EXPECT_TRUE(scan.host.docs.empty());
    EXPECT_EQ(scan.state.m_nHitCount, 0);
}

TEST(TimScannerTest, DividedSearchShowsOnePage) {
    std::vector<std::uint8_t> bytes;
    const auto tim = MakeTim(2, 2, 2);
    for (int i = 0; i < 120; ++i) Place(bytes, bytes.size() + 3, tim);
    TempFile file(bytes);
    struct Case {
        int num, pos;
        std::size_t shown;
        int firstNumber, hitCount;
    };
    const Case cases[] = {{50, 1, 50, 51, 101}, {50, 0, 50, 1, 51}, {50, 2, 20, 101, 120}, {0, 0, 0, 0, 1},
                          {50, 5, 0, 0, 120}};
    for (const auto& c : cases) {
        Scan scan;
        scan.store.WriteInt("Settings", "dividesearch", 1);
        scan.store.WriteInt("Settings", "dividenum", c.num);
        scan.store.WriteInt("Settings", "dividepos", c.pos);
        scan.Tim(file.Path());
        ASSERT_EQ(scan.host.docs.size(), c.shown) << c.num << "/" << c.pos;
        if (c.shown != 0) {
            EXPECT_EQ(scan.host.docs.front().number, c.firstNumber);
        }
        EXPECT_EQ(scan.state.m_nHitCount, c.hitCount);
        EXPECT_EQ(scan.state.m_nShownCount, static_cast<int>(c.shown));
    }
}

TEST(TimScannerTest, PaletteImagesOpenOneDocumentPerPalette) {
    auto bytes = Filler(5000);
    Place(bytes, 100, MakeTim(8, 8, 8, 16));
    Place(bytes, 3000, MakeTim(2, 4, 4));
    TempFile file(bytes);
    Scan scan;
    scan.store.WriteInt("Settings", "Palette Image", 1);
    scan.Tim(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 17u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(scan.host.docs[i].number, 1);
        EXPECT_EQ(scan.host.docs[i].paletteIndex, i);
    }
    EXPECT_EQ(scan.host.docs[16].number, 2);
    EXPECT_EQ(scan.state.m_nShownCount, 2);
    EXPECT_EQ(scan.state.m_nPaletteImageCount, 17);
}

TEST(ScanProgressTest, FiftyPointsWhateverTheSize) {
    struct Case {
        std::size_t size;
        int points;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {20, 20}, {50, 50}, {51, 50}, {1234567, 50}, {2 * kMb + 1, 50}};
    for (const auto& c : cases) {
        TempFile file(Filler(c.size));
        Scan scan;
        scan.Tim(file.Path());
        EXPECT_EQ(scan.host.checks, c.points) << c.size;
        EXPECT_EQ(scan.host.steps, c.points) << c.size;
        EXPECT_EQ(scan.host.log, (std::vector<std::string>{"create", "label TIM検索", "destroy"}));
    }
}

TEST(ScanProgressTest, CancelAnsweredNoGoesOnAndYesAbandons) {
    auto bytes = Filler(100000);
    for (int i = 0; i < 10; ++i) Place(bytes, 1000 + i * 9000, MakeTim(2, 4, 4));
    TempFile file(bytes);
    {
        Scan scan;
        scan.host.cancelAtCheck = {3};
        scan.host.answers = {false};
        scan.Tim(file.Path());
        EXPECT_EQ(scan.host.questions, std::vector<std::string>{"Are you sure you want to Cancel?"});
        EXPECT_EQ(scan.host.steps, 50);
        EXPECT_EQ(scan.host.docs.size(), 10u);
        EXPECT_NE(scan.result, nullptr);
    }
    {
        Scan scan;
        scan.host.cancelAtCheck = {20};  // at offset 19 x 2000: after the fifth TIM
        scan.host.answers = {true};
        scan.Tim(file.Path());
        EXPECT_EQ(scan.host.docs.size(), 5u);
        EXPECT_EQ(scan.host.steps, 19);
        EXPECT_EQ(scan.result, nullptr);
        EXPECT_EQ(scan.host.log.back(), "destroy");
    }
}

// A file still being written while it is searched: the scan covers the bytes it
// had when the scan began, and ends there rather than chasing the writer.
TEST(ScanProgressTest, BytesAddedDuringTheScanAreNotSearched) {
    struct AppendingHost : RecordingHost {
        bool CheckCancel() override {
            if (checks == 0) {
                std::vector<std::uint8_t> more = Filler(2 * kMb);
                for (std::size_t at = 0; at < more.size(); at += 100000) Place(more, at, MakeTim(2, 4, 4));
                std::ofstream(path, std::ios::binary | std::ios::app)
                    .write(reinterpret_cast<const char*>(more.data()), static_cast<std::streamsize>(more.size()));
            }
            return RecordingHost::CheckCancel();
        }
        std::string path;
    };
    TempFile file(Filler(kMb + 10));
    Scan scan;
    AppendingHost host;
    host.path = file.Path();
    SearchTim(scan.state, host, scan.store, file.Path());
    EXPECT_TRUE(host.docs.empty());
    EXPECT_EQ(host.steps, 50);
}

TEST(ScanFailureTest, MissingFilesAndFoldersShowNothing) {
    Scan scan;
    scan.Tim("/nonexistent/vorel/file");
    EXPECT_TRUE(scan.host.log.empty());
    EXPECT_EQ(scan.result, nullptr);
    scan.Bmp("/");
    EXPECT_TRUE(scan.host.log.empty());
}

TEST(ScanFailureTest, ANamedPipeIsRefusedWithoutWaitingForAWriter) {
    char folder[] = "/tmp/vorel-fifo-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string fifo = std::string(folder) + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    Scan scan;
    auto done = std::async(std::launch::async, [&] { scan.Run(fifo); });
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "opening a named pipe waited for a writer";
        // Let the blocked open return so the test can end.
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        done.wait();
        if (writer >= 0) ::close(writer);
    }
    EXPECT_TRUE(scan.host.log.empty());
    EXPECT_EQ(scan.result, nullptr);
    ::unlink(fifo.c_str());
    ::rmdir(folder);
}

TEST(BmpScannerTest, FindsBitmapsAndFitsThemInTheFile) {
    const auto dib8 = MakeDib(8, 5, 3, 20);
    const auto dib24 = MakeDib(24, 10, 10);
    const auto top = MakeDib(24, 7, 5, 0, true);
    const auto bmpFile = samples::MakeBmpFile(4, 9, 9);
    auto bytes = Filler(20000);
    Place(bytes, 10, dib8);
    Place(bytes, 5000, bmpFile);
    Place(bytes, 9001, top);
    bytes.resize(20000 - dib24.size());
    Place(bytes, bytes.size(), dib24);  // ends exactly at the end of the file
    TempFile file(bytes);
    Scan scan;
    scan.Bmp(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 4u);
    EXPECT_EQ(scan.Offsets(), (std::vector<std::int64_t>{10, 5014, 9001, static_cast<std::int64_t>(20000 - dib24.size())}));
    EXPECT_EQ(scan.host.docs[0].hit, dib8);
    EXPECT_EQ(scan.host.docs[2].hit, top);
    EXPECT_EQ(scan.host.docs[3].hit, dib24);
    EXPECT_EQ(scan.host.docs[3].paletteCount, 1);

    // One byte short of the whole bitmap: not found.
    bytes.pop_back();
    TempFile shorter(bytes);
    Scan again;
    again.Bmp(shorter.Path());
    EXPECT_EQ(again.host.docs.size(), 3u);
}

TEST(BmpScannerTest, TwentyFourBitBitmapsBringTheirOptionalTable) {
    const auto dib = MakeDib(24, 5, 4, 6);  // six colours named before the pixels
    auto bytes = Filler(1000);
    Place(bytes, 1000 - dib.size(), dib);  // ends exactly at the end of the file
    TempFile file(bytes);
    Scan scan;
    scan.Bmp(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 1u);
    EXPECT_EQ(scan.host.docs[0].hit, dib);
}

TEST(BmpScannerTest, EmptyBitmapsCountButBringOnlyTheirHeader) {
    std::vector<std::uint8_t> header(40 + 1024, 0);
    StoreLe32(header.data(), 40);
    StoreLe32(header.data() + 4, 0);  // width 0
    StoreLe32(header.data() + 8, 7);
    StoreLe16(header.data() + 12, 1);
    StoreLe16(header.data() + 14, 8);
    TempFile file(header);
    Scan scan;
    scan.Bmp(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 1u);
    EXPECT_EQ(scan.host.docs[0].hit.size(), 40u);
    EXPECT_EQ(scan.state.m_nHitCount, 1);
}

TEST(SearchRunTest, BitmapsAreNumberedAfterTims) {
    auto bytes = Filler(30000);
    Place(bytes, 100, MakeTim(8, 8, 8, 4));
    Place(bytes, 2000, MakeTim(9, 8, 8));
    Place(bytes, 9000, MakeDib(1, 33, 3));
    Place(bytes, 15000, MakeDib(24, 3, 3));
    TempFile file(bytes);
    Scan scan;
    scan.store.WriteInt("Settings", "Palette Image", 1);
    scan.Run(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 7u);
    EXPECT_EQ(scan.host.docs[5].number, 3);
    EXPECT_EQ(scan.host.docs[5].sourceType, kSourceBmp);
    EXPECT_EQ(scan.host.docs[6].number, 4);
    EXPECT_EQ(ClosingMessage(scan.state, scan.store), "4 Images Find (Palette含 5)");
    EXPECT_EQ(scan.result, &scan.host.docs.back());
}

TEST(SearchRunTest, TypesAndDividedWindowsPerScan) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < 30; ++i) Place(bytes, bytes.size() + 1, MakeTim(2, 2, 2));
    for (int i = 0; i < 30; ++i) Place(bytes, bytes.size() + 1, MakeDib(8, 4, 4, 2));
    TempFile file(bytes);
    {
        Scan scan;
        scan.store.WriteInt("Settings", "dividesearch", 1);
        scan.store.WriteInt("Settings", "dividenum", 10);
        scan.store.WriteInt("Settings", "dividepos", 2);
        scan.Run(file.Path());
        ASSERT_EQ(scan.host.docs.size(), 20u);
        EXPECT_EQ(scan.host.docs[0].number, 21);
        EXPECT_EQ(scan.host.docs[10].sourceType, kSourceBmp);
        EXPECT_EQ(scan.host.docs[10].number, 30 + 21) << "bitmaps 21 to 30, numbered after the TIMs";
        EXPECT_EQ(ClosingMessage(scan.state, scan.store), "20 Images Find");
    }
    const std::pair<int, std::size_t> types[] = {{0, 30}, {1, 30}, {2, 60}, {3, 0}, {-1, 0}};
    for (const auto& [type, count] : types) {
        Scan scan;
        scan.store.WriteInt("Settings", "Search Type", type);
        scan.Run(file.Path());
        EXPECT_EQ(scan.host.docs.size(), count) << "type " << type;
        EXPECT_EQ(ClosingMessage(scan.state, scan.store), std::to_string(count) + " Images Find");
    }
}

TEST(SearchRunTest, ACancelledTimScanStillLetsTheBitmapScanRun) {
    auto bytes = Filler(10000);
    Place(bytes, 9000, MakeTim(2, 2, 2));
    Place(bytes, 9500, MakeDib(24, 2, 2));
    TempFile file(bytes);
    Scan scan;
    scan.host.cancelAtCheck = {1};
    scan.Run(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 1u);
    EXPECT_EQ(scan.host.docs[0].sourceType, kSourceBmp);
    EXPECT_EQ(scan.host.docs[0].number, 1);
}

// A sparse file past 4 GiB costs no disk: the image near its end must still be found.
TEST(LargeFileTest, ImageBeyondFourGigabytes) {
    TempFile file({});
    const std::int64_t size = (std::int64_t{1} << 32) + 3 * 1000000 + 17;
    const auto tim = MakeTim(8, 16, 16, 2);
    const std::int64_t at = size - 5000;
    const int fd = ::open(file.Path().c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, size) != 0) {
        ::close(fd);
        GTEST_SKIP() << "this file system cannot hold a sparse file of that size";
    }
    ASSERT_EQ(::pwrite(fd, tim.data(), tim.size(), at), static_cast<ssize_t>(tim.size()));
    ::close(fd);
    Scan scan;
    scan.store.WriteString("Settings", "Read Memory Size", "10");
    scan.Tim(file.Path());
    ASSERT_EQ(scan.host.docs.size(), 1u);
    EXPECT_EQ(scan.host.docs[0].fileOffset, at);
    EXPECT_EQ(scan.host.docs[0].hit, tim);
    EXPECT_EQ(scan.state.m_nFileSize, size);
    EXPECT_EQ(scan.host.steps, 50);
}

}  // namespace
}  // namespace vorel
