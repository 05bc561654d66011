// The divided-search dialog ("分割検索設定") that a search started from
// anywhere but the open dialog shows first: Cancel there cancels the search.
// Nothing reaches the store until OK.
#pragma once

#include <QDialog>

#include "search/settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDivideSearchDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CDivideSearchDlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

    QLineEdit* NumberEdit() const { return m_pNumberEdit; }
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
    vorel::ISettingsStore& m_store;
    QLineEdit* m_pNumberEdit = nullptr;
    QCheckBox* m_pDivideCheck = nullptr;
    QPushButton* m_pPrevButton = nullptr;
    QPushButton* m_pNextButton = nullptr;
    QPushButton* m_pOkButton = nullptr;
    QPushButton* m_pCancelButton = nullptr;
    QLabel* m_pWindowLabel = nullptr;
    int m_nPage = 0;
};
