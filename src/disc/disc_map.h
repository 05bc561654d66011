// Which disc file holds a byte of a CD image. Built once per searched file
// (the tree is read before the scans), then asked once per found image with
// the image's offset in the searched file.
//
// A plain file is a CD image when sector 16 (byte 32,768) holds a volume
// descriptor, or when a cue sheet says it is one; a raw file is one whenever it
// is read as raw sectors. Sectors are counted from the start of the data track
// (where a cue sheet's INDEX 01 puts it; else the file's first sector): sector n
// is the n-th sector after it, whatever its header says.
#pragma once

#include <cstdint>
#include <string>

#include "disc/iso9660.h"
#include "disc/raw_sectors.h"
#include "search/file_reader.h"

namespace vorel {

enum class DiscNaming {
    kNotADisc,    // an ordinary file: no disc files to name, nothing to say
    kNamed,       // the tree was read
    kUnreadable,  // a CD image whose file system could not be read (Problem() says why)
};

// A found image's place on the disc.
struct DiscLocation {
    std::uint32_t file = 0;   // index into the tree's files
    std::int64_t offset = 0;  // of the byte inside the file's user data
};

class DiscMap {
public:
    // Reads the file system of `path` when it is a CD image. `reading` is how the
    // search reads the file's sectors (automatic: raw when it looks raw);
    // `knownDisc` marks a file a cue sheet names, which is a disc even without a
    // descriptor; `trackStart` is the sector of the file where its data track starts.
    DiscNaming Load(const std::string& path, SectorReading reading, bool knownDisc = false,
                    std::int64_t trackStart = 0);

    DiscNaming Naming() const { return naming_; }
    bool IsRaw() const { return raw_; }
    const DiscTree& Tree() const { return tree_; }
    DiscTreeOutcome Problem() const { return tree_.outcome; }

    // The file holding the byte at `fileOffset` of the searched file (a hit's
    // first byte); false outside every data file, and for any file not named.
    bool Locate(std::int64_t fileOffset, DiscLocation& where) const;

    // "/TEX/T003.TIM" for a location.
    const std::string& PathOf(const DiscLocation& where) const { return tree_.files[where.file].path; }

private:
    FileReader file_;
    std::int64_t fileSize_ = 0;
    std::int64_t trackStart_ = 0;
    bool raw_ = false;
    DiscNaming naming_ = DiscNaming::kNotADisc;
    DiscTree tree_;
};

// The user data of sector `sector` of an image read plain (2,048-byte sectors) or
// raw (2,352-byte sectors, Mode 1 or Mode 2 Form 1); the building block of the
// map's own reads, also used by the fuzz harness over an in-memory file.
SectorRead ReadImageSector(const FileReader& file, std::int64_t fileSize, bool raw, std::int64_t sector,
                           std::span<std::uint8_t> out);

// "TEX/T003.TIM+0x1F0" (the finder's plain listing) and "/TEX/T003.TIM (+0x1F0)"
// (the information box) for a location.
std::string ShortDiscText(const std::string& path, std::int64_t offset);
std::string LongDiscText(const std::string& path, std::int64_t offset);

}  // namespace vorel
