#include "export/tiff_writer.h"

#include <gtest/gtest.h>

#include "export/atomic_file_fault.h"
#include "export/save_tiff.h"
#include "export_test_support.h"
#include "image/bytes.h"

namespace vorel {
namespace {

using testing::Exists;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

Dib WithResolution(Dib dib, std::int32_t x, std::int32_t y) {
    StoreLe32(dib.Data() + dibfield::kXPelsPerMeter, static_cast<std::uint32_t>(x));
    StoreLe32(dib.Data() + dibfield::kYPelsPerMeter, static_cast<std::uint32_t>(y));
    return dib;
}

std::vector<std::uint8_t> Written(const Dib& dib, int byteOrder, const std::string& name = "t.tif") {
    ScratchDir dir;
    const std::string path = dir.File(name);
    const SaveTiffResult result = SaveTiff(path, dib, byteOrder, 1, false);
    EXPECT_EQ(result.value, 0);
    return ReadAll(path).value_or(std::vector<std::uint8_t>{});
}

std::vector<std::uint8_t> Prefix(const std::vector<std::uint8_t>& bytes, std::size_t n) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size()))};
}

// Hand-built from the layout the files are meant to have.
TEST(TiffWriterTest, BilevelLittleEndianHeaderByteForByte) {
    const std::vector<std::uint8_t> expected = {
        'I',  'I',  42, 0, 8, 0, 0, 0,                // header
        13,   0,                                      // entries
        0xFE, 0x00, 4,  0, 1, 0, 0, 0, 0,   0, 0, 0,  // NewSubfileType
        0x00, 0x01, 3,  0, 1, 0, 0, 0, 9,   0, 0, 0,  // ImageWidth 9
        0x01, 0x01, 3,  0, 1, 0, 0, 0, 2,   0, 0, 0,  // ImageLength 2
        0x02, 0x01, 3,  0, 1, 0, 0, 0, 1,   0, 0, 0,  // BitsPerSample 1
        0x03, 0x01, 3,  0, 1, 0, 0, 0, 1,   0, 0, 0,  // Compression none
        0x06, 0x01, 3,  0, 1, 0, 0, 0, 1,   0, 0, 0,  // BlackIsZero
        0x11, 0x01, 4,  0, 1, 0, 0, 0, 186, 0, 0, 0,  // StripOffsets
        0x15, 0x01, 3,  0, 1, 0, 0, 0, 1,   0, 0, 0,  // SamplesPerPixel
        0x16, 0x01, 3,  0, 1, 0, 0, 0, 2,   0, 0, 0,  // RowsPerStrip
        0x17, 0x01, 4,  0, 1, 0, 0, 0, 4,   0, 0, 0,  // StripByteCounts 2 x 2
        0x1A, 0x01, 5,  0, 1, 0, 0, 0, 170, 0, 0, 0,  // XResolution at 170
        0x1B, 0x01, 5,  0, 1, 0, 0, 0, 178, 0, 0, 0,  // YResolution at 178
        0x28, 0x01, 3,  0, 1, 0, 0, 0, 2,   0, 0, 0,  // ResolutionUnit inch
        0,    0,    0,  0,                            // no next directory
        96,   0,    0,  0, 1, 0, 0, 0,                // 3780 per metre
        72,   0,    0,  0, 1, 0, 0, 0,                // 0 per metre
    };
    ASSERT_EQ(expected.size(), 186u);
    const auto file = Written(WithResolution(testing::MakePatternDib(9, 2, 1), 3780, 0), 0);
    EXPECT_EQ(Prefix(file, 186), expected);
    EXPECT_EQ(file.size(), 186u + 4u);
}

