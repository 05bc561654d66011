// The numbered names of image documents: DATA.BIN, image 3 -> DATA_003,
// palette 2 of a many-palette TIM -> DATA_003_002.
#pragma once

#include <string>
#include <string_view>

namespace vorel {

// The path name of a document: the searched path without its extension (a "."
// with no folder separator after it; "/" and "\\" both separate folders),
// "_" and the image number as %03d, and, when palette images are on and the
// hit has a palette count other than 1, "_" and paletteNo + 1 as %03d.
std::string BuildImagePathName(std::string_view searchedPath, int imageNo, int paletteNo, bool paletteImages,
                               int paletteCount);

// The window title of a path name: its part after the last "/" or "\\".
std::string TitleOfPathName(std::string_view pathName);

}  // namespace vorel
