// ISO 9660 images for tests and benchmarks, made by genisoimage from a source
// tree written here, and the independent answer about them: isoinfo's listing
// of every file's first sector and size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorel::samples {

// An image packed inside one file of a disc's source tree.
struct PlacedImage {
    std::string discPath;  // "/TEX/T003.TIM": the same in the ISO 9660 and the Joliet tree
    std::int64_t offset = 0;
};

// Writes the test disc's source tree under `root` (which must exist): TIMs and
// bitmaps at known offsets inside files (one across a sector boundary, one
// deep in a chain of ten folders), an empty file and a long lower-case name.
// Returns where the images were placed.
std::vector<PlacedImage> WriteDiscSource(const std::string& root);

// Runs genisoimage (quiet, its warnings dropped) with `options` over `root`, and
// `more` after it (further path specifications, e.g. "/DISC/PATH=local/file" with
// -graft-points in `options`).
bool MakeIso(const std::string& root, const std::string& iso, const std::string& options, const std::string& more = "");

struct IsoinfoEntry {
    std::string path;  // as the reader names it: no ";1", no trailing "."
    std::int64_t firstSector = 0;
    std::int64_t size = 0;
};

// Every file (not folder) that `isoinfo -l` lists, from the Joliet tree with
// `joliet`. `ok` is false when isoinfo cannot be run or prints no listing.
std::vector<IsoinfoEntry> ListWithIsoinfo(const std::string& iso, bool joliet, bool& ok);
// The same with isoinfo's tree options: "" (the primary tree), "-J" or "-R".
std::vector<IsoinfoEntry> ListTreeWithIsoinfo(const std::string& iso, const std::string& tree, bool& ok);

// Noise bytes that hold no TIM id nor bitmap header size (no 0x10 or 0x28 byte).
std::vector<std::uint8_t> QuietNoise(std::size_t bytes, std::uint32_t seed);

}  // namespace vorel::samples
