// What is kept of one found image after its scan has moved on: enough to find
// the very same image in its file again (to reopen a closed window, to make a
// thumbnail, to check a file before it is rewritten), and to notice when the
// file has changed since the search and the record no longer holds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "disc/raw_sectors.h"
#include "search/search_state.h"

namespace vorel {

// The identity of a file's contents as far as a search can tell: its size and
// its modification time. A record made before a change does not match after it.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    bool operator==(const FileStamp&) const = default;
};

// The stamp of a file now; size -1 when it cannot be had (gone, unreadable).
FileStamp StampOfFile(const std::string& path);

struct ImageRecord {
    std::string path;              // the file searched (a cue sheet's .bin, not the sheet)
    FileStamp stamp;               // the file as it was when searched
    bool rawSectors = false;       // the file was read as 2,352-byte CD sectors
    std::int64_t streamOffset = 0; // where the image starts in the scanned bytes (its user data)
    std::int64_t fileOffset = 0;   // where its first byte lies in the file (what the user is shown)
    std::int32_t sourceType = 0;   // kSourceTim or kSourceBmp
    std::uint32_t timFlag = 0;     // TIM: 2, 3, 8 or 9, the kind its pixels are read as
    std::int32_t bitCount = 0;     // bits per pixel of the image as found (4, 8, 16, 24; bitmaps 1, 4, 8, 24)
    std::int32_t width = 0;        // in pixels, as found (before any turn)
    std::int32_t height = 0;
    std::int64_t size = 0;         // bytes the image takes in its file (a TIM's blocks as their lengths give them)
    std::int32_t paletteCount = 1; // palettes of a TIM with a colour table, else 1
    std::int32_t paletteIndex = 0; // the palette this record shows
    std::int32_t imageNo = 0;      // the image number in its search (1 for the first)
    bool paletteImages = false;    // the search showed one image per palette (titles carry the palette)
    bool strictTim = false;        // the search judged TIMs by the strict rules only (read again by the same)
};

// The record of the hit a scanner is opening a document for (called from
// ISearchHost::OpenDocument, with the path it was given).
ImageRecord RecordOfHit(const SearchState& state, std::string_view path);

enum class RereadOutcome {
    kOk,
    kFileChanged,   // size or modification time differ from the record's stamp, or the file is gone
    kReadFailed,    // the file could not be opened or read
    kImageGone,     // the bytes at the record's place are no longer that image
    kNoMemory,
};

// Reads the recorded image from its file again and fills `state` as the scan
// did when it opened the image's document (hit buffer, header fields, palette
// index, image number), so the same conversion gives the same picture. The file
// must still carry the record's stamp.
RereadOutcome ReadImageAgain(const ImageRecord& record, SearchState& state);

}  // namespace vorel
