#include "export/ui/save_file.h"

#include <QFile>

#include "docview/ui/vorel_doc.h"
#include "export/bmp_writer.h"
#include "export/image_provenance.h"
#include "export/save_tiff.h"
#include "export/ui/png_file.h"

namespace vorel::ui {
namespace {

BmpWriteOutcome AsBmpOutcome(PngWriteOutcome outcome) {
    switch (outcome) {
        case PngWriteOutcome::Saved:
            return BmpWriteOutcome::Saved;
        case PngWriteOutcome::NoImage:
            return BmpWriteOutcome::NoImage;
        case PngWriteOutcome::CreateFailed:
            return BmpWriteOutcome::CreateFailed;
        case PngWriteOutcome::WriteFailed:
            return BmpWriteOutcome::BodyWriteFailed;
    }
    return BmpWriteOutcome::BodyWriteFailed;
}

SaveFileResult FromBmpOutcome(BmpWriteOutcome outcome, const BmpMessageTable& table) {
    return {outcome == BmpWriteOutcome::Saved, LookUpBmpMessage(table, outcome).message};
}

}  // namespace

QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

SaveFileResult WriteImageFile(const QString& path, const Dib& dib, SaveFormat format,
                              const BmpMessageTable& table, FileSync sync, const Dib* transparency,
                              const PngProvenance* provenance) {
    // The writers of the pure layer take the name in the file system's own encoding.
    const std::string nativePath = QFile::encodeName(path).toStdString();
    switch (format) {
        case SaveFormat::Bmp:
            return FromBmpOutcome(WriteBmpFile(nativePath, dib, sync), table);
        case SaveFormat::Png:
            // An image the PNG encoder cannot take is what a missing one is to the BMP writer.
            if (dib.IsNull()) return FromBmpOutcome(BmpWriteOutcome::NoImage, table);
            return FromBmpOutcome(AsBmpOutcome(WritePngFile(path, dib, sync, transparency, provenance)), table);
        case SaveFormat::Tiff: {
            const SaveTiffResult result = SaveTiff(nativePath, dib, 0, 1, true, sync);
            return {result.value == 0 && result.writeCode == 0, result.message};
        }
    }
    return {};
}

std::optional<PngProvenance> ProvenanceOfDocument(const CVorelDoc& doc) {
    const ImageRecord& record = doc.m_record;
    if (record.path.empty() || (record.sourceType != kSourceTim && record.sourceType != kSourceBmp)) return std::nullopt;
    return ProvenanceOfImage(record);
}

void ShowSaveMessage(const SaveMessage& message) {
    Messages().ShowMessage(ToQString(message.text), message.icon == SaveIcon::Information
                                                        ? MessageIcon::Information
                                                        : MessageIcon::Exclamation);
}

}  // namespace vorel::ui
