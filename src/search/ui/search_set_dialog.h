// The search-settings dialog ("検索設定"): chunk size, search type, palette
// images and divided search. Nothing reaches the store until OK, and OK
// writes only after every text has been checked.
#pragma once

#include <QDialog>
#include <QString>

#include "search/settings.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class CSearchSetDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CSearchSetDlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

    // The controls, for the shell's tests and for keyboard focus checks.
    QLineEdit* MemoryEdit() const { return m_pMemoryEdit; }
    QLineEdit* NumberEdit() const { return m_pNumberEdit; }
    QRadioButton* SearchTypeButton(int type) const;  // 0 TIM, 1 BMP, 2 both
    QCheckBox* PaletteImageCheck() const { return m_pPaletteCheck; }
    QCheckBox* DivideCheck() const { return m_pDivideCheck; }
    QPushButton* PrevButton() const { return m_pPrevButton; }
    QPushButton* NextButton() const { return m_pNextButton; }
    QPushButton* OkButton() const { return m_pOkButton; }
    QPushButton* CancelButton() const { return m_pCancelButton; }
    QLabel* WindowLabel() const { return m_pWindowLabel; }
    int Page() const { return m_nPage; }

  public slots:
    void OnCheckDivide();
    void OnPrev();
    void OnNext();
    void accept() override;  // OK: validate, write, close

  private:
    void BuildControls();
    void LoadFromStore();
    bool Fail(const QString& message, QLineEdit* focus);

    vorel::ISettingsStore& m_store;
    QLineEdit* m_pMemoryEdit = nullptr;
    QLineEdit* m_pNumberEdit = nullptr;
    QButtonGroup* m_pTypeGroup = nullptr;
    QCheckBox* m_pPaletteCheck = nullptr;
    QCheckBox* m_pDivideCheck = nullptr;
    QPushButton* m_pPrevButton = nullptr;
    QPushButton* m_pNextButton = nullptr;
    QPushButton* m_pOkButton = nullptr;
    QPushButton* m_pCancelButton = nullptr;
    QLabel* m_pWindowLabel = nullptr;
    int m_nPage = 0;
};
