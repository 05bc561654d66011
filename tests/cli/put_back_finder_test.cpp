// vorel-find --replace and --import as a user runs them: export, put back
// unchanged (every file byte-identical, in every format), edit a picture that
// crosses sector ends of a raw BIN/CUE and put it back, all or nothing.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "sample_builders/cd_sectors.h"
#include "sample_builders/sample_builders.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string Q(const fs::path& p) {
    std::string quoted(1, '"');  // built up piece by piece: GCC 12 warns wrongly about "\"" + s + "\""
    quoted += p.string();
    quoted += '"';
    return quoted;
}

class PutBackFinderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vorel-put-back-XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Exit status and stdout of `vorel-find ARGS`.
    std::pair<int, std::string> Find(const std::string& args) {
        const fs::path out = dir_ / "stdout.txt";
        const int status = std::system((std::string("\"") + VOREL_FIND_EXE + "\" " + args + " >" + Q(out) + " 2>/dev/null").c_str());
        std::stringstream s;
        s << std::ifstream(out).rdbuf();
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, s.str()};
    }

    static std::vector<std::string> Lines(const std::string& text) {
        std::vector<std::string> lines;
        std::stringstream s(text);
        for (std::string line; std::getline(s, line);) lines.push_back(line);
        return lines;
    }

    // ImageMagick's negative of out/NAME as dir_/TO; the exit status of convert.
    int Negate(const std::string& name, const std::string& to) {
        return std::system(("convert " + Q(dir_ / name) + " -negate " + Q(dir_ / to)).c_str());
    }

    // The sample copied into `folder` and exported as bitmaps (dir_/out); image 3 negated as dir_/neg.bmp.
    fs::path SampleWithANegatedPicture(const fs::path& folder) {
        fs::create_directories(folder);
        fs::copy_file(fs::path(VOREL_TEST_DATA_DIR) / "../../samples/sample.bin", folder / "sample.bin");
        EXPECT_EQ(Find("--out " + Q(dir_ / "out") + " --format bmp " + Q(folder / "sample.bin")).first, 0);
        EXPECT_EQ(Negate("out/sample_003.BMP", "neg.bmp"), 0);
        return folder / "sample.bin";
    }

    fs::path dir_;
};

// Export in every format and import again: every picture unchanged, every file as it was.
TEST_F(PutBackFinderTest, ExportedPicturesPutBackLeaveEveryFileByteIdentical) {
    std::vector<fs::path> sources = {fs::path(VOREL_TEST_DATA_DIR) / "../../samples/sample.bin"};
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"})
        sources.push_back(fs::path(VOREL_TEST_DATA_DIR) / "corpus" / (std::string(name) + ".tim"));
    for (const fs::path& source : sources) {
        const fs::path file = dir_ / source.filename();
        fs::copy_file(source, file, fs::copy_options::overwrite_existing);
        const auto before = Bytes(file);
        for (const char* format : {"png", "bmp", "tif"}) {
            // TIFF keeps a 1-bit picture in black and white, which "palette too" then rightly takes.
            for (const char* extra : {"", std::string(format) == "tif" ? "" : "--with-palette "}) {
                SCOPED_TRACE(file.string() + " " + format + " " + extra);
                const fs::path out = dir_ / (std::string("out-") + format);
                fs::remove_all(out);
                ASSERT_EQ(Find("--palettes --out " + Q(out) + " --format " + format + " " + Q(file)).first, 0);
                const auto [status, text] = Find("--palettes --import " + Q(out) + " " + extra + Q(file));
                EXPECT_EQ(status, 0) << text;
                const auto lines = Lines(text);
                EXPECT_EQ(lines.size(), static_cast<std::size_t>(std::distance(fs::directory_iterator(out), fs::directory_iterator())));
                for (const std::string& line : lines) EXPECT_EQ(line.rfind("unchanged\t", 0), 0u) << line;
                EXPECT_EQ(Bytes(file), before);
            }
        }
    }
}

