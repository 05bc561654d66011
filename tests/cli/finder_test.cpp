// The headless finder as a user runs it: a separate process, its output, its files and its exit status.
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sample_builders/cd_sectors.h"
#include "sample_builders/disc_image.h"
#include "sample_builders/sample_builders.h"

namespace {

namespace fs = std::filesystem;

struct FinderRun {
    int exit = -1;
    std::string out;
    std::string err;
};

class FinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorel-find-test-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        // The user's own settings must not steer the tests, nor be touched by them.
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const fs::path path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    FinderRun Find(const std::string& args) {
        const fs::path out = dir_ / "stdout.txt";
        const fs::path err = dir_ / "stderr.txt";
        const std::string command =
            std::string("\"") + VOREL_FIND_EXE + "\" " + args + " >\"" + out.string() + "\" 2>\"" + err.string() + "\"";
        const int status = std::system(command.c_str());
        FinderRun run;
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(out);
        run.err = Slurp(err);
        return run;
    }

    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static std::string Q(const fs::path& path) { return "\"" + path.string() + "\""; }

    fs::path dir_;
};

std::vector<std::uint8_t> Noise(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
        if (b == 0x10 || b == 0x28) b = 0x77;
    }
    return bytes;
}

void Place(std::vector<std::uint8_t>& into, std::size_t at, const std::vector<std::uint8_t>& what) {
    if (into.size() < at + what.size()) into.resize(at + what.size());
    std::copy(what.begin(), what.end(), into.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// rows > 0 compares the top rows only, rows < 0 all but the last -rows rows.
bool SamePixels(const fs::path& got, const fs::path& expected, int rows = 0) {
    std::string command = std::string(VOREL_TEST_DATA_DIR) + "/../cli/same_pixels.py \"" + got.string() + "\" \"" +
                          expected.string() + "\"";
    if (rows != 0) command += " " + std::to_string(rows);
    return std::system(command.c_str()) == 0;
}

TEST_F(FinderTest, TsvListsEveryImageInOrder) {
    auto bytes = Noise(40000);
    Place(bytes, 100, vorel::samples::MakeTim(8, 16, 8, 3));
    Place(bytes, 5000, vorel::samples::MakeTim(3, 10, 4));
    Place(bytes, 20000, vorel::samples::MakeDib(8, 7, 5, 20));
    Place(bytes, 30000, vorel::samples::MakeDib(1, 33, 2, 0, true));
    const fs::path file = Write("GAME.DAT", bytes);
    const FinderRun run = Find("--tsv " + Q(file));
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out,
              "title\tnumber\tpalette\toffset\tkind\twidth\theight\tpalettes\tdisc_file\tfile_offset\n"
              "GAME_001\t1\t0\t100\tTIM4\t16\t8\t3\t\t\n"
              "GAME_002\t2\t0\t5000\tTIM24\t10\t4\t1\t\t\n"
              "GAME_003\t3\t0\t20000\tBMP8\t7\t5\t1\t\t\n"
              "GAME_004\t4\t0\t30000\tBMP1\t33\t2\t1\t\t\n");
    EXPECT_NE(run.err.find("4 Images Find"), std::string::npos) << run.err;

    const FinderRun palettes = Find("--tsv --palettes --type tim " + Q(file));
    EXPECT_NE(palettes.out.find("GAME_001_003\t1\t2\t100\tTIM4"), std::string::npos) << palettes.out;
    EXPECT_NE(palettes.err.find("2 Images Find (Palette含 4)"), std::string::npos) << palettes.err;

    const FinderRun page = Find("--tsv --page 1 --per-page 1 --type bmp " + Q(file));
    EXPECT_EQ(page.out,
              "title\tnumber\tpalette\toffset\tkind\twidth\theight\tpalettes\tdisc_file\tfile_offset\n"
              "GAME_002\t2\t0\t30000\tBMP1\t33\t2\t1\t\t\n");
}

TEST_F(FinderTest, ExitStatusAndMessages) {
    const fs::path empty = Write("empty.bin", Noise(5000));
    struct Case {
        std::string args;
        int exit;
        std::string inErr;
    };
    const Case cases[] = {
        {Q(empty), 1, "0 Images Find"},
        {"", 2, "no FILE"},
        {"--bogus " + Q(empty), 2, "bogus"},
        {"--type png " + Q(empty), 2, "--type"},
        {"--chunk 11 " + Q(empty), 2, "--chunk"},
        {"--chunk 1.5 " + Q(empty), 2, "--chunk"},
        {"--page -1 " + Q(empty), 2, "--page"},
        {"--format png " + Q(empty), 2, "--out"},
        {Q(dir_ / "missing.bin"), 2, "missing.bin: no such file"},
        {Q(dir_), 2, "is a folder"},
        {"--help", 0, ""},
        {"--help-all", 0, ""},
    };
    for (const auto& c : cases) {
        const FinderRun run = Find(c.args);
        EXPECT_EQ(run.exit, c.exit) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.inErr), std::string::npos) << c.args << "\n" << run.err;
    }
    EXPECT_NE(Find("--version").out.find("vorel-find "), std::string::npos);
}

