// Every hostile input in tests/regressions goes through the same code paths as
// the fuzz targets: the candidate tests at every candidate position, whole
// search runs under several settings, conversion to a DIB, the quantiser and
// both writers. None of them may break a property the harness checks (the
// sanitizer build adds: nor read or write outside a buffer).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"
#include "image/dib.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> g_failures;

void Collect(const std::string& what) {
    g_failures.push_back(what);
}

// Lists broken properties instead of aborting, for the lifetime of the object.
class FailureLog {
  public:
    FailureLog() {
        g_failures.clear();
        fuzz::SetFailureHandler(&Collect);
    }
    ~FailureLog() { fuzz::SetFailureHandler(nullptr); }
    std::string Text() const {
        std::string all;
        for (const auto& f : g_failures) all += "\n  " + f;
        return all;
    }
    bool Empty() const { return g_failures.empty(); }
};

fs::path Folder() {
    return fs::path(VOREL_SOURCE_DIR) / "tests" / "regressions";
}

std::vector<fs::path> RegressionFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(Folder())) {
        if (entry.path().extension() == ".bin") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fuzz::ScanOptions PlainRun(int searchType) {
    fuzz::ScanOptions o;
    o.searchType = searchType;
    o.writeDocuments = 2;
    return o;
}

// The settings every file is scanned with: each search type, palette documents
// with the optimised palette, the bytes straddling a chunk boundary, a larger
// chunk, a divided window, a declined and a confirmed cancel.
std::vector<fuzz::ScanOptions> Runs() {
    std::vector<fuzz::ScanOptions> runs = {PlainRun(0), PlainRun(1), PlainRun(2)};
    fuzz::ScanOptions o = PlainRun(2);
    o.paletteImages = true;
    o.paletteMode = 1;
    runs.push_back(o);
    for (int shift : {1, 3, 19, 41}) {
        o = PlainRun(2);
        o.atChunkEdge = true;
        o.edgeShift = shift;
        runs.push_back(o);
    }
    o = PlainRun(2);
    o.readMemorySize = "3";
    o.atChunkEdge = true;
    o.edgeShift = 7;
    runs.push_back(o);
    o = PlainRun(2);
    o.divideSearch = true;
    o.divideNum = 1;
    o.dividePos = 1;
    runs.push_back(o);
    // A window that starts after it ends (negative page size): hits before it are
    // only counted, and the first one at or past its start ends the scan.
    o.divideNum = -1;
    o.dividePos = -4;
    runs.push_back(o);
    o = PlainRun(2);
    o.cancelAtCheck = 2;
    o.confirmCancel = false;
    runs.push_back(o);
    o.confirmCancel = true;
    runs.push_back(o);
    // The bytes as the user data of a raw CD image, read raw whatever they hold,
    // and detected.
    o = PlainRun(2);
    o.sectors = 1;
    o.form2Every = 3;
    o.audioAfter = true;
    runs.push_back(o);
    o = PlainRun(2);
    o.sectors = 1;
    o.mode1 = true;
    o.atChunkEdge = true;
    o.edgeShift = 19;
    runs.push_back(o);
    o = PlainRun(2);
    o.sectors = 2;
    runs.push_back(o);
    // TIMs judged by the strict rules only.
    o = PlainRun(0);
    o.strictTim = true;
    runs.push_back(o);
    o.sectors = 3;
    runs.push_back(o);
    return runs;
}

// The replay is only as good as the harness's reports: a DIB that breaks the
// rules of a built block must be reported, not pass in silence.
TEST(RegressionReplayTest, HarnessReportsABrokenDib) {
    Dib dib = Dib::Create(3, 2, 8);
    ASSERT_FALSE(dib.IsNull());
    {
        FailureLog log;
        fuzz::CheckBuiltDib(dib);
        EXPECT_TRUE(log.Empty()) << log.Text();
    }
    dib.Data()[32] = 5;  // biClrUsed
    FailureLog log;
    fuzz::CheckBuiltDib(dib);
    EXPECT_FALSE(log.Empty());
}

TEST(RegressionReplayTest, FolderHoldsTheHostileInputs) {
    const auto files = RegressionFiles();
    const char* const required[] = {
        "tim_clut_length_below_header",
        "tim_clut_length_negative",
        "tim_clut_length_past_lookahead",
        "tim_palette_count_zero",
        "tim_palette_count_negative",
        "tim_pixels_past_end_of_file",
        "tim_wide_clut_of_two_gigabytes",
        "tim_wide_image_past_video_memory",
        "tim_wide_block_lengths_off_by_one_and_three",
        "tim_wide_modes_without_pixels",
        "tim_wide_largest_cut_off",
        "noise_dense_wide_flag_words",
        "bmp_clr_used_huge",
        "bmp_width_negative",
        "bmp_width_zero",
        "bmp_height_zero",
        "bmp_top_down_one_row",
        "bmp_row_length_overflows_32_bits",
        "file_empty",
        "file_five_bytes_tim_id",
        "noise_dense_candidate_bytes",
        "raw_sync_with_garbage_modes",
        "raw_one_sector",
        "raw_one_byte",
        "raw_truncated_last_sector",
        "raw_truncated_inside_header",
        "raw_tim_across_form2_sectors",
        "disc_directory_loop",
        "disc_record_past_sector",
        "disc_extent_past_end",
        "disc_million_entries_claimed",
        "disc_names_control_and_slash",
        "disc_deeper_than_32",
        "disc_no_terminator",
    };
    for (const char* name : required) {
        EXPECT_TRUE(fs::exists(Folder() / (std::string(name) + ".bin"))) << name;
    }
}

TEST(RegressionReplayTest, EveryFileStaysHarmlessOnEveryPath) {
    const auto runs = Runs();
    for (const auto& path : RegressionFiles()) {
        const std::vector<std::uint8_t> bytes = Read(path);
        const fuzz::Input all(bytes);
        FailureLog log;
        // The candidate tests wherever a candidate can start, as the scanners offer them.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == 0x10) fuzz::CheckTimCandidate(all.subspan(i));
            if (bytes[i] == 0x28) fuzz::CheckBmpCandidate(all.subspan(i));
        }
        fuzz::CheckTimCandidate(all);
        fuzz::CheckBmpCandidate(all);
        for (const auto& options : runs) fuzz::ScanBuffer(all, options);
        fuzz::CheckOptimizedPalette(all);
        fuzz::CheckWriters(all);
        fuzz::CheckDiscTree(all);
        EXPECT_TRUE(log.Empty()) << path.filename() << log.Text();
    }
}

