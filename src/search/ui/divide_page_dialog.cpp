#include "search/ui/divide_page_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CDividePageDlg::CDividePageDlg(vorel::ISettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store), m_divide(vorel::ui::MakeDivideWidgets(this)) {
    connect(m_divide.divideCheck, &QCheckBox::clicked, this, &CDividePageDlg::OnCheckDivide);
    connect(m_divide.prevButton, &QPushButton::clicked, this, &CDividePageDlg::OnPrev);
    connect(m_divide.nextButton, &QPushButton::clicked, this, &CDividePageDlg::OnNext);
    connect(m_divide.okButton, &QPushButton::clicked, this, &CDividePageDlg::accept);
    connect(m_divide.cancelButton, &QPushButton::clicked, this, &CDividePageDlg::reject);
}

void CDividePageDlg::LoadDivideSettings() {
    m_divide.divideCheck->setChecked(Read(m_store, settings::kDivideSearch) == 1);
    const int number = Read(m_store, settings::kDivideNum);
    m_divide.numberEdit->setText(QString::number(number));
    m_nPage = Read(m_store, settings::kDividePos);
    vorel::ui::UpdatePageControls(m_divide.divideCheck->isChecked(), number, m_nPage, m_divide.prevButton,
                                  m_divide.nextButton, m_divide.windowLabel);
}

void CDividePageDlg::WriteDivideSettings(int number) {
    Write(m_store, settings::kDivideNum, number);
    Write(m_store, settings::kDivideSearch, m_divide.divideCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kDividePos, m_nPage);
}

void CDividePageDlg::OnCheckDivide() {
    // The label follows the number as typed, although the store keeps the old one until OK.
    vorel::ui::UpdatePageControls(m_divide.divideCheck->isChecked(),
                                  vorel::ui::LeadingIntForLabel(m_divide.numberEdit->text()), m_nPage,
                                  m_divide.prevButton, m_divide.nextButton, m_divide.windowLabel);
}

void CDividePageDlg::OnPrev() {
    if (m_nPage <= 0) return;
    --m_nPage;
    OnCheckDivide();
}

void CDividePageDlg::OnNext() {
    if (m_nPage == std::numeric_limits<int>::max()) return;
    ++m_nPage;
    OnCheckDivide();
}
