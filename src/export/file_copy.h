// Copying a file into the new file that is to replace it: its data (shared
// blocks where the file system can clone them, else only its data extents, so
// that a sparse file stays sparse) and every extended attribute (POSIX ACLs
// included), as `cp --preserve=all` keeps them.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>

namespace vorel {

// Reads up to `n` bytes at `at`, retrying interrupted and partial reads; `got`
// is less than `n` only at the end of the file. False with errno set.
bool ReadAt(int fd, std::uint8_t* p, std::size_t n, std::int64_t at, std::size_t& got);
// Writes all `n` bytes at `at`. False with errno set (ENOSPC for a write that moves nothing).
bool WriteAt(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at);

// Shares the blocks of `from` with the empty file `to` (a reflink clone); false
// where the file system cannot.
bool CloneFile(int from, int to);

enum class CopyOutcome { kCopied, kReadFailed, kWriteFailed, kStopped };

// Copies the first `size` bytes of `from` into the empty file `to`, which ends
// up `size` bytes long: only the data extents are written (by the kernel where
// it can, else through a small buffer), holes stay holes. `stopAt` (test hook)
// ends the copy there as a full disk would. kStopped when a stop was requested
// (RequestRewriteStop) during the copy. errno is set on failure.
CopyOutcome CopyData(int from, int to, std::int64_t size, std::int64_t stopAt);

// What a copy of the file's data takes on disk: its allocated blocks.
std::uint64_t AllocatedBytes(const struct stat& st);

// Gives `to` every extended attribute of `from` and no other. False with errno
// set when one cannot be read or set (`failSet`, a test hook, fails the first set).
bool CopyAttributes(int from, int to, bool failSet = false);

}  // namespace vorel