TEST(TiffWriterTest, RgbBigEndianHeaderByteForByte) {
    const std::vector<std::uint8_t> expected = {
        'M',  'M',  0,    42,   0, 0, 0, 8,                // header
        0,    13,                                          // entries
        0x00, 0xFE, 0,    4,    0, 0, 0, 1, 0, 0, 0, 0,    // NewSubfileType
        0x01, 0x00, 0,    3,    0, 0, 0, 1, 0, 5, 0, 0,    // ImageWidth 5
        0x01, 0x01, 0,    3,    0, 0, 0, 1, 0, 2, 0, 0,    // ImageLength 2
        0x01, 0x02, 0,    3,    0, 0, 0, 3, 0, 0, 0, 186,  // BitsPerSample at 186
        0x01, 0x03, 0,    3,    0, 0, 0, 1, 0, 1, 0, 0,    // Compression none
        0x01, 0x06, 0,    3,    0, 0, 0, 1, 0, 2, 0, 0,    // RGB
        0x01, 0x11, 0,    4,    0, 0, 0, 1, 0, 0, 0, 192,  // StripOffsets
        0x01, 0x15, 0,    3,    0, 0, 0, 1, 0, 3, 0, 0,    // SamplesPerPixel
        0x01, 0x16, 0,    3,    0, 0, 0, 1, 0, 2, 0, 0,    // RowsPerStrip
        0x01, 0x17, 0,    4,    0, 0, 0, 1, 0, 0, 0, 30,   // StripByteCounts 15 x 2
        0x01, 0x1A, 0,    5,    0, 0, 0, 1, 0, 0, 0, 170,  // XResolution at 170
        0x01, 0x1B, 0,    5,    0, 0, 0, 1, 0, 0, 0, 178,  // YResolution at 178
        0x01, 0x28, 0,    3,    0, 0, 0, 1, 0, 2, 0, 0,    // ResolutionUnit inch
        0,    0,    0,    0,                               // no next directory
        0,    0,    0x01, 0x2C, 0, 0, 0, 1,                // 11811 per metre: 300
        0,    0,    0,    72,   0, 0, 0, 1,                // 39 per metre: 72
        0,    8,    0,    8,    0, 8,                      // BitsPerSample values
    };
    ASSERT_EQ(expected.size(), 192u);
    const auto file = Written(WithResolution(testing::MakePatternDib(5, 2, 24), 11811, 39), 1);
    EXPECT_EQ(Prefix(file, 192), expected);
    ASSERT_EQ(file.size(), 192u + 30u);
    // Top row first, red-green-blue.
    const testing::Rgb topLeft = testing::PatternColor(0, 0, 24);
    EXPECT_EQ(Prefix(std::vector<std::uint8_t>(file.begin() + 192, file.end()), 3),
              (std::vector<std::uint8_t>{topLeft.r, topLeft.g, topLeft.b}));
}

