// .cue sheets: a disc image is usually kept as one or more .bin files and a
// small text sheet that names them and says what their tracks hold. Opening
// the sheet searches the files it names, each as if it had been opened itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "disc/raw_sectors.h"

namespace vorel {

// Sheets are a few hundred bytes; anything larger than this is not one.
inline constexpr std::int64_t kMaxCueSheetBytes = 1000000;
// A disc holds at most 99 tracks, so no sheet names more files than that.
inline constexpr std::size_t kMaxCueSheetFiles = 99;

// One FILE line of a sheet, with what its TRACK lines say.
struct CueFile {
    std::string name;      // as the sheet writes it
    bool raw = true;       // 2,352-byte sectors; false when every data track is MODE1/2048 (or 2336)
    bool audioOnly = false;
    // Sectors of the file before its first data track's INDEX 01 (a pregap, audio
    // tracks): the data track's file system counts its sectors from there.
    std::int64_t dataTrackStart = 0;
};

// The FILE entries of a sheet's text, in order.
std::vector<CueFile> ParseCueSheet(std::string_view text);

// True for a name ending in ".cue", in any case.
bool IsCueSheetName(std::string_view path);

enum class SearchProblem {
    kNone,
    kSheetUnreadable,  // the sheet cannot be read
    kSheetTooLarge,    // larger than any sheet: not one
    kSheetNamesNoFile, // no FILE line naming data (or not text at all)
    kFileMissing,      // a FILE line names a file that is not there
    kNamesItself,      // a FILE line names the sheet itself
    kSheetTooManyFiles, // more FILE lines than a disc has tracks: not a sheet
};

// One file to search: a name given by the user, or one a sheet names.
struct SearchTarget {
    std::string path;  // the file to search, or the sheet / missing file a problem is about
    SearchProblem problem = SearchProblem::kNone;
    bool fromSheet = false;  // sectors as the sheet says, not as the "RawSectors" setting says
    SectorReading reading = SectorReading::kAuto;
    std::int64_t dataTrackStart = 0;  // in sectors of the file, as its sheet says
};

// The files one name stands for: the name itself, or for a .cue sheet the files
// it names (relative to the sheet's folder, each once), each raw unless its tracks say
// MODE1/2048; files of audio tracks only are left out. Problems come as targets
// of their own, in the sheet's order, so the other files are still searched.
std::vector<SearchTarget> PlanSearch(const std::string& path);

}  // namespace vorel
