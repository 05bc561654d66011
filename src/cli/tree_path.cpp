#include "cli/tree_path.h"

#include <cstdint>
#include <cstdio>

namespace vorel {
namespace {

constexpr std::size_t kHashBytes = 9;  // "~" and eight hex digits

std::string Hash(std::string_view text) {
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    char out[kHashBytes + 1];
    std::snprintf(out, sizeof out, "~%08x", h);
    return out;
}

// The longest start of `text` of at most `bytes` bytes that ends between two UTF-8 characters.
std::string_view Start(std::string_view text, std::size_t bytes) {
    if (bytes >= text.size()) return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
    return text.substr(0, bytes);
}

}  // namespace

std::string ShortenName(std::string_view name, std::size_t limit) {
    if (name.size() <= limit) return std::string(name);
    if (limit < kHashBytes) return Hash(name).substr(0, limit);
    return std::string(Start(name, limit - kHashBytes)) + Hash(name);
}

std::string FitTreePath(const std::vector<std::string>& parts, std::size_t budget, bool& shortened) {
    std::string path;
    for (const std::string& part : parts) {
        const std::string name = ShortenName(part);
        if (name.size() != part.size()) shortened = true;
        if (!path.empty()) path += '/';
        path += name;
    }
    if (path.size() <= budget) return path;
    shortened = true;
    if (budget < kHashBytes) return {};  // the export folder alone leaves no room: the image goes in it
    std::string cut(Start(path, budget - kHashBytes));
    // The hash joins the last element kept, which must stay a name Linux allows.
    const std::size_t element = cut.rfind('/') == std::string::npos ? 0 : cut.rfind('/') + 1;
    if (cut.size() - element + kHashBytes > kMaxNameBytes)
        cut = std::string(Start(cut, element + kMaxNameBytes - kHashBytes));
    return cut + Hash(path);
}

}  // namespace vorel