// The real TIMs inside larger files, where the reading is hardest: the last byte of
// a chunk, across a chunk boundary, and cut off by the end of the file.
TEST_F(FinderTest, CorpusTimsAtAwkwardOffsetsDecodeExactly) {
    const fs::path corpus = VOREL_TEST_DATA_DIR "/corpus";
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"}) {
        const auto tim = ReadBytes(corpus / (std::string(name) + ".tim"));
        ASSERT_FALSE(tim.empty()) << name;
        auto bytes = Noise(5000000);
        const std::size_t offsets[] = {999999, 3000000 - tim.size() / 2};
        for (std::size_t at : offsets) Place(bytes, at, tim);
        // The last copy lacks its final 16 bytes: at most two rows of any of these pictures.
        Place(bytes, 5000000, std::vector<std::uint8_t>(tim.begin(), tim.end() - 16));
        const fs::path file = Write(std::string(name) + ".bin", bytes);
        const fs::path out = dir_ / name;
        const FinderRun run = Find("--tsv --type tim --out " + Q(out) + " --format png " + Q(file));
        ASSERT_EQ(run.exit, 0) << run.err;
        for (std::size_t at : {offsets[0], offsets[1], std::size_t{5000000}})
            EXPECT_NE(run.out.find("\t" + std::to_string(at) + "\t"), std::string::npos) << name << " at " << at;
        const fs::path expected = corpus / (std::string(name) + ".expected.png");
        EXPECT_TRUE(SamePixels(out / (std::string(name) + "_001.PNG"), expected)) << name;
        EXPECT_TRUE(SamePixels(out / (std::string(name) + "_002.PNG"), expected)) << name;
        // Cut off: what the file holds is exact; the rows it lost read as black.
        EXPECT_TRUE(SamePixels(out / (std::string(name) + "_003.PNG"), expected, -2)) << name;
    }
}

// Every image of the sample and the corpus, in every format, against another program's decode of its source.
TEST_F(FinderTest, ExportsMatchAnIndependentDecodeOfTheirSource) {
    const std::string data = VOREL_TEST_DATA_DIR;
    const std::string sources[] = {data + "/../../samples/sample.bin", data + "/corpus/ball16c.tim",
                                   data + "/corpus/lamelotl16c.tim", data + "/corpus/bungirl.tim",
                                   data + "/corpus/bunpattern.tim"};
    for (const std::string& source : sources) {
        const fs::path out = dir_ / fs::path(source).stem();
        const fs::path listing = dir_ / (fs::path(source).stem().string() + ".tsv");
        const FinderRun list = Find("--tsv --palettes " + Q(source));
        ASSERT_EQ(list.exit, 0) << source << list.err;
        std::ofstream(listing) << list.out;
        for (const char* format : {"bmp", "tif", "png"})
            ASSERT_EQ(Find("--palettes --out " + Q(out) + " --format " + format + " " + Q(source)).exit, 0) << source;
        const std::string check = data + "/../cli/check_export.py " + Q(source) + " " + Q(listing) + " " + Q(out) +
                                  " BMP TIF PNG";
        EXPECT_EQ(std::system(check.c_str()), 0) << source;
    }
}

