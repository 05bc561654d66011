#include "export/bmp_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "export/atomic_file_fault.h"
#include "export_test_support.h"
#include "image/bytes.h"

namespace vorel {
namespace {

using testing::Exists;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

std::vector<std::uint8_t> HandBuiltHeader(std::uint32_t fileSize, std::uint32_t offBits) {
    return {'B',
            'M',
            static_cast<std::uint8_t>(fileSize),
            static_cast<std::uint8_t>(fileSize >> 8),
            static_cast<std::uint8_t>(fileSize >> 16),
            static_cast<std::uint8_t>(fileSize >> 24),
            0,
            0,
            0,
            0,
            static_cast<std::uint8_t>(offBits),
            static_cast<std::uint8_t>(offBits >> 8),
            0,
            0};
}

TEST(BmpWriterTest, FileIsTheHeaderThenTheWholeBlock) {
    struct Case {
        int bits;
        std::uint32_t clrUsed;
        std::size_t extra;  // bytes allocated beyond the rows
        std::uint32_t offBits;
    };
    const Case cases[] = {
        {24, 0, 0, 54}, {8, 0, 0, 1078}, {8, 100, 0, 454}, {1, 0, 0, 62},
        {4, 0, 0, 118}, {24, 0, 37, 54}, {8, 0, 3, 1078},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.bits << " bits, biClrUsed " << c.clrUsed << ", " << c.extra << " spare bytes");
        Dib dib = testing::MakePatternDib(5, 3, c.bits);
        StoreLe32(dib.Data() + dibfield::kClrUsed, c.clrUsed);
        if (c.extra != 0) {
            std::vector<std::uint8_t> bigger(dib.Bytes().begin(), dib.Bytes().end());
            for (std::size_t i = 0; i < c.extra; ++i) bigger.push_back(static_cast<std::uint8_t>(0xC0 + i));
            dib.Assign(std::move(bigger));
        }
        ScratchDir dir;
        const std::string path = dir.File("out.bmp");
        ASSERT_EQ(WriteBmpFile(path, dib), BmpWriteOutcome::Saved);
        const auto file = ReadAll(path);
        ASSERT_TRUE(file);
        ASSERT_EQ(file->size(), 14 + dib.AllocatedSize());
        const auto expected = HandBuiltHeader(static_cast<std::uint32_t>(file->size()), c.offBits);
        EXPECT_EQ(std::vector<std::uint8_t>(file->begin(), file->begin() + 14), expected);
        EXPECT_TRUE(std::equal(file->begin() + 14, file->end(), dib.Bytes().begin()));
    }
}

TEST(BmpWriterTest, IndependentReaderSeesThePicture) {
    ASSERT_EQ(testing::MissingReaders(), "");
    for (const int bits : {1, 4, 8, 24}) {
        for (const int width : {1, 3, 5, 7, 33}) {
            const int height = 3;
            SCOPED_TRACE(::testing::Message() << bits << " bits, width " << width);
            ScratchDir dir;
            const std::string path = dir.File("p.bmp");
            ASSERT_EQ(WriteBmpFile(path, testing::MakePatternDib(width, height, bits)),
                      BmpWriteOutcome::Saved);
            const auto decoded = testing::DecodeWithPillow(path);
            ASSERT_TRUE(decoded.ok) << decoded.error;
            EXPECT_EQ(decoded.width, width);
            EXPECT_EQ(decoded.height, height);
            EXPECT_EQ(decoded.rgb, testing::PatternRgb(width, height, bits));
        }
    }
}

TEST(BmpWriterTest, ReplacingAFileReplacesItCompletely) {
    ScratchDir dir;
    const std::string path = dir.File("old.bmp");
    ASSERT_TRUE(WriteAll(path, std::vector<std::uint8_t>(100000, 0xEE)));
    const Dib dib = testing::MakePatternDib(2, 2, 24);
    ASSERT_EQ(WriteBmpFile(path, dib), BmpWriteOutcome::Saved);
    EXPECT_EQ(ReadAll(path)->size(), 14 + dib.AllocatedSize());
}

TEST(BmpWriterTest, ImagesThatCannotBeWrittenLeaveNoFile) {
    ScratchDir dir;
    const std::string path = dir.File("x.bmp");
    EXPECT_EQ(WriteBmpFile(path, Dib{}), BmpWriteOutcome::NoImage);
    EXPECT_EQ(WriteBmpFile(path, Dib::Allocate(39)), BmpWriteOutcome::LockFailed);
    EXPECT_EQ(WriteBmpFile(dir.File("missing/x.bmp"), testing::MakePatternDib(2, 2, 8)),
              BmpWriteOutcome::CreateFailed);
    ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
    EXPECT_EQ(WriteBmpFile(dir.File("sub"), testing::MakePatternDib(2, 2, 8)), BmpWriteOutcome::CreateFailed);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"sub"});
}

