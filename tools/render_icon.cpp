// vorel-render-icon SVG SIZE PNG: draws the program's SVG icon as a SIZE x SIZE
// PNG for the desktop's icon theme. The pictures are made from the one drawing
// at build time, so the installed icons never drift from the one the windows use.
#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "vorel-render-icon: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) return Fail(QStringLiteral("usage: vorel-render-icon SVG SIZE PNG"));
    bool ok = false;
    const int size = args.at(2).toInt(&ok);
    if (!ok || size < 1 || size > 1024) return Fail(QStringLiteral("SIZE must be 1 to 1024, not \"%1\"").arg(args.at(2)));
    // Qt's SVG image-format plug-in does the drawing; without it there is no icon to make.
    if (!QImageReader::supportedImageFormats().contains("svg"))
        return Fail(QStringLiteral("Qt's SVG image-format plug-in is missing (Debian package libqt6svg6)"));

    QImageReader reader(args.at(1), "svg");
    const QSize natural = reader.size();
    if (!natural.isValid()) return Fail(QStringLiteral("%1: %2").arg(args.at(1), reader.errorString()));
    // A square canvas with the drawing centred, as icon themes expect.
    const QSize scaled = natural.scaled(size, size, Qt::KeepAspectRatio);
    reader.setScaledSize(scaled);
    const QImage drawing = reader.read();
    if (drawing.isNull()) return Fail(QStringLiteral("%1: %2").arg(args.at(1), reader.errorString()));
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    const int left = (size - scaled.width()) / 2;
    const int top = (size - scaled.height()) / 2;
    const QImage source = drawing.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(icon.scanLine(top + y)) + left;
        std::copy(in, in + source.width(), out);
    }

    QSaveFile file(args.at(3));
    if (!file.open(QIODevice::WriteOnly)) return Fail(QStringLiteral("%1: %2").arg(args.at(3), file.errorString()));
    QImageWriter writer(&file, "png");
    if (!writer.write(icon) || !file.commit())
        return Fail(QStringLiteral("%1: %2").arg(args.at(3), writer.errorString()));
    return 0;
}
