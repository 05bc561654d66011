#include "search/ui/divide_search_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "app/message_service.h"
#include "search/ui/divide_controls.h"

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CDivideSearchDlg::CDivideSearchDlg(vorel::ISettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store) {
    setWindowTitle(QStringLiteral("分割検索設定"));

    const vorel::ui::DivideWidgets w = vorel::ui::MakeDivideWidgets(this);
    m_pDivideCheck = w.divideCheck;
    m_pNumberEdit = w.numberEdit;
    m_pPrevButton = w.prevButton;
    m_pNextButton = w.nextButton;
    m_pWindowLabel = w.windowLabel;
    m_pOkButton = w.okButton;
    m_pCancelButton = w.cancelButton;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(w.divideRow);
    layout->addLayout(w.pageRow);
    layout->addLayout(w.buttonRow);

    connect(m_pDivideCheck, &QCheckBox::clicked, this, &CDivideSearchDlg::OnCheckDivide);
    connect(m_pPrevButton, &QPushButton::clicked, this, &CDivideSearchDlg::OnPrev);
    connect(m_pNextButton, &QPushButton::clicked, this, &CDivideSearchDlg::OnNext);
    connect(m_pOkButton, &QPushButton::clicked, this, &CDivideSearchDlg::accept);
    connect(m_pCancelButton, &QPushButton::clicked, this, &CDivideSearchDlg::reject);

    m_pDivideCheck->setChecked(Read(m_store, settings::kDivideSearch) == 1);
    const int number = Read(m_store, settings::kDivideNum);
    m_pNumberEdit->setText(QString::number(number));
    m_nPage = Read(m_store, settings::kDividePos);
    vorel::ui::UpdatePageControls(m_pDivideCheck->isChecked(), number, m_nPage, m_pPrevButton, m_pNextButton,
                                  m_pWindowLabel);
}

void CDivideSearchDlg::OnCheckDivide() {
    vorel::ui::UpdatePageControls(m_pDivideCheck->isChecked(),
                                  vorel::ui::LeadingIntForLabel(m_pNumberEdit->text()), m_nPage,
                                  m_pPrevButton, m_pNextButton, m_pWindowLabel);
}

void CDivideSearchDlg::OnPrev() {
    if (m_nPage <= 0) return;
    --m_nPage;
    OnCheckDivide();
}

void CDivideSearchDlg::OnNext() {
    if (m_nPage == std::numeric_limits<int>::max()) return;
    ++m_nPage;
    OnCheckDivide();
}

void CDivideSearchDlg::accept() {
    const std::optional<int> number = vorel::ui::ParseDigitsOnly(m_pNumberEdit->text());
    if (!number) {
        vorel::Messages().ShowMessage(QStringLiteral("分割検索ｲﾒｰｼﾞ数を確認してください"),
                                      vorel::MessageIcon::Exclamation);
        m_pNumberEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    Write(m_store, settings::kDivideNum, *number);
    Write(m_store, settings::kDivideSearch, m_pDivideCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kDividePos, m_nPage);
    QDialog::accept();
}
