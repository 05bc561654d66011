// The status bar's panes: the message pane (idle text, or the prompt of the
// highlighted command), the four lock-key panes, and the date and time
// panes, each sized to its text and refreshed once a second.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

#include "app/lock_keys.h"

class QLabel;
class QStatusBar;

namespace vorel::app {

class CStatusPanes : public QObject {
    Q_OBJECT
  public:
    explicit CStatusPanes(QStatusBar* bar);

    // Refreshes the lock keys, date and time (the timer calls this every second).
    void Update();

    QLabel* MessagePane() const { return m_pMessage; }
    QLabel* LockPane(LockKey key) const { return m_locks[static_cast<int>(key)]; }
    QLabel* DatePane() const { return m_pDate; }
    QLabel* TimePane() const { return m_pTime; }

    // Local time now in a strftime format ("%x" date, "%X" time) of the user's locale.
    static QString FormatNow(const char* format);
    // The width a pane needs to show `text` in its font.
    static int PaneWidthFor(const QLabel* pane, const QString& text);

    static QString LockIndicator(LockKey key);

    const int m_nDatePaneIndex = 5;
    const int m_nTimePaneIndex = 6;

  private:
    void SetPaneText(QLabel* pane, const QString& text);

    QLabel* m_pMessage = nullptr;
    std::array<QLabel*, 4> m_locks{};
    QLabel* m_pDate = nullptr;
    QLabel* m_pTime = nullptr;
    QTimer m_timer;
};

}  // namespace vorel::app
