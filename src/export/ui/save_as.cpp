#include "export/ui/save_as.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "docview/ui/vorel_doc.h"
#include "export/save_names.h"
#include "export/tim_file.h"
#include "export/ui/save_file.h"
#include "export/ui/save_folder.h"
#include "ui/file_dialog_service.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace vorel::ui {

QString SaveAsFilter() {
    return QStringLiteral(
        "BMP (Windows Bitmap)|*.bmp|TIFF (Tagged Image File Format)|*.tif|"
        "PNG (Portable Network Graphics)|*.png|TIM (PlayStation TIM)|*.tim|全ﾌｧｲﾙ(*.*)|*.*|");
}

namespace {

// The TIM as it stands in the searched file; a bitmap has none to give.
void SaveTimAs(const CVorelDoc& doc, const QString& path) {
    if (doc.m_tim.outcome == TimBytesOutcome::kNoMemory) {
        ShowSaveMessage(SaveMessage{savetext::kMemoryError, SaveIcon::Exclamation});
        return;
    }
    if (doc.m_tim.outcome != TimBytesOutcome::kWhole) {
        Messages().ShowMessage(doc.m_tim.outcome == TimBytesOutcome::kCutOff
                                   ? QStringLiteral("このTIMはファイルの終わりで切れているため、TIM形式では保存できません。")
                                   : QStringLiteral("TIM形式で保存できるのはTIMイメージだけです。\n"
                                                    "ビットマップはBMP、TIFF、PNGで保存してください。"),
                               MessageIcon::Exclamation);
        return;
    }
    BmpWriteOutcome outcome;
    {
        const WaitCursor wait;
        outcome = WriteTimFile(QFile::encodeName(path).toStdString(), doc.m_tim.bytes);
    }
    if (const auto& message = LookUpBmpMessage(kSaveAsBmpMessages, outcome).message) ShowSaveMessage(*message);
}

}  // namespace

void SaveDocumentAs(const CVorelDoc& doc, const ISettingsStore& store) {
    SaveFileRequest request;
    // The proposed name goes into the folder last saved into; the folder of the
    // searched file is where the path name already points.
    const QFileInfo proposed(QString::fromStdString(ProposedSaveAsPath(doc.GetPathName().toStdString())));
    const QString folder = SaveDialogFolder(doc.GetFilePath());
    request.proposedPath = folder.isEmpty() ? proposed.filePath() : QDir(folder).filePath(proposed.fileName());
    request.filter = SaveAsFilter();
    request.defaultSuffix = QStringLiteral("BMP");
    request.confirmOverwrite = true;
    std::optional<QString> chosen = FileDialogs().GetSaveFileName(request);
    if (!chosen || chosen->isEmpty()) return;

    // A name typed without an extension takes the default one, whichever
    // dialog answered.
    QString path = *chosen;
    if (!FileNameHasExtension(path.toStdString())) path += u'.' + request.defaultSuffix;
    const ChosenFormat format = FormatOfSavePath(path.toStdString());
    if (format.extension == "TIM") {
        SaveTimAs(doc, path);
        return;
    }
    if (!format.format) {
        Messages().ShowMessage(QStringLiteral("拡張子「.%1」には対応していません。").arg(ToQString(format.extension)),
                               MessageIcon::Exclamation);
        return;
    }

    SaveFileResult result;
    {
        // The hourglass covers the write; the message after it gets the usual pointer.
        const WaitCursor wait;
        const bool pngAlpha = Read(store, settings::kPngAlpha) != 0;
        const std::optional<PngProvenance> provenance = ProvenanceOfDocument(doc);
        result = WriteImageFile(path, doc.m_hDIB, *format.format, kSaveAsBmpMessages, FileSync::Always,
                                pngAlpha ? &doc.m_transparency : nullptr, provenance ? &*provenance : nullptr);
    }
    if (result.saved) RememberSaveFolder(QFileInfo(path).absolutePath());
    if (result.message) ShowSaveMessage(*result.message);
}

}  // namespace vorel::ui
