#include "export/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include "export/atomic_file_fault.h"

namespace vorel {
namespace {

struct FaultState {
    FileFault fault = FileFault::None;
    int nth = 0;
    int writeCalls = 0;
    int syncCalls = 0;
};
thread_local FaultState g_fault;

ssize_t RawWrite(int fd, const std::uint8_t* data, std::size_t size) {
    if (g_fault.fault != FileFault::None && g_fault.fault != FileFault::SyncError &&
        ++g_fault.writeCalls == g_fault.nth) {
        switch (g_fault.fault) {
            case FileFault::Error:
                errno = ENOSPC;
                return -1;
            case FileFault::Interrupted:
                errno = EINTR;
                return -1;
            case FileFault::Short:
                return ::write(fd, data, size / 2);
            case FileFault::Zero:
                return 0;
            default:
                break;
        }
    }
    return ::write(fd, data, size);
}

int RawSync(int fd) {
    if (g_fault.fault == FileFault::SyncError && ++g_fault.syncCalls == g_fault.nth) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

// NAME_MAX is the limit for one path component; the temporary name adds a dot in
// front and ".XXXXXX" behind, so a target name near the limit is shortened for it.
constexpr std::size_t kSuffixLength = 6;
constexpr std::size_t kMaxBaseInTempName = NAME_MAX - 2 - kSuffixLength;

std::string RandomSuffix() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 engine{std::random_device{}() ^
                                        (static_cast<std::uint64_t>(::getpid()) << 32)};
    std::string suffix(kSuffixLength, 'x');
    for (char& c : suffix) c = kAlphabet[engine() % (sizeof(kAlphabet) - 1)];
    return suffix;
}

void SyncFolder(const std::string& folder) {
    // Makes the rename itself survive a crash; a folder that cannot be opened or
    // flushed does not undo a save that has already taken its place.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

ScopedFileFault::ScopedFileFault(int nth, FileFault fault) {
    g_fault = FaultState{fault, nth, 0, 0};
}
ScopedFileFault::~ScopedFileFault() {
    g_fault = FaultState{};
}

AtomicFile::~AtomicFile() {
    Abort();
}

void SyncFileSystemOf(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

bool AtomicFile::Open(const std::string& targetPath, FileSync sync) {
    Abort();
    failed_ = false;
    keepMode_ = false;
    sync_ = sync;
    if (targetPath.empty() || targetPath.back() == '/') return false;

    std::string target = targetPath;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            // Saving through a link updates the file it points to, as writing into it
            // would; renaming over the link itself would silently cut it.
            char* resolved = ::realpath(target.c_str(), nullptr);
            if (resolved == nullptr) return false;
            target = resolved;
            std::free(resolved);
            if (::stat(target.c_str(), &st) != 0) return false;
        }
        if (!S_ISREG(st.st_mode)) return false;
        // rename() would replace a read-only file in a writable folder; a file its owner
        // has protected against writing is refused as opening it for writing would be.
        if (::access(target.c_str(), W_OK) != 0) return false;
        keepMode_ = true;
        keptMode_ = st.st_mode & 0777;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string folder = FolderOf(target);
    const std::string base =
        target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    const std::string prefix =
        (folder == "/" ? std::string("/") : folder + "/") + "." + base.substr(0, kMaxBaseInTempName) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + RandomSuffix();
        // 0666 lets the umask decide a new file's permissions, as for any file the
        // user creates; mkstemp's 0600 would hide saved images from other users.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            tempPath_ = std::move(candidate);
            targetPath_ = target;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool AtomicFile::Write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0 || failed_) return false;
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = RawWrite(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that moves nothing would loop for ever; treat it as the error it is.
            failed_ = true;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::Commit() {
    if (fd_ < 0) return false;
    if (failed_) {
        Abort();
        return false;
    }
    if (keepMode_) ::fchmod(fd_, keptMode_);
    const bool flush = sync_ == FileSync::Always || keepMode_;
    if (flush && RawSync(fd_) != 0) {
        Abort();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 || ::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        return false;
    }
    tempPath_.clear();
    if (flush) SyncFolder(FolderOf(targetPath_));
    return true;
}

void AtomicFile::Abort() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
}

}  // namespace vorel
