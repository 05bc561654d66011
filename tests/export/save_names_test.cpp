#include "export/save_names.h"

#include <gtest/gtest.h>

namespace vorel {
namespace {

TEST(SaveNames, SaveAsProposesTheNameCutInTheFileNameOnly) {
    const struct {
        const char* pathName;
        const char* proposed;
    } cases[] = {
        {"/work/DATA_001", "/work/DATA_001.BMP"},
        {"/data/MY.DIR/DATA_012", "/data/MY.DIR/DATA_012.BMP"},  // the folder's "." stays
        {"/data/MY.DIR/DATA.X_012", "/data/MY.DIR/DATA.BMP"},
        {"/a.b/c.d/e", "/a.b/c.d/e.BMP"},
        {"DATA_003", "DATA_003.BMP"},
        {"", ".BMP"},
        {"/.hidden", "/.BMP"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProposedSaveAsPath(c.pathName), c.proposed) << c.pathName;
}

TEST(SaveNames, TheExtensionOfTheFileNamePicksTheFormat) {
    const struct {
        const char* path;
        std::optional<SaveFormat> format;
        const char* extension;
    } cases[] = {
        {"/x/picture.bmp", SaveFormat::Bmp, "BMP"},
        {"/x/picture.BMP", SaveFormat::Bmp, "BMP"},
        {"/x/picture.tif", SaveFormat::Tiff, "TIF"},
        {"/x/picture.Tif", SaveFormat::Tiff, "TIF"},
        {"/x/picture.png", SaveFormat::Png, "PNG"},
        {"/x/picture.tiff", std::nullopt, "TIFF"},
        {"/x/picture.jpg", std::nullopt, "JPG"},
        {"/x/picture.bmp.txt", std::nullopt, "TXT"},
        {"/x/picture.", std::nullopt, ""},
        {"/x.bmp/picture", std::nullopt, ""},  // a folder's extension is not the file's
    };
    for (const auto& c : cases) {
        const ChosenFormat chosen = FormatOfSavePath(c.path);
        EXPECT_EQ(chosen.format, c.format) << c.path;
        EXPECT_EQ(chosen.extension, c.extension) << c.path;
    }
    EXPECT_TRUE(FileNameHasExtension("/x/a.b"));
    EXPECT_FALSE(FileNameHasExtension("/x.y/ab"));
}

TEST(SaveNames, ImageTypeAndFilesOfSaveAll) {
    EXPECT_EQ(FormatOfImageType(0), SaveFormat::Bmp);
    EXPECT_EQ(FormatOfImageType(1), SaveFormat::Tiff);
    EXPECT_EQ(FormatOfImageType(2), SaveFormat::Png);
    EXPECT_EQ(FormatOfImageType(-1), SaveFormat::Tiff);
    EXPECT_EQ(FormatOfImageType(7), SaveFormat::Tiff);
    EXPECT_EQ(SaveAllFilePath("/home/u/out", "DATA_003", SaveFormat::Bmp), "/home/u/out/DATA_003.BMP");
    EXPECT_EQ(SaveAllFilePath("/home/u/out", "DATA_003_002", SaveFormat::Tiff), "/home/u/out/DATA_003_002.TIF");
    EXPECT_EQ(SaveAllFilePath("/home/u/out", "DATA_003", SaveFormat::Png), "/home/u/out/DATA_003.PNG");
    EXPECT_EQ(SaveAllFilePath("/", "DATA_003", SaveFormat::Bmp), "/DATA_003.BMP");
}

TEST(SaveNames, FolderTrimmingAndTheReachabilityCheck) {
    const struct {
        const char* stored;
        const char* used;
        std::optional<std::string> unreachable;
    } cases[] = {
        {"/home/u/Pictures/", "/home/u/Pictures", std::nullopt},
        {"/home/u/Pictures", "/home/u/Pictures", std::nullopt},
        {"/home/u/Pictures//", "/home/u/Pictures/", std::nullopt},  // one "/" only
        {"/", "/", std::nullopt},                                   // the root stays
        {"pics/out/", "pics/out", std::string("pics")},
        {"c:\\", "c:\\", std::string("c:\\")},
        {"~/Pictures", "~/Pictures", std::string("~")},
        {"", "", std::string("")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrimSaveFolder(c.stored), c.used) << c.stored;
        EXPECT_EQ(UnreachableFolderStart(TrimSaveFolder(c.stored)), c.unreachable) << c.stored;
    }
    EXPECT_EQ(FolderAsStored("/tmp/x"), "/tmp/x/");
    EXPECT_EQ(FolderAsStored("/tmp/x/"), "/tmp/x/");
    EXPECT_EQ(FolderAsStored(""), "");  // never the root by accident
}

}  // namespace
}  // namespace vorel
