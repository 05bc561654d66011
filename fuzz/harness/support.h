// Pieces the fuzz harnesses share: an in-memory file to scan, a scratch folder
// to write into, and the checks every DIB and palette the program builds must pass.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/dib.h"

namespace vorel::fuzz {

// A file that lives in memory (memfd) and is reached by a path, so the scanners
// read it through their ordinary file code. Falls back to a temporary file where
// memfd or /proc is missing.
class MemoryFile {
  public:
    // `leadingZeros` zero bytes (kept sparse), then `data`.
    MemoryFile(std::span<const std::uint8_t> data, std::uint64_t leadingZeros = 0);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
    std::string unlinkPath_;  // the temporary file of the fallback
};

// A folder of this process's own for files the writers produce: in /dev/shm when
// there is one (saves are flushed to disk, which tmpfs makes cheap), else $TMPDIR.
// Created on first use and removed at exit.
const std::string& ScratchFolder();

// Names of the entries in the scratch folder, for checks that a failed save
// leaves no temporary file behind.
int ScratchEntryCount();

// Properties of every DIB the program builds from a hit: 40-byte header, positive
// size, 1/4/8/24 bits, uncompressed, biClrUsed 0, biSizeImage and the block's
// size exactly header + full table + rows.
void CheckBuiltDib(const Dib& dib);

// The document's palette step: an indexed DIB gets its colour table; a 24-bit one
// the halftone palette (mode 0) or an optimised one of 1 to 236 colours (mode 1).
void CheckDocumentPalette(const Dib& dib, int paletteMode);

// Both writers on `dib` over an existing file: a save that succeeds replaces it with
// exactly the expected bytes (checked for BMP, layout for TIFF); one that fails
// leaves it as it was and no stray file behind.
void CheckWritersOn(const Dib& dib, int byteOrder);

}  // namespace vorel::fuzz
