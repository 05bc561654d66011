// The settings Vorel keeps, as one typed table of sections, keys and defaults.
// Settings are never cached: every reader asks the store at the moment of use
// and every writer writes at once. The store itself is an interface, so the
// pure layer never sees how or where the values live.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vorel {

class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    virtual int ReadInt(std::string_view section, std::string_view key, int defaultValue) const = 0;
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const = 0;
    virtual void WriteInt(std::string_view section, std::string_view key, int value) = 0;
    virtual void WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

struct IntSetting {
    const char* section;
    const char* key;
    int defaultValue;
};

struct StringSetting {
    const char* section;
    const char* key;
    const char* defaultValue;
};

namespace settings {
inline constexpr char kSettings[] = "Settings";
inline constexpr char kPalette[] = "Palette";
inline constexpr char kRecentFiles[] = "Recent File List";

inline constexpr StringSetting kReadMemorySize{kSettings, "Read Memory Size", "1"};
inline constexpr IntSetting kSearchType{kSettings, "Search Type", 2};
inline constexpr IntSetting kPaletteImage{kSettings, "Palette Image", 0};
inline constexpr IntSetting kDivideSearch{kSettings, "dividesearch", 0};
inline constexpr IntSetting kDivideNum{kSettings, "dividenum", 50};
inline constexpr IntSetting kDividePos{kSettings, "dividepos", 0};
// Save format: 0 BMP, 2 PNG, any other value TIFF.
inline constexpr IntSetting kImageType{kSettings, "ImageType", 0};
// The save folder, stored with a trailing "/". Its default is the user's picture
// folder, which only the windowed program can name: readers pass it through
// ReadWithDefault (Save All with a trailing "/", the save-options dialog without).
inline constexpr StringSetting kFolder{kSettings, "Folder", ""};
// Non-zero: Save All asks before it replaces a file.
inline constexpr IntSetting kOverwriteMessage{kSettings, "OverwriteMessage", 0};
// Non-zero: PNG files give TIM pixels of colour word 0x0000 alpha 0 (the console draws them not at all).
inline constexpr IntSetting kPngAlpha{kSettings, "PngAlpha", 0};
inline constexpr IntSetting kPaletteFlag{kPalette, "Palette Flg", 0};
// How a file's sectors are read: 0 raw when it looks like a raw CD image, 1 always raw, 2 never.
inline constexpr IntSetting kRawSectors{kSettings, "RawSectors", 0};
// Non-zero: TIMs are judged by the strict rules only (exactly 2, 3, 8 or 9 as the
// flag word, 640 x 480 at most), which number images as earlier versions did;
// 0: also what real games ship (see TimRules).
inline constexpr IntSetting kStrictTim{kSettings, "StrictTim", 0};
// Threads a search tests the bytes with: 0 one per processor core (at most 4), 1 the calling thread alone.
inline constexpr IntSetting kScanThreads{kSettings, "ScanThreads", 0};
// Non-zero: every image a search finds opens its window; 0: images go to the image list only.
inline constexpr IntSetting kOpenWindows{kSettings, "OpenWindows", 1};
// Non-zero: the image list is shown beside the windows.
inline constexpr IntSetting kListVisible{kSettings, "ListVisible", 0};
// Where the main window's docks and tool bar lie (Qt's saved state, base64).
inline constexpr StringSetting kMainWindowState{kSettings, "MainWindowState", ""};
inline constexpr int kRecentFileCount = 10;  // "File1" ... "File10"
}  // namespace settings

inline int Read(const ISettingsStore& store, const IntSetting& s) {
    return store.ReadInt(s.section, s.key, s.defaultValue);
}
inline std::string Read(const ISettingsStore& store, const StringSetting& s) {
    return store.ReadString(s.section, s.key, s.defaultValue);
}
// A string key whose default is only known when it is read.
inline std::string ReadWithDefault(const ISettingsStore& store, const StringSetting& s,
                                   std::string_view defaultValue) {
    return store.ReadString(s.section, s.key, defaultValue);
}
inline void Write(ISettingsStore& store, const IntSetting& s, int value) {
    store.WriteInt(s.section, s.key, value);
}
inline void Write(ISettingsStore& store, const StringSetting& s, std::string_view value) {
    store.WriteString(s.section, s.key, value);
}

// "Read Memory Size" as a leading decimal integer; anything that does not give 1 ... 10 reads as 1.
int ReadMemorySizeMb(const ISettingsStore& store);

// Leading decimal integer of a text, as the C library's atoi reads it (sign, digits; 0 when none).
// Values beyond 32 bits give std::nullopt.
std::optional<std::int64_t> ParseLeadingInt(std::string_view text);

// The window of image numbers a scan shows: first ... last, both inclusive.
struct DivideWindow {
    std::int64_t first = 1;
    std::int64_t last = 999999;
};
// dividenum x dividepos + 1 ... dividenum x (dividepos + 1) when "dividesearch" is 1, else 1 ... 999999.
DivideWindow ReadDivideWindow(const ISettingsStore& store);

// Label text of the divided-search window ("ｲﾒｰｼﾞ%d～%d"), empty when divided search is off.
std::string DivideWindowLabel(const ISettingsStore& store);

// An in-memory store, for tests and for the finder's one-run overrides.
class MemorySettingsStore : public ISettingsStore {
public:
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;

    bool Contains(std::string_view section, std::string_view key) const;
    void Clear() { values_.clear(); }

private:
    // Integers are kept as their decimal text, so a key written as one type reads as the other.
    std::map<std::pair<std::string, std::string>, std::string, std::less<>> values_;
};

// Reads from the overrides first, then from the base store. Writes go to the
// overrides only, so a run with one-off options never changes the user's store.
class OverlaySettingsStore : public ISettingsStore {
public:
    explicit OverlaySettingsStore(const ISettingsStore& base) : base_(base) {}
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const override;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const override;
    void WriteInt(std::string_view section, std::string_view key, int value) override;
    void WriteString(std::string_view section, std::string_view key, std::string_view value) override;

private:
    const ISettingsStore& base_;
    MemorySettingsStore overrides_;
};

}  // namespace vorel
