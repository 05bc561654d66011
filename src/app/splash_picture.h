// The start-up picture, drawn by the program itself: 520 x 317 pixels in 16
// colours (an 8-bit image whose table has 16 entries and whose pixels use no other).
#pragma once

#include <QImage>
#include <QString>

namespace vorel::app {

inline constexpr int kSplashWidth = 520;
inline constexpr int kSplashHeight = 317;

// The 16 colours of the picture: the classic VGA set.
QList<QRgb> SplashColours();

QImage MakeSplashPicture(const QString& versionText);

}  // namespace vorel::app
