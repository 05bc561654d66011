#include "export/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "export/atomic_file_fault.h"
#include "export_test_support.h"

namespace vorel {
namespace {

using testing::Exists;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

const std::vector<std::uint8_t> kOld = {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't', 's'};
const std::vector<std::uint8_t> kNew = {'n', 'e', 'w', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!', '!'};

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

  private:
    mode_t old_;
};

TEST(AtomicFileTest, CommitPutsTheWholeFileInPlaceAndLeavesNothingElse) {
    ScratchDir dir;
    const std::string target = dir.File("image.bin");
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    EXPECT_FALSE(Exists(target)) << "the name must not appear before the file is complete";
    ASSERT_TRUE(file.Write(std::span(kNew).first(5)));
    ASSERT_TRUE(file.Write(std::span(kNew).subspan(5)));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadAll(target), kNew);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"image.bin"});
}

TEST(AtomicFileTest, NewFileTakesItsModeFromTheUmask) {
    ScratchDir dir;
    const ScopedUmask mask(022);
    AtomicFile file;
    ASSERT_TRUE(file.Open(dir.File("a.bin")));
    ASSERT_TRUE(file.Write(kNew));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ModeOf(dir.File("a.bin")), 0644u);
}

TEST(AtomicFileTest, ReplacedFileKeepsItsPermissionBits) {
    ScratchDir dir;
    const std::string target = dir.File("kept.bin");
    ASSERT_TRUE(WriteAll(target, kOld));
    ::chmod(target.c_str(), 0640);
    AtomicFile file;
    ASSERT_TRUE(file.Open(target));
    ASSERT_TRUE(file.Write(kNew));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadAll(target), kNew);
    EXPECT_EQ(ModeOf(target), 0640u);
}

TEST(AtomicFileTest, AbandonedFileLeavesTheOldOneAndNoTemporary) {
    ScratchDir dir;
    const std::string target = dir.File("keep.bin");
    ASSERT_TRUE(WriteAll(target, kOld));
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(target));
        ASSERT_TRUE(file.Write(kNew));
        // destroyed without Commit
    }
    EXPECT_EQ(ReadAll(target), kOld);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.bin"});
}

struct FaultCase {
    const char* name;
    FileFault fault;
    int nth;
    bool saved;  // the fault is one a careful writer gets over
};

TEST(AtomicFileTest, WriteFaultsFailCleanlyOrAreRetried) {
    const FaultCase cases[] = {
        {"disk full on the first write", FileFault::Error, 1, false},
        {"disk full on the second write", FileFault::Error, 2, false},
        {"write that moves nothing", FileFault::Zero, 2, false},
        {"failed flush", FileFault::SyncError, 1, false},
        {"interrupted write", FileFault::Interrupted, 1, true},
        {"partial write", FileFault::Short, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string target = dir.File("t.bin");
        ASSERT_TRUE(WriteAll(target, kOld));
        const ScopedFileFault fault(c.nth, c.fault);
        AtomicFile file;
        ASSERT_TRUE(file.Open(target));
        const bool written = file.Write(std::span(kNew).first(4)) && file.Write(std::span(kNew).subspan(4));
        const bool committed = file.Commit();
        EXPECT_EQ(written && committed, c.saved);
        EXPECT_EQ(ReadAll(target), c.saved ? kNew : kOld);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"t.bin"});
    }
}

TEST(AtomicFileTest, WhenReplacingFlushesOnlyAFileThatReplacesAnother) {
    // The first flush fails: a file that is flushed is not saved, one that is not flushed is.
    const struct {
        const char* name;
        FileSync sync;
        bool existing;
        bool saved;
    } cases[] = {
        {"new file, always", FileSync::Always, false, false},
        {"replacing, always", FileSync::Always, true, false},
        {"new file, when replacing", FileSync::WhenReplacing, false, true},
        {"replacing, when replacing", FileSync::WhenReplacing, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string target = dir.File("t.bin");
        if (c.existing) {
            ASSERT_TRUE(WriteAll(target, kOld));
        }
        const ScopedFileFault fault(1, FileFault::SyncError);
        AtomicFile file;
        ASSERT_TRUE(file.Open(target, c.sync));
        ASSERT_TRUE(file.Write(kNew));
        EXPECT_EQ(file.Commit(), c.saved);
        if (c.saved) {
            EXPECT_EQ(ReadAll(target), kNew);
        } else {
            EXPECT_EQ(Exists(target), c.existing);
            if (c.existing) {
                EXPECT_EQ(ReadAll(target), kOld);
            }
        }
        EXPECT_EQ(dir.Entries().size(), (c.saved || c.existing) ? 1u : 0u);
    }
    ScratchDir dir;
    SyncFileSystemOf(dir.Path());  // harmless, also for a folder that is not there
    SyncFileSystemOf(dir.File("missing"));
}

TEST(AtomicFileTest, RefusesTargetsThatCannotBeWritten) {
    ScratchDir dir;
    ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
    const std::string cases[] = {
        dir.File("missing/file.bin"),  // folder does not exist
        dir.File("folder"),            // a folder of that name
        dir.File("folder/"),           // no file name at all
        "",
    };
    for (const auto& path : cases) {
        AtomicFile file;
        EXPECT_FALSE(file.Open(path)) << path;
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder"});
}

TEST(AtomicFileTest, ReadOnlyFolderAndReadOnlyFileAreRefused) {
    ScratchDir dir;
    testing::OpenUpForOthers(dir.Path(), false);
    const std::string locked = dir.File("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    const std::string open = dir.File("open");
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    testing::OpenUpForOthers(open, true);
    const std::string readOnly = open + "/ro.bin";
    ASSERT_TRUE(WriteAll(readOnly, kOld));
    ::chmod(readOnly.c_str(), 0444);

    const auto tryOpen = [](const std::string& path) {
        return testing::RunUnprivileged([&] {
            AtomicFile file;
            return file.Open(path) ? 1 : 0;
        });
    };
    EXPECT_EQ(tryOpen(locked + "/new.bin"), 0);
    EXPECT_EQ(tryOpen(readOnly), 0);
    EXPECT_EQ(tryOpen(open + "/fine.bin"), 1);  // the same user can write where allowed
    EXPECT_EQ(ReadAll(readOnly), kOld);
    EXPECT_FALSE(Exists(locked + "/new.bin"));
    EXPECT_FALSE(Exists(open + "/fine.bin"));  // opened but never committed
}

TEST(AtomicFileTest, SavingThroughALinkUpdatesTheFileItPointsTo) {
    ScratchDir dir;
    const std::string real = dir.File("real.bin");
    const std::string link = dir.File("link.bin");
    ASSERT_TRUE(WriteAll(real, kOld));
    ASSERT_EQ(::symlink("real.bin", link.c_str()), 0);
    AtomicFile file;
    ASSERT_TRUE(file.Open(link));
    ASSERT_TRUE(file.Write(kNew));
    ASSERT_TRUE(file.Commit());
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadAll(real), kNew);
}

TEST(AtomicFileTest, LongestNamesAndBareNamesWork) {
    ScratchDir dir;
    const std::string longName(255, 'n');
    AtomicFile file;
    ASSERT_TRUE(file.Open(dir.File(longName)));
    ASSERT_TRUE(file.Write(kNew));
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ReadAll(dir.File(longName)), kNew);

    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    AtomicFile bare;
    const bool ok = bare.Open("bare.bin") && bare.Write(kNew) && bare.Commit();
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadAll(dir.File("bare.bin")), kNew);
}

}  // namespace
}  // namespace vorel
