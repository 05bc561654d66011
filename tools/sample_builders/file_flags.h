// File situations the tests set up beyond the bytes: the inode flags chattr sets.
#pragma once

#include <string>

namespace vorel::samples {

// Sets or clears the append-only flag of `path` (chattr +a, -a); false where that
// is not allowed (it takes CAP_LINUX_IMMUTABLE and a file system that has the flag).
bool SetAppendOnly(const std::string& path, bool on);

}  // namespace vorel::samples
