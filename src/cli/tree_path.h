// The folders --tree makes under the export folder mirror the disc's folders;
// a disc may hold names and paths longer than Linux allows (Joliet names of 103
// characters are up to 309 bytes of UTF-8, and folders nest deep), so such a
// path is shortened: the start kept, a short hash of what was cut in its place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorel {

inline constexpr std::size_t kMaxNameBytes = 255;   // one element of a path (NAME_MAX)
inline constexpr std::size_t kMaxPathBytes = 4095;  // a whole path, less its closing zero (PATH_MAX)

// A name of at most `limit` bytes: itself when it fits, else its start (whole
// UTF-8 characters) and "~" with eight hex digits of a hash of the whole name.
std::string ShortenName(std::string_view name, std::size_t limit = kMaxNameBytes);

// The folders `parts` joined by "/", each shortened to kMaxNameBytes, and the
// whole cut to `budget` bytes the same way (the start kept, the hash of the
// whole path after it). `shortened` is set when anything was changed.
std::string FitTreePath(const std::vector<std::string>& parts, std::size_t budget, bool& shortened);

}  // namespace vorel
