// The File > Open dialog: Qt's own (non-native) file dialog with the
// divided-search controls added under it. Unlike the settings dialogs, every
// click on those controls is written to the store at once, even if the user
// then cancels the dialog.
#pragma once

#include <QFileDialog>
#include <QString>

#include "search/settings.h"

class QCheckBox;
class QLabel;
class QPushButton;

class CMyFile95Dlg : public QFileDialog {
    Q_OBJECT
  public:
    explicit CMyFile95Dlg(vorel::ISettingsStore& store, QWidget* parent = nullptr);

    // Modal. False when cancelled. Any name may be typed, even of a file that
    // does not exist (the scan then simply finds nothing).
    bool Run();
    QString PathName() const;

    QCheckBox* DivideCheck() const { return m_pDivideCheck; }
    QPushButton* PrevButton() const { return m_pPrevButton; }
    QPushButton* NextButton() const { return m_pNextButton; }
    QLabel* WindowLabel() const { return m_pWindowLabel; }
    int Page() const { return m_nPage; }

  public slots:
    void OnCheckDivide();
    void OnPrev();
    void OnNext();

  private:
    void AddDivideControls();
    void UpdateControls();

    vorel::ISettingsStore& m_store;
    QCheckBox* m_pDivideCheck = nullptr;
    QPushButton* m_pPrevButton = nullptr;
    QPushButton* m_pNextButton = nullptr;
    QLabel* m_pWindowLabel = nullptr;
    int m_nNumber = 50;
    int m_nPage = 0;
};
