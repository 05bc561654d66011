#include "list/ui/thumbnail_image.h"

#include "docview/ui/dib_image.h"

namespace vorel::ui {

QImage MakeThumbnail(const Dib& dib, int size) {
    const QImage image = DibToQImage(dib);
    if (image.isNull() || size <= 0) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const bool enlarge = rgb.width() < size && rgb.height() < size;
    return rgb.scaled(size, size, Qt::KeepAspectRatio,
                      enlarge ? Qt::FastTransformation : Qt::SmoothTransformation);
}

}  // namespace vorel::ui
