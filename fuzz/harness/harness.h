// The bodies of Vorel's fuzz targets. Each takes untrusted bytes, drives one
// parser or writer the way the program does, and checks what must hold for any
// input: no read outside a buffer (the sanitizers watch that), and results that
// agree with the format's rules (these checks report through check.h).
//
// The libFuzzer entry points, the plain corpus replay and the regression test
// all call these same functions, so a reproducer behaves alike in all three.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "disc/iso9660.h"

namespace vorel::fuzz {

using Input = std::span<const std::uint8_t>;

// TestTimCandidate at the first byte, by the strict and by the real-game rules,
// each against the rules written out on their own; an accepted TIM is described
// in a search state as the scanner does and converted once per palette (and with
// palette indices just outside the range). The bytes are also read as a raw search
// state, so conversion meets states no scanner would write.
void CheckTimCandidate(Input data);

// TestBmpHeader at the first byte; a bitmap that fits is read as the scanner
// reads it and converted.
void CheckBmpCandidate(Input data);

// The options of a whole search run over a buffer.
struct ScanOptions {
    int searchType = 2;          // "Search Type": 0 TIM, 1 BMP, 2 both, other none
    bool paletteImages = false;  // "Palette Image"
    int paletteMode = 0;         // "Palette Flg" as the document uses it (0, 1, or another value)
    std::string readMemorySize = "1";
    bool divideSearch = false;
    int divideNum = 50;
    int dividePos = 0;
    int cancelAtCheck = 0;      // 1-based progress check at which Cancel is pressed; 0 never
    bool confirmCancel = true;  // the answer to "Are you sure you want to Cancel?"
    // Place the bytes so that they start `edgeShift` bytes before the end of the
    // first chunk, behind zeros: candidates then straddle a chunk boundary.
    bool atChunkEdge = false;
    int edgeShift = 1;
    int writeDocuments = 0;  // save this many opened documents as BMP and TIFF
    // How the bytes meet the sector reader: 0 as a plain file ("RawSectors" 2),
    // 1 wrapped in raw CD sectors, 2 read raw whatever they hold ("RawSectors" 1),
    // 3 as they are, detected ("RawSectors" 0).
    int sectors = 0;
    bool mode1 = false;   // wrapped in Mode 1 sectors rather than Mode 2 Form 1
    int form2Every = 0;   // a Form 2 sector after every n data sectors; 0 none
    bool audioAfter = false;  // an audio sector at the end of the wrapped image
    bool strictTim = false;   // "StrictTim": TIMs judged by the strict rules only
    // The scan engine: threads testing the bytes, bytes a thread tests at a
    // time, and mapped windows rather than reads.
    int threads = 1;
    std::int64_t windowBytes = 4096;
    bool mapped = false;
};

// Splits the options off the end of a fuzz input: four bytes, a fifth before
// them for the sector reader, and a sixth before that for the scan engine
// (fewer bytes: defaults).
ScanOptions TakeScanOptions(Input& data);

// What a run found, for tests that expect particular counts.
struct ScanSummary {
    int timHits = 0;    // m_nHitCount after the TIM scan
    int bmpHits = 0;    // hits the bitmap scan added
    int documents = 0;  // OpenDocument calls
    int images = 0;     // documents whose hit became a DIB
};

// Writes the bytes to an in-memory file and runs the search through the host
// interface; the host converts every hit as a document does, checks the hit
// against the file, and checks the counts, the order of the hits and the
// progress points against the candidate tests applied to every position.
ScanSummary ScanBuffer(Input data, const ScanOptions& options);

// CreateOptimizedPalette on a 24-bit DIB shaped by the input.
void CheckOptimizedPalette(Input data);

// WriteBmpFile and SaveTiff of a DIB shaped by the input (whose header may
// claim more than the block holds) over an existing file in a scratch folder.
void CheckWriters(Input data);

// The ISO 9660 reader over an image whose sectors from 16 on are `data` (the
// system area before them zeros), as a plain .iso and wrapped in raw Mode 2
// Form 1 sectors: bounded, safe paths, extents inside their files, every
// location inside its file, and the same tree both ways.
struct DiscSummary {
    DiscTreeOutcome outcome = DiscTreeOutcome::kOk;
    std::size_t files = 0;
};
DiscSummary CheckDiscTree(Input data);

}  // namespace vorel::fuzz
