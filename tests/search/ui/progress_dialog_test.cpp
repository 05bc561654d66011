#include "search/ui/progress_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>

namespace {

void PressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

TEST(ProgressDialog, PercentTextFromStartToFiftiethStep) {
    CProgressDlg dlg;
    QMainWindow owner;
    owner.show();
    ASSERT_TRUE(dlg.Create(&owner));
    EXPECT_EQ(dlg.PercentText(), QStringLiteral(" 0 %"));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Vorel"));
    EXPECT_EQ(dlg.StepIt(), 0);
    EXPECT_EQ(dlg.PercentText(), QStringLiteral("2%"));
    for (int i = 1; i < 49; ++i) dlg.StepIt();
    EXPECT_EQ(dlg.PercentText(), QStringLiteral("98%"));
    EXPECT_EQ(dlg.StepIt(), 98);
    EXPECT_EQ(dlg.PercentText(), QStringLiteral("100%"));
    EXPECT_EQ(dlg.Position(), 100);
    // A step past the top starts over rather than showing more than 100.
    EXPECT_EQ(dlg.StepIt(), 100);
    EXPECT_EQ(dlg.PercentText(), QStringLiteral("2%"));
    dlg.DestroyWindow();
}

TEST(ProgressDialog, LabelIsShown) {
    CProgressDlg dlg;
    dlg.SetLabel(QStringLiteral("TIM検索"));
    EXPECT_EQ(dlg.LabelText(), QStringLiteral("TIM検索"));
}

TEST(ProgressDialog, CancelTwiceBeforeACheckIsOneRequest) {
    QMainWindow owner;
    owner.show();
    CProgressDlg dlg;
    ASSERT_TRUE(dlg.Create(&owner));
    dlg.CancelButton()->click();
    dlg.CancelButton()->click();
    EXPECT_TRUE(dlg.CheckCancel());
    EXPECT_FALSE(dlg.CheckCancel());
    EXPECT_TRUE(dlg.isVisible()) << "Cancel only asks; the scan closes the dialog";
    dlg.CancelButton()->click();
    EXPECT_TRUE(dlg.CheckCancel());
    dlg.DestroyWindow();
}

TEST(ProgressDialog, EnterDoesNothingEscapeAndCloseAskToCancel) {
    QMainWindow owner;
    owner.show();
    CProgressDlg dlg;
    ASSERT_TRUE(dlg.Create(&owner));
    // The key goes to the focused button first, as a real key press would.
    PressKey(dlg.CancelButton(), Qt::Key_Return);
    PressKey(dlg.CancelButton(), Qt::Key_Enter);
    PressKey(&dlg, Qt::Key_Return);
    EXPECT_FALSE(dlg.CheckCancel());
    EXPECT_TRUE(dlg.isVisible());

    PressKey(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(dlg.CheckCancel());
    EXPECT_TRUE(dlg.isVisible());

    EXPECT_FALSE(dlg.close()) << "the window's close button must not close the dialog";
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(dlg.CheckCancel());
    dlg.DestroyWindow();
}

TEST(ProgressDialog, OwnerDisabledFromCreateToDestroyWindow) {
    QMainWindow owner;
    owner.show();
    {
        CProgressDlg dlg(0, &owner);
        ASSERT_TRUE(dlg.Create());
        EXPECT_FALSE(owner.isEnabled());
        EXPECT_TRUE(dlg.isEnabled()) << "the dialog must stay usable while its owner is disabled";
        EXPECT_TRUE(dlg.CancelButton()->isEnabled());
        dlg.DestroyWindow();
        EXPECT_TRUE(owner.isEnabled());
        EXPECT_FALSE(dlg.isVisible());
    }
    {
        CProgressDlg dlg;
        ASSERT_TRUE(dlg.Create(&owner));
        EXPECT_FALSE(owner.isEnabled());
    }  // destroyed without DestroyWindow: the destructor gives the owner back
    EXPECT_TRUE(owner.isEnabled());
}

TEST(ProgressDialog, OwnerDisabledBeforehandStaysDisabled) {
    QMainWindow owner;
    owner.show();
    owner.setEnabled(false);
    CProgressDlg dlg;
    ASSERT_TRUE(dlg.Create(&owner));
    dlg.DestroyWindow();
    EXPECT_FALSE(owner.isEnabled());
}

TEST(ProgressDialog, WithoutAWindowTheCallsAreHarmless) {
    CProgressDlg dlg;  // Create never called, as after a failed Create
    dlg.CancelButton()->click();
    EXPECT_FALSE(dlg.CheckCancel()) << "nothing to cancel without a window";
    EXPECT_EQ(dlg.StepIt(), 0);
    EXPECT_EQ(dlg.StepIt(), 2);
    dlg.DestroyWindow();
    dlg.DestroyWindow();
}

}  // namespace
