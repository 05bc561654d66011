#include "app/mdi_placement.h"

#include <algorithm>

namespace vorel::app {

QPoint CCascadePlacer::Next(const QSize& area, const QSize& window, int step) {
    step = std::max(step, 1);
    QPoint pos(index_ * step, index_ * step);
    if (index_ > 0 &&
        (pos.x() + window.width() > area.width() || pos.y() + window.height() > area.height())) {
        index_ = 0;
        pos = QPoint(0, 0);
    }
    ++index_;
    return pos;
}

QSize DefaultChildSize(const QSize& area, const QSize& minimum) {
    return QSize(std::max(area.width() * 3 / 4, minimum.width()),
                 std::max(area.height() * 3 / 4, minimum.height()));
}

}  // namespace vorel::app
