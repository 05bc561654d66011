// Rewriting a searched file with new bytes for some of its images, so that the
// file is either all new or all old: the new file is made beside the old one
// (a reflink clone where the file system can, else a copy), patched there,
// flushed, searched again and compared with what was asked, and only then
// renamed over the old one. Nothing of the file is ever held in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/image_record.h"

namespace vorel {

// One image to put back: its record (from the search) and the new bytes of its
// hit, from the image's first byte on, as long as the hit the search read.
struct ImagePatch {
    ImageRecord record;
    std::vector<std::uint8_t> bytes;
};

enum class RewriteOutcome {
    kRewritten,
    kFileChanged,         // size or modification time differ from the search's, or the file is gone
    kNotRegularFile,
    kReadOnlyFile,        // no write permission on the file
    kReadOnlyFileSystem,
    kFolderNotWritable,   // the new file cannot be made beside the old one
    kHardLinks,           // another name shares the file: renaming over one name would split them
    kNoSpace,             // the free space does not hold a copy of the file
    kPastEndOfFile,       // a changed byte lies past the end of the file (a cut-off image)
    kSectorNotSealable,   // a changed byte lies in a raw sector that cannot be sealed again
    kMixedFiles,          // the patches do not all come from one search of one file
    kReadFailed,
    kWriteFailed,         // copying, patching, flushing or renaming failed
    kCheckFailed,         // the image read back from the new file is not what was asked
};

// What the user is told, in English as the finder prints it.
std::string_view RewriteOutcomeText(RewriteOutcome outcome);

// Puts every patch into the file all of their records name (symbolic links
// followed: the file a link points to is replaced, the link stays). The file
// must still carry the records' stamp. On any outcome but kRewritten the file
// is as it was and nothing is left beside it.
RewriteOutcome RewriteImages(std::span<const ImagePatch> patches);

// Test hook: makes one step of the next rewrites on this thread fail, so the
// refusals and failures that need a broken device can be tested.
enum class RewriteFault {
    kNone,
    kNoSpace,             // free space reads as none
    kReadOnlyFileSystem,  // the file system reads as mounted read-only
    kNoReflink,           // cloning is taken as unsupported: the copy is made
    kCopyFails,           // copying stops half way (as on a full disk)
    kBeforeRename,        // everything is done but the rename fails
    kCheckMismatch,       // the image read back differs
};

class ScopedRewriteFault {
  public:
    explicit ScopedRewriteFault(RewriteFault fault);
    ~ScopedRewriteFault();
    ScopedRewriteFault(const ScopedRewriteFault&) = delete;
    ScopedRewriteFault& operator=(const ScopedRewriteFault&) = delete;
};

}  // namespace vorel