TEST(BmpWriterTest, ReadOnlyFolderOrFileGivesCreateFailed) {
    ScratchDir dir;
    testing::OpenUpForOthers(dir.Path(), false);
    const std::string locked = dir.File("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    const std::string open = dir.File("open");
    ASSERT_EQ(::mkdir(open.c_str(), 0777), 0);
    testing::OpenUpForOthers(open, true);
    const std::string readOnly = open + "/ro.bmp";
    const std::vector<std::uint8_t> old(50, 0x11);
    ASSERT_TRUE(WriteAll(readOnly, old));
    ::chmod(readOnly.c_str(), 0444);
    const Dib dib = testing::MakePatternDib(3, 3, 4);

    for (const std::string& path : {locked + "/new.bmp", readOnly}) {
        const int outcome =
            testing::RunUnprivileged([&] { return static_cast<int>(WriteBmpFile(path, dib)); });
        EXPECT_EQ(outcome, static_cast<int>(BmpWriteOutcome::CreateFailed)) << path;
    }
    EXPECT_FALSE(Exists(locked + "/new.bmp"));
    EXPECT_EQ(ReadAll(readOnly), old);
}

TEST(BmpWriterTest, FailedWriteKeepsTheOldFileByteForByte) {
    struct Case {
        const char* name;
        FileFault fault;
        int nth;
        BmpWriteOutcome outcome;
    };
    const Case cases[] = {
        {"header write", FileFault::Error, 1, BmpWriteOutcome::HeaderWriteFailed},
        {"body write", FileFault::Error, 2, BmpWriteOutcome::BodyWriteFailed},
        {"body write moves nothing", FileFault::Zero, 2, BmpWriteOutcome::BodyWriteFailed},
        {"flush before the rename", FileFault::SyncError, 1, BmpWriteOutcome::BodyWriteFailed},
    };
    const Dib dib = testing::MakePatternDib(7, 4, 8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool existing : {true, false}) {
            ScratchDir dir;
            const std::string path = dir.File("keep.bmp");
            const std::vector<std::uint8_t> old = {'B', 'M', 1, 2, 3, 4, 5};
            if (existing) {
                ASSERT_TRUE(WriteAll(path, old));
            }
            const ScopedFileFault fault(c.nth, c.fault);
            EXPECT_EQ(WriteBmpFile(path, dib), c.outcome);
            if (existing) {
                EXPECT_EQ(ReadAll(path), old);
                EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.bmp"});
            } else {
                EXPECT_TRUE(dir.Entries().empty()) << "a failed new file must not appear at all";
            }
        }
    }
}

TEST(BmpWriterTest, PartialWritesAreCompleted) {
    ScratchDir dir;
    const std::string path = dir.File("short.bmp");
    const Dib dib = testing::MakePatternDib(33, 5, 4);
    const ScopedFileFault fault(2, FileFault::Short);
    ASSERT_EQ(WriteBmpFile(path, dib), BmpWriteOutcome::Saved);
    const auto file = ReadAll(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 14 + dib.AllocatedSize());
    EXPECT_TRUE(std::equal(file->begin() + 14, file->end(), dib.Bytes().begin()));
}

}  // namespace
}  // namespace vorel
