#include "export/file_copy.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "export/replacement_file.h"

namespace vorel {
namespace {

// Each kernel copy call moves at most this much, so a stop request is seen within a moment.
constexpr std::int64_t kCopyStep = std::int64_t{64} << 20;
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

// Bytes [begin, end) of `from` to the same place in `to`.
CopyOutcome CopyRange(int from, int to, std::int64_t begin, std::int64_t end, std::vector<std::uint8_t>& buffer) {
    std::int64_t done = begin;
    bool kernel = buffer.empty();  // once the kernel cannot, the buffer does the rest
    while (done < end) {
        if (RewriteStopRequested()) return CopyOutcome::kStopped;
        if (kernel) {
            loff_t in = done;
            loff_t out = done;
            const ssize_t n = ::copy_file_range(from, &in, to, &out, static_cast<std::size_t>(std::min(end - done, kCopyStep)), 0);
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            // A file system or kernel that cannot copy for us: the same bytes through a buffer.
            if (n < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EBADF)
                return errno == EIO ? CopyOutcome::kReadFailed : CopyOutcome::kWriteFailed;
            kernel = false;
        }
        if (buffer.empty()) buffer.resize(kBufferBytes);
        std::size_t got = 0;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(end - done, static_cast<std::int64_t>(buffer.size())));
        if (!ReadAt(from, buffer.data(), want, done, got)) return CopyOutcome::kReadFailed;
        if (got == 0) {
            errno = EIO;  // the file is shorter than it said
            return CopyOutcome::kReadFailed;
        }
        if (!WriteAt(to, buffer.data(), got, done)) return CopyOutcome::kWriteFailed;
        done += static_cast<std::int64_t>(got);
    }
    return CopyOutcome::kCopied;
}

// The names of the extended attributes of `fd`; false with errno set.
bool AttributeNames(int fd, std::vector<std::string>& names) {
    names.clear();
    std::vector<char> list;
    for (int attempt = 0; attempt < 10; ++attempt) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) return errno == ENOTSUP;  // a file system without attributes: none
        list.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue;  // one was added meanwhile
        if (got < 0) return false;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const std::string name(list.data() + at);
            at += name.size() + 1;
            if (!name.empty()) names.push_back(name);
        }
        return true;
    }
    errno = ERANGE;
    return false;
}

bool AttributeValue(int fd, const std::string& name, std::vector<char>& value) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::fgetxattr(fd, name.c_str(), value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(static_cast<std::size_t>(got));
        return true;
    }
    errno = ERANGE;
    return false;
}

}  // namespace

bool ReadAt(int fd, std::uint8_t* p, std::size_t n, std::int64_t at, std::size_t& got) {
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

bool WriteAt(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t r = ::pwrite(fd, p + done, n - done, static_cast<off_t>(at + static_cast<std::int64_t>(done)));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(r);
    }
    return true;
}

bool CloneFile(int from, int to) { return ::ioctl(to, FICLONE, from) == 0; }

CopyOutcome CopyData(int from, int to, std::int64_t size, std::int64_t stopAt) {
    // The new file takes its length first: what is not written stays a hole.
    if (::ftruncate(to, static_cast<off_t>(size)) != 0) return CopyOutcome::kWriteFailed;
    std::vector<std::uint8_t> buffer;
    const std::int64_t end = std::min(size, stopAt);
    for (std::int64_t at = 0; at < end;) {
        off_t data = ::lseek(from, static_cast<off_t>(at), SEEK_DATA);
        off_t hole = static_cast<off_t>(end);
        if (data < 0 && errno == ENXIO) break;  // nothing but a hole from here on
        if (data < 0) {
            data = static_cast<off_t>(at);  // a file system that cannot tell: every byte is data
        } else {
            hole = ::lseek(from, data, SEEK_HOLE);
            if (hole < 0) hole = static_cast<off_t>(end);
        }
        const std::int64_t stop = std::min<std::int64_t>(hole, end);
        if (data >= stop) break;
        if (const CopyOutcome c = CopyRange(from, to, data, stop, buffer); c != CopyOutcome::kCopied) return c;
        at = stop;
    }
    if (end < size) {
        errno = ENOSPC;
        return CopyOutcome::kWriteFailed;
    }
    return CopyOutcome::kCopied;
}

std::uint64_t AllocatedBytes(const struct stat& st) { return static_cast<std::uint64_t>(st.st_blocks) * 512u; }

bool CopyAttributes(int from, int to, bool failSet) {
    std::vector<std::string> names;
    std::vector<std::string> present;
    if (!AttributeNames(from, names) || !AttributeNames(to, present)) return false;
    std::vector<char> value;
    for (const std::string& name : names) {
        if (!AttributeValue(from, name, value)) return false;
        if (failSet) {
            errno = ENOTSUP;
            return false;
        }
        if (::fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    // What the new file got from its folder (a default ACL) and the old one did not have.
    for (const std::string& name : present) {
        if (std::find(names.begin(), names.end(), name) != names.end()) continue;
        if (::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA) return false;
    }
    return true;
}

}  // namespace vorel
