// What the two search-settings dialogs share: the divided-search check box,
// the images-per-read number, the page buttons with their label, and OK /
// Cancel. Nothing reaches the store before the subclass's OK.
#pragma once

#include <QDialog>

#include "search/settings.h"
#include "search/ui/divide_controls.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDividePageDlg : public QDialog {
    Q_OBJECT
  public:
    QLineEdit* NumberEdit() const { return m_divide.numberEdit; }
    QCheckBox* DivideCheck() const { return m_divide.divideCheck; }
    QPushButton* PrevButton() const { return m_divide.prevButton; }
    QPushButton* NextButton() const { return m_divide.nextButton; }
    QPushButton* OkButton() const { return m_divide.okButton; }
    QPushButton* CancelButton() const { return m_divide.cancelButton; }
    QLabel* WindowLabel() const { return m_divide.windowLabel; }
    int Page() const { return m_nPage; }

  public slots:
    void OnCheckDivide();
    void OnPrev();
    void OnNext();

  protected:
    CDividePageDlg(vorel::ISettingsStore& store, QWidget* parent);

    // The three rows, for the subclass to place below its own controls.
    const vorel::ui::DivideWidgets& DivideRows() const { return m_divide; }
    // The check box, number and page from the store, and the page controls to match.
    void LoadDivideSettings();
    // Writes "dividenum", "dividesearch" and "dividepos" in that order.
    void WriteDivideSettings(int number);

    vorel::ISettingsStore& m_store;
    int m_nPage = 0;

  private:
    vorel::ui::DivideWidgets m_divide;
};
