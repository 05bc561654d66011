// Drawing a packed DIB with Qt without keeping a second copy of its pixels:
// 1-, 8- and 24-bit rows are wrapped in place (Mono, Indexed8, BGR888); a
// 4-bit image is widened to 8 bits only for the part being painted.
#pragma once

#include <QImage>
#include <QRect>

#include "image/dib.h"

class QPainter;

namespace vorel::ui {

// True when the DIB is something the drawing code can show: 1, 4, 8 or 24
// bits, width and height of at least 1, header, table and rows inside the block.
bool IsDrawableDib(const Dib& dib);

// Draws the whole image scaled into `target` (painter coordinates), nearest
// pixel, touching only the source rows and columns that fall inside `exposed`
// (painter coordinates too). Draws nothing for a DIB that is not drawable or
// an empty target.
void DrawDib(QPainter& painter, const Dib& dib, const QRect& target, const QRect& exposed);

// A converted top-down copy (Indexed8/Mono with the colour table, RGB888 for
// 24-bit), for the clipboard and image export; a null QImage when not drawable.
QImage DibToQImage(const Dib& dib);

}  // namespace vorel::ui