// A TIM crossing sector ends of a raw BIN/CUE, edited and put back: the image
// reads back as edited, every data sector passes its EDC check, and only the
// sectors holding the image changed.
TEST_F(PutBackFinderTest, PictureAcrossSectorsOfABinCueIsPutBackAndSealed) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    std::vector<std::uint8_t> payload(30000, 0x5A);
    const auto tim = vorel::samples::MakeTim(2, 80, 40);
    std::copy(tim.begin(), tim.end(), payload.begin() + 3000);
    vorel::samples::RawLayout layout;
    layout.form2Every = 4;
    layout.audioAfter = 3;
    const auto image = vorel::samples::WrapRaw(payload, layout);
    Save(dir_ / "GAME.BIN", image);
    std::ofstream(dir_ / "GAME.CUE") << vorel::samples::MakeCueSheet("GAME.BIN", vorel::samples::SectorKind::kMode2Form1);
    ASSERT_EQ(Find("--out " + Q(dir_ / "out") + " --format png " + Q(dir_ / "GAME.CUE")).first, 0);
    ASSERT_TRUE(fs::exists(dir_ / "out/GAME_001.PNG"));
    // A colour the 16-bit TIM holds exactly (each channel v * 8 + v / 4).
    ASSERT_EQ(std::system(("convert " + Q(dir_ / "out/GAME_001.PNG") + " -fill '#ffa510' -draw 'rectangle 5,5 70,30' " +
                           Q(dir_ / "edited.png")).c_str()), 0);

    auto [status, text] = Find("--replace GAME_001=" + Q(dir_ / "edited.png") + " " + Q(dir_ / "GAME.CUE"));
    ASSERT_EQ(status, 0) << text;
    EXPECT_EQ(text.rfind("replaced\tGAME_001\t", 0), 0u) << text;

    // Read back: the image exported again is the edited picture.
    ASSERT_EQ(Find("--out " + Q(dir_ / "again") + " --format png " + Q(dir_ / "GAME.CUE")).first, 0);
    EXPECT_EQ(std::system(("compare -metric AE " + Q(dir_ / "edited.png") + " " + Q(dir_ / "again/GAME_001.PNG") +
                           " null: 2>/dev/null").c_str()), 0);
    // Sealed: every Form 1 sector's EDC holds; only the sectors holding the picture differ.
    const auto after = Bytes(dir_ / "GAME.BIN");
    ASSERT_EQ(after.size(), image.size());
    int changed = 0;
    for (std::size_t s = 0; s < image.size() / 2352; ++s) {
        const std::uint8_t* sector = after.data() + s * 2352;
        const bool differs = !std::equal(sector, sector + 2352, image.data() + s * 2352);
        changed += differs ? 1 : 0;
        if (sector[15] == 2 && (sector[18] & 0x20) == 0) {
            const std::uint32_t edc = sector[2072] | sector[2073] << 8 | sector[2074] << 16 | static_cast<std::uint32_t>(sector[2075]) << 24;
            EXPECT_EQ(vorel::samples::CdEdc(sector + 16, 2056), edc) << "sector " << s;
        }
        // The picture lies in stream bytes 3,020 to 9,419: data sectors 1 to 4 (file sectors 1, 2, 4, 5).
        if (differs) {
            EXPECT_TRUE(s == 1 || s == 2 || s == 4 || s == 5) << "sector " << s;
        }
    }
    EXPECT_GE(changed, 3);
}

