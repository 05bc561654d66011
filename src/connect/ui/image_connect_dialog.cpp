#include "connect/ui/image_connect_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

#include "connect/ui/preview_frame.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"
#include "ui/message_service.h"
#include "ui/wait_cursor.h"

using vorel::JoinDirection;

namespace {

QString Tr(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A combo box with its label as buddy, so a screen reader names it.
QComboBox* LabelledList(const char* label, QGridLayout* grid, int row, int column, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(14);
    auto* caption = new QLabel(Tr(label), parent);
    caption->setBuddy(list);
    list->setAccessibleName(caption->text().remove(QLatin1Char('&')));
    grid->addWidget(caption, row, column);
    grid->addWidget(list, row + 1, column);
    return list;
}

}  // namespace

CImageConnectDlg::CImageConnectDlg(DocumentList documents, QWidget* parent)
    : QDialog(parent), m_documents(std::move(documents)) {
    setWindowTitle(QStringLiteral("IMAGE CONNECTION"));
    setObjectName(QStringLiteral("ImageConnectDialog"));

    auto* grid = new QGridLayout(this);
    m_pFirstList = LabelledList("1枚目のｲﾒｰｼﾞ(&1)", grid, 0, 0, this);
    m_pSecondList = LabelledList("2枚目のｲﾒｰｼﾞ(&2)", grid, 0, 1, this);
    m_pFirstFrame = new CPreviewFrame(QSize(141, 101), Tr("1枚目のﾌﾟﾚﾋﾞｭｰ"), this);
    m_pSecondFrame = new CPreviewFrame(QSize(141, 101), Tr("2枚目のﾌﾟﾚﾋﾞｭｰ"), this);
    grid->addWidget(m_pFirstFrame, 2, 0, Qt::AlignCenter);
    grid->addWidget(m_pSecondFrame, 2, 1, Qt::AlignCenter);

    auto* directionBox = new QGroupBox(Tr("2枚目の位置"), this);
    auto* directionRow = new QHBoxLayout(directionBox);
    m_pDirectionGroup = new QButtonGroup(this);
    const char* names[] = {"上", "下", "左", "右"};
    for (int i = 0; i < 4; ++i) {
        m_directions[i] = new QRadioButton(Tr(names[i]), directionBox);
        m_directions[i]->setAccessibleName(Tr(names[i]));
        m_pDirectionGroup->addButton(m_directions[i], i);
        directionRow->addWidget(m_directions[i]);
    }
    m_pPreview = new QPushButton(Tr("ﾌﾟﾚﾋﾞｭｰ"), this);
    m_pPreview->setAccessibleName(m_pPreview->text());
    m_pPreview->setAutoDefault(false);
    directionRow->addWidget(m_pPreview);
    grid->addWidget(directionBox, 3, 0, 1, 2);

    m_pJoinedFrame = new CPreviewFrame(QSize(289, 201), Tr("連結したｲﾒｰｼﾞのﾌﾟﾚﾋﾞｭｰ"), this);
    grid->addWidget(m_pJoinedFrame, 4, 0, 1, 2, Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_pSave = new QPushButton(Tr("保存"), this);
    m_pSave->setDefault(true);
    m_pSave->setAccessibleName(m_pSave->text());
    m_pCancel = new QPushButton(Tr("ｷｬﾝｾﾙ"), this);
    m_pCancel->setAutoDefault(false);
    m_pCancel->setAccessibleName(m_pCancel->text());
    buttons->addWidget(m_pSave);
    buttons->addWidget(m_pCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);

    connect(m_pFirstList, &QComboBox::activated, this, &CImageConnectDlg::OnSelchangeFirst);
    connect(m_pSecondList, &QComboBox::activated, this, &CImageConnectDlg::OnSelchangeSecond);
    connect(m_pDirectionGroup, &QButtonGroup::idClicked, this, &CImageConnectDlg::OnDirection);
    connect(m_pPreview, &QPushButton::clicked, this, &CImageConnectDlg::OnPreview);
    connect(m_pSave, &QPushButton::clicked, this, &CImageConnectDlg::SaveJoinedImage);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Opening: every document by its title, nothing chosen, nothing else usable.
    for (const CVorelDoc* doc : m_documents()) m_pFirstList->addItem(doc->GetTitle());
    m_pFirstList->setCurrentIndex(-1);
    m_pSecondList->setEnabled(false);
    SetDirectionsEnabled(false, false);
    m_pSave->setEnabled(false);
    m_pPreview->setEnabled(false);
    m_pJoinedFrame->setEnabled(false);
    m_pSecondFrame->setEnabled(false);
}

void CImageConnectDlg::UpdateData() {
    m_nFirst = m_pFirstList->currentIndex();
    m_nSecond = m_pSecondList->currentIndex();
    m_nDirection = m_pDirectionGroup->checkedId();
}

CVorelDoc* CImageConnectDlg::DocumentAt(int index) const {
    const QList<CVorelDoc*> docs = m_documents();
    return index >= 0 && index < docs.size() ? docs.at(index) : nullptr;
}

CVorelDoc* CImageConnectDlg::SecondDocument() const {
    if (m_nSecond < 0 || m_nSecond >= static_cast<int>(m_nCandidateDoc.size())) return nullptr;
    return DocumentAt(m_nCandidateDoc[static_cast<std::size_t>(m_nSecond)]);
}

void CImageConnectDlg::Message(const char* utf8) {
    vorel::Messages().ShowMessage(Tr(utf8), vorel::MessageIcon::Exclamation);
}

void CImageConnectDlg::SetDirectionsEnabled(bool aboveBelow, bool leftRight) {
    const bool allowed[4] = {aboveBelow, aboveBelow, leftRight, leftRight};
    for (int i = 0; i < 4; ++i) {
        m_directions[i]->setEnabled(allowed[i]);
        // A direction left checked from an earlier pair that this one does not
        // allow is taken back, so that it can be neither previewed nor saved.
        if (!allowed[i] && m_directions[i]->isChecked()) {
            m_pDirectionGroup->setExclusive(false);
            m_directions[i]->setChecked(false);
            m_pDirectionGroup->setExclusive(true);
        }
    }
}

// A first image that cannot be shown leaves nothing to join it with: the
// candidates of an earlier first image are taken away with it.
void CImageConnectDlg::ForgetFirst() {
    m_pFirstFrame->Clear();
    m_pSecondFrame->Clear();
    m_pJoinedFrame->Clear();
    m_pSecondList->clear();
    m_nCandidateDoc.clear();
    m_pSecondList->setEnabled(false);
    m_pSecondFrame->setEnabled(false);
    SetDirectionsEnabled(false, false);
    m_pPreview->setEnabled(false);
    m_pJoinedFrame->setEnabled(false);
    m_pSave->setEnabled(false);
    m_nFirstWidth = m_nFirstHeight = 0;
}

bool CImageConnectDlg::ShowFirst(bool quiet) {
    const CVorelDoc* doc = DocumentAt(m_nFirst);
    if (!doc) return false;
    if (doc->m_hDIB.IsNull()) {
        if (!quiet) Message("ﾒﾓﾘｴﾗｰ");
        return false;
    }
    if (!vorel::ui::IsDrawableDib(doc->m_hDIB)) {
        if (!quiet) Message("ﾒﾓﾘﾛｯｸｴﾗｰ");
        return false;
    }
    m_pFirstFrame->ShowImage(&doc->m_hDIB, doc->m_nImageWidth, doc->m_nImageHeight);
    return true;
}

void CImageConnectDlg::OnSelchangeFirst() {
    UpdateData();
    const vorel::WaitCursor wait;
    if (m_nFirst < 0) return;
    if (!ShowFirst(false)) {
        ForgetFirst();
        return;
    }
    const CVorelDoc* first = DocumentAt(m_nFirst);
    m_pSecondList->clear();
    m_nCandidateDoc.clear();
    m_pSecondFrame->Clear();
    m_pJoinedFrame->Clear();
    const QList<CVorelDoc*> docs = m_documents();
    for (int i = 0; i < docs.size(); ++i) {
        const CVorelDoc* doc = docs.at(i);
        // The first image itself never qualifies, nor a document without an image.
        if (doc == first || doc->m_hDIB.IsNull()) continue;
        if (!vorel::IsJoinCandidate(first->m_nBitCount, first->m_nImageWidth, first->m_nImageHeight,
                                    doc->m_nBitCount, doc->m_nImageWidth, doc->m_nImageHeight))
            continue;
        m_pSecondList->addItem(doc->GetTitle());
        m_nCandidateDoc.push_back(i);
    }
    m_pSecondList->setCurrentIndex(-1);
    const bool any = !m_nCandidateDoc.empty();
    m_pSecondList->setEnabled(any);
    m_pSecondFrame->setEnabled(any);
    m_pSave->setEnabled(false);
    m_pPreview->setEnabled(false);
    m_pJoinedFrame->setEnabled(false);
    SetDirectionsEnabled(false, false);
    m_nFirstWidth = first->m_nImageWidth;
    m_nFirstHeight = first->m_nImageHeight;
}

bool CImageConnectDlg::ShowSecond(bool quiet) {
    if (m_nFirst < 0 || m_nSecond < 0) return false;
    const CVorelDoc* doc = SecondDocument();
    if (!doc) return false;
    if (doc->m_hDIB.IsNull()) {
        if (!quiet) Message("ﾃﾞｰﾀ取得ｴﾗｰ");
        return false;
    }
    if (!vorel::ui::IsDrawableDib(doc->m_hDIB)) {
        if (!quiet) Message("ﾒﾓﾘﾛｯｸｴﾗｰ");
        return false;
    }
    m_pSecondFrame->ShowImage(&doc->m_hDIB, doc->m_nImageWidth, doc->m_nImageHeight);
    m_pJoinedFrame->Clear();
    const vorel::AllowedDirections allowed =
        vorel::DirectionsFor(m_nFirstWidth, m_nFirstHeight, doc->m_nImageWidth, doc->m_nImageHeight);
    SetDirectionsEnabled(allowed.aboveBelow, allowed.leftRight);
    const bool any = allowed.aboveBelow || allowed.leftRight;
    m_pPreview->setEnabled(any);
    m_pJoinedFrame->setEnabled(any);
    m_pSave->setEnabled(false);
    m_nDirection = m_pDirectionGroup->checkedId();
    return true;
}

void CImageConnectDlg::OnSelchangeSecond() {
    UpdateData();
    const vorel::WaitCursor wait;
    ShowSecond(false);
}

void CImageConnectDlg::OnDirection() {
    UpdateData();
    // A direction must be previewed before it can be saved.
    m_pSave->setEnabled(false);
    // The X server tells a window it is active only after the click that
    // brought it to the front has been delivered.
    if (!isActiveWindow()) m_bDirectionClickedInactive = true;
}

bool CImageConnectDlg::Preview(bool quiet) {
    if (m_nFirst < 0 || m_nSecond < 0) return false;
    if (m_nDirection < 0) {
        if (!quiet) Message("連結方向を選択して下さい");
        return false;
    }
    const auto direction = static_cast<JoinDirection>(m_nDirection);
    const CVorelDoc* first = DocumentAt(m_nFirst);
    const CVorelDoc* second = SecondDocument();
    if (!first || !second || first->m_hDIB.IsNull() || second->m_hDIB.IsNull()) {
        if (!quiet) Message("ﾃﾞｰﾀ取得ｴﾗｰ");
        return false;
    }
    const CVorelDoc* a = vorel::SecondGoesFirst(direction) ? second : first;
    const CVorelDoc* b = vorel::SecondGoesFirst(direction) ? first : second;
    if (!vorel::ui::IsDrawableDib(a->m_hDIB)) {
        if (!quiet) Message("ﾒﾓﾘﾛｯｸｴﾗｰ1");
        return false;
    }
    if (!vorel::ui::IsDrawableDib(b->m_hDIB)) {
        if (!quiet) Message("ﾒﾓﾘﾛｯｸｴﾗｰ2");
        return false;
    }
    // Images of unequal edges are never drawn joined.
    const vorel::AllowedDirections allowed = vorel::DirectionsFor(
        first->m_nImageWidth, first->m_nImageHeight, second->m_nImageWidth, second->m_nImageHeight);
    if (!allowed.Allows(direction)) {
        if (!quiet) Message("連結方向を選択して下さい");
        return false;
    }
    m_pJoinedFrame->ShowJoined(&a->m_hDIB, a->m_nImageWidth, a->m_nImageHeight, &b->m_hDIB, b->m_nImageWidth,
                               b->m_nImageHeight, vorel::SideBySide(direction));
    m_pSave->setEnabled(true);
    return true;
}

void CImageConnectDlg::OnPreview() {
    UpdateData();
    const vorel::WaitCursor wait;
    Preview(false);
}

void CImageConnectDlg::Repaint(bool previewDirection) {
    UpdateData();
    const vorel::WaitCursor wait;
    if (m_nFirst < 0) return;
    if (!ShowFirst(true)) return;
    if (!ShowSecond(true)) return;
    if (previewDirection && m_nDirection >= 0) Preview(true);
}

bool CImageConnectDlg::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // Coming back to the front after being covered (a message box, another
    // window) draws the chosen pair again in the checked direction.
    // A direction checked by the very click that activated the dialog was not
    // checked before it came back, so it waits for ﾌﾟﾚﾋﾞｭｰ like any other click.
    if (event->type() == QEvent::WindowActivate) Repaint(!std::exchange(m_bDirectionClickedInactive, false));
    return handled;
}
