#include "app/select_window_dialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/child_frame.h"

CSelectWindowDlg::CSelectWindowDlg(const QList<CChildFrame*>& frames, const CChildFrame* active,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("ｳｨﾝﾄﾞｳの選択"));
    m_pList = new QListWidget(this);
    m_pList->setUniformItemSizes(true);  // thousands of rows stay quick to lay out
    for (CChildFrame* frame : frames) {
        m_frames.append(frame);
        m_pList->addItem(frame->windowTitle());
        if (frame == active) m_pList->setCurrentRow(m_pList->count() - 1);
    }
    if (m_pList->currentRow() < 0 && m_pList->count() > 0) m_pList->setCurrentRow(0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pList, &QListWidget::itemActivated, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
    resize(320, 300);
}

CChildFrame* CSelectWindowDlg::Selected() const {
    const int row = m_pList->currentRow();
    if (row < 0 || row >= m_frames.size()) return nullptr;
    return m_frames.at(row).data();
}