// Any refusal: nothing is written, exit status 2, one line per picture.
TEST_F(PutBackFinderTest, OneRefusalWritesNothing) {
    const fs::path file = dir_ / "sample.bin";
    fs::copy_file(fs::path(VOREL_TEST_DATA_DIR) / "../../samples/sample.bin", file);
    const auto before = Bytes(file);
    ASSERT_EQ(Find("--out " + Q(dir_ / "out") + " --format bmp " + Q(file)).first, 0);
    ASSERT_EQ(std::system(("convert " + Q(dir_ / "out/sample_003.BMP") + " -negate " + Q(dir_ / "neg.bmp")).c_str()), 0);
    const auto [status, text] = Find("--replace sample_003=" + Q(dir_ / "neg.bmp") + " --replace sample_004=" +
                                     Q(dir_ / "neg.bmp") + " --replace sample_099=" + Q(dir_ / "neg.bmp") + " " + Q(file));
    EXPECT_EQ(status, 2);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[0].rfind("not-written\tsample_003", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("refused\tsample_004", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("240 x 80"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2].rfind("refused\tsample_099", 0), 0u) << lines[2];
    EXPECT_EQ(Bytes(file), before);

    const auto dry = Find("--dry-run --replace sample_003=" + Q(dir_ / "neg.bmp") + " " + Q(file));
    EXPECT_EQ(dry.first, 0);
    EXPECT_EQ(dry.second.rfind("would-replace\tsample_003", 0), 0u) << dry.second;
    EXPECT_EQ(Bytes(file), before);

    // --import passes over a file named after no image, and puts the edited one back.
    fs::create_directory(dir_ / "edits");
    fs::copy_file(dir_ / "neg.bmp", dir_ / "edits/SAMPLE_003.bmp");
    fs::copy_file(dir_ / "neg.bmp", dir_ / "edits/notes.png");
    const auto imported = Find("--import " + Q(dir_ / "edits") + " " + Q(file));
    EXPECT_EQ(imported.first, 0) << imported.second;
    EXPECT_NE(imported.second.find("replaced\tSAMPLE_003\t"), std::string::npos) << imported.second;
    EXPECT_NE(imported.second.find("skipped\tnotes\t"), std::string::npos) << imported.second;
    EXPECT_NE(Bytes(file), before);
}

std::string Read(const fs::path& path) {
    std::stringstream s;
    s << std::ifstream(path).rdbuf();
    return s.str();
}

// What each refusal says: a missing FILE or a folder, too little space (found by
// --dry-run too, with what is needed and free); and a rewritten palette is not
// said to have sent pixels to their nearest colour.
TEST_F(PutBackFinderTest, MessagesSayWhy) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    const fs::path file = SampleWithANegatedPicture(dir_);
    const auto before = Bytes(file);
    ASSERT_EQ(Negate("out/sample_006.BMP", "neg6.bmp"), 0);
    const std::string replace = "--replace sample_003=" + Q(dir_ / "neg.bmp") + " ";
    const struct {
        const char* what;
        std::string args;
        const char* fault;  // VOREL_TEST_REWRITE_FAULT, or ""
        int status;
        const char* said;  // on stdout or stderr
        const char* notSaid;
    } cases[] = {
        {"FILE missing", replace + Q(dir_ / "missing.bin"), "", 2, "missing.bin: no such file", "no image of that title"},
        {"FILE a folder", replace + Q(dir_ / "out"), "", 2, "out: is a folder", "no image of that title"},
        {"no space, dry run", "--dry-run " + replace + Q(file), "no-space", 2, "MB needed, 0 bytes free", "would-replace"},
        {"palette rewritten", "--dry-run --with-palette --replace sample_006=" + Q(dir_ / "neg6.bmp") + " " + Q(file),
         "", 0, "12 colours, palette rewritten", "nearest"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path out = dir_ / "out.txt";
        const int status = std::system(("VOREL_TEST_REWRITE_FAULT=" + std::string(c.fault) + " \"" + VOREL_FIND_EXE +
                                        "\" " + c.args + " >" + Q(out) + " 2>&1").c_str());
        const std::string text = Read(out);
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status) << text;
        EXPECT_NE(text.find(c.said), std::string::npos) << text;
        EXPECT_EQ(text.find(c.notSaid), std::string::npos) << text;
        EXPECT_EQ(Bytes(file), before);
    }
}

