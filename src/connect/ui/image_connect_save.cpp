// "保存" of the connection dialog: the joined picture exists only while it is
// written; neither document changes.
#include <QFileInfo>

#include "connect/ui/image_connect_dialog.h"
#include "docview/ui/vorel_doc.h"
#include "export/save_messages.h"
#include "export/ui/save_file.h"
#include "export/ui/save_folder.h"
#include "ui/file_dialog_service.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace {

void ShowExclamation(const char* utf8) {
    vorel::Messages().ShowMessage(QString::fromUtf8(utf8), vorel::MessageIcon::Exclamation);
}

// Writes the joined picture; true when the file is in place.
bool WriteJoined(const QString& path, const QString& extension, const vorel::Dib& joined) {
    const vorel::SaveFormat format = extension == u"TIF"   ? vorel::SaveFormat::Tiff
                                     : extension == u"PNG" ? vorel::SaveFormat::Png
                                                           : vorel::SaveFormat::Bmp;
    const vorel::ui::SaveFileResult result =
        vorel::ui::WriteImageFile(path, joined, format, vorel::kJoinedBmpMessages);
    if (result.saved) vorel::ui::RememberSaveFolder(QFileInfo(path).absolutePath());
    if (result.message) vorel::ui::ShowSaveMessage(*result.message);
    return result.saved;
}

}  // namespace

void CImageConnectDlg::SaveJoinedImage() {
    UpdateData();
    if (m_nFirst < 0 || m_nSecond < 0 || m_nDirection < 0) return;

    vorel::SaveFileRequest request;
    request.filter = QString::fromUtf8(
        "BMP (Windows Bitmap)|*.bmp|TIFF (Tagged Image File Format)|*.tif|PNG (Portable Network Graphics)|*.png|"
        "全ﾌｧｲﾙ(*.*)|*.*|");
    request.confirmOverwrite = true;
    const CVorelDoc* firstDoc = DocumentAt(m_nFirst);
    request.startFolder = vorel::ui::SaveDialogFolder(firstDoc ? firstDoc->GetFilePath() : QString());
    const std::optional<QString> path = vorel::FileDialogs().GetSaveFileName(request);
    if (!path) return;
    // No extension is added: a name typed without one is refused like any other.
    const QString extension = QFileInfo(*path).suffix().toUpper();
    if (extension != u"BMP" && extension != u"TIF" && extension != u"PNG") {
        vorel::Messages().ShowMessage(QString::fromUtf8("拡張子「.%1」には対応していません。").arg(extension),
                                      vorel::MessageIcon::Exclamation);
        return;
    }

    const vorel::WaitCursor wait;
    const CVorelDoc* first = DocumentAt(m_nFirst);
    const CVorelDoc* second = SecondDocument();
    if (!first || !second || first->m_hDIB.IsNull() || second->m_hDIB.IsNull()) {
        ShowExclamation("ﾃﾞｰﾀ取得ｴﾗｰ");
        return;
    }
    const vorel::JoinResult joined =
        vorel::JoinDibs(first->m_hDIB, second->m_hDIB, static_cast<vorel::JoinDirection>(m_nDirection));
    switch (joined.outcome) {
        case vorel::JoinOutcome::Joined: break;
        case vorel::JoinOutcome::NoImage: ShowExclamation("ﾃﾞｰﾀ取得ｴﾗｰ"); return;
        case vorel::JoinOutcome::TopLeftUnusable: ShowExclamation("ﾒﾓﾘﾛｯｸｴﾗｰ1"); return;
        case vorel::JoinOutcome::BottomRightUnusable: ShowExclamation("ﾒﾓﾘﾛｯｸｴﾗｰ2"); return;
        case vorel::JoinOutcome::TooLarge:
        case vorel::JoinOutcome::OutOfMemory: ShowExclamation("ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ"); return;
        case vorel::JoinOutcome::BitCountDiffers:
        case vorel::JoinOutcome::EdgesDiffer:
        case vorel::JoinOutcome::BadDirection: ShowExclamation("連結方向を選択して下さい"); return;
    }
    if (WriteJoined(*path, extension, joined.dib)) accept();
}
