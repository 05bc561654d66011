// The picture of one thumbnail: the image scaled to fit a square keeping its
// aspect, nearest pixel when enlarged (the pixels stay sharp), smoothed when
// reduced. Safe on any thread.
#pragma once

#include <QImage>

#include "image/dib.h"

namespace vorel::ui {

inline constexpr int kThumbnailSize = 96;

// A null QImage for a DIB that cannot be drawn.
QImage MakeThumbnail(const Dib& dib, int size = kThumbnailSize);

}  // namespace vorel::ui
