// The bytes a scan walks: the file itself, or, for a raw CD image, the user
// data of its data sectors as one continuous stream. Every offset a scan
// handles is a stream offset; FileOffsetOf turns one back into the position of
// that byte in the file, which is what the user is shown.
//
// The stream is never held whole: a raw image is read sector batch by sector
// batch into the caller's chunk buffer, and only the sectors of the current
// chunk and its look-ahead are remembered (8 bytes each).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "disc/raw_sectors.h"
#include "image/bytes.h"
#include "search/file_reader.h"

namespace vorel {

// Bytes behind a window's buffer that reading a raw image may scribble on.
#if defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
inline constexpr std::int64_t kRawReadSlack = 16384;  // fuzz builds read small chunks
#else
inline constexpr std::int64_t kRawReadSlack = 65536;
#endif

class ScanSource {
public:
    // False when the path cannot be read.
    bool Open(const std::string& path, SectorReading reading);
    bool IsRaw() const { return raw_; }
    const FileReader& File() const { return file_; }
    std::int64_t FileSize() const { return fileSize_; }

    // Reads the stream from `from` into `dest`, as far as the stream goes; the
    // window of offsets that FileOffsetOf and StreamPositionOf answer for starts
    // here. With `extend`, `from` must be the window's end: the window grows by
    // what is read (the look-ahead). Returns the bytes read, -1 on a read error.
    // `dest` must be followed by kRawReadSlack bytes that may be overwritten.
    std::int64_t ReadWindow(std::int64_t from, MutableByteSpan dest, bool extend);

    // Reads the stream at any offset (a hit): returns the bytes read, fewer at the
    // end of the stream, -1 on a read error.
    std::int64_t ReadAt(std::int64_t from, MutableByteSpan dest);

    // The file offset of a stream byte inside the current window.
    std::int64_t FileOffsetOf(std::int64_t stream) const;

    // The first stream position whose byte lies at or after `fileOffset` in the
    // file, when it falls inside the current window; -1 when it lies beyond it.
    std::int64_t StreamPositionOf(std::int64_t fileOffset) const;

    // Called now and then while a window read walks a long run of sectors that
    // give no user data (an audio track, a file read raw that is none), with the
    // file offset reached; when it returns false the read stops and fails.
    void SetQuietWalkObserver(std::function<bool(std::int64_t)> observer) { quietWalk_ = std::move(observer); }

    // Starts the window at a stream byte whose place in the file is known (a
    // recorded image), so that reads from there on need not walk the stream from
    // its start. False when the file does not hold that stream byte there.
    bool AnchorAt(std::int64_t stream, std::int64_t fileOffset);

    // True when the stream holds `count` bytes from `from` on. For a raw image
    // this may read ahead once (sector by sector, never more than once overall).
    bool Holds(std::int64_t from, std::int64_t count);

private:
    // Where the next stream byte comes from: the sector to read, the bytes of its
    // user data already taken, and the stream offset of the next byte.
    struct Cursor {
        std::int64_t sector = 0;
        std::int64_t skip = 0;
        std::int64_t stream = 0;
    };

    // Copies up to `count` stream bytes from `at` into `dest` (or only counts them
    // when `dest` is null) and moves `at` on; with `record`, the file offset of the
    // user data of every sector met joins the window's map. Returns the bytes
    // taken, -1 on a read error.
    // `inPlace`: `dest` has kRawReadSlack writable bytes behind `count`.
    std::int64_t Take(Cursor& at, std::uint8_t* dest, std::int64_t count, bool record, bool inPlace = false);
    // One batch of sectors; -2 at the end of the file.
    std::int64_t TakeBatch(Cursor& at, std::uint8_t* dest, std::int64_t count, bool inPlace, bool record);
    void Record(const Cursor& at, std::int64_t userDataOffset);
    // A cursor at stream offset `to`, from the window's map or by reading forward.
    bool Seek(std::int64_t to, Cursor& at);

    FileReader file_;
    std::int64_t fileSize_ = 0;
    bool raw_ = false;

    // Raw images only.
    std::vector<std::uint8_t> staging_;   // one batch of whole sectors
    std::vector<std::int64_t> map_;       // file offset of the user data of window sectors
    std::int64_t mapFirst_ = 0;           // stream ordinal (offset / 2,048) of map_[0]
    Cursor resume_;                       // after the last chunk read
    Cursor windowEnd_;                    // after the window (chunk and look-ahead)
    Cursor frontier_;                     // as far as the stream has been counted
    bool frontierAtEnd_ = false;          // frontier_ is the end of the stream
    std::function<bool(std::int64_t)> quietWalk_;
};

}  // namespace vorel
