// The save-options dialog ("保存") that Save All shows first: whether to ask
// before replacing a file, the folder, the format, and whether PNG files carry
// the TIMs' transparent pixels. OK writes the four settings; Cancel writes nothing.
#pragma once

#include <QDialog>

#include "search/settings.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CSaveOptionsDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kResourceId = 132;

    explicit CSaveOptionsDlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

    QCheckBox* OverwriteCheck() const { return m_pOverwriteCheck; }
    QLineEdit* FolderEdit() const { return m_pFolderEdit; }
    QPushButton* BrowseButton() const { return m_pBrowseButton; }
    QRadioButton* ImageTypeButton(int type) const;  // 0 BMP, 1 TIFF, 2 PNG
    QCheckBox* PngAlphaCheck() const { return m_pPngAlphaCheck; }
    QPushButton* OkButton() const { return m_pOkButton; }
    QPushButton* CancelButton() const { return m_pCancelButton; }

  public slots:
    void accept() override;  // OK: write the settings, close
    void OnBrowse();

  private:
    void BuildControls();
    void LoadFromStore();

    vorel::ISettingsStore& m_store;
    QCheckBox* m_pOverwriteCheck = nullptr;
    QLineEdit* m_pFolderEdit = nullptr;
    QPushButton* m_pBrowseButton = nullptr;
    QButtonGroup* m_pTypeGroup = nullptr;
    QCheckBox* m_pPngAlphaCheck = nullptr;
    QPushButton* m_pOkButton = nullptr;
    QPushButton* m_pCancelButton = nullptr;
};
