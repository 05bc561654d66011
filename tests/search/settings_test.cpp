#include "search/settings.h"

#include <gtest/gtest.h>

namespace vorel {
namespace {

TEST(SettingsTest, AnEmptyStoreReadsAsTheDefaults) {
    const MemorySettingsStore store;
    EXPECT_EQ(ReadMemorySizeMb(store), 1);
    EXPECT_EQ(Read(store, settings::kSearchType), 2);
    EXPECT_EQ(Read(store, settings::kPaletteImage), 0);
    EXPECT_EQ(Read(store, settings::kDivideSearch), 0);
    EXPECT_EQ(Read(store, settings::kDivideNum), 50);
    EXPECT_EQ(Read(store, settings::kPaletteFlag), 0);
    EXPECT_EQ(Read(store, settings::kImageType), 0);
    EXPECT_EQ(ReadWithDefault(store, settings::kFolder, "/home/u/Pictures/"), "/home/u/Pictures/");
    EXPECT_EQ(Read(store, settings::kOverwriteMessage), 0);
    const DivideWindow w = ReadDivideWindow(store);
    EXPECT_EQ(w.first, 1);
    EXPECT_EQ(w.last, 999999);
    EXPECT_EQ(DivideWindowLabel(store), "");
}

TEST(SettingsTest, ReadMemorySizeFallsBackToOne) {
    const std::pair<const char*, int> cases[] = {{"1", 1},  {"10", 10}, {"010", 10}, {"7MB", 7}, {" 3", 3},
                                                 {"0", 1},  {"11", 1},  {"-2", 1},   {"", 1},    {"x", 1},
                                                 {"99999999999999", 1}};
    for (const auto& [text, mb] : cases) {
        MemorySettingsStore store;
        Write(store, settings::kReadMemorySize, text);
        EXPECT_EQ(ReadMemorySizeMb(store), mb) << '"' << text << '"';
    }
}

TEST(SettingsTest, LeadingIntegersReadLikeTheProfile) {
    EXPECT_EQ(ParseLeadingInt("42abc"), 42);
    EXPECT_EQ(ParseLeadingInt("-7"), -7);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseLeadingInt("-2147483648"), -2147483648LL);
    EXPECT_EQ(ParseLeadingInt("2147483648"), std::nullopt);
    EXPECT_EQ(ParseLeadingInt("123456789012345678901234567890"), std::nullopt);
}

TEST(SettingsTest, DividedWindowAndItsLabel) {
    MemorySettingsStore store;
    Write(store, settings::kDivideSearch, 1);
    EXPECT_EQ(DivideWindowLabel(store), "ｲﾒｰｼﾞ1～50");
    Write(store, settings::kDividePos, 1);
    EXPECT_EQ(DivideWindowLabel(store), "ｲﾒｰｼﾞ51～100");
    Write(store, settings::kDivideNum, 0);
    EXPECT_EQ(ReadDivideWindow(store).last, 0);
    // Pages far out do not wrap round into a window that shows everything.
    Write(store, settings::kDivideNum, 2147483647);
    Write(store, settings::kDividePos, 2147483647);
    EXPECT_GT(ReadDivideWindow(store).first, std::int64_t{1} << 40);
    Write(store, settings::kDivideSearch, 2);  // only 1 switches it on
    EXPECT_EQ(ReadDivideWindow(store).last, 999999);
}

TEST(SettingsTest, OverlayNeverWritesThrough) {
    MemorySettingsStore base;
    Write(base, settings::kSearchType, 1);
    OverlaySettingsStore overlay(base);
    EXPECT_EQ(Read(overlay, settings::kSearchType), 1);
    Write(overlay, settings::kSearchType, 0);
    Write(overlay, settings::kReadMemorySize, "4");
    EXPECT_EQ(Read(overlay, settings::kSearchType), 0);
    EXPECT_EQ(ReadMemorySizeMb(overlay), 4);
    EXPECT_EQ(Read(base, settings::kSearchType), 1);
    EXPECT_FALSE(base.Contains("Settings", "Read Memory Size"));
}

}  // namespace
}  // namespace vorel
