#include "docview/ui/dib_image.h"

#include <QList>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/bytes.h"

namespace vorel::ui {
namespace {

// The colour table as Qt wants it, padded with black to `size` entries so that
// no pixel value can index past its end (a table shorter than the bit depth
// allows is legal in a DIB).
QList<QRgb> ColorTable(const Dib& dib, int size) {
    QList<QRgb> table(size, qRgb(0, 0, 0));
    const int count = std::min<int>(dib.ColorCount(), size);
    for (int i = 0; i < count; ++i) {
        const std::uint8_t* e = dib.ColorEntry(static_cast<std::size_t>(i));
        table[i] = qRgb(e[2], e[1], e[0]);
    }
    return table;
}

// Stored rows [first, first + count) wrapped in place; row 0 of the result is
// stored row `first`, so the picture is upside down. Not for 4-bit images.
QImage WrapStoredRows(const Dib& dib, int first, int count) {
    const std::uint64_t stride = dib.Stride();
    const std::uint8_t* rows = dib.Data() + dib.PixelOffset() + stride * static_cast<std::uint64_t>(first);
    const auto bpl = static_cast<qsizetype>(stride);
    switch (dib.BitCount()) {
        case 1: {
            QImage image(rows, dib.Width(), count, bpl, QImage::Format_Mono);
            image.setColorTable(ColorTable(dib, 2));
            return image;
        }
        case 8: {
            QImage image(rows, dib.Width(), count, bpl, QImage::Format_Indexed8);
            image.setColorTable(ColorTable(dib, 256));
            return image;
        }
        case 24:
            return QImage(rows, dib.Width(), count, bpl, QImage::Format_BGR888);
        default:
            return {};
    }
}

// Columns [col, col + width) of stored rows [first, first + count) of a 4-bit
// image widened to 8 bits (Qt has no 4-bit format); same row order as stored.
QImage WidenNibbles(const Dib& dib, int first, int count, int col, int width) {
    QImage image(width, count, QImage::Format_Indexed8);
    if (image.isNull()) return image;
    image.setColorTable(ColorTable(dib, 16));
    for (int y = 0; y < count; ++y) {
        const auto row = dib.StoredRow(first + y);
        uchar* out = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const int c = col + x;
            const std::uint8_t byte = row[static_cast<std::size_t>(c) / 2];
            out[x] = (c & 1) ? (byte & 0x0F) : (byte >> 4);  // the left pixel is the high nibble
        }
    }
    return image;
}

}  // namespace

bool IsDrawableDib(const Dib& dib) {
    if (dib.AllocatedSize() < kDibHeaderSize) return false;
    const auto size = ReadLe32(dib.Bytes(), dibfield::kSize);
    const auto compression = ReadLe32(dib.Bytes(), dibfield::kCompression);
    if (!size || *size != kDibHeaderSize) return false;  // the table must start at byte 40
    if (!compression || *compression != 0) return false;
    const int bits = dib.BitCount();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
    return dib.IsConsistent();  // width and height at least 1, every row inside the block
}

void DrawDib(QPainter& painter, const Dib& dib, const QRect& target, const QRect& exposed) {
    if (target.width() <= 0 || target.height() <= 0 || !IsDrawableDib(dib)) return;
    const QRect visible = target.intersected(exposed);
    if (visible.isEmpty()) return;
    const std::int64_t w = dib.Width();
    const std::int64_t h = dib.Height();
    const std::int64_t tw = target.width();
    const std::int64_t th = target.height();

    // Only the source pixels that land inside the exposed area are touched, so a
    // zoomed or scrolled paint costs the visible part, not the whole image.
    auto floorTo = [](std::int64_t offset, std::int64_t n, std::int64_t d) { return offset * n / d; };
    auto ceilTo = [](std::int64_t offset, std::int64_t n, std::int64_t d) {
        return (offset * n + d - 1) / d;
    };
    const int c0 =
        static_cast<int>(std::clamp<std::int64_t>(floorTo(visible.left() - target.left(), w, tw), 0, w));
    const int c1 =
        static_cast<int>(std::clamp<std::int64_t>(ceilTo(visible.right() + 1 - target.left(), w, tw), 0, w));
    const int r0 =
        static_cast<int>(std::clamp<std::int64_t>(floorTo(visible.top() - target.top(), h, th), 0, h));
    const int r1 =
        static_cast<int>(std::clamp<std::int64_t>(ceilTo(visible.bottom() + 1 - target.top(), h, th), 0, h));
    if (c0 >= c1 || r0 >= r1) return;

    // Picture rows r0 .. r1-1 are the stored rows h-r1 .. h-1-r0: one contiguous band.
    const int firstStored = static_cast<int>(h - r1);
    const int rowCount = r1 - r0;
    QImage band;
    QRectF source;
    if (dib.BitCount() == 4) {
        band = WidenNibbles(dib, firstStored, rowCount, c0, c1 - c0);
        source = QRectF(0, 0, c1 - c0, rowCount);
    } else {
        band = WrapStoredRows(dib, firstStored, rowCount);
        source = QRectF(c0, 0, c1 - c0, rowCount);
    }
    if (band.isNull()) return;

    const double sx = double(tw) / double(w);
    const double sy = double(th) / double(h);
    const double left = target.left() + c0 * sx;
    const double right = target.left() + c1 * sx;
    const double top = target.top() + r0 * sy;
    const double bottom = target.top() + r1 * sy;

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // The band is stored bottom row first: mirror it about the middle of its target.
    painter.translate(0, top + bottom);
    painter.scale(1, -1);
    painter.drawImage(QRectF(left, top, right - left, bottom - top), band, source);
    painter.restore();
}

QImage DibToQImage(const Dib& dib) {
    if (!IsDrawableDib(dib)) return {};
    const int h = dib.Height();
    QImage upsideDown =
        dib.BitCount() == 4 ? WidenNibbles(dib, 0, h, 0, dib.Width()) : WrapStoredRows(dib, 0, h);
    if (upsideDown.isNull()) return {};
    QImage image = upsideDown.mirrored(false, true);  // top row first
    // mirrored() gives a 1 x 1 picture back as the same wrapper of the DIB's
    // memory; a copy that outlives the document (the clipboard's) must own its pixels.
    if (image.constBits() == upsideDown.constBits()) image = upsideDown.copy();
    if (image.format() == QImage::Format_BGR888) image = image.convertToFormat(QImage::Format_RGB888);
    return image;
}

}  // namespace vorel::ui
