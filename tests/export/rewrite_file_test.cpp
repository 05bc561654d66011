// Rewriting a searched file: pictures put back unchanged leave every file byte
// for byte as it was, edited ones read back as an independent decoder sees them,
// a raw image patched across sector ends equals the same edit wrapped by the
// sector builder, and every refusal and failure leaves the old file whole.
#include "export/rewrite_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "docview/hit_test_support.h"
#include "export/put_back.h"
#include "export/replacement_file.h"
#include "export_test_support.h"
#include "put_back_support.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/file_flags.h"
#include "sample_builders/sample_builders.h"
#include "search/scan_support.h"

namespace vorel {
namespace {

using put_back_test::FoundImage;
using put_back_test::PictureOfHit;
using put_back_test::SearchImages;
using testing::ReadAll;
using testing::RunCommand;
using testing::ScratchDir;
using testing::ShellQuote;
using testing::WriteAll;

std::vector<std::uint8_t> Bytes(const std::string& path) { return ReadAll(path).value_or(std::vector<std::uint8_t>{}); }

ImagePatch PatchOf(const FoundImage& image, const PictureRgba& picture, bool paletteToo = false) {
    const Conversion c = ConvertPicture(image.state, picture, paletteToo);
    EXPECT_EQ(c.outcome, ConvertOutcome::kConverted) << image.name;
    return {image.record, c.bytes};
}

std::string CopyIn(const ScratchDir& dir, const std::string& from, const std::string& name) {
    const std::string to = dir.File(name);
    EXPECT_TRUE(WriteAll(to, Bytes(from)));
    return to;
}

// Every image of the sample and each real TIM, put back as exported: the file is byte-identical.
TEST(RewriteFileTest, UnchangedPicturesLeaveEveryFileAsItWas) {
    ScratchDir dir;
    std::vector<std::string> files = {CopyIn(dir, std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin", "sample.bin")};
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"})
        files.push_back(CopyIn(dir, std::string(VOREL_TEST_DATA_DIR) + "/corpus/" + name + ".tim", std::string(name) + ".tim"));
    for (const std::string& file : files) {
        const auto before = Bytes(file);
        const auto images = SearchImages(file);
        ASSERT_FALSE(images.empty()) << file;
        std::vector<ImagePatch> patches;
        for (const FoundImage& image : images) patches.push_back(PatchOf(image, PictureOfHit(image.state)));
        EXPECT_EQ(RewriteImages(patches), RewriteOutcome::kRewritten) << file;
        EXPECT_EQ(Bytes(file), before) << file;
    }
    EXPECT_EQ(dir.Entries().size(), files.size()) << "nothing left beside the files";
}

// Edited pictures put back into real TIMs, read by ImageMagick: the edited picture.
TEST(RewriteFileTest, EditedPicturesReadBackAsImageMagickSeesThem) {
    ScratchDir dir;
    struct Edit {
        const char* name;
        bool paletteToo;
        std::function<void(PictureRgba&)> apply;
    };
    const std::vector<Edit> edits = {
        // A colour changed: every pixel of the first palette colour takes the second one's.
        {"ball16c", false, [](PictureRgba& p) {
             for (std::size_t i = 0; i < p.pixels.size(); i += 4)
                 if (std::equal(p.pixels.begin() + i, p.pixels.begin() + i + 3, p.palette[0].begin()))
                     std::copy(p.palette[1].begin(), p.palette[1].begin() + 3, p.pixels.begin() + i);
         }},
        // Text painted: a bar of strokes in a palette colour.
        {"lamelotl16c", false, [](PictureRgba& p) {
             for (int y = 40; y < 60; ++y)
                 for (int x = 10; x < 180; ++x)
                     if ((x / 3 + y / 5) % 4 == 0) std::copy(p.palette[3].begin(), p.palette[3].begin() + 3, p.pixels.begin() + 4 * (y * p.width + x));
         }},
        // A palette swapped: the same picture with its palette reversed (and its colours swapped round).
        {"bungirl", true, [](PictureRgba& p) {
             std::reverse(p.palette.begin(), p.palette.end());
             for (std::size_t i = 0; i < p.pixels.size(); i += 4) std::swap(p.pixels[i], p.pixels[i + 2]);
             for (auto& c : p.palette) std::swap(c[0], c[2]);
         }},
        // Direct colour: a painted gradient band in colours of any value.
        {"bunpattern", false, [](PictureRgba& p) {
             for (int y = 100; y < 140; ++y)
                 for (int x = 0; x < p.width; ++x) {
                     std::uint8_t* px = p.pixels.data() + 4 * (y * p.width + x);
                     px[0] = static_cast<std::uint8_t>(x);
                     px[1] = static_cast<std::uint8_t>(y * 3);
                     px[2] = static_cast<std::uint8_t>(255 - x / 3);
                 }
         }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        const std::string file = CopyIn(dir, std::string(VOREL_TEST_DATA_DIR) + "/corpus/" + edit.name + ".tim", std::string(edit.name) + ".tim");
        const auto images = SearchImages(file);
        ASSERT_EQ(images.size(), 1u);
        PictureRgba picture = PictureOfHit(images[0].state);
        edit.apply(picture);
        const ImagePatch patch = PatchOf(images[0], picture, edit.paletteToo);
        ASSERT_NE(patch.bytes, std::vector<std::uint8_t>(images[0].state.Hit().begin(), images[0].state.Hit().end()));
        ASSERT_EQ(RewriteImages({&patch, 1}), RewriteOutcome::kRewritten);
        const auto decoded = hit_support::DecodeFileWithImageMagick(file);
        ASSERT_TRUE(decoded.has_value());
        hit_support::RgbImage expected{picture.width, picture.height, {}};
        for (std::size_t i = 0; i < picture.pixels.size(); i += 4)
            expected.rgb.insert(expected.rgb.end(), picture.pixels.begin() + i, picture.pixels.begin() + i + 3);
        EXPECT_EQ(*decoded, expected) << hit_support::FirstDifference(*decoded, expected);
    }
}

// A TIM and a bitmap crossing sector ends in a raw image, replaced together: the
// result is the edited plain payload wrapped by the sector builder, byte for byte.
TEST(RewriteFileTest, RawImageEqualsTheEditedPayloadWrapped) {
    for (const auto kind : {samples::SectorKind::kMode2Form1, samples::SectorKind::kMode1}) {
        ScratchDir dir;
        auto payload = test::Filler(24000);
        test::Place(payload, 2040, samples::MakeTim(2, 64, 40));
        test::Place(payload, 13000, samples::MakeDib(8, 44, 30));
        samples::RawLayout layout;
        layout.dataKind = kind;
        layout.form2Every = kind == samples::SectorKind::kMode1 ? 0 : 3;
        layout.audioAfter = 2;
        const std::string file = dir.File("disc.bin");
        ASSERT_TRUE(WriteAll(file, samples::WrapRaw(payload, layout)));
        const auto images = SearchImages(file, 1);
        ASSERT_EQ(images.size(), 2u);
        std::vector<ImagePatch> patches;
        for (const FoundImage& image : images) {
            PictureRgba picture = PictureOfHit(image.state);
            for (std::size_t i = 0; i < picture.pixels.size(); i += 4 * 7) picture.pixels[i] ^= 0xFF;
            patches.push_back(PatchOf(image, picture));
            test::Place(payload, static_cast<std::size_t>(image.record.streamOffset), patches.back().bytes);
        }
        ASSERT_EQ(RewriteImages(patches), RewriteOutcome::kRewritten);
        EXPECT_EQ(Bytes(file), samples::WrapRaw(payload, layout));
    }
}

// Refusals and failures: the file stays byte for byte, nothing is left beside it,
// the message gives the reason, and a dry check finds every refusal it can.
TEST(RewriteFileTest, RefusalsAndFailuresLeaveTheFileWhole) {
    struct Case {
        const char* what;
        RewriteOutcome expected;
        std::function<void(const std::string& file)> prepare;
        RewriteFault fault = RewriteFault::kNone;
        const char* message = "";  // a part of RewriteMessage
        std::function<void(const std::string& file)> cleanup = nullptr;
    };
    const auto stop = [](const std::string&) { RequestRewriteStop(); };
    const auto go = [](const std::string&) { ClearRewriteStop(); };
    const std::vector<Case> cases = {
        {"changed since the search", RewriteOutcome::kFileChanged,
         [](const std::string& f) {
             struct timespec times[2] = {{0, UTIME_OMIT}, {1000, 0}};
             ::utimensat(AT_FDCWD, f.c_str(), times, 0);
         }},
        {"grown since the search", RewriteOutcome::kFileChanged,
         [](const std::string& f) { ::truncate(f.c_str(), 300000); }},
        {"read-only", RewriteOutcome::kReadOnlyFile, [](const std::string& f) { ::chmod(f.c_str(), 0444); }},
        {"two names", RewriteOutcome::kHardLinks, [](const std::string& f) { ::link(f.c_str(), (f + ".also").c_str()); }},
        {"read-only file system", RewriteOutcome::kReadOnlyFileSystem, nullptr, RewriteFault::kReadOnlyFileSystem},
        {"no space for a copy", RewriteOutcome::kNoSpace, nullptr, RewriteFault::kNoSpace, "MB needed, 0 bytes free"},
        {"copy fails half way", RewriteOutcome::kWriteFailed, nullptr, RewriteFault::kCopyFails, "written: No space left on device"},
        {"read back differs", RewriteOutcome::kCheckFailed, nullptr, RewriteFault::kCheckMismatch},
        {"fault before the rename", RewriteOutcome::kWriteFailed, nullptr, RewriteFault::kBeforeRename, "Input/output error"},
        {"append-only", RewriteOutcome::kAppendOnly, nullptr, RewriteFault::kNone, "append-only",
         [](const std::string& f) { samples::SetAppendOnly(f, false); }},
        {"an attribute cannot be copied", RewriteOutcome::kAttributesNotCopied,
         [](const std::string& f) { ::setxattr(f.c_str(), "user.vorel.note", "kept", 4, 0); }, RewriteFault::kAttributesFail,
         "Operation not supported"},
        {"stop requested", RewriteOutcome::kInterrupted, stop, RewriteFault::kNone, "interrupted", go},
        {"stop requested, hidden name", RewriteOutcome::kInterrupted, stop, RewriteFault::kNoUnnamedFile, "interrupted", go},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const std::string file = CopyIn(dir, std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin", "sample.bin");
        const auto images = SearchImages(file);
        ASSERT_FALSE(images.empty());
        PictureRgba picture = PictureOfHit(images[2].state);
        picture.pixels[0] ^= 0x80;
        const ImagePatch patch = PatchOf(images[2], picture);
        if (c.prepare) c.prepare(file);
        if (c.expected == RewriteOutcome::kAppendOnly && !samples::SetAppendOnly(file, true)) {
            std::printf("append-only case passed over: chattr +a is not allowed here\n");
            continue;
        }
        const auto before = Bytes(file);
        const auto entries = dir.Entries();
        {
            // The reflink would make the copy steps unreachable on file systems that clone.
            const ScopedRewriteFault fault(c.fault == RewriteFault::kNone ? RewriteFault::kNoReflink : c.fault);
            RewriteReport report;
            // Only what goes wrong while writing is beyond the check.
            const bool whileWriting = c.expected == RewriteOutcome::kWriteFailed || c.expected == RewriteOutcome::kCheckFailed;
            EXPECT_EQ(CheckRewrite({&patch, 1}, &report), whileWriting ? RewriteOutcome::kRewritten : c.expected);
            EXPECT_EQ(dir.Entries(), entries);
            EXPECT_EQ(RewriteImages({&patch, 1}, &report), c.expected);
            EXPECT_NE(RewriteMessage(c.expected, report).find(c.message), std::string::npos)
                << RewriteMessage(c.expected, report);
        }
        if (c.cleanup) c.cleanup(file);
        EXPECT_EQ(Bytes(file), before);
        EXPECT_EQ(dir.Entries(), entries);
    }
}

// A file with a POSIX ACL and an extended attribute, in a folder whose default
// ACL would give a new file another one: getfacl prints what it printed before,
// and the attribute is there, whether the copy had a name or not.
TEST(RewriteFileTest, AclAndExtendedAttributesAreKept) {
    if (RunCommand("command -v setfacl && command -v getfacl").exitCode != 0)
        GTEST_SKIP() << "setfacl and getfacl (package acl) are not installed";
    for (const RewriteFault fault : {RewriteFault::kNone, RewriteFault::kNoUnnamedFile}) {
        ScratchDir dir;
        const std::string file = CopyIn(dir, std::string(VOREL_TEST_DATA_DIR) + "/corpus/ball16c.tim", "ball.tim");
        const auto set = RunCommand("setfacl -m u:nobody:rw-,g:nogroup:r--,m::rw- " + ShellQuote(file) +
                                    " && setfacl -d -m u:daemon:rwx " + ShellQuote(dir.Path()));
        if (set.exitCode != 0) GTEST_SKIP() << "the file system of " << dir.Path() << " refuses ACLs: " << set.err;
        if (::setxattr(file.c_str(), "user.vorel.note", "kept", 4, 0) != 0)
            GTEST_SKIP() << "the file system of " << dir.Path() << " refuses user attributes";
        const std::string getfacl = "cd " + ShellQuote(dir.Path()) + " && getfacl -n ball.tim";
        const auto before = RunCommand(getfacl);
        ASSERT_NE(before.out.find("user:65534:rw-"), std::string::npos) << before.out;

        const auto images = SearchImages(file);
        ASSERT_EQ(images.size(), 1u);
        PictureRgba picture = PictureOfHit(images[0].state);
        std::copy(picture.palette[2].begin(), picture.palette[2].end(), picture.pixels.begin());
        const ImagePatch patch = PatchOf(images[0], picture);
        const ScopedRewriteFault faulty(fault);
        ASSERT_EQ(RewriteImages({&patch, 1}), RewriteOutcome::kRewritten);
        EXPECT_EQ(RunCommand(getfacl).out, before.out);
        char value[16] = {};
        EXPECT_EQ(::getxattr(file.c_str(), "user.vorel.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"ball.tim"});
    }
}

// A sparse file (the sample 24 MiB into 40 MiB of holes) copied without a clone,
// by a user without root's powers (the unnamed copy named through /proc): the new
// file takes no more blocks than the old one (du), and holds the edit.
TEST(RewriteFileTest, SparseFileStaysSparse) {
    constexpr std::size_t kAt = std::size_t{24} << 20;
    constexpr std::size_t kSize = std::size_t{40} << 20;
    ScratchDir dir;
    const std::string file = dir.File("sparse.bin");
    const auto sample = Bytes(std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin");
    std::ofstream(file, std::ios::binary).seekp(kAt).write(reinterpret_cast<const char*>(sample.data()), sample.size());
    std::filesystem::resize_file(file, kSize);
    const std::string du = "du -B1 " + ShellQuote(file) + " | cut -f1";
    const long long before = std::stoll(RunCommand(du).out);
    if (before > static_cast<long long>(kSize / 2)) GTEST_SKIP() << "the file system of " << dir.Path() << " keeps no holes";

    const auto images = SearchImages(file);
    ASSERT_GT(images.size(), 2u);
    PictureRgba picture = PictureOfHit(images[2].state);
    for (std::size_t i = 0; i < picture.pixels.size(); i += 12) picture.pixels[i] ^= 0x80;
    const ImagePatch patch = PatchOf(images[2], picture);
    testing::OpenUpForOthers(dir.Path(), true);
    ::chmod(file.c_str(), 0666);
    const int outcome = testing::RunUnprivileged([&] {
        const ScopedRewriteFault fault(RewriteFault::kNoReflink);
        return static_cast<int>(RewriteImages({&patch, 1}));
    });
    ASSERT_EQ(outcome, static_cast<int>(RewriteOutcome::kRewritten));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"sparse.bin"});
    EXPECT_LE(std::stoll(RunCommand(du).out), before + 65536);
    std::vector<std::uint8_t> expected(kSize, 0);
    std::copy(sample.begin(), sample.end(), expected.begin() + kAt);
    std::copy(patch.bytes.begin(), patch.bytes.end(), expected.begin() + images[2].record.streamOffset);
    EXPECT_TRUE(Bytes(file) == expected);
}

// A TIM cut off by the end of its file (a hostile input the search still shows): the pixels past
// the end cannot be written, so an edit reaching them is refused and the file stays.
TEST(RewriteFileTest, ImageCutOffByTheEndOfTheFileIsRefused) {
    ScratchDir dir;
    const std::string file = CopyIn(dir, std::string(VOREL_SOURCE_DIR) + "/tests/regressions/tim_pixels_past_end_of_file.bin", "cut.bin");
    const auto before = Bytes(file);
    const auto images = SearchImages(file);
    ASSERT_EQ(images.size(), 1u);
    PictureRgba picture = PictureOfHit(images[0].state);
    for (std::size_t i = 0; i < picture.pixels.size(); i += 4) picture.pixels[i] ^= 0x80;
    const ImagePatch patch = PatchOf(images[0], picture);
    EXPECT_EQ(RewriteImages({&patch, 1}), RewriteOutcome::kPastEndOfFile);
    EXPECT_EQ(Bytes(file), before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"cut.bin"});
}

// Through a symbolic link the file it points to is replaced and keeps its mode; the link stays a link.
TEST(RewriteFileTest, LinkTargetIsReplacedAndKeepsItsMode) {
    ScratchDir dir;
    const std::string file = CopyIn(dir, std::string(VOREL_TEST_DATA_DIR) + "/corpus/ball16c.tim", "ball.tim");
    ::chmod(file.c_str(), 0640);
    const std::string link = dir.File("link.tim");
    ASSERT_EQ(::symlink("ball.tim", link.c_str()), 0);
    const auto images = SearchImages(link);
    ASSERT_EQ(images.size(), 1u);
    PictureRgba picture = PictureOfHit(images[0].state);
    std::copy(picture.palette[2].begin(), picture.palette[2].end(), picture.pixels.begin());
    const ImagePatch patch = PatchOf(images[0], picture);
    ASSERT_EQ(RewriteImages({&patch, 1}), RewriteOutcome::kRewritten);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(SearchImages(file).at(0).state.Hit().size(), patch.bytes.size());
    EXPECT_TRUE(std::ranges::equal(SearchImages(file).at(0).state.Hit(), patch.bytes));
}

}  // namespace
}  // namespace vorel
