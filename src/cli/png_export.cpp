// The PNG plug-in: a packed DIB becomes a QImage and goes out through Qt's image writer.
#include "cli/png_export.h"

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "docview/transparency.h"
#include "export/png_provenance.h"
#include "export/ui/picture_file.h"
#include "image/dib.h"

namespace {

// Every bit depth becomes 32-bit RGB: the colour table resolves indexed pixels here.
QImage ToImage(const vorel::Dib& dib) {
    if (!dib.IsConsistent()) return {};
    const int width = dib.Width();
    const int height = dib.Height();
    const int bits = dib.BitCount();
    const int colors = dib.ColorCount();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return image;
    const auto colour = [&](int index) -> QRgb {
        if (index >= colors) return qRgb(0, 0, 0);
        const std::uint8_t* e = dib.ColorEntry(static_cast<std::size_t>(index));
        return qRgb(e[2], e[1], e[0]);
    };
    for (int y = 0; y < height; ++y) {
        const auto row = dib.StoredRow(height - 1 - y);  // rows are stored bottom-up
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bits) {
                case 1: out[x] = colour((row[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: out[x] = colour((row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F); break;
                case 8: out[x] = colour(row[x]); break;
                default: out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            }
        }
    }
    return image;
}

vorel::Dib CopyDib(const std::uint8_t* bytes, std::size_t size) {
    vorel::Dib dib = vorel::Dib::Allocate(size);
    if (!dib.IsNull()) std::copy(bytes, bytes + size, dib.Data());
    return dib;
}

void SetError(char* error, std::size_t size, const QString& text) {
    if (size > 0) std::snprintf(error, size, "%s", text.toUtf8().constData());
}

}  // namespace

extern "C" Q_DECL_EXPORT int VorelWritePng(const char* path, const std::uint8_t* dibBytes, std::size_t dibSize,
                                           const std::uint8_t* maskBytes, std::size_t maskSize,
                                           const char* provenanceText, char* error, std::size_t errorSize) {
    const vorel::Dib dib = CopyDib(dibBytes, dibSize);
    const vorel::Dib mask = maskBytes != nullptr ? CopyDib(maskBytes, maskSize) : vorel::Dib{};
    if (dib.IsNull() || (maskBytes != nullptr && mask.IsNull())) {
        SetError(error, errorSize, QStringLiteral("out of memory"));
        return 1;
    }
    QImage image = ToImage(dib);
    if (image.isNull()) {
        SetError(error, errorSize, QStringLiteral("the image cannot be converted"));
        return 1;
    }
    if (maskBytes != nullptr) {
        if (!vorel::MaskFits(mask, dib)) {
            SetError(error, errorSize, QStringLiteral("the transparency mask does not fit the image"));
            return 1;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (vorel::IsTransparent(mask, x, y)) row[x] &= 0x00FFFFFFu;
        }
    }
    if (provenanceText != nullptr) {
        std::optional<vorel::PngProvenance> provenance = vorel::ParseProvenance(provenanceText);
        if (!provenance) {
            SetError(error, errorSize, QStringLiteral("the provenance text cannot be read"));
            return 1;
        }
        provenance->alpha = maskBytes != nullptr;  // transparent pixels were given alpha 0 just above
        image.setText(QString::fromLatin1(vorel::kProvenanceKey),
                      QString::fromStdString(vorel::FormatProvenance(*provenance)));
    }
    QSaveFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(error, errorSize, file.errorString());
        return 1;
    }
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) {
        SetError(error, errorSize, writer.errorString());
        file.cancelWriting();
        return 1;
    }
    if (!file.commit()) {
        SetError(error, errorSize, file.errorString());
        return 1;
    }
    return 0;
}

extern "C" Q_DECL_EXPORT int VorelReadPicture(const char* path, vorel::PluginPicture* out, char* error,
                                              std::size_t errorSize) {
    vorel::PictureRgba picture;
    QString reason;
    if (!vorel::ui::ReadPictureFile(QString::fromLocal8Bit(path), picture, reason)) {
        SetError(error, errorSize, reason);
        return 1;
    }
    *out = vorel::PluginPicture{};
    out->rgba = static_cast<std::uint8_t*>(std::malloc(picture.pixels.size() + 1));
    if (out->rgba == nullptr) {
        SetError(error, errorSize, QStringLiteral("out of memory"));
        return 1;
    }
    std::copy(picture.pixels.begin(), picture.pixels.end(), out->rgba);
    out->width = picture.width;
    out->height = picture.height;
    if (picture.provenance) {
        const std::string text = vorel::FormatProvenance(*picture.provenance);
        std::snprintf(out->provenance, sizeof out->provenance, "%s", text.c_str());
    }
    out->paletteSize = static_cast<std::int32_t>(std::min<std::size_t>(picture.palette.size(), 256));
    for (std::int32_t i = 0; i < out->paletteSize; ++i)
        std::copy(picture.palette[static_cast<std::size_t>(i)].begin(), picture.palette[static_cast<std::size_t>(i)].end(), out->palette + 4 * i);
    return 0;
}

extern "C" Q_DECL_EXPORT void VorelFreePicture(vorel::PluginPicture* picture) {
    std::free(picture->rgba);
    picture->rgba = nullptr;
}
