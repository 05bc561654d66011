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
#include <climits>
#include <cstdlib>
#include <random>

#include "disc/cd_seal.h"
#include "disc/raw_sectors.h"

namespace vorel {
namespace {

thread_local RewriteFault g_fault = RewriteFault::kNone;

// Room kept free beyond the copy itself, so that rewriting a file never fills a disk to its last block.
constexpr std::uint64_t kSpareBytes = 16u << 20;

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

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

// The temporary file beside the target; removed unless it took the target's name.
class TempFile {
  public:
    ~TempFile() {
        fd.Close();
        if (!path.empty()) ::unlink(path.c_str());
    }
    bool Create(const std::string& target) {
        static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
        thread_local std::mt19937_64 engine{std::random_device{}()};
        const std::string folder = FolderOf(target);
        const std::string base = target.substr(target.rfind('/') + 1).substr(0, NAME_MAX - 16);
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = folder + "/." + base + ".";
            for (int i = 0; i < 6; ++i) name += kAlphabet[engine() % (sizeof kAlphabet - 1)];
            const int f = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (f >= 0) {
                path = std::move(name);
                fd.Reset(f);
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }
    void Released() { path.clear(); }
    Fd fd;
    std::string path;
};

bool PRead(int fd, std::uint8_t* p, std::size_t n, std::int64_t at, std::size_t& got) {
    got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, p + got, n - got, static_cast<off_t>(at + static_cast<std::int64_t>(got)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool PWrite(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pwrite(fd, p + done, n - done, static_cast<off_t>(at + static_cast<std::int64_t>(done)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

// The whole of `from` into `to`: a clone sharing the blocks where the file system
// can, else a copy made by the kernel (no buffer of ours), else through a small buffer.
RewriteOutcome CopyInto(int from, int to, std::int64_t size) {
    if (g_fault != RewriteFault::kNoReflink && ::ioctl(to, FICLONE, from) == 0) return RewriteOutcome::kRewritten;
    struct statvfs fs {};
    if (::fstatvfs(to, &fs) == 0) {
        const std::uint64_t space = g_fault == RewriteFault::kNoSpace ? 0 : std::uint64_t{fs.f_bavail} * fs.f_frsize;
        if (space < static_cast<std::uint64_t>(size) + kSpareBytes) return RewriteOutcome::kNoSpace;
    }
    std::int64_t done = 0;
    const std::int64_t stopAt = g_fault == RewriteFault::kCopyFails ? size / 2 : size;
    while (done < stopAt) {
        loff_t in = done;
        loff_t out = done;
        const ssize_t n = ::copy_file_range(from, &in, to, &out, static_cast<std::size_t>(stopAt - done), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    std::vector<std::uint8_t> buffer;
    while (done < stopAt) {  // a file system that cannot copy in the kernel
        if (buffer.empty()) buffer.resize(1u << 20);
        std::size_t got = 0;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(stopAt - done, 1 << 20));
        if (!PRead(from, buffer.data(), want, done, got)) return RewriteOutcome::kReadFailed;
        if (got == 0) break;
        if (!PWrite(to, buffer.data(), got, done)) return RewriteOutcome::kWriteFailed;
        done += static_cast<std::int64_t>(got);
    }
    return done == size ? RewriteOutcome::kRewritten : RewriteOutcome::kWriteFailed;
}

// Writes a plain file's new bytes: only where they differ, never past its end.
RewriteOutcome PatchPlain(int fd, std::int64_t fileSize, const ImagePatch& patch) {
    const std::int64_t start = patch.record.streamOffset;
    if (start < 0) return RewriteOutcome::kPastEndOfFile;
    std::array<std::uint8_t, 65536> old{};
    for (std::size_t done = 0; done < patch.bytes.size();) {
        const std::size_t n = std::min(old.size(), patch.bytes.size() - done);
        const std::int64_t at = start + static_cast<std::int64_t>(done);
        std::size_t got = 0;
        if (at < fileSize && !PRead(fd, old.data(), n, at, got)) return RewriteOutcome::kReadFailed;
        const std::uint8_t* want = patch.bytes.data() + done;
        // Bytes the file could not supply were read as zero; they may stay so, but never become anything else.
        if (!std::all_of(want + got, want + n, [](std::uint8_t b) { return b == 0; }))
            return RewriteOutcome::kPastEndOfFile;
        if (!std::equal(want, want + got, old.data()) && !PWrite(fd, want, got, at)) return RewriteOutcome::kWriteFailed;
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
        if (at < fileSize && !PRead(fd, s.data(), s.size(), at, got)) return RewriteOutcome::kReadFailed;
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
            if (!PWrite(fd, s.data(), s.size(), at)) return RewriteOutcome::kWriteFailed;
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
    }
    return "failed";
}

RewriteOutcome RewriteImages(std::span<const ImagePatch> patches) {
    if (patches.empty()) return RewriteOutcome::kMixedFiles;
    const ImageRecord& first = patches.front().record;
    for (const ImagePatch& p : patches) {
        if (p.record.path != first.path || !(p.record.stamp == first.stamp) || p.record.rawSectors != first.rawSectors)
            return RewriteOutcome::kMixedFiles;
    }
    char* resolved = ::realpath(first.path.c_str(), nullptr);
    if (resolved == nullptr) return RewriteOutcome::kFileChanged;
    const std::string target = resolved;
    std::free(resolved);

    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return RewriteOutcome::kFileChanged;
    if (!S_ISREG(st.st_mode)) return RewriteOutcome::kNotRegularFile;
    if (!(StampOfFile(target) == first.stamp)) return RewriteOutcome::kFileChanged;
    struct statvfs fs {};
    if (g_fault == RewriteFault::kReadOnlyFileSystem ||
        (::statvfs(target.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0))
        return RewriteOutcome::kReadOnlyFileSystem;
    // Even where the user may write anything (root), a file without write bits was meant to stay.
    if ((st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return RewriteOutcome::kReadOnlyFile;
    if (st.st_nlink > 1) return RewriteOutcome::kHardLinks;

    Fd source(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.Get() < 0) return RewriteOutcome::kReadFailed;
    TempFile temp;
    if (!temp.Create(target)) return RewriteOutcome::kFolderNotWritable;
    const std::int64_t size = st.st_size;
    if (const RewriteOutcome copied = CopyInto(source.Get(), temp.fd.Get(), size);
        copied != RewriteOutcome::kRewritten)
        return copied;
    for (const ImagePatch& patch : patches) {
        const RewriteOutcome patched = first.rawSectors ? PatchRaw(temp.fd.Get(), size, patch)
                                                        : PatchPlain(temp.fd.Get(), size, patch);
        if (patched != RewriteOutcome::kRewritten) return patched;
    }
    // The owner stays where this user may keep it (root rewriting another user's file); anyone else owns
    // the new file already, and the mode is kept either way.
    if (::fchown(temp.fd.Get(), st.st_uid, st.st_gid) != 0 && errno != EPERM) return RewriteOutcome::kWriteFailed;
    if (::fchmod(temp.fd.Get(), st.st_mode & 07777) != 0 || ::fsync(temp.fd.Get()) != 0 || !temp.fd.Close())
        return RewriteOutcome::kWriteFailed;
    if (!ReadsBackAsAsked(temp.path, patches)) return RewriteOutcome::kCheckFailed;
    // The file must not have changed while the copy was made and checked.
    if (!(StampOfFile(target) == first.stamp)) return RewriteOutcome::kFileChanged;
    if (g_fault == RewriteFault::kBeforeRename || ::rename(temp.path.c_str(), target.c_str()) != 0)
        return RewriteOutcome::kWriteFailed;
    temp.Released();
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return RewriteOutcome::kRewritten;
}

}  // namespace vorel
