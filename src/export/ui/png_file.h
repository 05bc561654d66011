// PNG files from the windowed program: the same pixels as the finder's PNG
// export, written through a temporary file so that a failed save leaves the
// file that was there untouched.
#pragma once

#include <QString>

#include "export/atomic_file.h"
#include "export/png_provenance.h"
#include "image/dib.h"

namespace vorel::ui {

enum class PngWriteOutcome { Saved, NoImage, CreateFailed, WriteFailed };

// With a `transparency` mask that fits the image (docview/transparency.h) the
// PNG gets an alpha channel: 0 where the mask says transparent, 255 elsewhere.
// A `provenance` goes into the file as its text chunk, its alpha field set to
// whether the mask was applied.
PngWriteOutcome WritePngFile(const QString& path, const Dib& dib, FileSync sync = FileSync::Always,
                             const Dib* transparency = nullptr, const PngProvenance* provenance = nullptr);

}  // namespace vorel::ui