// What a plain search of each hostile file finds and shows (-1: not fixed here,
// only harmlessness is).
TEST(RegressionReplayTest, HostileHeadersFindWhatTheyShould) {
    struct Case {
        const char* file;
        int timHits, bmpHits, documents, images;
        bool raw = false;
        int strictTimHits = -1;  // TIM hits under the strict rules; -1: the same as timHits
    };
    const Case cases[] = {
        {"file_empty", 0, 0, 0, 0},
        {"file_five_bytes_tim_id", 0, 0, 0, 0},
        {"file_five_bytes_bitmap_size", 0, 0, 0, 0},
        {"tim_clut_length_below_header", 0, 0, 0, 0},
        {"tim_clut_length_negative", 0, 0, 0, 0},
        {"tim_clut_length_negative_at_start", 0, 0, 0, 0},
        {"tim_clut_length_past_lookahead", 0, 0, 0, 0},
        {"tim_palette_count_negative", 0, 0, 0, 0},
        // A TIM cut off by the end of the file is still found and shown, the rest black.
        {"tim_pixels_past_end_of_file", 1, 0, 1, 1},
        {"tim4_pixels_past_end_of_file", 1, 0, 1, 1},
        {"tim_largest_cut_off", 1, 0, 1, 1},
        {"tim_cut_off_after_larger_hit", 2, 0, 2, 2},
        // The real-game rules find nothing here that the strict rules would not.
        {"tim_wide_clut_of_two_gigabytes", 0, 0, 0, 0},
        {"tim_wide_image_past_video_memory", 0, 0, 0, 0},
        {"tim_wide_block_lengths_off_by_one_and_three", 0, 0, 0, 0},
        {"tim_wide_modes_without_pixels", 0, 0, 0, 0},
        {"noise_dense_wide_flag_words", 0, 0, 0, 0},
        {"noise_dense_candidate_bytes", 0, 227, 227, -1},  // bitmap headers that fit, no TIM
        // Their largest TIM, cut off by the end of the file, is found as a strict one would be.
        {"tim_wide_largest_cut_off", 1, 0, 1, 1, false, 0},
        // Sizes in 64 bits: tables and rows of gigabytes never fit a small file.
        {"bmp_clr_used_huge", 0, 0, 0, 0},
        {"bmp_clr_used_wraps_32_bits", 0, 0, 0, 0},
        {"bmp_row_length_overflows_32_bits", 0, 0, 0, 0},
        {"bmp_size_wraps_to_small", 0, 0, 0, 0},
        {"bmp_height_min_int", 0, 0, 0, 0},
        {"bmp_width_negative", 0, 0, 0, 0},
        // Found where header and table fit, but no image to show.
        {"bmp_width_negative_1bit", 0, 1, 1, 0},
        {"bmp_width_zero", 0, 1, 1, 0},
        {"bmp_height_zero", 0, 1, 1, 0},
        {"bmp_top_down_one_row", 0, 1, 1, 1},
        {"bmp_24bit_clr_used_not_shown", 0, 1, 1, 1},
        // Raw CD images: only the user data of Mode 1 and Mode 2 Form 1 sectors counts.
        {"raw_sync_with_garbage_modes", 0, 0, 0, 0, true},
        {"raw_one_sector", 1, 0, 1, 1, true},
        {"raw_one_byte", 0, 0, 0, 0, true},
        {"raw_truncated_last_sector", 1, 0, 1, 1, true},
        {"raw_truncated_inside_header", 1, 0, 1, 1, true},
        {"raw_tim_across_form2_sectors", 1, 0, 1, 1, true},
    };
    for (const auto& c : cases) {
        const auto bytes = Read(Folder() / (std::string(c.file) + ".bin"));
        FailureLog log;
        fuzz::ScanOptions options = PlainRun(2);
        options.sectors = c.raw ? 3 : 0;  // raw files as detection reads them
        const fuzz::ScanSummary s = fuzz::ScanBuffer(bytes, options);
        EXPECT_TRUE(log.Empty()) << c.file << log.Text();
        EXPECT_EQ(s.timHits, c.timHits) << c.file;
        EXPECT_EQ(s.bmpHits, c.bmpHits) << c.file;
        EXPECT_EQ(s.documents, c.documents) << c.file;
        if (c.images >= 0) {
            EXPECT_EQ(s.images, c.images) << c.file;
        }
        options.strictTim = true;
        options.searchType = 0;
        const fuzz::ScanSummary strict = fuzz::ScanBuffer(bytes, options);
        EXPECT_EQ(strict.timHits, c.strictTimHits < 0 ? c.timHits : c.strictTimHits) << c.file << " (strict)";
    }
}