// --alpha PNGs and --format tim files against the source's own bytes: the sample, the real TIMs, and an
// 8-bit TIM given 0x0000 colours and a CLUT shorter than its 256 indices.
TEST_F(FinderTest, AlphaAndTimExportsFollowTheSourceBytes) {
    const std::string data = VOREL_TEST_DATA_DIR;
    std::vector<std::uint8_t> tim8 = vorel::samples::MakeTim(9, 16, 8);
    ASSERT_GT(tim8.size(), 20u + 512u);
    for (std::size_t i = 0; i < 256; i += 5) tim8[20 + 2 * i] = tim8[21 + 2 * i] = 0;
    // The CLUT loses its last 20 words (block 12 + 2 x 236 bytes, 236 colours a row): pixels using them
    // have no word and stay opaque.
    tim8[8] = (12 + 2 * 236) & 0xFF;
    tim8[9] = (12 + 2 * 236) >> 8;
    tim8[16] = 236;
    tim8[17] = 0;
    tim8.erase(tim8.begin() + 20 + 2 * 236, tim8.begin() + 20 + 2 * 256);
    for (std::uint8_t x = 0; x < 16; ++x) tim8[20 + 2 * 236 + 12 + x] = static_cast<std::uint8_t>(236 + x);
    auto noise = Noise(20000);
    Place(noise, 777, tim8);
    const std::string made = Write("tim8.bin", noise).string();
    for (const std::string& source : {data + "/../../samples/sample.bin", data + "/corpus/ball16c.tim",
                                      data + "/corpus/lamelotl16c.tim", data + "/corpus/bungirl.tim",
                                      data + "/corpus/bunpattern.tim", made}) {
        const std::string stem = fs::path(source).stem().string();
        const FinderRun list = Find("--tsv --palettes " + Q(source));
        ASSERT_EQ(list.exit, 0) << source << list.err;
        std::ofstream(dir_ / (stem + ".tsv")) << list.out;
        ASSERT_EQ(Find("--palettes --out " + Q(dir_ / "png" / stem) + " --format png --alpha " + Q(source)).exit, 0);
        const FinderRun tims = Find("--palettes --out " + Q(dir_ / "tim" / stem) + " --format tim " + Q(source));
        ASSERT_EQ(tims.exit, 0) << tims.err;
        const std::string check = data + "/../cli/check_alpha_and_tim.py " + Q(source) + " " +
                                  Q(dir_ / (stem + ".tsv")) + " " + Q(dir_ / "png" / stem) + " " + Q(dir_ / "tim" / stem);
        EXPECT_EQ(std::system(check.c_str()), 0) << source;
        // Under the alpha the colours are ImageMagick's: transparent pixels keep theirs. (It reads no
        // 8-bit TIM whose CLUT is short of 256 colours, so the made one is left out.)
        if (source == made) continue;
        const std::string colours = data + "/../cli/check_export.py " + Q(source) + " " + Q(dir_ / (stem + ".tsv")) +
                                    " " + Q(dir_ / "png" / stem) + " PNG";
        EXPECT_EQ(std::system(colours.c_str()), 0) << source;
    }
    EXPECT_NE(Find("--out " + Q(dir_ / "x") + " --format tim " + Q(data + "/../../samples/sample.bin"))
                  .err.find("sample_005: a bitmap, not a TIM: passed over"),
              std::string::npos);
    // A TIM the file cuts off is no TIM as found: passed over with a note, not written.
    Place(noise, noise.size() - tim8.size() + 16, std::vector<std::uint8_t>(tim8.begin(), tim8.end() - 16));
    const FinderRun cut = Find("--out " + Q(dir_ / "cut") + " --format tim " + Q(Write("cut.bin", noise)));
    EXPECT_EQ(cut.exit, 0) << cut.err;
    EXPECT_NE(cut.err.find("cut_002: the file ends inside this TIM: passed over"), std::string::npos) << cut.err;
    EXPECT_TRUE(fs::is_regular_file(dir_ / "cut" / "cut_001.TIM"));
    EXPECT_FALSE(fs::exists(dir_ / "cut" / "cut_002.TIM"));
    EXPECT_EQ(Find("--alpha --out " + Q(dir_ / "y") + " " + Q(made)).exit, 2);  // alpha is for PNG files
}

