#include "export/save_names.h"

#include <algorithm>
#include <cctype>

namespace vorel {
namespace {

// Index of the first character of the file name (after the last "/").
std::size_t FileNameStart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string ProposedSaveAsPath(std::string_view pathName) {
    const std::size_t start = FileNameStart(pathName);
    const std::size_t dot = pathName.rfind('.');
    const std::size_t end = (dot != std::string_view::npos && dot >= start) ? dot : pathName.size();
    return std::string(pathName.substr(0, end)) + ".BMP";
}

bool FileNameHasExtension(std::string_view path) {
    return path.find('.', FileNameStart(path)) != std::string_view::npos;
}

ChosenFormat FormatOfSavePath(std::string_view path) {
    ChosenFormat chosen;
    const std::size_t start = FileNameStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < start) return chosen;
    chosen.extension = std::string(path.substr(dot + 1));
    std::transform(chosen.extension.begin(), chosen.extension.end(), chosen.extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (chosen.extension == "BMP") chosen.format = SaveFormat::Bmp;
    if (chosen.extension == "TIF") chosen.format = SaveFormat::Tiff;
    if (chosen.extension == "PNG") chosen.format = SaveFormat::Png;
    return chosen;
}

SaveFormat FormatOfImageType(int imageType) {
    if (imageType == 0) return SaveFormat::Bmp;
    if (imageType == 2) return SaveFormat::Png;
    return SaveFormat::Tiff;
}

std::string_view ExtensionOf(SaveFormat format) {
    switch (format) {
        case SaveFormat::Bmp:
            return "BMP";
        case SaveFormat::Tiff:
            return "TIF";
        case SaveFormat::Png:
            return "PNG";
    }
    return "BMP";
}

std::string TrimSaveFolder(std::string_view folder) {
    if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

std::optional<std::string> UnreachableFolderStart(std::string_view folder) {
    if (!folder.empty() && folder.front() == '/') return std::nullopt;
    return std::string(folder.substr(0, folder.find('/')));
}

std::string SaveAllFilePath(std::string_view folder, std::string_view title, SaveFormat format) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += title;
    path += '.';
    path += ExtensionOf(format);
    return path;
}

std::string RunFileNames::Claim(std::string_view title, std::string_view extension) {
    const auto key = [extension](std::string name) {
        name += extension;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return name;
    };
    std::string name(title);
    for (int n = 2; !used_.insert(key(name)).second; ++n) name = std::string(title) + '(' + std::to_string(n) + ')';
    return name;
}

std::string FolderAsStored(std::string_view typed) {
    std::string folder(typed);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace vorel
