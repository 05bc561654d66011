#include "export/ui/save_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "export/save_names.h"
#include "export/ui/save_folder.h"
#include "ui/file_dialog_service.h"

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CSaveOptionsDlg::CSaveOptionsDlg(vorel::ISettingsStore& store, QWidget* parent)
    : QDialog(parent), m_store(store) {
    setWindowTitle(QStringLiteral("保存"));
    BuildControls();
    LoadFromStore();
}

void CSaveOptionsDlg::BuildControls() {
    m_pOverwriteCheck = new QCheckBox(QStringLiteral("ファイルの上書き確認"), this);

    // The label names the folder box for screen readers as well as on screen.
    auto* folderLabel = new QLabel(QStringLiteral("保存フォルダ"), this);
    m_pFolderEdit = new QLineEdit(this);
    m_pFolderEdit->setMinimumWidth(280);
    folderLabel->setBuddy(m_pFolderEdit);
    m_pFolderEdit->setAccessibleName(folderLabel->text());
    m_pBrowseButton = new QPushButton(QStringLiteral("フォルダ参照"), this);
    m_pBrowseButton->setAutoDefault(false);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(m_pFolderEdit, 1);
    folderRow->addWidget(m_pBrowseButton);

    auto* typeBox = new QGroupBox(QStringLiteral("保存形式"), this);
    auto* typeLayout = new QHBoxLayout(typeBox);
    m_pTypeGroup = new QButtonGroup(this);
    const QString typeTexts[] = {QStringLiteral("BMP"), QStringLiteral("TIFF"), QStringLiteral("PNG")};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(typeTexts[i], typeBox);
        m_pTypeGroup->addButton(radio, i);
        typeLayout->addWidget(radio);
    }
    typeLayout->addStretch(1);
    // Read by Save As too; it changes PNG files only, and only TIMs' pixels.
    m_pPngAlphaCheck = new QCheckBox(QStringLiteral("PNGで色0x0000のTIM画素を透明にする"), this);
    m_pPngAlphaCheck->setAccessibleName(m_pPngAlphaCheck->text());

    m_pOkButton = new QPushButton(QStringLiteral("OK"), this);
    m_pCancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    m_pOkButton->setDefault(true);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_pOkButton);
    buttonRow->addWidget(m_pCancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pOverwriteCheck);
    layout->addLayout(folderRow);
    layout->addWidget(typeBox);
    layout->addWidget(m_pPngAlphaCheck);
    layout->addLayout(buttonRow);

    connect(m_pBrowseButton, &QPushButton::clicked, this, &CSaveOptionsDlg::OnBrowse);
    connect(m_pOkButton, &QPushButton::clicked, this, &CSaveOptionsDlg::accept);
    connect(m_pCancelButton, &QPushButton::clicked, this, &CSaveOptionsDlg::reject);
}

void CSaveOptionsDlg::LoadFromStore() {
    m_pOverwriteCheck->setChecked(Read(m_store, settings::kOverwriteMessage) != 0);
    m_pFolderEdit->setText(vorel::ui::ReadFolderForDialog(m_store));
    // A type no button stands for leaves every button clear; OK then stores -1 (TIFF files).
    if (QAbstractButton* radio = m_pTypeGroup->button(Read(m_store, settings::kImageType)))
        radio->setChecked(true);
    m_pPngAlphaCheck->setChecked(Read(m_store, settings::kPngAlpha) != 0);
}

QRadioButton* CSaveOptionsDlg::ImageTypeButton(int type) const {
    return qobject_cast<QRadioButton*>(m_pTypeGroup->button(type));
}

void CSaveOptionsDlg::OnBrowse() {
    const std::optional<QString> folder = vorel::FileDialogs().GetExistingDirectory(m_pFolderEdit->text());
    if (folder && !folder->isEmpty()) m_pFolderEdit->setText(*folder);
}

void CSaveOptionsDlg::accept() {
    // The folder is not checked here: Save All checks it when it uses it.
    Write(m_store, settings::kOverwriteMessage, m_pOverwriteCheck->isChecked() ? 1 : 0);
    Write(m_store, settings::kFolder, vorel::FolderAsStored(m_pFolderEdit->text().toStdString()));
    Write(m_store, settings::kImageType, m_pTypeGroup->checkedId());
    Write(m_store, settings::kPngAlpha, m_pPngAlphaCheck->isChecked() ? 1 : 0);
    QDialog::accept();
}
