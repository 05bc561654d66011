#include "search/ui/search_set_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <limits>

#include "app/message_service.h"
#include "search/ui/divide_controls.h"

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CSearchSetDlg::CSearchSetDlg(vorel::ISettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store) {
    setWindowTitle(QStringLiteral("検索設定"));
    BuildControls();
    LoadFromStore();
}

void CSearchSetDlg::BuildControls() {
    m_pMemoryEdit = new QLineEdit(this);
    auto* memoryRow = new QHBoxLayout;
    memoryRow->addWidget(new QLabel(QStringLiteral("読込メモリサイズ"), this));
    memoryRow->addWidget(m_pMemoryEdit);
    memoryRow->addWidget(new QLabel(QStringLiteral("ＭＢ"), this));
    memoryRow->addStretch(1);

    auto* typeBox = new QGroupBox(this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    m_pTypeGroup = new QButtonGroup(this);
    const QString typeTexts[] = {QStringLiteral("TIMｲﾒｰｼﾞのみ検索"), QStringLiteral("BMPｲﾒｰｼﾞのみ検索"),
                                 QStringLiteral("両方検索")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(typeTexts[i], typeBox);
        m_pTypeGroup->addButton(radio, i);
        typeLayout->addWidget(radio);
    }

    m_pPaletteCheck = new QCheckBox(QStringLiteral("全てのﾊﾟﾚｯﾄをｲﾒｰｼﾞ表示する"), this);
    const vorel::ui::DivideWidgets w = vorel::ui::MakeDivideWidgets(this);
    m_pDivideCheck = w.divideCheck;
    m_pNumberEdit = w.numberEdit;
    m_pPrevButton = w.prevButton;
    m_pNextButton = w.nextButton;
    m_pWindowLabel = w.windowLabel;
    m_pOkButton = w.okButton;
    m_pCancelButton = w.cancelButton;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(memoryRow);
    layout->addWidget(typeBox);
    layout->addWidget(m_pPaletteCheck);
    layout->addLayout(w.divideRow);
    layout->addLayout(w.pageRow);
    layout->addLayout(w.buttonRow);

    connect(m_pDivideCheck, &QCheckBox::clicked, this, &CSearchSetDlg::OnCheckDivide);
    connect(m_pPrevButton, &QPushButton::clicked, this, &CSearchSetDlg::OnPrev);
    connect(m_pNextButton, &QPushButton::clicked, this, &CSearchSetDlg::OnNext);
    connect(m_pOkButton, &QPushButton::clicked, this, &CSearchSetDlg::accept);
    connect(m_pCancelButton, &QPushButton::clicked, this, &CSearchSetDlg::reject);
}

void CSearchSetDlg::LoadFromStore() {
    m_pMemoryEdit->setText(QString::fromStdString(Read(m_store, settings::kReadMemorySize)));
    // A type outside 0..2 leaves every radio button clear, and OK then stores -1 (no scan).
    const int type = Read(m_store, settings::kSearchType);
    if (QAbstractButton* radio = m_pTypeGroup->button(type)) radio->setChecked(true);
    m_pPaletteCheck->setChecked(Read(m_store, settings::kPaletteImage) != 0);
    m_pDivideCheck->setChecked(Read(m_store, settings::kDivideSearch) == 1);
    const int number = Read(m_store, settings::kDivideNum);
    m_pNumberEdit->setText(QString::number(number));
    m_nPage = Read(m_store, settings::kDividePos);
    vorel::ui::UpdatePageControls(m_pDivideCheck->isChecked(), number, m_nPage, m_pPrevButton, m_pNextButton,
                                  m_pWindowLabel);
}

QRadioButton* CSearchSetDlg::SearchTypeButton(int type) const {
    return qobject_cast<QRadioButton*>(m_pTypeGroup->button(type));
}

void CSearchSetDlg::OnCheckDivide() {
    // The label follows the number as typed, although the store keeps the old one until OK.
    vorel::ui::UpdatePageControls(m_pDivideCheck->isChecked(),
                                  vorel::ui::LeadingIntForLabel(m_pNumberEdit->text()), m_nPage,
                                  m_pPrevButton, m_pNextButton, m_pWindowLabel);
}

void CSearchSetDlg::OnPrev() {
    if (m_nPage <= 0) return;
    --m_nPage;
    OnCheckDivide();
}

void CSearchSetDlg::OnNext() {
    if (m_nPage == std::numeric_limits<int>::max()) return;
    ++m_nPage;
    OnCheckDivide();
}

bool CSearchSetDlg::Fail(const QString& message, QLineEdit* focus) {
    vorel::Messages().ShowMessage(message, vorel::MessageIcon::Exclamation);
    focus->setFocus(Qt::OtherFocusReason);
    return false;
}

void CSearchSetDlg::accept() {
    const QString memoryText = m_pMemoryEdit->text();
    const std::optional<int> memory = vorel::ui::ParseDigitsOnly(memoryText);
    if (!memory) {
        Fail(QStringLiteral("読込ﾒﾓﾘｻｲｽﾞを確認してください"), m_pMemoryEdit);
        return;
    }
    if (*memory < 1 || *memory > 10) {
        Fail(QStringLiteral("読込ﾒﾓﾘｻｲｽﾞは1MB～10MBの範囲で設定してください"), m_pMemoryEdit);
        return;
    }
    // Checked even with divided search off, so the store never receives a number it cannot hold.
    const std::optional<int> number = vorel::ui::ParseDigitsOnly(m_pNumberEdit->text());
    if (!number) {
        Fail(QStringLiteral("分割検索ｲﾒｰｼﾞ数を確認してください"), m_pNumberEdit);
        return;
    }
    // The text as typed ("010" stays "010"); the scanners read its leading number.
    Write(m_store, settings::kReadMemorySize, memoryText.toStdString());
    Write(m_store, settings::kSearchType, m_pTypeGroup->checkedId());
    Write(m_store, settings::kPaletteImage, m_pPaletteCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kDivideNum, *number);
    Write(m_store, settings::kDivideSearch, m_pDivideCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kDividePos, m_nPage);
    QDialog::accept();
}