TEST(TiffWriterTest, PaletteHeaderAndColourMapByteForByte) {
    const std::vector<std::uint8_t> expected = {
        'I',  'I',  42, 0, 8,  0, 0, 0,                    // header
        14,   0,                                           // entries
        0xFE, 0x00, 4,  0, 1,  0, 0, 0, 0,    0,    0, 0,  // NewSubfileType
        0x00, 0x01, 3,  0, 1,  0, 0, 0, 3,    0,    0, 0,  // ImageWidth 3
        0x01, 0x01, 3,  0, 1,  0, 0, 0, 2,    0,    0, 0,  // ImageLength 2
        0x02, 0x01, 3,  0, 1,  0, 0, 0, 4,    0,    0, 0,  // BitsPerSample 4
        0x03, 0x01, 3,  0, 1,  0, 0, 0, 1,    0,    0, 0,  // Compression none
        0x06, 0x01, 3,  0, 1,  0, 0, 0, 3,    0,    0, 0,  // palette
        0x11, 0x01, 4,  0, 1,  0, 0, 0, 0x26, 0x01, 0, 0,  // StripOffsets 294
        0x15, 0x01, 3,  0, 1,  0, 0, 0, 1,    0,    0, 0,  // SamplesPerPixel
        0x16, 0x01, 3,  0, 1,  0, 0, 0, 2,    0,    0, 0,  // RowsPerStrip
        0x17, 0x01, 4,  0, 1,  0, 0, 0, 4,    0,    0, 0,  // StripByteCounts 2 x 2
        0x1A, 0x01, 5,  0, 1,  0, 0, 0, 182,  0,    0, 0,  // XResolution at 182
        0x1B, 0x01, 5,  0, 1,  0, 0, 0, 190,  0,    0, 0,  // YResolution at 190
        0x28, 0x01, 3,  0, 1,  0, 0, 0, 2,    0,    0, 0,  // ResolutionUnit inch
        0x40, 0x01, 3,  0, 48, 0, 0, 0, 198,  0,    0, 0,  // ColorMap, 3 x 16 at 198
        0,    0,    0,  0,                                 // no next directory
        72,   0,    0,  0, 1,  0, 0, 0,                    // 2835 per metre: 72 dpi
        72,   0,    0,  0, 1,  0, 0, 0,
    };
    ASSERT_EQ(expected.size(), 198u);
    const auto file = Written(WithResolution(testing::MakePatternDib(3, 2, 4), 2835, 2835), 0);
    EXPECT_EQ(Prefix(file, 198), expected);
    ASSERT_EQ(file.size(), 294u + 4u);
    // Red values of all 16 entries, then green, then blue; each byte doubled.
    for (int i = 0; i < 16; ++i) {
        const std::uint8_t red = static_cast<std::uint8_t>(i * 37 + 11);
        const std::uint8_t green = static_cast<std::uint8_t>(i * 91 + 5);
        const std::uint8_t blue = static_cast<std::uint8_t>(i * 13 + 200);
        EXPECT_EQ(file[198 + 2 * i], red);
        EXPECT_EQ(file[199 + 2 * i], red);
        EXPECT_EQ(file[230 + 2 * i], green);
        EXPECT_EQ(file[262 + 2 * i + 1], blue);
    }
}

TEST(TiffWriterTest, FileLengthIsStripOffsetPlusPackedRows) {
    struct Case {
        int bits, width, height;
        std::size_t stripOffset, rowBytes;
    };
    const Case cases[] = {
        {1, 9, 2, 186, 2},  {1, 33, 3, 186, 5}, {4, 3, 2, 294, 2},   {4, 7, 3, 294, 4},
        {8, 5, 2, 1734, 5}, {8, 1, 4, 1734, 1}, {24, 5, 2, 192, 15}, {24, 1, 1, 192, 3},
    };
    for (const auto& c : cases) {
        const auto file = Written(testing::MakePatternDib(c.width, c.height, c.bits), 0);
        EXPECT_EQ(file.size(), c.stripOffset + c.rowBytes * c.height) << c.bits << " bits, width " << c.width;
    }
}

// Pillow and libtiff read every kind, odd widths and both byte orders alike.
TEST(TiffWriterTest, IndependentReadersSeeThePicture) {
    ASSERT_EQ(testing::MissingReaders(), "");
    struct Kind {
        int bits;
        bool whiteFirst;
    };
    for (const Kind kind : {Kind{1, false}, Kind{1, true}, Kind{4, false}, Kind{8, false}, Kind{24, false}}) {
        for (const int width : {1, 3, 5, 7, 33}) {
            for (const int byteOrder : {0, 1}) {
                const int height = 3;
                SCOPED_TRACE(::testing::Message()
                             << kind.bits << " bits" << (kind.whiteFirst ? " white first" : "") << ", width "
                             << width << ", byte order " << byteOrder);
                ScratchDir dir;
                const std::string path = dir.File("p.tif");
                const Dib dib = testing::MakePatternDib(width, height, kind.bits, kind.whiteFirst);
                ASSERT_EQ(SaveTiff(path, dib, byteOrder, 1, false).value, 0);
                const auto info = testing::TiffInfo(path);
                EXPECT_EQ(info.exitCode, 0);
                EXPECT_EQ(info.err, "") << "tiffinfo warns";
                const auto expected = testing::PatternRgb(width, height, kind.bits, kind.whiteFirst);
                for (const auto& decoded :
                     {testing::DecodeWithPillow(path), testing::DecodeWithTiff2Rgba(path)}) {
                    ASSERT_TRUE(decoded.ok) << decoded.error;
                    EXPECT_EQ(decoded.width, width);
                    EXPECT_EQ(decoded.height, height);
                    EXPECT_EQ(decoded.rgb, expected);
                }
            }
        }
    }
}

