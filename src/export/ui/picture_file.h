// Reading the picture a user edited (PNG, BMP or TIFF) as the pixels that go
// back into an image: RGBA rows from the top, and the file's own colour table
// when it is an indexed file. Shared by the window and the finder's plug-in.
#pragma once

#include <QString>

#include "export/put_back.h"

namespace vorel::ui {

// False, with a reason for the user, when the file cannot be read as a picture.
// A PNG's provenance chunk (export/png_provenance.h) fills `out.provenance`.
bool ReadPictureFile(const QString& path, PictureRgba& out, QString& reason);

}  // namespace vorel::ui
