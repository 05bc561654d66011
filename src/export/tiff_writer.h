// Writes a packed DIB as a baseline TIFF: one directory, one uncompressed strip,
// rows from the top of the picture down.
#pragma once

#include <cstdint>
#include <string>

#include "export/atomic_file.h"
#include "export/tiff_header.h"
#include "image/dib.h"

namespace vorel {

// Result codes of WriteTiffFile.
namespace tiffcode {
inline constexpr int kWritten = 0;
inline constexpr int kNoMemory = 101;      // a work buffer was refused
inline constexpr int kLockFailed = 102;    // the DIB block is missing or shorter than its header
inline constexpr int kCreateFailed = 103;  // the file cannot be created or replaced
inline constexpr int kWriteFailed = 104;   // a write, the flush or the final rename failed
inline constexpr int kBadImage = 105;      // the block does not hold the rows the header describes
inline constexpr int kTooLarge = 106;      // width above 18796 or more than 250,061,984 pixels
}  // namespace tiffcode

inline constexpr std::uint32_t kMaxTiffWidth = 18796;
inline constexpr std::uint64_t kMaxTiffPixels = 250'061'984;  // 18796 x 13304

// Takes width, height, bits per sample, compression and resolutions from `header`,
// completes the rest and replaces `path` with the file. Byte order 0 writes "II",
// any other value "MM". On any failure nothing appears at `path` and an existing
// file there is kept as it was.
int WriteTiffFile(const std::string& path, const Dib& dib, TiffHeader header, int byteOrder,
                  FileSync sync = FileSync::Always);

}  // namespace vorel
