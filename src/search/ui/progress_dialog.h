// The modeless box a scan shows while it walks a file: a label naming the
// scan, a bar, the percentage and a Cancel button. It keeps the main window
// disabled while it exists, so nothing can start a second run or close a
// window under the scan, and it lets the event loop run only when the scan
// asks for it (CheckCancel, StepIt). It can wait before it shows itself, so a
// search over in a moment neither flashes a box nor pays for drawing it.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QLabel;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
    Q_OBJECT
  public:
    // captionId 0 selects the default caption (string 109, "Vorel").
    // The dialog is never a child of `parent`: disabling the owner would
    // disable it too. `parent` only names the owner Create uses by default.
    explicit CProgressDlg(int captionId = 0, QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // Makes the dialog's window, shows it (see SetShowDelay) and disables
    // `owner` (null: the parent given to the constructor, else the
    // application's main window). False when the window could not be made;
    // the other calls are then harmless no-ops (CheckCancel false, StepIt
    // only counts).
    bool Create(QWidget* owner = nullptr);
    // Before Create: the box shows itself only once `ms` have passed since
    // Create, at the first CheckCancel or StepIt after that (0, the default:
    // at once). Until then it counts and answers as if shown, but draws nothing.
    void SetShowDelay(int ms) { m_nShowDelayMs = ms; }
    void SetLabel(const QString& text);
    // Lets pending events run, then returns the cancel request and clears it.
    bool CheckCancel();
    // Lets pending events run, advances the bar by one step, shows the new
    // percentage and returns the previous position.
    int StepIt();
    // For the next scan in the same box: the bar and the percentage back at
    // the start, no cancel request pending; shown or waiting to show as before.
    void Restart();
    // Re-enables the owner (if Create disabled it) and hides the dialog.
    void DestroyWindow();

    bool IsCreated() const { return m_bCreated; }
    int Position() const { return m_nPos; }
    QString PercentText() const;
    QString LabelText() const;
    QPushButton* CancelButton() const { return m_pCancel; }

    static constexpr int kDefaultCaptionId = 109;

  protected:
    void accept() override;  // Enter does nothing
    void reject() override;  // Cancel button and Escape only raise the request
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ShowPosition(int pos);
    // Shows the box once its delay has passed.
    void ShowWhenDue();

    QLabel* m_pLabel = nullptr;
    QLabel* m_pPercent = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QPushButton* m_pCancel = nullptr;
    int m_nCaptionId = kDefaultCaptionId;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nStep = 2;
    int m_nPos = 0;
    bool m_bCancel = false;
    bool m_bParentDisabled = false;
    bool m_bCreated = false;
    int m_nShowDelayMs = 0;
    QElapsedTimer m_showClock;  // since Create, while the box waits to show itself
    QPointer<QWidget> m_pDefaultOwner;
    QPointer<QWidget> m_pOwner;
};
