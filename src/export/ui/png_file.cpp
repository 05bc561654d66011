#include "export/ui/png_file.h"

#include <QImageWriter>
#include <QSaveFile>

#include "docview/ui/dib_image.h"

namespace vorel::ui {

PngWriteOutcome WritePngFile(const QString& path, const Dib& dib) {
    const QImage image = DibToQImage(dib);
    if (image.isNull()) return PngWriteOutcome::NoImage;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return PngWriteOutcome::CreateFailed;
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        file.cancelWriting();
        return PngWriteOutcome::WriteFailed;
    }
    return file.commit() ? PngWriteOutcome::Saved : PngWriteOutcome::WriteFailed;
}

}  // namespace vorel::ui