TEST_F(FinderTest, ExportWritesEveryFormatAndReplacesOldFiles) {
    auto bytes = Noise(30000);
    Place(bytes, 10, vorel::samples::MakeTim(9, 20, 10));
    Place(bytes, 9000, vorel::samples::MakeDib(4, 5, 3));
    const fs::path file = Write("data.bin", bytes);
    const fs::path out = dir_ / "out";
    fs::create_directories(out);
    std::ofstream(out / "data_001.BMP") << "an older file";
    for (const char* format : {"bmp", "tif", "png"}) {
        const FinderRun run = Find("--out " + Q(out) + " --format " + format + " " + Q(file));
        EXPECT_EQ(run.exit, 0) << format << run.err;
    }
    for (const char* ext : {"BMP", "TIF", "PNG"}) {
        EXPECT_TRUE(SamePixels(out / (std::string("data_001.") + ext), out / "data_001.PNG")) << ext;
        EXPECT_TRUE(SamePixels(out / (std::string("data_002.") + ext), out / "data_002.PNG")) << ext;
    }
    EXPECT_EQ(ReadBytes(out / "data_001.BMP")[0], 'B');

    // Two searched files with the same title: the second's images get a number, none is lost.
    const fs::path again = dir_ / "again";
    fs::create_directories(again);
    const fs::path twin = Write("data.tim", bytes);
    const FinderRun twins = Find("--out " + Q(again) + " " + Q(file) + " " + Q(twin));
    EXPECT_EQ(twins.exit, 0) << twins.err;
    for (const char* name : {"data_001.BMP", "data_002.BMP", "data_001(2).BMP", "data_002(2).BMP"})
        EXPECT_TRUE(fs::is_regular_file(again / name)) << name;

    // A folder in the way of a file: named on stderr, the other image still written, exit 2.
    const fs::path blocked = dir_ / "blocked";
    fs::create_directories(blocked / "data_001.BMP");
    const FinderRun run = Find("--out " + Q(blocked) + " " + Q(file));
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.err.find("data_001.BMP"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_regular_file(blocked / "data_002.BMP"));
}

// The tsv rows' offset column.
std::vector<long long> Offsets(const std::string& tsv) {
    std::vector<long long> out;
    std::istringstream lines(tsv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string title, number, palette, offset;
        fields >> title >> number >> palette >> offset;
        out.push_back(std::stoll(offset));
    }
    return out;
}

