// The image on the clipboard so that other programs paste it: as a picture
// (Qt then offers PNG and its other image formats) and, byte for byte, as a
// BMP file made of the 14-byte file header and the whole packed DIB.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "image/dib.h"

class QMimeData;

namespace vorel::ui {

inline const QString kBmpMimeType = QStringLiteral("image/bmp");

// The BMP file of a DIB: BITMAPFILEHEADER then the block as held; empty for a
// block too short to hold a header.
QByteArray BmpFileBytes(const Dib& dib);

// Picture and BMP bytes of a DIB; null for a block too short to hold a header.
std::unique_ptr<QMimeData> MakeDibMimeData(const Dib& dib);

// Hands the data over to the clipboard; false when the clipboard did not take it.
using ClipboardSink = std::function<bool(std::unique_ptr<QMimeData>)>;
// Tests stand in for the system clipboard; an empty sink restores it.
void SetClipboardSink(ClipboardSink sink);

enum class CopyOutcome { Copied, NoImage, Refused };
CopyOutcome CopyDibToClipboard(const Dib& dib);

}  // namespace vorel::ui
