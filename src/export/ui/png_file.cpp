#include "export/ui/png_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <span>

#include "docview/transparency.h"
#include "docview/ui/dib_image.h"

namespace vorel::ui {

namespace {

QImage WithAlpha(const QImage& image, const Dib& mask) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), IsTransparent(mask, x, y) ? 0 : 255);
    }
    return out;
}

}  // namespace

PngWriteOutcome WritePngFile(const QString& path, const Dib& dib, FileSync sync, const Dib* transparency,
                             const PngProvenance* provenance) {
    QImage image = DibToQImage(dib);
    if (image.isNull()) return PngWriteOutcome::NoImage;
    const bool alpha = transparency && MaskFits(*transparency, dib);
    if (alpha) image = WithAlpha(image, *transparency);
    if (provenance) {
        PngProvenance written = *provenance;
        written.alpha = alpha;
        image.setText(QString::fromLatin1(kProvenanceKey), QString::fromStdString(FormatProvenance(written)));
    }
    // Encoded in memory first, then written the way the BMP and TIFF writers
    // write: one temporary file, flushed and renamed as they are.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    AtomicFile file;
    if (!file.Open(QFile::encodeName(path).toStdString(), sync)) return PngWriteOutcome::CreateFailed;
    if (!writer.write(image)) return PngWriteOutcome::WriteFailed;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(encoded.constData());
    if (!file.Write(std::span(bytes, static_cast<std::size_t>(encoded.size())))) return PngWriteOutcome::WriteFailed;
    return file.Commit() ? PngWriteOutcome::Saved : PngWriteOutcome::WriteFailed;
}

}  // namespace vorel::ui
