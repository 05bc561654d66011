// The lock-key panes' reading of the X server's own indicators, on a private
// virtual X server whose Caps Lock the test switches through XKB.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include "app/xkb_indicators.h"

#if VOREL_HAVE_XKB
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace {

using vorel::app::LockKey;

#if VOREL_HAVE_XKB

// An Xvfb on the first free display number, for the life of the object.
class PrivateXServer {
  public:
    PrivateXServer() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        process_.setProgram(xvfb);
        // -displayfd: the server picks a free number and writes it to our stdout once it listens.
        process_.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("320x200x24")});
        process_.start();
        if (!process_.waitForStarted(10000)) return;
        QByteArray number;
        while (!number.contains('\n') && process_.waitForReadyRead(15000)) number += process_.readAllStandardOutput();
        bool ok = false;
        const int display = number.trimmed().toInt(&ok);
        if (!ok) return;
        name_ = ":" + QByteArray::number(display);
        display_ = XOpenDisplay(name_.constData());
    }
    ~PrivateXServer() {
        if (display_) XCloseDisplay(display_);
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Display* display() const { return display_; }

  private:
    QProcess process_;
    QByteArray name_;
    Display* display_ = nullptr;
};

TEST(XkbIndicators, FollowTheServersCapsLock) {
    PrivateXServer server;
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) GTEST_SKIP() << "no Xvfb to run";
    ASSERT_NE(server.display(), nullptr);
    Display* d = server.display();

    ASSERT_TRUE(XkbLockModifiers(d, XkbUseCoreKbd, LockMask, LockMask));
    XSync(d, False);
    EXPECT_EQ(vorel::app::ReadXkbIndicator(d, LockKey::Caps), std::optional<bool>(true));

    ASSERT_TRUE(XkbLockModifiers(d, XkbUseCoreKbd, LockMask, 0));
    XSync(d, False);
    EXPECT_EQ(vorel::app::ReadXkbIndicator(d, LockKey::Caps), std::optional<bool>(false));
    // Num Lock and Scroll Lock are named in every keymap; nothing is locked.
    EXPECT_EQ(vorel::app::ReadXkbIndicator(d, LockKey::Num), std::optional<bool>(false));
    EXPECT_EQ(vorel::app::ReadXkbIndicator(d, LockKey::Scroll), std::optional<bool>(false));
}

#endif

TEST(XkbIndicators, NoDisplayNoAnswer) {
    EXPECT_EQ(vorel::app::ReadXkbIndicator(nullptr, LockKey::Caps), std::nullopt);
    // The tests run offscreen: there is no X display to ask, and the LEDs answer instead.
    EXPECT_EQ(vorel::app::ReadDisplayIndicator(LockKey::Caps), std::nullopt);
}

}  // namespace
