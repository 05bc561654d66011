// Joining two images edge to edge into one new packed DIB. The image that ends
// up at the top or on the left (A) gives the result its bit depth, header and
// colour table; the other one (B) is placed below it or to its right.
#pragma once

#include <cstdint>

#include "image/dib.h"

namespace vorel {

// Where the second chosen image goes, relative to the first; the values are
// the order of the direction buttons.
enum class JoinDirection : int { Above = 0, Below = 1, Left = 2, Right = 3 };

enum class JoinOutcome {
    Joined,
    NoImage,             // one of the two holds no DIB
    TopLeftUnusable,     // A is not a well-formed 1-, 4-, 8- or 24-bit DIB
    BottomRightUnusable, // B is not
    BitCountDiffers,
    EdgesDiffer,         // unequal widths above/below, unequal heights left/right
    BadDirection,
    TooLarge,            // the joined block would not fit the size limits
    OutOfMemory,
};

struct JoinResult {
    JoinOutcome outcome = JoinOutcome::NoImage;
    Dib dib;  // the joined image when outcome is Joined, else null
};

// True for "上" and "左": the second chosen image is the one at the top or on the left.
constexpr bool SecondGoesFirst(JoinDirection direction) {
    return direction == JoinDirection::Above || direction == JoinDirection::Left;
}
constexpr bool SideBySide(JoinDirection direction) {
    return direction == JoinDirection::Left || direction == JoinDirection::Right;
}

// The pairs the connection dialog offers: same bit depth, and the same width or
// the same height (either suffices).
bool IsJoinCandidate(int firstBits, int firstWidth, int firstHeight, int bits, int width, int height);

// Which directions a pair allows: above/below need equal widths, left/right equal heights.
struct AllowedDirections {
    bool aboveBelow = false;
    bool leftRight = false;
    bool Allows(JoinDirection direction) const { return SideBySide(direction) ? leftRight : aboveBelow; }
};
AllowedDirections DirectionsFor(int firstWidth, int firstHeight, int secondWidth, int secondHeight);

// Joins `second` to `first` in `direction`. 8-bit pixels of B are re-indexed
// to the nearest colour of A's colour table; 1- and 4-bit indexes are kept as
// they are; 24-bit pixels are copied. Neither source is changed. Anything the
// rule above does not allow is refused with its outcome and a null DIB.
JoinResult JoinDibs(const Dib& first, const Dib& second, JoinDirection direction);

}  // namespace vorel
