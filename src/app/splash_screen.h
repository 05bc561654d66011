// The start-up picture: a borderless window centred on the screen, above the
// main window, until the user's first key or mouse-button press anywhere in
// the program (which does nothing else) or for 100 seconds; once per run.
#pragma once

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

class CSplashScreen : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kTimeoutMs = 100000;

    // Start-up decides once whether the picture may show at all; it is off
    // until then, so windows made for other reasons (tests) never show it.
    static void EnableSplashScreen(bool enable);
    static bool IsEnabled();
    // Shows the picture over `owner` unless it is disabled or already showing.
    // Showing it uses up the switch: it never shows twice in one run. While
    // `inputPasses` answers true (a search is running: its progress box and
    // Cancel must work), presses go where they were meant and the picture stays.
    static void ShowSplashScreen(QWidget* owner, std::function<bool()> inputPasses = {});
    // The picture that is showing, or null.
    static CSplashScreen* Current();

    const QImage& Picture() const { return m_picture; }
    int RemainingMs() const { return m_pTimer->remainingTime(); }
    // Takes the picture away and repaints the owner.
    void HideSplashScreen();

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit CSplashScreen(QWidget* owner);
    ~CSplashScreen() override;

    QImage m_picture;
    QTimer* m_pTimer = nullptr;
    QPointer<QWidget> m_owner;
};

// True for the switches under which the program runs for another program
// ("-Embedding", "/Automation", in exactly that case): no picture then.
bool IsSplashSwitch(const QString& argument);
bool SplashSuppressedBy(const QStringList& arguments);