// A raw BIN/CUE of the sample, opened as a user would: by its cue sheet.
TEST_F(FinderTest, CueSheetOfARawImageListsAndExportsWhatThePlainFileHolds) {
    const fs::path sample = fs::path(VOREL_TEST_DATA_DIR) / "../../samples/sample.bin";
    const auto bytes = ReadBytes(sample);
    const vorel::samples::RawLayout layout{vorel::samples::SectorKind::kMode2Form1, 5, 4, 0};
    std::vector<std::uint32_t> data;
    const auto image = vorel::samples::WrapRaw(bytes, layout, &data);
    const fs::path bin = Write("GAME.BIN", image);
    std::ofstream(dir_ / "GAME.cue") << vorel::samples::MakeCueSheet(
        "game.bin", layout.dataKind, static_cast<int>(image.size() / 2352) - layout.audioAfter);

    const FinderRun plain = Find("--tsv --out " + Q(dir_ / "plain") + " " + Q(sample));
    ASSERT_EQ(plain.exit, 0) << plain.err;
    const FinderRun raw = Find("--tsv --out " + Q(dir_ / "raw") + " " + Q(dir_ / "GAME.cue"));
    ASSERT_EQ(raw.exit, 0) << raw.err;
    const auto plainOffsets = Offsets(plain.out);
    const auto rawOffsets = Offsets(raw.out);
    ASSERT_EQ(plainOffsets.size(), 9u);
    ASSERT_EQ(rawOffsets.size(), plainOffsets.size());
    for (std::size_t i = 0; i < plainOffsets.size(); ++i) {
        const long long s = plainOffsets[i];
        EXPECT_EQ(rawOffsets[i], static_cast<long long>(data[static_cast<std::size_t>(s / 2048)]) * 2352 + 24 + s % 2048);
        const std::string n = (i < 9 ? "_00" : "_0") + std::to_string(i + 1) + ".BMP";
        EXPECT_EQ(ReadBytes(dir_ / "raw" / ("GAME" + n)), ReadBytes(dir_ / "plain" / ("sample" + n))) << n;
    }
    EXPECT_NE(raw.out.find("GAME_001"), std::string::npos) << "titles come from the .bin";

    // The same file named directly: found raw automatically, or by --sectors raw; not with --sectors plain.
    EXPECT_EQ(Offsets(Find("--tsv " + Q(bin)).out), rawOffsets);
    EXPECT_EQ(Offsets(Find("--tsv --sectors raw " + Q(bin)).out), rawOffsets);
    const FinderRun forcedPlain = Find("--tsv --out " + Q(dir_ / "garbled") + " --sectors plain " + Q(bin));
    ASSERT_EQ(forcedPlain.exit, 0) << forcedPlain.err;
    ASSERT_TRUE(fs::is_regular_file(dir_ / "garbled" / "GAME_003.BMP"));
    EXPECT_NE(ReadBytes(dir_ / "garbled" / "GAME_003.BMP"), ReadBytes(dir_ / "plain" / "sample_003.BMP"))
        << "a picture larger than its sector is garbled when read plain";
    EXPECT_EQ(Find("--sectors sometimes " + Q(bin)).exit, 2);

    // A sheet naming a missing file: that file named on stderr, the others still searched, exit 2.
    std::ofstream(dir_ / "TWO.cue") << "FILE \"MISSING.BIN\" BINARY\n  TRACK 01 MODE2/2352\n"
                                    << "FILE \"GAME.BIN\" BINARY\n  TRACK 02 MODE2/2352\n";
    const FinderRun two = Find("--tsv " + Q(dir_ / "TWO.cue"));
    EXPECT_EQ(two.exit, 2);
    EXPECT_NE(two.err.find("MISSING.BIN: named by the cue sheet, but no such file"), std::string::npos) << two.err;
    EXPECT_EQ(Offsets(two.out), rawOffsets);
    std::ofstream(dir_ / "SELF.cue") << "FILE SELF.cue BINARY\n";
    const FinderRun self = Find(Q(dir_ / "SELF.cue"));
    EXPECT_EQ(self.exit, 2);
    EXPECT_NE(self.err.find("the cue sheet names itself"), std::string::npos) << self.err;
}


std::vector<std::vector<std::string>> TsvRows(const std::string& tsv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(tsv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        rows.push_back(fields);
    }
    return rows;
}

