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

    m_pDivideCheck = new QCheckBox(QStringLiteral("分割検索"), this);
    m_pNumberEdit = new QLineEdit(this);
    auto* divideRow = new QHBoxLayout;
    divideRow->addWidget(m_pDivideCheck);
    divideRow->addWidget(m_pNumberEdit);
    divideRow->addWidget(new QLabel(QStringLiteral("ｲﾒｰｼﾞ/Read"), this));
    divideRow->addStretch(1);

    m_pPrevButton = new QPushButton(QStringLiteral("<<"), this);
    m_pNextButton = new QPushButton(QStringLiteral(">>"), this);
    m_pWindowLabel = new QLabel(this);
    m_pWindowLabel->setMinimumWidth(
        m_pWindowLabel->fontMetrics().horizontalAdvance(QStringLiteral("ｲﾒｰｼﾞ0000000～0000000")));
    auto* pageRow = new QHBoxLayout;
    pageRow->addWidget(m_pPrevButton);
    pageRow->addWidget(m_pNextButton);
    pageRow->addWidget(m_pWindowLabel, 1);
    pageRow->addWidget(new QLabel(QStringLiteral("を検索"), this));
    for (QPushButton* b : {m_pPrevButton, m_pNextButton}) b->setAutoDefault(false);

    m_pOkButton = new QPushButton(QStringLiteral("OK"), this);
    m_pCancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_pOkButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_pOkButton);
    buttonRow->addWidget(m_pCancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(divideRow);
    layout->addLayout(pageRow);
    layout->addLayout(buttonRow);

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
