#include "docview/ui/dib_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include "docview/ui/dib_image.h"
#include "export/bmp_writer.h"

namespace vorel::ui {
namespace {

ClipboardSink& Sink() {
    static ClipboardSink sink;
    return sink;
}

bool PutOnSystemClipboard(std::unique_ptr<QMimeData> mime) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setMimeData(mime.release());
    // A display server that would not let us own the clipboard leaves another
    // program's data there (Qt only warns): what is there now tells.
    const QMimeData* now = clipboard->mimeData();
    return now && now->hasFormat(kBmpMimeType);
}

}  // namespace

QByteArray BmpFileBytes(const Dib& dib) {
    if (dib.AllocatedSize() < kDibHeaderSize) return {};
    const auto header = BmpFileHeader(dib);
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(header.size() + dib.AllocatedSize()));
    bytes.append(reinterpret_cast<const char*>(header.data()), static_cast<qsizetype>(header.size()));
    bytes.append(reinterpret_cast<const char*>(dib.Data()), static_cast<qsizetype>(dib.AllocatedSize()));
    return bytes;
}

std::unique_ptr<QMimeData> MakeDibMimeData(const Dib& dib) {
    QByteArray bmp = BmpFileBytes(dib);
    if (bmp.isEmpty()) return nullptr;
    auto mime = std::make_unique<QMimeData>();
    // A block the drawing code cannot read still goes over as its BMP bytes.
    const QImage picture = DibToQImage(dib);
    if (!picture.isNull()) mime->setImageData(picture);
    // Qt would render "image/bmp" from the picture; data set for the type wins,
    // so a paste gets the document's own bytes, colour table and all.
    mime->setData(kBmpMimeType, bmp);
    return mime;
}

void SetClipboardSink(ClipboardSink sink) {
    Sink() = std::move(sink);
}

CopyOutcome CopyDibToClipboard(const Dib& dib) {
    std::unique_ptr<QMimeData> mime = MakeDibMimeData(dib);
    if (!mime) return CopyOutcome::NoImage;
    const bool taken = Sink() ? Sink()(std::move(mime)) : PutOnSystemClipboard(std::move(mime));
    return taken ? CopyOutcome::Copied : CopyOutcome::Refused;
}

}  // namespace vorel::ui
