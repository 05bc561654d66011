#include "app/splash_picture.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace vorel::app {
namespace {

enum Colour { Black, Navy, Green, Teal, Maroon, Purple, Olive, Silver, Grey, Blue, Lime, Cyan, Red, Magenta, Yellow, White };

// A small made-up picture in a tile: one of the images a search turns up.
void DrawFoundImage(QPainter& p, const QList<QRgb>& c, const QRect& tile, int kind) {
    p.fillRect(tile, QColor(c[Black]));
    const int cell = 4;
    for (int y = tile.top() + 2; y < tile.bottom() - 1; y += cell) {
        for (int x = tile.left() + 2; x < tile.right() - 1; x += cell) {
            const int u = (x - tile.left()) / cell;
            const int v = (y - tile.top()) / cell;
            int colour = Black;
            switch (kind % 5) {
                case 0: colour = ((u / 2 + v / 2) % 2) ? Red : Yellow; break;      // a chequered floor
                case 1: colour = v < 5 ? Cyan : (v < 7 ? Lime : Green); break;     // sky over grass
                case 2: colour = ((u * u + v * v) % 7 < 3) ? Magenta : Purple; break;
                case 3: colour = (u + v) % 5 == 0 ? White : Blue; break;
                default: colour = ((u - 9) * (u - 9) + (v - 6) * (v - 6)) % 12 < 6 ? Olive : Lime; break;
            }
            p.fillRect(QRect(x, y, cell, cell).intersected(tile.adjusted(2, 2, -2, -2)), QColor(c[colour]));
        }
    }
    p.setPen(QColor(c[Silver]));
    p.drawRect(tile.adjusted(0, 0, -1, -1));
}

}  // namespace

QList<QRgb> SplashColours() {
    return {qRgb(0, 0, 0),     qRgb(0, 0, 128),     qRgb(0, 128, 0),   qRgb(0, 128, 128),
            qRgb(128, 0, 0),   qRgb(128, 0, 128),   qRgb(128, 128, 0), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(0, 0, 255),   qRgb(0, 255, 0),   qRgb(0, 255, 255),
            qRgb(255, 0, 0),   qRgb(255, 0, 255),   qRgb(255, 255, 0), qRgb(255, 255, 255)};
}

QImage MakeSplashPicture(const QString& versionText) {
    const QList<QRgb> c = SplashColours();
    QImage canvas(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
    canvas.fill(c[Navy]);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);

    // A stream of bytes, as the finder reads it, with the TIM header it is looking for.
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    mono.setPixelSize(11);
    mono.setStyleStrategy(QFont::NoAntialias);
    p.setFont(mono);
    const char* rows[] = {"3F 00 A2 10 00 00 00 09 00 00 00 0C 02 00 00 00 00 00 01 00",
                          "E1 7C 10 00 00 00 02 00 00 00 0C 00 00 00 28 00 00 00 40 00",
                          "00 00 20 00 00 00 01 00 08 00 00 00 00 00 00 00 00 00 8B 42",
                          "10 00 00 00 08 00 00 00 2C 00 00 00 00 00 00 00 10 00 01 00"};
    for (int i = 0; i < 7; ++i) {
        p.setPen(QColor(c[i == 3 ? Teal : Blue]));
        p.drawText(14, 22 + 22 * i, QString::fromLatin1(rows[i % 4]));
    }
    // What it finds: a row of pictures lifted out of the stream.
    for (int i = 0; i < 5; ++i) DrawFoundImage(p, c, QRect(24 + 96 * i, 188, 82, 62), i);
    p.setPen(QColor(c[Yellow]));
    p.drawLine(24, 180, 496, 180);

    // A magnifying glass over the bytes.
    p.setPen(QPen(QColor(c[White]), 6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPoint(430, 78), 44, 44);
    p.setPen(QPen(QColor(c[Silver]), 12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(462, 110, 500, 150);

    // The name, in white with a black shadow.
    QFont title(QStringLiteral("sans-serif"));
    title.setPixelSize(72);
    title.setBold(true);
    title.setStyleStrategy(QFont::NoAntialias);
    p.setFont(title);
    p.setPen(QColor(c[Black]));
    p.drawText(QRect(27, 63, 360, 90), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorel"));
    p.setPen(QColor(c[White]));
    p.drawText(QRect(24, 60, 360, 90), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorel"));

    QFont small(QStringLiteral("sans-serif"));
    small.setPixelSize(16);
    small.setStyleStrategy(QFont::NoAntialias);
    p.setFont(small);
    p.setPen(QColor(c[Yellow]));
    p.drawText(QRect(24, 262, 472, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("TIM・BMP ｲﾒｰｼﾞ検索ﾋﾞｭｰｱ"));
    p.setPen(QColor(c[Silver]));
    p.drawText(QRect(24, 286, 472, 24), Qt::AlignRight | Qt::AlignVCenter, versionText);
    p.setPen(QColor(c[Grey]));
    p.drawRect(0, 0, kSplashWidth - 1, kSplashHeight - 1);
    p.end();

    // Every pixel to the nearest of the 16 colours, without dithering.
    return canvas.convertToFormat(QImage::Format_Indexed8, c,
                                  Qt::ThresholdDither | Qt::AvoidDither | Qt::ThresholdAlphaDither);
}

}  // namespace vorel::app
