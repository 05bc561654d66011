#include "docview/naming.h"

#include <cstdio>

namespace vorel {
namespace {

std::string Numbered(long long n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%03lld", n);
    return buffer;
}

}  // namespace

std::string BuildImagePathName(std::string_view searchedPath, int imageNo, int paletteNo, bool paletteImages,
                               int paletteCount) {
    std::string name(searchedPath);
    // A "." counts as the start of an extension only in the last path component,
    // whichever separator the path uses.
    const std::size_t dot = name.rfind('.');
    const std::size_t separator = name.find_last_of("/\\");
    if (dot != std::string::npos && (separator == std::string::npos || separator < dot)) name.erase(dot);
    name += '_';
    name += Numbered(imageNo);
    if (paletteImages && paletteCount != 1) {
        name += '_';
        name += Numbered(static_cast<long long>(paletteNo) + 1);  // no overflow at INT_MAX
    }
    return name;
}

std::string TitleOfPathName(std::string_view pathName) {
    const std::size_t separator = pathName.find_last_of("/\\");
    return std::string(separator == std::string_view::npos ? pathName : pathName.substr(separator + 1));
}

}  // namespace vorel
