#include "export/ui/picture_file.h"

#include <QImage>
#include <QImageReader>

#include <new>

namespace vorel::ui {

bool ReadPictureFile(const QString& path, PictureRgba& out, QString& reason) {
    QImageReader reader(path);
    reader.setAutoTransform(false);  // the pixels as stored: the image's own orientation
    QImage image;
    if (!reader.read(&image)) {
        reason = QStringLiteral("the picture cannot be read (%1)").arg(reader.errorString());
        return false;
    }
    out = PictureRgba{};
    // A PNG this program exported says which image it came from.
    const QString provenance = image.text(QString::fromLatin1(kProvenanceKey));
    if (!provenance.isEmpty()) out.provenance = ParseProvenance(provenance.toStdString());
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        for (const QRgb c : image.colorTable())
            out.palette.push_back({static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                   static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qAlpha(c))});
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) {
        reason = QStringLiteral("out of memory");
        return false;
    }
    out.width = rgba.width();
    out.height = rgba.height();
    try {
        out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 4);
    } catch (const std::bad_alloc&) {
        reason = QStringLiteral("out of memory");
        return false;
    }
    const auto rowBytes = static_cast<std::size_t>(out.width) * 4;
    for (int y = 0; y < out.height; ++y)
        std::copy(rgba.constScanLine(y), rgba.constScanLine(y) + rowBytes, out.pixels.data() + rowBytes * static_cast<std::size_t>(y));
    return true;
}

}  // namespace vorel::ui
