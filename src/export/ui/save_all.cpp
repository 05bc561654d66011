#include "export/ui/save_all.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <memory>

#include "docview/ui/vorel_doc.h"
#include "export/save_names.h"
#include "export/ui/save_file.h"
#include "export/ui/save_folder.h"
#include "export/ui/save_options_dialog.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace vorel::ui {
namespace {

// False when the run must not start: the folder cannot be reached, the user
// declined to create it, or creating it failed.
bool PrepareFolder(const QString& folder) {
    const std::string native = folder.toStdString();
    if (const std::optional<std::string> start = UnreachableFolderStart(native)) {
        Messages().ShowMessage(QStringLiteral("ドライブ[%1]が見つかりません。").arg(QString::fromStdString(*start)),
                               MessageIcon::Exclamation);
        return false;
    }
    // The root, like a bare drive, is taken as it is.
    if (folder == QLatin1String("/")) return true;
    const QFileInfo info(folder);
    if (info.isDir()) return true;
    // A file of that name can neither take the images nor make way for a folder.
    if (info.exists()) {
        Messages().ShowMessage(QStringLiteral("[%1]はﾌｫﾙﾀﾞではありません。").arg(folder), MessageIcon::Exclamation);
        return false;
    }
    if (Messages().Ask(QStringLiteral("%1\nが見つかりません、フォルダを作成しますか？。").arg(folder),
                       MessageButtons::OkCancel, MessageIcon::Exclamation) != MessageAnswer::Ok)
        return false;
    // One level only: a folder whose parent is missing too is a mistyped name
    // more often than a wish for a whole tree.
    if (!QDir().mkdir(folder)) {
        Messages().ShowMessage(QStringLiteral("フォルダの作成に失敗しました。\nフォルダ名を確認してください。"),
                               MessageIcon::Exclamation);
        return false;
    }
    return true;
}

// The progress box, made only once the run has gone on for a while.
class SaveAllProgress {
  public:
    SaveAllProgress(int total, QWidget* parent, SaveAllPacing pacing)
        : total_(total), parent_(parent), pacing_(pacing) {
        clock_.start();
    }

    // Called before file `index` (0-based) is written; false once the user has cancelled.
    bool Continue(int index) {
        if (!dialog_) {
            if (clock_.elapsed() < pacing_.progressDelayMs || index >= total_) return true;
            dialog_ = std::make_unique<QProgressDialog>(Label(index), QStringLiteral("ｷｬﾝｾﾙ"), 0, total_, parent_);
            dialog_->setWindowTitle(QStringLiteral("保存"));
            // Modal, so no window can be closed while its image is being saved.
            dialog_->setWindowModality(Qt::ApplicationModal);
            dialog_->setAutoClose(false);
            dialog_->setAutoReset(false);
            dialog_->setMinimumDuration(0);
            dialog_->setValue(index);
            dialog_->show();
            lastUpdate_ = -1 - pacing_.progressUpdateMs;
        }
        // A modal progress box lets the event loop run on every new value; a
        // few times a second is enough to draw it and to hear Cancel.
        const qint64 now = clock_.elapsed();
        if (now - lastUpdate_ >= pacing_.progressUpdateMs) {
            lastUpdate_ = now;
            dialog_->setLabelText(Label(index));
            dialog_->setValue(index);
        }
        return !dialog_->wasCanceled();
    }

    void Finish() {
        if (dialog_) dialog_->close();
        dialog_.reset();
    }

  private:
    QString Label(int index) const {
        return QStringLiteral("ｲﾒｰｼﾞを保存しています  %1 / %2").arg(index + 1).arg(total_);
    }

    int total_;
    QWidget* parent_;
    SaveAllPacing pacing_;
    QElapsedTimer clock_;
    qint64 lastUpdate_ = 0;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace

SaveAllSummary RunSaveAll(const ISettingsStore& store, const QList<CVorelDoc*>& documents, QWidget* parent,
                          SaveAllPacing pacing) {
    SaveAllSummary summary;
    const bool askBeforeReplacing = Read(store, settings::kOverwriteMessage) != 0;
    const QString folder = QString::fromStdString(TrimSaveFolder(ReadFolderForSaveAll(store).toStdString()));
    const SaveFormat format = FormatOfImageType(Read(store, settings::kImageType));
    const bool pngAlpha = Read(store, settings::kPngAlpha) != 0;
    if (!PrepareFolder(folder)) return summary;
    summary.ran = true;

    // The progress box lets events through; a window closed meanwhile is passed over.
    QList<QPointer<CVorelDoc>> queue;
    queue.reserve(documents.size());
    for (CVorelDoc* doc : documents) queue.append(doc);
    std::optional<SaveMessage> failure;
    RunFileNames names;
    std::string extension = ".";
    extension += ExtensionOf(format);
    {
        const WaitCursor wait;
        SaveAllProgress progress(static_cast<int>(queue.size()), parent, pacing);
        for (int i = 0; i < queue.size(); ++i) {
            if (!progress.Continue(i)) {
                summary.cancelled = true;
                break;
            }
            const CVorelDoc* doc = queue.at(i);
            // An empty window (File > New) has nothing to save; the images after it still are.
            if (!doc || doc->m_hDIB.IsNull()) {
                ++summary.passedOver;
                continue;
            }
            // Two images of one title (one name searched in two folders) both
            // get a file: the later one TITLE(2). Only a file that was there
            // before the run can be replaced, and then only as "OverwriteMessage" says.
            const std::string title = names.Claim(doc->GetTitle().toStdString(), extension);
            const QString path = QString::fromStdString(SaveAllFilePath(folder.toStdString(), title, format));
            if (askBeforeReplacing && QFileInfo::exists(path) &&
                Messages().Ask(QStringLiteral("%1\n上書きしてもよろしいですか？。").arg(path), MessageButtons::OkCancel,
                               MessageIcon::Exclamation) != MessageAnswer::Ok) {
                ++summary.passedOver;
                continue;
            }
            // A file that replaces another is flushed before it takes the name; new
            // files are flushed together once the run is over.
            const std::optional<PngProvenance> provenance = ProvenanceOfDocument(*doc);
            const SaveFileResult result =
                WriteImageFile(path, doc->m_hDIB, format, kSaveAllBmpMessages, FileSync::WhenReplacing,
                               pngAlpha ? &doc->m_transparency : nullptr, provenance ? &*provenance : nullptr);
            if (!result.saved) {
                // A failure of any format ends the run; what was written before stays.
                failure = result.message;
                summary.failed = true;
                break;
            }
            ++summary.written;
        }
        progress.Finish();
        if (summary.written > 0) {
            SyncFileSystemOf(QFile::encodeName(folder).toStdString());
            RememberSaveFolder(folder);
        }
    }
    if (failure) ShowSaveMessage(*failure);
    Messages().ShowMessage(QStringLiteral("保存終了"), MessageIcon::Information);
    return summary;
}

SaveAllSummary SaveAllDocuments(ISettingsStore& store, const QList<CVorelDoc*>& documents, QWidget* parent) {
    CSaveOptionsDlg dialog(store, parent);
    if (dialog.exec() != QDialog::Accepted) return {};
    return RunSaveAll(store, documents, parent);
}

}  // namespace vorel::ui
