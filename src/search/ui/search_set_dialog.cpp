#include "search/ui/search_set_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <limits>

#include "ui/message_service.h"
#include "search/ui/divide_controls.h"

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CSearchSetDlg::CSearchSetDlg(vorel::ISettingsStore& store, QWidget* parent)
    : CDividePageDlg(store, parent) {
    setWindowTitle(QStringLiteral("検索設定"));
    BuildControls();
    LoadFromStore();
}

void CSearchSetDlg::BuildControls() {
    m_pMemoryEdit = new QLineEdit(this);
    auto* memoryLabel = new QLabel(QStringLiteral("読込メモリサイズ"), this);
    // A screen reader names the field after its label.
    memoryLabel->setBuddy(m_pMemoryEdit);
    m_pMemoryEdit->setAccessibleName(memoryLabel->text());
    auto* memoryRow = new QHBoxLayout;
    memoryRow->addWidget(memoryLabel);
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
    // Off: a search fills the image list only, however many images it finds.
    m_pOpenWindowsCheck = new QCheckBox(QStringLiteral("見つけたｲﾒｰｼﾞをｳｨﾝﾄﾞｳで開く(ｵﾌ: 一覧のみ)"), this);
    // Ticked: only TIMs exactly as the format describes them, numbered as earlier
    // versions numbered them; clear: also the TIMs real games ship.
    m_pStrictTimCheck = new QCheckBox(QStringLiteral("TIMを仕様どおり厳密に判定する"), this);
    m_pStrictTimCheck->setAccessibleName(m_pStrictTimCheck->text());
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(memoryRow);
    layout->addWidget(typeBox);
    layout->addWidget(m_pPaletteCheck);
    layout->addWidget(m_pOpenWindowsCheck);
    layout->addWidget(m_pStrictTimCheck);
    layout->addLayout(BuildRawSectorsRow());
    layout->addLayout(DivideRows().divideRow);
    layout->addLayout(DivideRows().pageRow);
    layout->addLayout(DivideRows().buttonRow);
}

// How raw CD images (2,352-byte sectors) are read; the texts follow the
// setting's values 0, 1 and 2 in order.
QHBoxLayout* CSearchSetDlg::BuildRawSectorsRow() {
    m_pRawSectorsCombo = new QComboBox(this);
    m_pRawSectorsCombo->addItems({QStringLiteral("自動判別"), QStringLiteral("常にRAWｾｸﾀとして読む"),
                                  QStringLiteral("RAWｾｸﾀとして読まない")});
    auto* label = new QLabel(QStringLiteral("CDｲﾒｰｼﾞ(2352ﾊﾞｲﾄｾｸﾀ)"), this);
    label->setBuddy(m_pRawSectorsCombo);
    m_pRawSectorsCombo->setAccessibleName(label->text());
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_pRawSectorsCombo);
    row->addStretch(1);
    return row;
}

void CSearchSetDlg::LoadFromStore() {
    m_pMemoryEdit->setText(QString::fromStdString(Read(m_store, settings::kReadMemorySize)));
    // A type outside 0..2 leaves every radio button clear, and OK then stores -1 (no scan).
    const int type = Read(m_store, settings::kSearchType);
    if (QAbstractButton* radio = m_pTypeGroup->button(type)) radio->setChecked(true);
    m_pPaletteCheck->setChecked(Read(m_store, settings::kPaletteImage) != 0);
    m_pOpenWindowsCheck->setChecked(Read(m_store, settings::kOpenWindows) != 0);
    m_pStrictTimCheck->setChecked(Read(m_store, settings::kStrictTim) != 0);
    // Any stored value but 1 or 2 reads as automatic, and shows so.
    const int sectors = Read(m_store, settings::kRawSectors);
    m_pRawSectorsCombo->setCurrentIndex(sectors == 1 || sectors == 2 ? sectors : 0);
    LoadDivideSettings();
}

QRadioButton* CSearchSetDlg::SearchTypeButton(int type) const {
    return qobject_cast<QRadioButton*>(m_pTypeGroup->button(type));
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
    // Checked even with divided search off: the number is written whichever way the box is ticked.
    const std::optional<int> number = vorel::ui::ParseDigitsOnly(NumberEdit()->text());
    if (!number) {
        Fail(QStringLiteral("分割検索ｲﾒｰｼﾞ数を確認してください"), NumberEdit());
        return;
    }
    // The text as typed ("010" stays "010"); the scanners read its leading number.
    Write(m_store, settings::kReadMemorySize, memoryText.toStdString());
    Write(m_store, settings::kSearchType, m_pTypeGroup->checkedId());
    Write(m_store, settings::kPaletteImage, m_pPaletteCheck->isChecked() ? 1 : 0);
    WriteDivideSettings(*number);
    Write(m_store, settings::kRawSectors, m_pRawSectorsCombo->currentIndex());
    Write(m_store, settings::kOpenWindows, m_pOpenWindowsCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kStrictTim, m_pStrictTimCheck->isChecked() ? 1 : 0);
    QDialog::accept();
}
