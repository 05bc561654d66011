#include "export/replacement_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <random>

namespace vorel {
namespace {

volatile std::sig_atomic_t g_stop = 0;

// The name a signal handler removes: written only while `g_armed` is 0, so the
// handler never sees half of it.
char g_pendingName[PATH_MAX + 1];
volatile std::sig_atomic_t g_armed = 0;

void Arm(const std::string& name) {
    g_armed = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const std::size_t n = std::min(name.size(), sizeof g_pendingName - 1);
    std::memcpy(g_pendingName, name.data(), n);
    g_pendingName[n] = '\0';
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_armed = name.size() < sizeof g_pendingName ? 1 : 0;
}

void Disarm() {
    g_armed = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// ".NAME.xxxxxx" beside `target`, the name shortened to fit one path element.
std::string HiddenName(const std::string& target) {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 engine{std::random_device{}()};
    const std::string base = target.substr(target.rfind('/') + 1).substr(0, NAME_MAX - 16);
    std::string name = FolderOf(target) + "/." + base + ".";
    for (int i = 0; i < 6; ++i) name += kAlphabet[engine() % (sizeof kAlphabet - 1)];
    return name;
}

std::string ProcPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

void RemoveReplacementNameNow() noexcept {
    if (g_armed == 0) return;
    g_armed = 0;
    const int saved = errno;
    ::unlink(g_pendingName);
    errno = saved;
}

void RequestRewriteStop() noexcept { g_stop = 1; }
bool RewriteStopRequested() noexcept { return g_stop != 0; }
void ClearRewriteStop() noexcept { g_stop = 0; }

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) {
        Disarm();
        ::unlink(name_.c_str());
    }
}

bool ReplacementFile::Create(const std::string& target, bool allowUnnamed, bool unnamedOnly) {
    const std::string folder = FolderOf(target);
    if (allowUnnamed) {
        const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0) {
            if (::access(ProcPath(fd).c_str(), F_OK) == 0) {
                fd_ = fd;
                return true;
            }
            ::close(fd);  // without /proc it could never take a name
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            return false;  // the folder's own reason: missing, not writable, full
        }
    }
    if (unnamedOnly) {
        errno = EOPNOTSUPP;
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = HiddenName(target);
        Arm(name);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            name_ = std::move(name);
            fd_ = fd;
            return true;
        }
        const int error = errno;
        Disarm();
        errno = error;
        if (error != EEXIST) return false;
    }
    return false;
}

std::string ReplacementFile::Path() const { return name_.empty() ? ProcPath(fd_) : name_; }

bool ReplacementFile::Name(const std::string& target) {
    for (int attempt = 0; name_.empty() && attempt < 100; ++attempt) {
        std::string name = HiddenName(target);
        Arm(name);
        if (::linkat(AT_FDCWD, ProcPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            name_ = std::move(name);
            break;
        }
        const int error = errno;
        Disarm();
        errno = error;
        if (error != EEXIST) return false;
    }
    return !name_.empty();
}

bool ReplacementFile::Replace(const std::string& target) {
    if (!Name(target)) return false;
    // A stop asked for while the name was being made: the name goes, the old file stays.
    if (RewriteStopRequested()) {
        errno = EINTR;
        return false;
    }
    if (::rename(name_.c_str(), target.c_str()) != 0) {
        const int error = errno;
        Disarm();
        ::unlink(name_.c_str());
        name_.clear();
        errno = error;
        return false;
    }
    Disarm();
    name_.clear();
    // The rename is done either way; a folder that cannot be flushed does not undo it.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

bool ReplacementFile::FolderWritable(const std::string& target) {
    return ::access(FolderOf(target).c_str(), W_OK | X_OK) == 0;
}

}  // namespace vorel
