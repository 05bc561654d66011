#include "cli/exporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QStringList>
#include <cstdio>

#include "cli/tree_path.h"
#include "docview/tim_bytes.h"
#include "docview/transparency.h"
#include "export/bmp_writer.h"
#include "export/image_provenance.h"
#include "export/save_tiff.h"
#include "export/tim_file.h"

namespace vorel {
namespace {

const char* Extension(ExportFormat format) {
    switch (format) {
        case ExportFormat::kBmp: return ".BMP";
        case ExportFormat::kTiff: return ".TIF";
        case ExportFormat::kPng: return ".PNG";
        case ExportFormat::kTim: return ".TIM";
    }
    return "";
}

QString BmpReason(BmpWriteOutcome outcome) {
    switch (outcome) {
        case BmpWriteOutcome::Saved: return {};
        case BmpWriteOutcome::NoImage: return QStringLiteral("no image to write");
        case BmpWriteOutcome::LockFailed: return QStringLiteral("the image is damaged");
        case BmpWriteOutcome::CreateFailed: return QStringLiteral("the file cannot be created");
        case BmpWriteOutcome::HeaderBufferFailed: return QStringLiteral("out of memory");
        case BmpWriteOutcome::HeaderWriteFailed:
        case BmpWriteOutcome::BodyWriteFailed: return QStringLiteral("writing the file failed");
    }
    return QStringLiteral("unknown failure");
}

}  // namespace

Exporter::Exporter(QString folder, ExportFormat format, bool pngAlpha, bool tree)
    : folder_(std::move(folder)), format_(format), pngAlpha_(pngAlpha), tree_(tree) {}

bool Exporter::Prepare(QString& reason) {
    if (!QDir().mkpath(folder_)) {
        reason = QStringLiteral("%1: the folder cannot be made").arg(folder_);
        return false;
    }
    if (format_ != ExportFormat::kPng) return true;
    // Next to the finder in the build folder; in the program's own library folder once installed.
    const QString binDir = QCoreApplication::applicationDirPath();
    QStringList errors;
    for (const QString& dir : {binDir, QDir::cleanPath(binDir + u'/' + QLatin1StringView(VOREL_PLUGIN_DIR_FROM_BIN))}) {
        QLibrary plugin(dir + u'/' + QLatin1StringView(kPngPluginName));
        writePng_ = reinterpret_cast<WritePngFunction*>(plugin.resolve(kWritePngSymbol));
        if (writePng_ != nullptr) return true;  // the library stays loaded for the rest of the run
        errors.append(plugin.errorString());
    }
    reason = QStringLiteral("PNG export is not available: %1").arg(errors.join(QStringLiteral("; ")));
    return false;
}

void Exporter::Write(const FoundImage& image, const Dib& dib, const SearchState& state, std::string_view searched) {
    if (format_ == ExportFormat::kTim) {
        // Only a TIM whose every byte was found can be written as it stands in the file.
        // (Out of memory is a failure, reported when the file is written.)
        const TimBytesOutcome outcome = TimBytesOfHit(state).outcome;
        const char* note = outcome == TimBytesOutcome::kNotTim   ? "a bitmap, not a TIM"
                           : outcome == TimBytesOutcome::kCutOff ? "the file ends inside this TIM"
                                                                 : nullptr;
        if (note != nullptr) {
            ++passedOver_;
            std::fprintf(stderr, "vorel-find: %s: %s: passed over\n", image.title.c_str(), note);
            return;
        }
    }
    const QString path = QDir(folder_).filePath(FileNameFor(image));
    QString reason;
    if (WriteOne(QFile::encodeName(path).toStdString(), dib, state, searched, reason)) {
        ++written_;
        return;
    }
    ++failed_;
    std::fprintf(stderr, "vorel-find: %s: %s\n", qPrintable(path), qPrintable(reason));
}

QString Exporter::SubfolderFor(const FoundImage& image, const QString& fileName) {
    if (!tree_ || image.discFile.empty()) return {};
    // The reader already turned "/" and control characters into "_"; a part that
    // would climb out of the export folder is made harmless here too.
    std::vector<std::string> parts;
    for (QString part : QString::fromStdString(image.discFile).split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"." || part == u"..") part.prepend(u'_');
        parts.push_back(QFile::encodeName(part).toStdString());
    }
    // Room after the folders: "/", the file name, a "(2)" for a title met again, and
    // what a temporary name beside the file adds while it is written.
    constexpr std::size_t kRoom = 1 + 8 + 8;
    const std::size_t taken = static_cast<std::size_t>(QFile::encodeName(folder_).size() + 1 +
                                                       QFile::encodeName(fileName).size()) + kRoom;
    bool shortened = false;
    const std::string sub = FitTreePath(parts, taken < kMaxPathBytes ? kMaxPathBytes - taken : 0, shortened);
    if (shortened && !saidShortened_) {
        saidShortened_ = true;
        std::fprintf(stderr,
                     "vorel-find: disc paths longer than Linux allows (%zu bytes a name, %zu a path) are shortened "
                     "under %s: the start kept, a short hash for the rest\n",
                     kMaxNameBytes, kMaxPathBytes, qPrintable(folder_));
    }
    return QFile::decodeName(QByteArray::fromStdString(sub));
}

QString Exporter::FileNameFor(const FoundImage& image) {
    const QLatin1StringView extension(Extension(format_));
    QString base = QString::fromStdString(image.title);
    const QString sub = SubfolderFor(image, base + extension);
    if (!sub.isEmpty()) {
        QDir().mkpath(QDir(folder_).filePath(sub));  // a failure shows when the file cannot be made
        base.prepend(sub + u'/');
    }
    return QString::fromStdString(names_.Claim(base.toStdString(), std::string(extension.data(), extension.size()))) +
           extension;
}

bool Exporter::WriteOne(const std::string& path, const Dib& dib, const SearchState& state, std::string_view searched,
                        QString& reason) const {
    switch (format_) {
        case ExportFormat::kBmp: {
            const BmpWriteOutcome outcome = WriteBmpFile(path, dib);
            reason = BmpReason(outcome);
            return outcome == BmpWriteOutcome::Saved;
        }
        case ExportFormat::kTiff: {
            const SaveTiffResult result = SaveTiff(path, dib, 0, 1, false);
            if (result.writeCode == 0) return true;
            reason = result.message ? QString::fromUtf8(result.message->text.data(), static_cast<qsizetype>(result.message->text.size())) : QStringLiteral("writing the file failed");
            if (result.writeCode > 0) reason += QStringLiteral(" (TIFF code %1)").arg(result.writeCode);
            return false;
        }
        case ExportFormat::kPng: {
            char error[256] = {};
            const Dib mask = pngAlpha_ ? TransparencyMaskOfHit(state) : Dib{};
            const std::string provenance = FormatProvenance(ProvenanceOfImage(RecordOfHit(state, searched)));
            if (writePng_(path.c_str(), dib.Data(), dib.AllocatedSize(), mask.IsNull() ? nullptr : mask.Data(),
                          mask.AllocatedSize(), provenance.c_str(), error, sizeof error) == 0)
                return true;
            reason = QString::fromUtf8(error);
            return false;
        }
        case ExportFormat::kTim: {
            const TimBytes tim = TimBytesOfHit(state);
            if (tim.outcome != TimBytesOutcome::kWhole) {
                reason = QStringLiteral("out of memory");
                return false;
            }
            const BmpWriteOutcome outcome = WriteTimFile(path, tim.bytes);
            reason = BmpReason(outcome);
            return outcome == BmpWriteOutcome::Saved;
        }
    }
    return false;
}

}  // namespace vorel
