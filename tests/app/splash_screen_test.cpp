// The start-up picture: its switches, its picture, and its going away at the
// first key or button press (which does nothing else) or at its timer.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QTimer>
#include <QWindow>

#include "app/splash_picture.h"
#include "app/splash_screen.h"
#include "app_test_support.h"

// The entry points Qt's own test library drives the event queue with: a key or
// a mouse button as if it came from the window system (shortcuts included).
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* w, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text = QString(), bool autorep = false, ushort count = 1);
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

namespace vorel::testing {
namespace {

TEST(SplashSwitchTest, EmbeddingAndAutomationSuppressThePicture) {
    struct Case {
        QStringList arguments;
        bool suppressed;
    };
    const Case cases[] = {
        {{"vorel"}, false},
        {{"vorel", "-Embedding"}, true},
        {{"vorel", "/Embedding"}, true},
        {{"vorel", "data.bin", "/Automation"}, true},
        {{"vorel", "-automation"}, false},
        {{"vorel", "/EMBEDDING"}, false},
        {{"vorel", "Embedding"}, false},
        {{"vorel", "-Embedding2"}, false},
        {{"vorel", "/tmp/Automation"}, false},
        {{"/Automation"}, false},  // the program's own name
    };
    for (const Case& c : cases) EXPECT_EQ(SplashSuppressedBy(c.arguments), c.suppressed) << c.arguments.join(' ').toStdString();
}

TEST(SplashPictureTest, SixteenColoursOfTheProjectsOwn) {
    const QImage picture = app::MakeSplashPicture(QStringLiteral("Version 1"));
    EXPECT_EQ(picture.size(), QSize(520, 317));
    ASSERT_EQ(picture.format(), QImage::Format_Indexed8);
    EXPECT_EQ(picture.colorTable(), app::SplashColours());
    ASSERT_EQ(picture.colorCount(), 16);
    QSet<int> used;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* row = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x) used.insert(row[x]);
    }
    EXPECT_LT(*std::max_element(used.begin(), used.end()), 16);
    EXPECT_GE(used.size(), 10);  // a picture, not a flat colour
}

class SplashTest : public AppTest {
  protected:
    void TearDown() override {
        if (CSplashScreen* splash = CSplashScreen::Current()) splash->HideSplashScreen();
        CSplashScreen::EnableSplashScreen(false);
        AppTest::TearDown();
    }
    void ShowFrameWithSplash() {
        CSplashScreen::EnableSplashScreen(true);
        CSplashScreen::ShowSplashScreen(frame);
        frame->show();
        frame->activateWindow();
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void Key(int key, Qt::KeyboardModifiers mods) {
        qt_handleKeyEvent(frame->windowHandle(), QEvent::KeyPress, key, mods);
        qt_handleKeyEvent(frame->windowHandle(), QEvent::KeyRelease, key, mods);
        Settle();
    }
    void Click(QWidget* widget, QPoint pos) {
        const QPoint inWindow = widget->mapTo(frame, pos);
        const QPoint global = widget->mapToGlobal(pos);
        qt_handleMouseEvent(frame->windowHandle(), inWindow, global, Qt::LeftButton, Qt::LeftButton,
                            QEvent::MouseButtonPress, Qt::NoModifier, ++clock_);
        qt_handleMouseEvent(frame->windowHandle(), inWindow, global, Qt::NoButton, Qt::LeftButton,
                            QEvent::MouseButtonRelease, Qt::NoModifier, ++clock_);
        Settle();
    }
    int clock_ = 1000;
};

TEST_F(SplashTest, NotShownUnlessStartUpEnablesIt) {
    EXPECT_FALSE(CSplashScreen::IsEnabled());
    CSplashScreen::ShowSplashScreen(frame);
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
}

TEST_F(SplashTest, CentredAboveTheMainWindowAndOnlyOnce) {
    ShowFrameWithSplash();
    CSplashScreen* splash = CSplashScreen::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(520, 317));
    EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(splash->parentWidget(), frame);  // owned: kept above it
    const QRect area = frame->screen()->availableGeometry();
    EXPECT_LE(std::abs(splash->geometry().center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(splash->geometry().center().y() - area.center().y()), 1);
    splash->HideSplashScreen();
    Settle();
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
    CSplashScreen::ShowSplashScreen(frame);
    EXPECT_EQ(CSplashScreen::Current(), nullptr) << "never twice in one run";
}

TEST_F(SplashTest, FirstKeyPressRemovesItAndDoesNotAct) {
    ShowFrameWithSplash();
    ASSERT_NE(CSplashScreen::Current(), nullptr);
    Key(Qt::Key_N, Qt::ControlModifier);  // File > New
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 0);
    Key(Qt::Key_N, Qt::ControlModifier);  // now it acts
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1);
}

TEST_F(SplashTest, PressesDuringASearchActAndLeaveItUp) {
    bool searching = true;
    CSplashScreen::EnableSplashScreen(true);
    CSplashScreen::ShowSplashScreen(frame, [&searching] { return searching; });
    frame->show();
    frame->activateWindow();
    Settle();
    ASSERT_NE(CSplashScreen::Current(), nullptr);
    Key(Qt::Key_N, Qt::ControlModifier);  // reaches its target, as a Cancel click must
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1);
    EXPECT_NE(CSplashScreen::Current(), nullptr);
    searching = false;
    Key(Qt::Key_N, Qt::ControlModifier);  // the search is over: this one only removes the picture
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1);
}

TEST_F(SplashTest, FirstClickRemovesItAndDoesNotReachTheMenu) {
    ShowFrameWithSplash();
    QMenuBar* bar = frame->menuBar();
    const QPoint onFileMenu = bar->actionGeometry(bar->actions().first()).center();
    Click(bar, onFileMenu);
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    Click(bar, onFileMenu);
    QWidget* popup = QApplication::activePopupWidget();
    EXPECT_NE(popup, nullptr) << "the second click opens the menu";
    if (popup) popup->close();
    Settle();
}

TEST_F(SplashTest, ItsTimerRemovesIt) {
    ShowFrameWithSplash();
    CSplashScreen* splash = CSplashScreen::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_GT(splash->RemainingMs(), 90000);
    QTimer* timer = splash->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100000);
    EXPECT_TRUE(timer->isSingleShot());
    EXPECT_TRUE(timer->isActive());
    timer->start(1);  // the same timer, run short
    QElapsedTimer clock;
    clock.start();
    while (CSplashScreen::Current() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(CSplashScreen::Current(), nullptr);
    Key(Qt::Key_N, Qt::ControlModifier);  // nothing left to swallow the key
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1);
}

}  // namespace
}  // namespace vorel::testing
