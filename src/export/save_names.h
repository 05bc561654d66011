// The names and folders the saving commands work with: the name Save As
// proposes, the format a chosen name asks for, the files Save All writes and
// the checks its folder has to pass.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vorel {

enum class SaveFormat { Bmp, Tiff, Png };

// The name Save As proposes for a document's path name: cut before the last
// "." of its file name (a "." in a folder name is left alone, so the file stays
// in its folder), then ".BMP".
std::string ProposedSaveAsPath(std::string_view pathName);

// The format the chosen name's extension asks for. The extension is the text
// after the last "." of the file name, upper-cased: "BMP", "TIF" or "PNG";
// anything else has no format and the caller names the extension to the user.
struct ChosenFormat {
    std::optional<SaveFormat> format;
    std::string extension;  // upper-cased; empty when the file name has no "."
};
ChosenFormat FormatOfSavePath(std::string_view path);

// True when the file name (the part after the last "/") has a ".".
bool FileNameHasExtension(std::string_view path);

// "ImageType": 0 BMP, 2 PNG, any other value TIFF.
SaveFormat FormatOfImageType(int imageType);

// The upper-case extension Save All gives each file: "BMP", "TIF", "PNG".
std::string_view ExtensionOf(SaveFormat format);

// The folder as Save All uses it: one trailing "/" removed, except from the root "/".
std::string TrimSaveFolder(std::string_view folder);

// A folder that is not an absolute path cannot be found the way a missing
// drive could not: the first component (the text before the first "/") to name
// in the message; nothing for an absolute path.
std::optional<std::string> UnreachableFolderStart(std::string_view folder);

// The file Save All writes for a document title: folder, "/", title, "." and
// the extension ("/TITLE.BMP" straight after the root "/").
std::string SaveAllFilePath(std::string_view folder, std::string_view title, SaveFormat format);

// The names one saving run has given out, so that a later image of the same
// title never replaces a file the run wrote: the first TITLE, then TITLE(2),
// TITLE(3)... Names are compared without regard to (ASCII) case.
class RunFileNames {
  public:
    // The title to write `title` under, with `extension` (".BMP"; part of the
    // comparison), now claimed for the rest of the run.
    std::string Claim(std::string_view title, std::string_view extension);

  private:
    std::unordered_set<std::string> used_;  // upper-cased, with the extension
};

// The folder the save-options dialog stores: with a trailing "/" (an empty text
// stays empty, so that it never turns into the root folder).
std::string FolderAsStored(std::string_view typed);

}  // namespace vorel
