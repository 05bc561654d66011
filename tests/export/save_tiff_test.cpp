#include "export/save_tiff.h"

#include <gtest/gtest.h>

#include "export/atomic_file_fault.h"
#include "export/tiff_writer.h"
#include "export_test_support.h"
#include "image/bytes.h"

namespace vorel {
namespace {

using testing::Exists;
using testing::ScratchDir;

TEST(SaveTiffTest, DotsPerInchFromPixelsPerMetre) {
    const std::pair<std::int32_t, std::uint32_t> cases[] = {
        {2835, 72}, {3780, 96}, {11811, 300}, {40, 1}, {39, 72}, {0, 72}, {-3780, 72}, {0x7FFFFFFF, 54546193},
    };
    for (const auto& [pels, dpi] : cases) EXPECT_EQ(TiffDotsPerInch(pels), dpi) << pels;
}

struct ColorCase {
    const char* name;
    int bits;
    std::uint32_t clrUsed;
};

TEST(SaveTiffTest, ColourCountsItCannotMapAreRefusedBeforeAnyFile) {
    // The last three have a count the writer knows but that disagrees with the
    // depth of the rows; writing them would scramble the picture.
    const ColorCase cases[] = {
        {"8-bit, 100 colours", 8, 100}, {"8-bit, 20 colours", 8, 20},     {"4-bit, 3 colours", 4, 3},
        {"8-bit, 16 colours", 8, 16},   {"24-bit, 256 colours", 24, 256}, {"4-bit, 2 colours", 4, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Dib dib = testing::MakePatternDib(4, 4, c.bits);
        StoreLe32(dib.Data() + dibfield::kClrUsed, c.clrUsed);
        ScratchDir dir;
        for (const bool show : {true, false}) {
            const SaveTiffResult r = SaveTiff(dir.File("c.tif"), dib, 0, 1, show);
            EXPECT_EQ(r.value, -1);
            ASSERT_TRUE(r.message);
            EXPECT_EQ(r.message->text, "不明なｴﾗｰ");
            EXPECT_EQ(r.message->icon, SaveIcon::Exclamation);
        }
        EXPECT_TRUE(dir.Entries().empty());
    }
}

TEST(SaveTiffTest, MissingImageIsALockErrorWhetherOrNotResultsAreShown) {
    ScratchDir dir;
    for (const bool show : {true, false}) {
        for (const Dib& dib : {Dib{}, Dib::Allocate(20)}) {
            const SaveTiffResult r = SaveTiff(dir.File("n.tif"), dib, 0, 1, show);
            EXPECT_EQ(r.value, -1);
            ASSERT_TRUE(r.message);
            EXPECT_EQ(r.message->text, "ﾒﾓﾘﾛｯｸｴﾗｰ");
        }
    }
    EXPECT_TRUE(dir.Entries().empty());
}

// With the result shown, the caller gets 0 and a message; without, the code and silence.
TEST(SaveTiffTest, ResultIsEitherShownOrReturned) {
    struct Case {
        const char* name;
        int code;
        const char* text;
        SaveIcon icon;
    };
    const Case cases[] = {
        {"saved", tiffcode::kWritten, "正常に保存しました", SaveIcon::Information},
        {"folder missing", tiffcode::kCreateFailed, "ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ", SaveIcon::Exclamation},
        {"too wide", tiffcode::kTooLarge, "保存に失敗しました", SaveIcon::Exclamation},
        {"disk full", tiffcode::kWriteFailed, "保存に失敗しました", SaveIcon::Exclamation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool show : {true, false}) {
            ScratchDir dir;
            std::string path = dir.File("r.tif");
            Dib dib = testing::MakePatternDib(3, 3, 24);
            if (c.code == tiffcode::kCreateFailed) path = dir.File("gone/r.tif");
            if (c.code == tiffcode::kTooLarge) StoreLe32(dib.Data() + dibfield::kWidth, 18797);
            const ScopedFileFault fault(
                1, c.code == tiffcode::kWriteFailed ? FileFault::Error : FileFault::None);
            const SaveTiffResult r = SaveTiff(path, dib, 0, 1, show);
            EXPECT_EQ(r.writeCode, c.code);
            EXPECT_EQ(Exists(path), c.code == tiffcode::kWritten);
            if (show) {
                EXPECT_EQ(r.value, 0);
                ASSERT_TRUE(r.message);
                EXPECT_EQ(r.message->text, c.text);
                EXPECT_EQ(r.message->icon, c.icon);
            } else {
                EXPECT_EQ(r.value, c.code);
                EXPECT_FALSE(r.message);
            }
        }
    }
}

TEST(SaveTiffTest, CompressionValueGoesIntoItsEntry) {
    ScratchDir dir;
    const std::string path = dir.File("c.tif");
    ASSERT_EQ(SaveTiff(path, testing::MakePatternDib(2, 2, 8), 0, 1, false).value, 0);
    const auto file = testing::ReadAll(path).value();
    EXPECT_EQ(*ReadLe16(file, 10 + 12 * 4), 259);
    EXPECT_EQ(*ReadLe16(file, 10 + 12 * 4 + 8), 1);
}

}  // namespace
}  // namespace vorel
