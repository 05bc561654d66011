// The image view's commands on its document's picture: quarter turns, flips,
// the information box and Copy.
#include <QString>

#include "docview/transform.h"
#include "docview/ui/dib_clipboard.h"
#include "docview/ui/image_info_dialog.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

namespace {

const QString kOutOfMemory = QStringLiteral("ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ");

void ShowError(const QString& text) {
    vorel::Messages().ShowMessage(text, vorel::MessageIcon::Exclamation);
}

QString MessageFor(vorel::TransformOutcome outcome) {
    switch (outcome) {
        case vorel::TransformOutcome::Unsupported:
            return QStringLiteral("2色および16色ｲﾒｰｼﾞは対応していません");
        case vorel::TransformOutcome::NoImage:
            return QStringLiteral("ﾒﾓﾘｴﾗｰ");
        case vorel::TransformOutcome::Unreadable:
            return QStringLiteral("ﾒﾓﾘﾛｯｸｴﾗｰ");
        case vorel::TransformOutcome::OutOfMemory:
            return kOutOfMemory;
        case vorel::TransformOutcome::Done:
            break;
    }
    return {};
}

bool IsTwoOrSixteenColours(int bitCount) {
    return bitCount == 1 || bitCount == 4;
}

}  // namespace

bool CVorelView::CanRotate() const {
    return m_pDocument && !IsTwoOrSixteenColours(m_pDocument->m_nBitCount);
}

void CVorelView::OnRotateLeft() {
    RunTransform(vorel::RotateLeft, true);
}

void CVorelView::OnRotateRight() {
    RunTransform(vorel::RotateRight, true);
}

void CVorelView::OnFlipVertical() {
    RunTransform(vorel::FlipVertical, false);
}

void CVorelView::OnMirror() {
    RunTransform(vorel::Mirror, false);
}

void CVorelView::RunTransform(vorel::TransformOutcome (*transform)(vorel::Dib&), bool turnsTheImage) {
    vorel::WaitCursor wait;
    if (!m_pDocument) return;
    // The document's own bit depth decides, before its block is looked at.
    if (turnsTheImage && IsTwoOrSixteenColours(m_pDocument->m_nBitCount)) {
        ShowError(MessageFor(vorel::TransformOutcome::Unsupported));
        return;
    }
    const vorel::TransformOutcome outcome =
        vorel::TransformWithMask(transform, m_pDocument->m_hDIB, m_pDocument->m_transparency);
    if (outcome != vorel::TransformOutcome::Done) {
        ShowError(MessageFor(outcome));
        return;
    }
    if (turnsTheImage && !m_pDocument->RefreshImageSize()) return;
    // A fitted view fits the new shape; a zoomed one keeps its level with the new extent.
    ReapplyViewMode();
}

void CVorelView::OnImageInfo() {
    if (!m_pDocument) return;
    CImageInfoDlg dialog(this);
    dialog.SetFromDocument(*m_pDocument);
    dialog.exec();
}

void CVorelView::OnEditCopy() {
    vorel::WaitCursor wait;
    if (!m_pDocument) return;
    if (vorel::ui::CopyDibToClipboard(m_pDocument->m_hDIB) != vorel::ui::CopyOutcome::Copied)
        ShowError(kOutOfMemory);
}
