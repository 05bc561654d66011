// Quarter turns and flips of a packed DIB, in place: the same Dib holds the
// changed image afterwards, header and pixel rows rewritten, colour table
// untouched. On any outcome other than Done the image is exactly as it was.
#pragma once

#include "image/dib.h"

namespace vorel {

enum class TransformOutcome {
    Done,
    Unsupported,  // a quarter turn of a 1- or 4-bit image (or any depth other than 8 and 24)
    NoImage,      // the DIB is null
    Unreadable,   // header, colour table or rows do not lie inside the block
    OutOfMemory,  // the turned image does not fit in memory
};

// A counter-clockwise quarter turn: the old right column becomes the top row.
// W x H becomes H x W; the block is resized to header + table + rows exactly,
// biSizeImage follows. 8- and 24-bit images only.
TransformOutcome RotateLeft(Dib& dib);
// A clockwise quarter turn: the old left column becomes the top row.
TransformOutcome RotateRight(Dib& dib);
// Top to bottom, any bit depth.
TransformOutcome FlipVertical(Dib& dib);
// Left to right, 1, 4, 8 and 24 bits; the padding after the last pixel of a
// row comes out zero.
TransformOutcome Mirror(Dib& dib);

// Applies `transform` to `image` and to the transparency mask beside it (see
// docview/transparency.h), so the two stay pixel for pixel together; a null
// mask is left null. Either both change or, on any outcome other than Done,
// neither does.
TransformOutcome TransformWithMask(TransformOutcome (*transform)(Dib&), Dib& image, Dib& mask);

}  // namespace vorel