// What the disc reader makes of each hostile tree (as sectors 16 on of an image).
TEST(RegressionReplayTest, HostileDiscTreesGiveAClearResult) {
    const struct {
        const char* file;
        DiscTreeOutcome outcome;
        std::size_t files;
    } cases[] = {
        {"disc_directory_loop", DiscTreeOutcome::kLoop, 0},
        {"disc_extent_past_end", DiscTreeOutcome::kDirectoryOutside, 0},
        {"disc_million_entries_claimed", DiscTreeOutcome::kDirectoryOutside, 0},
        {"disc_deeper_than_32", DiscTreeOutcome::kTooDeep, 0},
        // Read, and named safely; a damaged record is passed over, the rest of its folder kept.
        {"disc_record_past_sector", DiscTreeOutcome::kOk, 44},
        {"disc_bad_record_then_next_sector", DiscTreeOutcome::kOk, 45},
        {"disc_folder_two_parents", DiscTreeOutcome::kOk, 1},
        {"disc_file_past_end", DiscTreeOutcome::kOk, 1},
        {"disc_names_control_and_slash", DiscTreeOutcome::kOk, 6},
        {"disc_nine_levels_deep", DiscTreeOutcome::kOk, 1},
        {"disc_no_terminator", DiscTreeOutcome::kOk, 1},
        {"disc_multi_extent_and_xa", DiscTreeOutcome::kOk, 3},
        {"disc_joliet_broken_primary_whole", DiscTreeOutcome::kOk, 1},
        // Not a file system at all.
        {"file_empty", DiscTreeOutcome::kNoDescriptor, 0},
    };
    for (const auto& c : cases) {
        const auto bytes = Read(Folder() / (std::string(c.file) + ".bin"));
        FailureLog log;
        const fuzz::DiscSummary s = fuzz::CheckDiscTree(bytes);
        EXPECT_TRUE(log.Empty()) << c.file << log.Text();
        EXPECT_EQ(s.outcome, c.outcome) << c.file;
        EXPECT_EQ(s.files, c.files) << c.file;
    }
}

}  // namespace
}  // namespace vorel