TEST(TiffWriterTest, BilevelKeepsOnlyWhetherColourZeroIsWhite) {
    struct Case {
        std::uint8_t r0, g0, b0;
        std::uint8_t zeroShade;  // how a reader shows index 0
    };
    // Only the red component of entry 0 decides; the colours themselves are not kept.
    const Case cases[] = {{255, 0, 0, 255}, {255, 255, 255, 255}, {254, 255, 255, 0}, {0, 0, 0, 0}};
    for (const auto& c : cases) {
        Dib dib = Dib::Create(8, 1, 1);
        dib.ColorEntry(0)[0] = c.b0;
        dib.ColorEntry(0)[1] = c.g0;
        dib.ColorEntry(0)[2] = c.r0;
        dib.StoredRow(0)[0] = 0x0F;  // four pixels of index 0, four of index 1
        ScratchDir dir;
        ASSERT_EQ(SaveTiff(dir.File("b.tif"), dib, 0, 1, false).value, 0);
        const auto decoded = testing::DecodeWithPillow(dir.File("b.tif"));
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ASSERT_EQ(decoded.rgb.size(), 24u);
        EXPECT_EQ(decoded.rgb[0], c.zeroShade) << int{c.r0};
        EXPECT_EQ(decoded.rgb[1], c.zeroShade);
        EXPECT_EQ(decoded.rgb[23], 255 - c.zeroShade);
    }
}

struct EntryField {
    std::uint16_t type;
    std::uint32_t value;
};
EntryField LittleEndianEntry(const std::vector<std::uint8_t>& file, int index) {
    const std::size_t at = 10 + 12 * static_cast<std::size_t>(index);
    const std::uint16_t type = *ReadLe16(file, at + 2);
    return {type, type == 3 ? *ReadLe16(file, at + 8) : *ReadLe32(file, at + 8)};
}

TEST(TiffWriterTest, TallImagesDescribeTheirHeightInLongEntries) {
    struct Case {
        int height;
        std::uint16_t type;
    };
    for (const Case c : {Case{65535, 3}, Case{65536, 4}, Case{70001, 4}}) {
        SCOPED_TRACE(c.height);
        ScratchDir dir;
        const std::string path = dir.File("tall.tif");
        const Dib dib = testing::MakePatternDib(3, c.height, 4);
        ASSERT_EQ(SaveTiff(path, dib, 0, 1, false).value, 0);
        const auto file = ReadAll(path).value_or(std::vector<std::uint8_t>{});
        ASSERT_GE(file.size(), 294u);
        EXPECT_EQ(LittleEndianEntry(file, 1).type, 3);  // width stays SHORT
        for (const int entry : {2, 8}) {                // ImageLength, RowsPerStrip
            EXPECT_EQ(LittleEndianEntry(file, entry).type, c.type);
            EXPECT_EQ(LittleEndianEntry(file, entry).value, static_cast<std::uint32_t>(c.height));
        }
        if (c.height == 70001) {
            EXPECT_EQ(testing::TiffInfo(path).err, "");
            const auto decoded = testing::DecodeWithPillow(path);
            ASSERT_TRUE(decoded.ok) << decoded.error;
            EXPECT_EQ(decoded.height, c.height);
            EXPECT_EQ(decoded.rgb, testing::PatternRgb(3, c.height, 4));
        }
    }
}

// A block whose header claims another size: limits and bounds are checked on the header.
Dib Claiming(int bits, std::int32_t width, std::int32_t height) {
    Dib dib = testing::MakePatternDib(8, 2, bits);
    StoreLe32(dib.Data() + dibfield::kWidth, static_cast<std::uint32_t>(width));
    StoreLe32(dib.Data() + dibfield::kHeight, static_cast<std::uint32_t>(height));
    return dib;
}