// A genisoimage disc as a .iso and as a raw BIN/CUE: each image is named by the
// file isoinfo's extents put it in, and exported and counted under that file.
TEST_F(FinderTest, DiscImagesNameTheFileOfEveryImage) {
    fs::create_directories(dir_ / "src");
    const auto placed = vorel::samples::WriteDiscSource((dir_ / "src").string());
    const fs::path iso = dir_ / "DISC.iso";
    ASSERT_TRUE(vorel::samples::MakeIso((dir_ / "src").string(), iso.string(), "-D -J"));
    bool ok = false;
    const auto listing = vorel::samples::ListWithIsoinfo(iso.string(), true, ok);
    ASSERT_TRUE(ok);
    const auto isoBytes = ReadBytes(iso);
    Write("GAME.BIN", vorel::samples::WrapRaw(isoBytes, {}));
    std::ofstream(dir_ / "GAME.cue") << vorel::samples::MakeCueSheet("GAME.BIN", vorel::samples::SectorKind::kMode2Form1);

    for (const auto& [file, sectorBytes, dataStart] : {std::tuple{iso, 2048LL, 0LL}, {dir_ / "GAME.cue", 2352LL, 24LL}}) {
        const FinderRun run = Find("--tsv " + Q(file));
        ASSERT_EQ(run.exit, 0) << run.err;
        EXPECT_EQ(run.err.find("disc files"), std::string::npos) << run.err;
        std::vector<std::string> named;
        for (const auto& row : TsvRows(run.out)) {
            ASSERT_EQ(row.size(), 10u);
            const long long offset = std::stoll(row[3]);
            std::string expected = "\t";
            for (const auto& e : listing) {
                const long long in = (offset / sectorBytes - e.firstSector) * 2048 + offset % sectorBytes - dataStart;
                if (offset / sectorBytes >= e.firstSector && in < e.size) expected = e.path + "\t" + std::to_string(in);
            }
            EXPECT_EQ(row[8] + "\t" + row[9], expected) << file << " " << offset;
            named.push_back(row[8] + "+" + row[9]);
        }
        for (const auto& p : placed)
            EXPECT_NE(std::find(named.begin(), named.end(), p.discPath + "+" + std::to_string(p.offset)), named.end())
                << file << " " << p.discPath;
    }
    const FinderRun plain = Find(Q(iso));
    EXPECT_NE(plain.out.find(" TEX/T003.TIM+0x1F0\n"), std::string::npos) << plain.out;

    // --files: every file with its first sector and size as isoinfo says, and its images.
    const FinderRun files = Find("--files --tsv " + Q(dir_ / "GAME.cue"));
    ASSERT_EQ(files.exit, 0) << files.err;
    for (const auto& e : listing) {
        const int images = e.path == "/BIG/DATA.BIN" ? 3 : e.path == "/TEX/T003.TIM" || e.path.ends_with("DEEP.BIN");
        const std::string line = e.path + "\t" + std::to_string(e.firstSector) + "\t" + std::to_string(e.size) + "\t" +
                                 std::to_string(images) + "\tdata\n";
        EXPECT_NE(files.out.find(line), std::string::npos) << line << files.out;
    }
    // --tree: the exports mirror the disc.
    const FinderRun tree = Find("--out " + Q(dir_ / "out") + " --tree " + Q(dir_ / "GAME.cue"));
    ASSERT_EQ(tree.exit, 0) << tree.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out" / "TEX" / "T003.TIM"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "out" / "BIG" / "DATA.BIN"), fs::directory_iterator()), 3);

    // A disc whose tree cannot be read: searched as before, the reason said once.
    auto broken = isoBytes;
    for (const int descriptor : {16, 17})  // the roots of both trees far beyond the end
        std::fill_n(broken.begin() + descriptor * 2048 + 156 + 2, 4, 0x7F);
    const FinderRun bad = Find("--tsv " + Q(Write("BROKEN.iso", broken)));
    EXPECT_EQ(bad.exit, 0);
    EXPECT_NE(bad.err.find("BROKEN.iso: disc files could not be named: a folder lies outside"), std::string::npos)
        << bad.err;
    for (const auto& row : TsvRows(bad.out)) EXPECT_EQ(row[8] + row[9], "");
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// --tree with disc paths Linux cannot create as they stand: 22 Joliet folders of
// 97 characters (4,279 bytes of UTF-8 in all) and a name of 103 three-byte
// characters. Each is shortened (the start kept), said once, and the pictures
// are the ones a plain export writes.
TEST_F(FinderTest, TreeExportShortensPathsLinuxCannotHold) {
    fs::create_directories(dir_ / "src");
    fs::create_directories(dir_ / "empty");
    std::string deep, longName = "/";
    for (int i = 0; i < 22 * 96; ++i) {
        if (i % 96 == 0) deep += '/';
        deep += i % 96 == 0 ? std::to_string(10 + i / 96) : std::string("\xC3\xA9");  // é
    }
    for (int k = 0; k < 103; ++k) longName += "\xE3\x83\x86";  // テ
    Write("src/a.bin", vorel::samples::MakeTim(8, 16, 8, 1, 2));
    Write("src/b.bin", vorel::samples::MakeTim(8, 16, 8, 1, 3));
    const std::string graft = "'" + deep + "/DEEP.TIM=" + (dir_ / "src/a.bin").string() + "' '" + longName + "=" +
                              (dir_ / "src/b.bin").string() + "'";
    const fs::path iso = dir_ / "LONG.iso";
    ASSERT_TRUE(vorel::samples::MakeIso((dir_ / "empty").string(), iso.string(),
                                        "-J -joliet-long -D -input-charset utf-8 -graft-points", graft));

    const FinderRun tree = Find("--out " + Q(dir_ / "tree") + " --tree " + Q(iso));
    ASSERT_EQ(tree.exit, 0) << tree.err;
    EXPECT_EQ(Count(tree.err, "shortened"), 1u) << tree.err;
    ASSERT_EQ(Find("--out " + Q(dir_ / "flat") + " " + Q(iso)).exit, 0);
    std::vector<fs::path> written;
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "tree")) if (e.is_regular_file()) written.push_back(e.path());
    ASSERT_EQ(written.size(), 2u);
    for (const fs::path& file : written) {
        EXPECT_LE(file.string().size(), 4095u) << file;
        for (const auto& part : file) EXPECT_LE(part.string().size(), 255u) << file;
        EXPECT_EQ(ReadBytes(file), ReadBytes(dir_ / "flat" / file.filename())) << file;
    }
    // The start of each path is kept: the first folders whole, the start of the long name.
    const std::string first = fs::relative(written[0], dir_ / "tree").string() + fs::relative(written[1], dir_ / "tree").string();
    EXPECT_NE(first.find(deep.substr(1, 2 * 200)), std::string::npos) << first;
    EXPECT_NE(first.find(longName.substr(1, 3 * 80)), std::string::npos) << first;
}

