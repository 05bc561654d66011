// Rewriting a searched file with new bytes for some of its images, so that the
// file is either all new or all old: the new file is made beside the old one
// (without a name where the file system allows, else a hidden one), filled
// with a reflink clone where the file system can, else a copy of the data
// extents (holes stay holes), patched there, given the old file's owner, mode
// and extended attributes (ACLs), flushed, searched again and compared with
// what was asked, and only then named and renamed over the old one. Nothing of
// the file is ever held in memory.
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
    kAppendOnly,          // the file is append-only or immutable (chattr +a, +i): no rename may replace it
    kAttributesNotCopied, // an extended attribute (an ACL) cannot be given to the new file
    kInterrupted,         // a stop was requested (a signal) before the rename
};

// What went wrong, beyond the outcome.
struct RewriteReport {
    int error = 0;               // the system's reason (an errno value) where a call failed, else 0
    std::uint64_t needed = 0;    // kNoSpace: bytes a copy needs (the file's data and a margin)
    std::uint64_t available = 0; // kNoSpace: bytes free for this user
};

// What the user is told, in English as the finder prints it.
std::string_view RewriteOutcomeText(RewriteOutcome outcome);
// The same with its details: "...: No space left on device", "... (5.1 GB needed, 2.0 GB free)".
std::string RewriteMessage(RewriteOutcome outcome, const RewriteReport& report);
// A byte count as the messages give it: "840 bytes", "224 KB", "5.1 GB" (powers of 1,024).
std::string ByteCountText(std::uint64_t bytes);

// Puts every patch into the file all of their records name (symbolic links
// followed: the file a link points to is replaced, the link stays). The file
// must still carry the records' stamp. On any outcome but kRewritten the file
// is as it was and nothing is left beside it.
RewriteOutcome RewriteImages(std::span<const ImagePatch> patches, RewriteReport* report = nullptr);

// Everything RewriteImages checks before it writes, the free space included,
// without writing: a clone is tried on a file without a name, which is dropped.
RewriteOutcome CheckRewrite(std::span<const ImagePatch> patches, RewriteReport* report = nullptr);

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
    kNoUnnamedFile,       // the file system is taken to refuse O_TMPFILE: the copy has a hidden name at once
    kAttributesFail,      // the first extended attribute cannot be set on the new file
    // For tests that interrupt a real run: the rewrite says "rewrite paused" on stderr
    // and waits up to 10 s for a stop request (a signal), as the copy begins (under a
    // hidden name), or with the finished copy named just before its rename.
    kPauseWhileCopying,
    kPauseBeforeRename,
};

class ScopedRewriteFault {
  public:
    explicit ScopedRewriteFault(RewriteFault fault);
    ~ScopedRewriteFault();
    ScopedRewriteFault(const ScopedRewriteFault&) = delete;
    ScopedRewriteFault& operator=(const ScopedRewriteFault&) = delete;
};

}  // namespace vorel