TEST(TiffWriterTest, RefusedImagesLeaveNoFileAndKeepAnOldOne) {
    struct Case {
        const char* name;
        Dib dib;
        int code;
    };
    const Case cases[] = {
        {"width 18797", Dib::Create(18797, 1, 1), tiffcode::kTooLarge},
        {"250,070,000 pixels", Claiming(1, 10000, 25007), tiffcode::kTooLarge},
        {"one row past the pixel limit", Claiming(1, 18796, 13305), tiffcode::kTooLarge},
        {"at the pixel limit but the rows are missing", Claiming(1, 18796, 13304), tiffcode::kBadImage},
        {"more rows than the block holds", Claiming(8, 8, 3), tiffcode::kBadImage},
        {"top-down rows", Claiming(8, 8, -2), tiffcode::kBadImage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool existing : {false, true}) {
            ScratchDir dir;
            const std::string path = dir.File("big.tif");
            const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
            if (existing) {
                ASSERT_TRUE(WriteAll(path, old));
            }
            EXPECT_EQ(SaveTiff(path, c.dib, 0, 1, false).value, c.code);
            if (existing) {
                EXPECT_EQ(ReadAll(path), old);
            } else {
                EXPECT_FALSE(Exists(path));
            }
        }
    }
}

TEST(TiffWriterTest, WidestImageIsWritten) {
    ScratchDir dir;
    const std::string path = dir.File("wide.tif");
    ASSERT_EQ(SaveTiff(path, testing::MakePatternDib(18796, 2, 1), 0, 1, false).value, 0);
    EXPECT_EQ(ReadAll(path)->size(), 186u + 2u * 2350u);
    EXPECT_EQ(testing::TiffInfo(path).err, "");
}

TEST(TiffWriterTest, FailedWritesAreReportedAndKeepTheOldFile) {
    struct Case {
        const char* name;
        FileFault fault;
        int nth;
        int code;
    };
    const Case cases[] = {
        {"header", FileFault::Error, 1, tiffcode::kWriteFailed},
        {"colour map", FileFault::Error, 2, tiffcode::kWriteFailed},
        {"strip", FileFault::Error, 3, tiffcode::kWriteFailed},
        {"strip write moves nothing", FileFault::Zero, 3, tiffcode::kWriteFailed},
        {"flush", FileFault::SyncError, 1, tiffcode::kWriteFailed},
        {"partial strip write", FileFault::Short, 3, tiffcode::kWritten},
    };
    const Dib dib = testing::MakePatternDib(33, 7, 8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const std::string path = dir.File("keep.tif");
        const std::vector<std::uint8_t> old = {'I', 'I', 42, 0};
        ASSERT_TRUE(WriteAll(path, old));
        {
            const ScopedFileFault fault(c.nth, c.fault);
            EXPECT_EQ(SaveTiff(path, dib, 0, 1, false).value, c.code);
        }
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.tif"});
        if (c.code != tiffcode::kWritten) {
            EXPECT_EQ(ReadAll(path), old);
            continue;
        }
        const auto decoded = testing::DecodeWithPillow(path);
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.rgb, testing::PatternRgb(33, 7, 8));
    }
}

TEST(TiffWriterTest, CodesForBlocksAndFilesThatCannotBeUsed) {
    ScratchDir dir;
    TiffHeader header;
    header.width = 2;
    header.height = 2;
    header.bitsPerSample = 8;
    EXPECT_EQ(WriteTiffFile(dir.File("a.tif"), Dib{}, header, 0), tiffcode::kLockFailed);
    EXPECT_EQ(WriteTiffFile(dir.File("a.tif"), Dib::Allocate(39), header, 0), tiffcode::kLockFailed);
    EXPECT_EQ(WriteTiffFile(dir.File("no/such/folder/a.tif"), testing::MakePatternDib(2, 2, 8), header, 0),
              tiffcode::kCreateFailed);
    header.bitsPerSample = 16;
    EXPECT_EQ(WriteTiffFile(dir.File("a.tif"), testing::MakePatternDib(2, 2, 8), header, 0),
              tiffcode::kBadImage);
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
}  // namespace vorel
