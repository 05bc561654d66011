#include "export/ui/png_file.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <span>

#include "docview/ui/dib_image.h"

namespace vorel::ui {

PngWriteOutcome WritePngFile(const QString& path, const Dib& dib, FileSync sync) {
    const QImage image = DibToQImage(dib);
    if (image.isNull()) return PngWriteOutcome::NoImage;
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
