// The status bar: the idle text, the lock-key panes (shown only where the
// system reports the keys), and the date and time panes sized to their text.
#include "app/status_panes.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

#include "app/lock_keys.h"
#include "app_test_support.h"

namespace vorel::testing {
namespace {

using app::CStatusPanes;
using app::LockKey;
using app::ReadLockKeyState;

void MakeLed(const QTemporaryDir& root, const QString& name, const char* brightness) {
    QDir(root.path()).mkpath(name);
    QFile file(QDir(root.path()).filePath(name + "/brightness"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(brightness);
}

TEST(LockKeys, ReadFromKeyboardLedsWhereThereAreAny) {
    QTemporaryDir leds;
    MakeLed(leds, "input3::capslock", "1\n");
    MakeLed(leds, "input3::numlock", "0\n");
    MakeLed(leds, "input7::numlock", "0\n");
    MakeLed(leds, "input3::scrolllock", "garbage");
    EXPECT_EQ(ReadLockKeyState(LockKey::Caps, leds.path()), std::optional<bool>(true));
    EXPECT_EQ(ReadLockKeyState(LockKey::Num, leds.path()), std::optional<bool>(false));
    EXPECT_EQ(ReadLockKeyState(LockKey::Scroll, leds.path()), std::nullopt);
    EXPECT_EQ(ReadLockKeyState(LockKey::Kana, leds.path()), std::nullopt);
    EXPECT_EQ(ReadLockKeyState(LockKey::Caps, QDir(leds.path()).filePath("none")), std::nullopt);
}

using StatusPanesTest = AppTest;

TEST_F(StatusPanesTest, DateAndTimePanesShowTheLocaleFormatAtTheirTextsWidth) {
    CStatusPanes* panes = frame->StatusPanes();
    const QString dateBefore = CStatusPanes::FormatNow("%x");
    const QString timeBefore = CStatusPanes::FormatNow("%X");
    panes->Update();
    const QString dateAfter = CStatusPanes::FormatNow("%x");
    const QString timeAfter = CStatusPanes::FormatNow("%X");
    EXPECT_TRUE(panes->DatePane()->text() == dateBefore || panes->DatePane()->text() == dateAfter);
    EXPECT_TRUE(panes->TimePane()->text() == timeBefore || panes->TimePane()->text() == timeAfter);
    for (QLabel* pane : {panes->DatePane(), panes->TimePane()}) {
        EXPECT_EQ(pane->width(), CStatusPanes::PaneWidthFor(pane, pane->text()));
        EXPECT_EQ(pane->minimumWidth(), pane->maximumWidth());
    }
    EXPECT_EQ(panes->MessagePane()->text(), "ﾍﾙﾌﾟを表示するには [F1] を押してください。");
}

TEST_F(StatusPanesTest, LockPanesAreBlankWhenTheStateIsUnknownAndKeepTheirWidth) {
    CStatusPanes* panes = frame->StatusPanes();
    for (LockKey key : {LockKey::Kana, LockKey::Caps, LockKey::Num, LockKey::Scroll}) {
        QLabel* pane = panes->LockPane(key);
        const std::optional<bool> state = ReadLockKeyState(key);
        EXPECT_EQ(pane->text(), state.value_or(false) ? CStatusPanes::LockIndicator(key) : QString());
        EXPECT_EQ(pane->width(), CStatusPanes::PaneWidthFor(pane, CStatusPanes::LockIndicator(key)));
    }
}

}  // namespace
}  // namespace vorel::testing
