// The search-settings dialog ("検索設定"): chunk size, search type, palette
// images and divided search. Nothing reaches the store until OK, and OK
// writes only after every text has been checked.
#pragma once

#include <QString>

#include "search/ui/divide_page_dialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QRadioButton;

class CSearchSetDlg : public CDividePageDlg {
    Q_OBJECT
  public:
    explicit CSearchSetDlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

    // The controls, for the shell's tests and for keyboard focus checks.
    QLineEdit* MemoryEdit() const { return m_pMemoryEdit; }
    QRadioButton* SearchTypeButton(int type) const;  // 0 TIM, 1 BMP, 2 both
    QCheckBox* PaletteImageCheck() const { return m_pPaletteCheck; }
    // "RawSectors": 0 automatic, 1 always raw, 2 never.
    QComboBox* RawSectorsCombo() const { return m_pRawSectorsCombo; }
    // "OpenWindows": ticked, every image opens its window; clear, images go to the list only.
    QCheckBox* OpenWindowsCheck() const { return m_pOpenWindowsCheck; }
    // "StrictTim": ticked, TIMs are judged by the strict rules only.
    QCheckBox* StrictTimCheck() const { return m_pStrictTimCheck; }

  public slots:
    void accept() override;  // OK: validate, write, close

  private:
    void BuildControls();
    QHBoxLayout* BuildRawSectorsRow();
    void LoadFromStore();
    bool Fail(const QString& message, QLineEdit* focus);

    QLineEdit* m_pMemoryEdit = nullptr;
    QButtonGroup* m_pTypeGroup = nullptr;
    QCheckBox* m_pPaletteCheck = nullptr;
    QCheckBox* m_pOpenWindowsCheck = nullptr;
    QCheckBox* m_pStrictTimCheck = nullptr;
    QComboBox* m_pRawSectorsCombo = nullptr;
};
