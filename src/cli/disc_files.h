// The finder's side of disc files: reading a searched file's tree, saying why
// when a disc's files cannot be named, the two columns of an image, and the
// --files listing.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "cli/finder_host.h"
#include "disc/cue_sheet.h"
#include "disc/disc_map.h"
#include "search/settings.h"

namespace vorel {

// Reads the disc files of one searched file, its sectors read as its search
// reads them; a CD image whose file system cannot be read is reported once on
// stderr under `name`, with the reason, and then searched as any file.
void LoadDiscFiles(DiscMap& map, const SearchTarget& target, const ISettingsStore& store, const QString& name);

// "\tdisc_file\tfile_offset" and the plain listing's last column.
std::string DiscColumnsHeader(bool tsv);
std::string DiscColumns(const FoundImage& image, bool tsv);

// --files: the disc's files, their first sector, size, kind and the images found in each.
void PrintDiscFilesHeader(bool tsv);
void PrintDiscFiles(const DiscMap& map, const std::vector<int>& imagesPerFile, bool tsv);

}  // namespace vorel