// A signal during a replace, at the moments a copy has a name on disk: Ctrl+C
// stops the run (exit 130, nothing written), SIGTERM and SIGHUP end it; either
// way the file is as it was and nothing is left beside it.
TEST_F(PutBackFinderTest, SignalDuringAReplaceWritesNothingAndLeavesNothing) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    const fs::path file = SampleWithANegatedPicture(dir_ / "game");
    const auto before = Bytes(file);
    const auto entries = [&] { return std::distance(fs::directory_iterator(dir_ / "game"), fs::directory_iterator()); };
    // The copy under a hidden name as it is made, or named just before the rename.
    for (const auto& [signal, moment] : std::initializer_list<std::pair<int, const char*>>{
             {SIGINT, "pause-copy"}, {SIGINT, "pause-rename"}, {SIGTERM, "pause-copy"}, {SIGTERM, "pause-rename"},
             {SIGHUP, "pause-rename"}}) {
        SCOPED_TRACE(std::string(strsignal(signal)) + " at " + moment);
        int err[2];
        ASSERT_EQ(::pipe(err), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(err[1], STDERR_FILENO);
            ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
            ::setenv("VOREL_TEST_REWRITE_FAULT", moment, 1);
            const std::string picture = "sample_003=" + (dir_ / "neg.bmp").string();
            ::execl(VOREL_FIND_EXE, VOREL_FIND_EXE, "--replace", picture.c_str(), file.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(err[1]);
        std::string said;
        char ch = 0;
        while (said.find("rewrite paused") == std::string::npos && ::read(err[0], &ch, 1) == 1) said += ch;
        ASSERT_NE(said.find("rewrite paused"), std::string::npos) << said;
        EXPECT_EQ(entries(), 2) << "the copy has a name now";
        ASSERT_EQ(::kill(pid, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        while (::read(err[0], &ch, 1) == 1) said += ch;
        ::close(err[0]);
        const bool stopped = WIFEXITED(status) && WEXITSTATUS(status) == 130 && said.find("interrupted") != std::string::npos;
        EXPECT_TRUE(signal == SIGINT ? stopped : WIFSIGNALED(status) && WTERMSIG(status) == signal) << said;
        EXPECT_EQ(Bytes(file), before);
        EXPECT_EQ(entries(), 1) << "only the file";
    }
}

// Titles follow the rules a search used: a PNG exported under the strict rules
// as image 1 names its own offset and kind, and is refused when image 1 of a
// search under the real-game rules is another TIM of the same size.
TEST_F(PutBackFinderTest, PictureExportedFromAnotherImageIsRefused) {
    using vorel::samples::MakeTim;
    std::vector<std::uint8_t> wideOnly = MakeTim(2, 16, 8, 1, 9);
    wideOnly[8] += 2;  // an image block 2 bytes longer than its pixels
    wideOnly.insert(wideOnly.end(), {0, 0});
    const std::vector<std::uint8_t> gap(16, 0);
    std::vector<std::uint8_t> bytes = gap;
    for (const auto& part : {wideOnly, gap, MakeTim(2, 16, 8, 1, 3), gap, MakeTim(2, 16, 8, 1, 5), gap})
        bytes.insert(bytes.end(), part.begin(), part.end());
    const std::size_t strictFirst = 16 + wideOnly.size() + 16;
    const fs::path file = dir_ / "mixed.bin";
    Save(file, bytes);

    ASSERT_EQ(Find("--strict-tim --out " + Q(dir_ / "out") + " --format png " + Q(file)).first, 0);
    const fs::path png = dir_ / "out/mixed_001.PNG";
    // The chunk as ImageMagick reads it (Qt compresses a long text into zTXt).
    const fs::path chunk = dir_ / "chunk.txt";
    ASSERT_EQ(std::system(("identify -format '%[Vorel-Source]' " + Q(png) + " >" + Q(chunk)).c_str()), 0);
    EXPECT_EQ(Read(chunk), "offset=" + std::to_string(strictFirst) +
                              "; kind=TIM16; width=16; height=8; bytes=276; palette=0; alpha=0; file=mixed.bin");

    const auto [status, out] = Find("--replace mixed_001=" + Q(png) + " " + Q(file));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(out.rfind("refused\tmixed_001\t", 0), 0u) << out;
    EXPECT_NE(out.find("exported from another image (mixed.bin, offset " + std::to_string(strictFirst) +
                       ", TIM16), not from this one (offset 16, TIM16)"),
              std::string::npos)
        << out;
    EXPECT_EQ(Bytes(file), bytes);

    // Under the rules it was exported with, it is the very image.
    const auto same = Find("--strict-tim --replace mixed_001=" + Q(png) + " " + Q(file));
    EXPECT_EQ(same.first, 0) << same.second;
    EXPECT_EQ(same.second.rfind("unchanged\tmixed_001\t", 0), 0u) << same.second;
    // A picture that lost the chunk is judged by its size alone, as before.
    ASSERT_EQ(std::system(("convert " + Q(png) + " -strip " + Q(dir_ / "stripped.png")).c_str()), 0);
    const auto stripped = Find("--dry-run --replace mixed_001=" + Q(dir_ / "stripped.png") + " " + Q(file));
    EXPECT_EQ(stripped.second.rfind("would-replace\tmixed_001\t", 0), 0u) << stripped.second;
}

}  // namespace
