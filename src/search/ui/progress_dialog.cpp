#include "search/ui/progress_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {

// The string table holds one caption; an unknown id falls back to it rather than showing an empty title.
QString CaptionString(int id) {
    switch (id) {
        case CProgressDlg::kDefaultCaptionId:
        default:
            return QStringLiteral("Vorel");
    }
}

// The percentage before the first step.
QString StartPercent() {
    return QStringLiteral(" 0 %");
}

// The window a scan shuts out when nobody names one: the program's main window.
QWidget* MainWindowOrActive() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(w) && w->isVisible()) return w;
    }
    return QApplication::activeWindow();
}

}  // namespace

CProgressDlg::CProgressDlg(int captionId, QWidget* parent)
    : QDialog(nullptr,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_nCaptionId(captionId != 0 ? captionId : kDefaultCaptionId),
      m_pDefaultOwner(parent) {
    m_pLabel = new QLabel(this);
    m_pPercent = new QLabel(StartPercent(), this);
    m_pPercent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pPercent->setMinimumWidth(m_pPercent->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setTextVisible(false);
    m_pCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    // Enter must not reach the Cancel button: only a click, Space or Escape cancels.
    m_pCancel->setAutoDefault(false);
    m_pCancel->setDefault(false);
    connect(m_pCancel, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pLabel, 1);
    top->addWidget(m_pPercent);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pProgress);
    layout->addLayout(bottom);
    setMinimumWidth(m_pCancel->sizeHint().width() * 4);

    m_pProgress->setRange(m_nLower, m_nUpper);
    m_nPos = m_nLower;
    m_pProgress->setValue(m_nPos);
    setWindowTitle(CaptionString(m_nCaptionId));
    setModal(false);
}

CProgressDlg::~CProgressDlg() {
    if (m_bCreated || m_bParentDisabled) DestroyWindow();
}

bool CProgressDlg::Create(QWidget* owner) {
    if (m_bCreated) return true;
    if (!owner) owner = m_pDefaultOwner;
    if (!owner) owner = MainWindowOrActive();
    if (owner) owner = owner->window();
    m_pOwner = owner;
    if (owner && owner->isEnabled()) {
        owner->setEnabled(false);
        m_bParentDisabled = true;
    }
    winId();  // makes the native window now, so a failure shows here and not in the middle of the scan
    if (!testAttribute(Qt::WA_WState_Created) || !windowHandle()) {
        if (m_bParentDisabled && m_pOwner) m_pOwner->setEnabled(true);
        m_bParentDisabled = false;
        return false;
    }
    if (owner && owner->windowHandle()) windowHandle()->setTransientParent(owner->windowHandle());
    adjustSize();
    if (owner) move(owner->frameGeometry().center() - rect().center());
    m_bCreated = true;
    m_showClock.start();
    ShowWhenDue();
    return true;
}

void CProgressDlg::ShowWhenDue() {
    if (!m_bCreated || !m_showClock.isValid() || m_showClock.elapsed() < m_nShowDelayMs) return;
    m_showClock.invalidate();
    show();
}

void CProgressDlg::SetLabel(const QString& text) {
    m_pLabel->setText(text);
}

QString CProgressDlg::LabelText() const {
    return m_pLabel->text();
}

QString CProgressDlg::PercentText() const {
    return m_pPercent->text();
}

bool CProgressDlg::CheckCancel() {
    // Without a window there is nothing to press, and letting events run while
    // the main window is enabled would let a second search start inside this one.
    if (!m_bCreated) return false;
    ShowWhenDue();
    QCoreApplication::processEvents();
    const bool cancel = m_bCancel;
    m_bCancel = false;
    return cancel;
}

int CProgressDlg::StepIt() {
    if (m_bCreated) {
        ShowWhenDue();
        QCoreApplication::processEvents();
    }
    const int previous = m_nPos;
    const int shown = previous + m_nStep;
    // Past the top the bar starts over, as a stepping progress bar does.
    m_nPos = shown > m_nUpper ? m_nLower + (shown - m_nLower) % (m_nUpper - m_nLower) : shown;
    m_pProgress->setValue(m_nPos);
    ShowPosition(shown);
    return previous;
}

void CProgressDlg::ShowPosition(int pos) {
    const int percent = (pos - m_nLower) * 100 / (m_nUpper - m_nLower);
    const int value = percent == 100 ? 100 : percent % 100;
    const QString text = QString::number(value) + QLatin1Char('%');
    if (m_pPercent->text() != text) m_pPercent->setText(text);
}

void CProgressDlg::Restart() {
    m_nPos = m_nLower;
    m_pProgress->setValue(m_nPos);
    m_pPercent->setText(StartPercent());
    m_bCancel = false;
}

void CProgressDlg::DestroyWindow() {
    if (m_bParentDisabled && m_pOwner) m_pOwner->setEnabled(true);
    m_bParentDisabled = false;
    m_bCreated = false;
    m_showClock.invalidate();
    hide();
}

void CProgressDlg::accept() {}

void CProgressDlg::reject() {
    m_bCancel = true;
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    // Closing the window is a request to cancel; the scan decides, and destroys the dialog itself.
    event->ignore();
    m_bCancel = true;
}

void CProgressDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
