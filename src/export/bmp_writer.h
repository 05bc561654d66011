// Writes a packed DIB as a Windows BMP file: a 14-byte BITMAPFILEHEADER followed
// by the whole DIB block exactly as held in memory.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "export/atomic_file.h"
#include "image/dib.h"

namespace vorel {

enum class BmpWriteOutcome {
    Saved,
    NoImage,             // the document holds no DIB; nothing is attempted
    LockFailed,          // the block is too short to hold the header it must start with
    CreateFailed,        // the file cannot be created or replaced
    HeaderBufferFailed,  // kept for the callers' message tables; the header needs no heap memory
    HeaderWriteFailed,
    BodyWriteFailed,  // includes a failure to flush or put the finished file in place
};

// The BITMAPFILEHEADER for `dib`: "BM", bfSize = 14 + allocated size,
// bfOffBits = 14 + biSize + 4 * colour count. Precondition: the block holds at least 40 bytes.
std::array<std::uint8_t, 14> BmpFileHeader(const Dib& dib);

// Replaces `path` with the BMP, or leaves whatever was there untouched on failure.
BmpWriteOutcome WriteBmpFile(const std::string& path, const Dib& dib, FileSync sync = FileSync::Always);

}  // namespace vorel
