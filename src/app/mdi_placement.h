// Where a new image window goes. QMdiArea's own placement looks for the spot
// that overlaps the existing windows least, comparing against every one of
// them, which makes opening thousands of windows slow beyond use. New windows
// are cascaded instead: each one a title bar's height down and to the right
// of the previous one, starting over at the top left when the next would
// leave the area. That is constant work per window.
#pragma once

#include <QPoint>
#include <QSize>

namespace vorel::app {

class CCascadePlacer {
  public:
    // Top-left corner for a window of `window` size in an area of `area` size.
    QPoint Next(const QSize& area, const QSize& window, int step);
    void Reset() { index_ = 0; }

  private:
    int index_ = 0;
};

// The size a new image window starts with before it shrinks to its image:
// three quarters of the area, at least `minimum`.
QSize DefaultChildSize(const QSize& area, const QSize& minimum);

}  // namespace vorel::app
