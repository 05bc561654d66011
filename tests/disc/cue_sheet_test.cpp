#include "disc/cue_sheet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "search/scan_support.h"

namespace vorel {
namespace {

namespace fs = std::filesystem;

TEST(CueSheetTest, FileLinesAndWhatTheirTracksSay) {
    struct Case {
        const char* name;
        const char* text;
        std::vector<CueFile> files;
    };
    const std::vector<Case> cases = {
        {"one raw data track", "FILE \"Game (Disc 1).bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n    INDEX 01 00:00:00\r\n",
         {{"Game (Disc 1).bin", true, false}}},
        {"data then audio in one file", "FILE game.bin BINARY\nTRACK 01 MODE1/2352\nTRACK 02 AUDIO\n",
         {{"game.bin", true, false}}},
        {"cooked sectors", "FILE game.iso BINARY\nTRACK 01 MODE1/2048\n", {{"game.iso", false, false}}},
        {"2,336-byte sectors read plain", "file x.img binary\ntrack 1 mode2/2336\n", {{"x.img", false, false}}},
        {"an audio file", "FILE a.bin BINARY\nTRACK 01 MODE2/2352\nFILE b.wav WAVE\nTRACK 02 AUDIO\n",
         {{"a.bin", true, false}, {"b.wav", true, true}}},
        {"a file without tracks", "FILE lonely.bin BINARY\n", {{"lonely.bin", true, false}}},
        {"an unquoted name with spaces", "FILE my game.bin BINARY\nTRACK 01 MODE2/2352\n",
         {{"my game.bin", true, false}}},
        {"an unclosed quote", "FILE \"open.bin BINARY\n", {{"open.bin BINARY", true, false}}},
        {"tracks before any file", "TRACK 01 MODE1/2352\nREM nothing\n", {}},
        {"a byte-order mark before the first line", "\xEF\xBB\xBF" "FILE \"disc.bin\" BINARY\r\n  TRACK 01 MODE2/2352\r\n",
         {{"disc.bin", true, false}}},
        {"a byte-order mark before a comment", "\xEF\xBB\xBFREM made on Windows\nFILE d.iso BINARY\nTRACK 01 MODE1/2048\n",
         {{"d.iso", false, false}}},
        {"junk", "\x01\x02 garbage\n\n\nFILE\n", {}},
        // Where the data track starts in its file: its INDEX 01, not its pregap's INDEX 00.
        {"a pregap", "FILE d.bin BINARY\nTRACK 01 MODE2/2352\nINDEX 00 00:00:00\nINDEX 01 00:02:00\n",
         {{"d.bin", true, false, 150}}},
        {"audio track 1, data track 2", "FILE d.bin BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 MODE1/2352\n"
                                        "INDEX 00 03:58:00\nINDEX 01 04:00:10\nTRACK 03 MODE1/2352\nINDEX 01 09:00:00\n",
         {{"d.bin", true, false, 18010}}},
        {"each file its own", "FILE a.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:00:05\n"
                              "FILE b.bin BINARY\nTRACK 02 MODE1/2352\nINDEX 01 00:01:00\n",
         {{"a.bin", true, false, 5}, {"b.bin", true, false, 75}}},
        {"a time that is none", "FILE d.bin BINARY\nTRACK 01 MODE1/2352\nINDEX 01 00:61:00\nINDEX 01 0:0:0x\n",
         {{"d.bin", true, false, 0}}},
    };
    for (const auto& c : cases) {
        const auto files = ParseCueSheet(c.text);
        ASSERT_EQ(files.size(), c.files.size()) << c.name;
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].name, c.files[i].name) << c.name;
            EXPECT_EQ(files[i].raw, c.files[i].raw) << c.name;
            EXPECT_EQ(files[i].audioOnly, c.files[i].audioOnly) << c.name;
            EXPECT_EQ(files[i].dataTrackStart, c.files[i].dataTrackStart) << c.name;
        }
    }
}

class CuePlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorel-cue-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Put(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

TEST_F(CuePlanTest, EachNamedFileOrAClearProblem) {
    Put("a.bin", "x");
    Put("B.BIN", "y");
    fs::create_directory(dir_ / "folder.cue");
    std::string hundredFiles;  // one more than a disc has tracks
    for (int i = 0; i < 100; ++i) hundredFiles += "FILE m" + std::to_string(i) + ".bin BINARY\n";
    struct Case {
        const char* sheet;
        std::string text;
        std::vector<std::pair<std::string, SearchProblem>> targets;  // file name, problem
        std::vector<SectorReading> readings;
    };
    const std::vector<Case> cases = {
        {"two.cue", "FILE \"a.bin\" BINARY\nTRACK 01 MODE2/2352\nFILE \"b.bin\" BINARY\nTRACK 02 MODE1/2048\n",
         {{"a.bin", SearchProblem::kNone}, {"B.BIN", SearchProblem::kNone}},
         {SectorReading::kRaw, SectorReading::kPlain}},
        {"missing.cue", "FILE gone.bin BINARY\nTRACK 01 MODE2/2352\nFILE a.bin BINARY\nTRACK 01 MODE2/2352\n",
         {{"gone.bin", SearchProblem::kFileMissing}, {"a.bin", SearchProblem::kNone}},
         {SectorReading::kRaw, SectorReading::kRaw}},
        {"self.cue", "FILE self.cue BINARY\nTRACK 01 MODE2/2352\n", {{"self.cue", SearchProblem::kNamesItself}}, {}},
        {"windows.cue", "FILE \"C:\\Games\\a.bin\" BINARY\nTRACK 01 MODE1/2352\n", {{"a.bin", SearchProblem::kNone}}, {}},
        {"audio.cue", "FILE t.wav WAVE\nTRACK 01 AUDIO\n", {{"audio.cue", SearchProblem::kSheetNamesNoFile}}, {}},
        {"binary.cue", std::string("FILE a.bin BINARY\n\0\0\0", 21), {{"binary.cue", SearchProblem::kSheetNamesNoFile}}, {}},
        {"junk.cue", std::string(10 * 1000 * 1000, 'j'), {{"junk.cue", SearchProblem::kSheetTooLarge}}, {}},
        {"folder.cue", "", {{"folder.cue", SearchProblem::kSheetUnreadable}}, {}},
        {"twice.cue", "FILE a.bin BINARY\nTRACK 01 MODE2/2352\nFILE ./A.BIN BINARY\nTRACK 02 MODE2/2352\n"
                      "FILE gone.bin BINARY\nFILE gone.bin BINARY\n",
         {{"a.bin", SearchProblem::kNone}, {"gone.bin", SearchProblem::kFileMissing}}, {}},
        {"many.cue", hundredFiles,
         {{"many.cue", SearchProblem::kSheetTooManyFiles}}, {}},
    };
    for (const auto& c : cases) {
        const std::string sheet =
            fs::is_directory(dir_ / c.sheet) ? (dir_ / c.sheet).string() : Put(c.sheet, c.text);
        const auto targets = PlanSearch(sheet);
        ASSERT_EQ(targets.size(), c.targets.size()) << c.sheet;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            EXPECT_EQ(fs::path(targets[i].path).filename().string(), c.targets[i].first) << c.sheet;
            EXPECT_EQ(targets[i].problem, c.targets[i].second) << c.sheet;
            if (i < c.readings.size()) {
                EXPECT_EQ(targets[i].reading, c.readings[i]) << c.sheet;
            }
        }
    }
    EXPECT_FALSE(PlanSearch((dir_ / "nowhere.cue").string()).empty());
    // Any other name stands for itself and follows the setting.
    const auto plain = PlanSearch((dir_ / "a.bin").string());
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_FALSE(plain[0].fromSheet);
    EXPECT_EQ(plain[0].problem, SearchProblem::kNone);
}

}  // namespace
}  // namespace vorel