// A disc whose files cannot be named says why, once, naming the bound or the
// damage really met; the images are found as in any file.
TEST_F(FinderTest, EveryUnnamedDiscSaysWhyOnce) {
    fs::create_directories(dir_ / "src");
    vorel::samples::WriteDiscSource((dir_ / "src").string());
    const fs::path iso = dir_ / "DISC.iso";
    ASSERT_TRUE(vorel::samples::MakeIso((dir_ / "src").string(), iso.string(), "-D"));
    const auto good = ReadBytes(iso);
    constexpr std::size_t kPrimary = 16 * 2048;
    constexpr std::size_t kRoot = kPrimary + 156;
    const auto both32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = b[at + 7 - i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    struct Case {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* reason;
    };
    const Case cases[] = {
        {"ZERO_ROOT", [&](auto& b) { both32(b, kRoot + 2, 0), both32(b, kRoot + 10, 0); },
         "the volume descriptor names no root folder"},
        {"ZEROED", [](auto& b) { std::fill(b.begin() + kPrimary + 7, b.begin() + kPrimary + 2048, 0); },
         "the volume descriptor names no root folder"},
        {"VERSION3", [](auto& b) { b[kPrimary + 6] = 3; }, "the volume descriptor at sector 16 has an unknown version"},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        c.damage(bytes);
        const fs::path file = Write(std::string(c.name) + ".iso", bytes);
        const FinderRun run = Find("--tsv " + Q(file));
        EXPECT_EQ(run.exit, 0) << c.name << run.err;
        EXPECT_EQ(Count(run.err, "disc files could not be named"), 1u) << c.name << run.err;
        EXPECT_NE(run.err.find(std::string(c.name) + ".iso: disc files could not be named: " + c.reason), std::string::npos)
            << c.name << run.err;
        EXPECT_EQ(TsvRows(run.out).size(), 5u) << c.name;
    }
}

}  // namespace
