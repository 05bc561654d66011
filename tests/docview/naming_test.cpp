#include "docview/naming.h"

#include <gtest/gtest.h>

#include <climits>

namespace vorel {
namespace {

TEST(NamingTest, NumberedPathNamesAndTitles) {
    struct Case {
        const char* path;
        int imageNo;
        int paletteNo;
        bool paletteImages;
        int paletteCount;
        const char* pathName;
        const char* title;
    };
    const Case cases[] = {
        {"C:\\GAMES\\DATA.BIN", 3, 0, false, 1, "C:\\GAMES\\DATA_003", "DATA_003"},
        {"C:\\GAMES\\DATA.BIN", 3, 1, true, 16, "C:\\GAMES\\DATA_003_002", "DATA_003_002"},
        {"C:\\GAMES\\DATA.BIN", 3, 1, false, 16, "C:\\GAMES\\DATA_003", "DATA_003"},  // palette images off
        {"C:\\GAMES\\DATA.BIN", 3, 0, true, 1, "C:\\GAMES\\DATA_003", "DATA_003"},    // direct colour
        {"C:\\GAMES\\DATA.BIN", 3, 0, true, 0, "C:\\GAMES\\DATA_003_001", "DATA_003_001"},
        {"C:\\MY.DIR\\DATA", 12, 0, false, 1, "C:\\MY.DIR\\DATA_012", "DATA_012"},
        {"/home/u/a.b/data", 12, 0, false, 1, "/home/u/a.b/data_012", "data_012"},
        {"/home/u/game.iso", 1000, 0, false, 1, "/home/u/game_1000", "game_1000"},
        {"/home/u/game.iso", 7, 15, true, 16, "/home/u/game_007_016", "game_007_016"},
        {"/home/u/archive.tar.gz", 1, 0, false, 1, "/home/u/archive.tar_001", "archive.tar_001"},
        {"/home/u/a.b\\data", 5, 0, false, 1, "/home/u/a.b\\data_005", "data_005"},  // either separator
        {"C:\\x.y/data", 5, 0, false, 1, "C:\\x.y/data_005", "data_005"},
        {"data.bin", 1, 0, false, 1, "data_001", "data_001"},
        {"data", 123456, 0, false, 1, "data_123456", "data_123456"},
        {"/home/u/dir/", 1, 0, false, 1, "/home/u/dir/_001", "_001"},
        {"/p/f.bin", 1, INT_MAX, true, 2, "/p/f_001_2147483648", "f_001_2147483648"},
    };
    for (const auto& c : cases) {
        const std::string name =
            BuildImagePathName(c.path, c.imageNo, c.paletteNo, c.paletteImages, c.paletteCount);
        EXPECT_EQ(name, c.pathName) << c.path;
        EXPECT_EQ(TitleOfPathName(name), c.title) << c.path;
    }
}

}  // namespace
}  // namespace vorel
