#include "export/rewrite_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "disc/cd_seal.h"
#include "disc/raw_sectors.h"
#include "export/file_copy.h"
#include "export/replacement_file.h"

namespace vorel {
namespace {

thread_local RewriteFault g_fault = RewriteFault::kNone;

// Room kept free beyond the copy itself, so that rewriting a file never fills a disk to its last block.
constexpr std::uint64_t kSpareBytes = 16u << 20;

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    bool Close() {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Writes a plain file's new bytes: only where they differ, never past its end.
RewriteOutcome PatchPlain(int fd, std::int64_t fileSize, const ImagePatch& patch) {
    const std::int64_t start = patch.record.streamOffset;
    if (start < 0) return RewriteOutcome::kPastEndOfFile;
    std::array<std::uint8_t, 65536> old{};
    for (std::size_t done = 0; done < patch.bytes.size();) {
        const std::size_t n = std::min(old.size(), patch.bytes.size() - done);
        const std::int64_t at = start + static_cast<std::int64_t>(done);
        std::size_t got = 0;
        if (at < fileSize && !ReadAt(fd, old.data(), n, at, got)) return RewriteOutcome::kReadFailed;
        const std::uint8_t* want = patch.bytes.data() + done;
        // Bytes the file could not supply were read as zero; they may stay so, but never become anything else.
        if (!std::all_of(want + got, want + n, [](std::uint8_t b) { return b == 0; }))
            return RewriteOutcome::kPastEndOfFile;
        if (!std::equal(want, want + got, old.data()) && !WriteAt(fd, want, got, at)) return RewriteOutcome::kWriteFailed;
        done += n;
    }
    return RewriteOutcome::kRewritten;
}

// Writes a raw image's new bytes: the user data from the record's file offset
// on, data sector after data sector; every changed sector is sealed again and
// written whole, every other sector left as it is.
RewriteOutcome PatchRaw(int fd, std::int64_t fileSize, const ImagePatch& patch) {
    std::int64_t sector = patch.record.fileOffset / kRawSectorBytes;
    if (patch.record.fileOffset < 0) return RewriteOutcome::kPastEndOfFile;
    std::int64_t within = -1;  // user data bytes of the first sector before the image
    std::array<std::uint8_t, kRawSectorBytes> s{};
    std::size_t done = 0;
    while (done < patch.bytes.size()) {
        const std::int64_t at = sector * kRawSectorBytes;
        std::size_t got = 0;
        if (at < fileSize && !ReadAt(fd, s.data(), s.size(), at, got)) return RewriteOutcome::kReadFailed;
        const std::uint8_t* want = patch.bytes.data() + done;
        const std::size_t left = patch.bytes.size() - done;
        if (got == 0) {
            if (!std::all_of(want, want + left, [](std::uint8_t b) { return b == 0; }))
                return RewriteOutcome::kPastEndOfFile;
            break;
        }
        const std::size_t offset = UserDataOffset(ByteSpan(s.data(), got));
        if (within < 0) {
            within = patch.record.fileOffset - at - static_cast<std::int64_t>(offset);
            if (offset == 0 || within < 0 || within >= kUserDataBytes) return RewriteOutcome::kCheckFailed;
        }
        ++sector;
        if (offset == 0) continue;
        const std::size_t room = got > offset ? std::min<std::size_t>(kUserDataBytes, got - offset) : 0;
        const std::size_t from = offset + static_cast<std::size_t>(within);
        const std::size_t n = room > static_cast<std::size_t>(within) ? std::min(left, room - static_cast<std::size_t>(within)) : 0;
        within = 0;
        if (n == 0) continue;
        if (!std::equal(want, want + n, s.data() + from)) {
            if (got != s.size()) return RewriteOutcome::kSectorNotSealable;
            std::copy(want, want + n, s.data() + from);
            if (!SealDataSector(s)) return RewriteOutcome::kSectorNotSealable;
            if (!WriteAt(fd, s.data(), s.size(), at)) return RewriteOutcome::kWriteFailed;
        }
        done += n;
    }
    return RewriteOutcome::kRewritten;
}

// The images as the new file holds them, searched again the way the search found them.
bool ReadsBackAsAsked(const std::string& tempPath, std::span<const ImagePatch> patches) {
    if (g_fault == RewriteFault::kCheckMismatch) return false;
    for (const ImagePatch& patch : patches) {
        ImageRecord again = patch.record;
        again.path = tempPath;
        again.stamp = StampOfFile(tempPath);
        SearchState state;
        if (ReadImageAgain(again, state) != RereadOutcome::kOk) return false;
        const ByteSpan hit = state.Hit();
        if (!std::equal(hit.begin(), hit.end(), patch.bytes.begin(), patch.bytes.end())) return false;
    }
    return true;
}

}  // namespace

ScopedRewriteFault::ScopedRewriteFault(RewriteFault fault) { g_fault = fault; }
ScopedRewriteFault::~ScopedRewriteFault() { g_fault = RewriteFault::kNone; }

std::string_view RewriteOutcomeText(RewriteOutcome outcome) {
    switch (outcome) {
        case RewriteOutcome::kRewritten: return "rewritten";
        case RewriteOutcome::kFileChanged: return "the file changed since it was searched";
        case RewriteOutcome::kNotRegularFile: return "not a regular file";
        case RewriteOutcome::kReadOnlyFile: return "the file is read-only";
        case RewriteOutcome::kReadOnlyFileSystem: return "the file system is mounted read-only";
        case RewriteOutcome::kFolderNotWritable: return "no new file can be made in the file's folder";
        case RewriteOutcome::kHardLinks: return "the file has more than one name (hard links)";
        case RewriteOutcome::kNoSpace: return "not enough free space for a copy of the file";
        case RewriteOutcome::kPastEndOfFile: return "the image is cut off by the end of the file";
        case RewriteOutcome::kSectorNotSealable: return "a changed sector of the raw image cannot be sealed";
        case RewriteOutcome::kMixedFiles: return "the pictures do not come from one search of one file";
        case RewriteOutcome::kReadFailed: return "the file could not be read";
        case RewriteOutcome::kWriteFailed: return "the new file could not be written";
        case RewriteOutcome::kCheckFailed: return "the image read back from the new file is not the picture";
        case RewriteOutcome::kAppendOnly: return "the file is append-only or immutable (lsattr shows a or i)";
        case RewriteOutcome::kAttributesNotCopied:
            return "the file's extended attributes (its ACL) cannot be given to the new file";
        case RewriteOutcome::kInterrupted: return "interrupted before the file was replaced";
    }
    return "failed";
}

std::string ByteCountText(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    // Whole numbers from 10 on; one decimal below, where it tells two sizes apart.
    std::snprintf(text, sizeof text, value < 10.0 ? "%.1f %s" : "%.0f %s", value, kUnits[unit]);
    return text;
}

std::string RewriteMessage(RewriteOutcome outcome, const RewriteReport& report) {
    std::string text(RewriteOutcomeText(outcome));
    if (outcome == RewriteOutcome::kNoSpace && report.needed != 0)
        return text + " (" + ByteCountText(report.needed) + " needed, " + ByteCountText(report.available) + " free)";
    if (report.error != 0) text += std::string(": ") + std::strerror(report.error);
    return text;
}

namespace {

// Waits for a stop request where a test asked the rewrite to pause.
void PauseIfAsked(RewriteFault at) {
    if (g_fault != at) return;
    std::fputs("rewrite paused\n", stderr);
    std::fflush(stderr);
    for (int i = 0; i < 1000 && !RewriteStopRequested(); ++i) ::usleep(10000);
}

// The file all patches name, checked as far as it can be without writing.
struct Source {
    std::string target;  // symbolic links resolved
    struct stat st {};
    Fd fd;
};

RewriteOutcome Fail(RewriteOutcome outcome, RewriteReport& report) {
    report.error = errno;
    return outcome;
}

RewriteOutcome OpenSource(std::span<const ImagePatch> patches, Source& source, RewriteReport& report) {
    if (patches.empty()) return RewriteOutcome::kMixedFiles;
    const ImageRecord& first = patches.front().record;
    for (const ImagePatch& p : patches) {
        if (p.record.path != first.path || !(p.record.stamp == first.stamp) || p.record.rawSectors != first.rawSectors)
            return RewriteOutcome::kMixedFiles;
    }
    if (RewriteStopRequested()) return RewriteOutcome::kInterrupted;
    char* resolved = ::realpath(first.path.c_str(), nullptr);
    if (resolved == nullptr) return RewriteOutcome::kFileChanged;
    source.target = resolved;
    std::free(resolved);

    struct stat& st = source.st;
    if (::stat(source.target.c_str(), &st) != 0) return RewriteOutcome::kFileChanged;
    if (!S_ISREG(st.st_mode)) return RewriteOutcome::kNotRegularFile;
    if (!(StampOfFile(source.target) == first.stamp)) return RewriteOutcome::kFileChanged;
    struct statvfs fs {};
    if (g_fault == RewriteFault::kReadOnlyFileSystem ||
        (::statvfs(source.target.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0))
        return RewriteOutcome::kReadOnlyFileSystem;
    // Even where the user may write anything (root), a file without write bits was meant to stay.
    if ((st.st_mode & 0222) == 0 || ::access(source.target.c_str(), W_OK) != 0) return RewriteOutcome::kReadOnlyFile;
    if (st.st_nlink > 1) return RewriteOutcome::kHardLinks;
    source.fd.Reset(::open(source.target.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.fd.Get() < 0) return Fail(RewriteOutcome::kReadFailed, report);
    // Not even root may rename over such a file: say so before anything is copied.
    int flags = 0;
    if (::ioctl(source.fd.Get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0)
        return RewriteOutcome::kAppendOnly;
    return RewriteOutcome::kRewritten;
}

// Makes the new file and fills it with the old one's bytes (or, for a check, only
// finds out whether the clone or the free space allows it).
RewriteOutcome MakeCopy(const Source& source, ReplacementFile& copy, bool checkOnly, RewriteReport& report) {
    const bool unnamed = g_fault != RewriteFault::kNoUnnamedFile && g_fault != RewriteFault::kPauseWhileCopying;
    if (!copy.Create(source.target, unnamed, checkOnly)) {
        if (!checkOnly || errno != EOPNOTSUPP) return Fail(RewriteOutcome::kFolderNotWritable, report);
        // No file can be made without leaving a name: the folder's permissions say enough.
        if (!ReplacementFile::FolderWritable(source.target)) return Fail(RewriteOutcome::kFolderNotWritable, report);
    }
    if (copy.Fd() >= 0 && g_fault != RewriteFault::kNoReflink && CloneFile(source.fd.Get(), copy.Fd()))
        return RewriteOutcome::kRewritten;
    struct statvfs fs {};
    if (::fstatvfs(source.fd.Get(), &fs) == 0) {
        report.needed = AllocatedBytes(source.st) + kSpareBytes;
        report.available = g_fault == RewriteFault::kNoSpace ? 0 : std::uint64_t{fs.f_bavail} * fs.f_frsize;
        if (report.available < report.needed) return RewriteOutcome::kNoSpace;
        report.needed = report.available = 0;
    }
    if (checkOnly) return RewriteOutcome::kRewritten;
    const std::int64_t size = source.st.st_size;
    const std::int64_t stopAt = g_fault == RewriteFault::kCopyFails ? size / 2 : size;
    PauseIfAsked(RewriteFault::kPauseWhileCopying);
    switch (CopyData(source.fd.Get(), copy.Fd(), size, stopAt)) {
        case CopyOutcome::kCopied: return RewriteOutcome::kRewritten;
        case CopyOutcome::kStopped: return RewriteOutcome::kInterrupted;
        case CopyOutcome::kReadFailed: return Fail(RewriteOutcome::kReadFailed, report);
        case CopyOutcome::kWriteFailed: break;
    }
    return Fail(RewriteOutcome::kWriteFailed, report);
}

RewriteOutcome Rewrite(std::span<const ImagePatch> patches, RewriteReport& report) {
    Source source;
    if (const RewriteOutcome opened = OpenSource(patches, source, report); opened != RewriteOutcome::kRewritten)
        return opened;
    ReplacementFile copy;
    if (const RewriteOutcome made = MakeCopy(source, copy, false, report); made != RewriteOutcome::kRewritten)
        return made;
    const int fd = copy.Fd();
    const std::int64_t size = source.st.st_size;
    const ImageRecord& first = patches.front().record;
    for (const ImagePatch& patch : patches) {
        const RewriteOutcome patched = first.rawSectors ? PatchRaw(fd, size, patch) : PatchPlain(fd, size, patch);
        if (patched == RewriteOutcome::kReadFailed || patched == RewriteOutcome::kWriteFailed) return Fail(patched, report);
        if (patched != RewriteOutcome::kRewritten) return patched;
    }
    const struct stat& st = source.st;
    // The owner stays where this user may keep it (root rewriting another user's file); anyone else owns
    // the new file already. The attributes come after the owner (a change of owner drops file capabilities)
    // and before the mode, so that the mode is the old file's exactly, its ACL mask included.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0 && errno != EPERM) return Fail(RewriteOutcome::kWriteFailed, report);
    if (!CopyAttributes(source.fd.Get(), fd, g_fault == RewriteFault::kAttributesFail))
        return Fail(RewriteOutcome::kAttributesNotCopied, report);
    if (::fchmod(fd, st.st_mode & 07777) != 0 || ::fsync(fd) != 0) return Fail(RewriteOutcome::kWriteFailed, report);
    if (RewriteStopRequested()) return RewriteOutcome::kInterrupted;
    if (!ReadsBackAsAsked(copy.Path(), patches)) return RewriteOutcome::kCheckFailed;
    // The file must not have changed while the copy was made and checked.
    if (!(StampOfFile(source.target) == first.stamp)) return RewriteOutcome::kFileChanged;
    if (RewriteStopRequested()) return RewriteOutcome::kInterrupted;
    if (!copy.Name(source.target)) return Fail(RewriteOutcome::kWriteFailed, report);
    PauseIfAsked(RewriteFault::kPauseBeforeRename);
    if (g_fault == RewriteFault::kBeforeRename) {
        errno = EIO;
        return Fail(RewriteOutcome::kWriteFailed, report);
    }
    if (!copy.Replace(source.target)) {
        if (RewriteStopRequested()) return RewriteOutcome::kInterrupted;
        return Fail(RewriteOutcome::kWriteFailed, report);
    }
    return RewriteOutcome::kRewritten;
}

}  // namespace

RewriteOutcome RewriteImages(std::span<const ImagePatch> patches, RewriteReport* report) {
    RewriteReport ignored;
    RewriteReport& r = report != nullptr ? *report : ignored;
    r = {};
    return Rewrite(patches, r);
}

RewriteOutcome CheckRewrite(std::span<const ImagePatch> patches, RewriteReport* report) {
    RewriteReport ignored;
    RewriteReport& r = report != nullptr ? *report : ignored;
    r = {};
    Source source;
    if (const RewriteOutcome opened = OpenSource(patches, source, r); opened != RewriteOutcome::kRewritten) return opened;
    ReplacementFile probe;
    if (const RewriteOutcome made = MakeCopy(source, probe, true, r); made != RewriteOutcome::kRewritten) return made;
    if (probe.Fd() >= 0 && !CopyAttributes(source.fd.Get(), probe.Fd(), g_fault == RewriteFault::kAttributesFail))
        return Fail(RewriteOutcome::kAttributesNotCopied, r);
    return RewriteOutcome::kRewritten;
}

}  // namespace vorel
