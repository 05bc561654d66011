// Image windows keep a size a user can grab: their title-bar buttons and a
// few letters of their name stay visible however small the image, and
// maximising then restoring gives back the size they had.
#include <QFontMetrics>
#include <QMdiArea>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include "app_test_support.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"

namespace vorel::testing {
namespace {

using ChildFrameSizeTest = AppTest;

// What the style shows of the title bar at the frame's present width.
struct TitleBar {
    QRect label;
    QList<QRect> buttons;
};
TitleBar TitleBarOf(const CChildFrame* frame) {
    QStyleOptionTitleBar option;
    option.initFrom(frame);
    option.titleBarFlags = frame->windowFlags();
    option.subControls = QStyle::SC_All;
    const int border = frame->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, frame);
    option.rect = QRect(0, 0, frame->width() - 2 * border,
                        frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, frame));
    TitleBar bar;
    bar.label = frame->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, frame);
    for (auto control : {QStyle::SC_TitleBarSysMenu, QStyle::SC_TitleBarMinButton, QStyle::SC_TitleBarMaxButton,
                         QStyle::SC_TitleBarCloseButton}) {
        const QRect r = frame->style()->subControlRect(QStyle::CC_TitleBar, &option, control, frame);
        if (r.isValid()) bar.buttons << r;
    }
    return bar;
}

void ExpectGrabbable(const CChildFrame* frame) {
    const TitleBar bar = TitleBarOf(frame);
    QFont bold = frame->font();
    bold.setBold(true);
    // The title's room: the label's rectangle without the buttons that reach into it.
    int left = bar.label.left();
    int right = bar.label.right() + 1;
    for (const QRect& button : bar.buttons) {
        EXPECT_GE(button.left(), 0);
        if (!button.intersects(bar.label)) continue;
        if (button.center().x() < bar.label.center().x())
            left = std::max(left, button.right() + 1);
        else
            right = std::min(right, button.left());
    }
    EXPECT_GE(right - left, QFontMetrics(bold).horizontalAdvance(QStringLiteral("DAT")))
        << "a few letters of the title, frame " << frame->width() << "x" << frame->height();
    EXPECT_GE(bar.buttons.size(), 3);
    EXPECT_GE(frame->height(), bar.label.height());
}

TEST_F(ChildFrameSizeTest, TinyImagesAndEmptyWindowsKeepTheirTitleBar) {
    frame->show();
    app->OpenDocumentFile(WriteFile("ONE.BIN", OneTim(1, 1)));
    app->OnFileNew();
    WaitIdle();
    ASSERT_EQ(app->DocTemplate()->Frames().size(), 2);
    for (CChildFrame* child : app->DocTemplate()->Frames()) {
        SCOPED_TRACE(child->windowTitle().toStdString());
        ExpectGrabbable(child);
        // Neither auto size, nor a turn, nor fit takes it below that.
        child->GetView()->OnAutoSize();
        ExpectGrabbable(child);
        child->GetView()->OnRotateLeft();
        child->GetView()->OnViewFit();
        ExpectGrabbable(child);
        child->resize(1, 1);
        ExpectGrabbable(child);
        EXPECT_EQ(child->size(), child->MinimumFrameSize());
    }
}

TEST_F(ChildFrameSizeTest, TurnsAndAutoSizeOfANarrowImageStopAtTheMinimum) {
    frame->show();
    app->OpenDocumentFile(WriteFile("TALL.BIN", OneTim(2, 60)));
    CChildFrame* child = app->DocTemplate()->Frames().front();
    child->GetView()->OnAutoSize();
    EXPECT_EQ(child->width(), child->MinimumFrameSize().width()) << "2 pixels wide: the title bar decides";
    child->GetView()->OnRotateRight();
    child->GetView()->OnAutoSize();
    EXPECT_EQ(child->height(), child->MinimumFrameSize().height()) << "2 pixels high after the turn";
    ExpectGrabbable(child);
}

TEST_F(ChildFrameSizeTest, RestoreAfterMaximiseGivesBackTheSameSize) {
    frame->show();
    const QSize images[] = {{1, 1}, {40, 2}, {2, 40}, {100, 100}, {120, 40}};
    for (const QSize& image : images) {
        app->OpenDocumentFile(WriteFile(QStringLiteral("I%1x%2.BIN").arg(image.width()).arg(image.height()),
                                        OneTim(image.width(), image.height())));
    }
    WaitIdle();
    for (CChildFrame* child : app->DocTemplate()->Frames()) {
        SCOPED_TRACE(child->windowTitle().toStdString());
        const QRect before = child->geometry();
        child->showMaximized();
        QCoreApplication::processEvents();
        EXPECT_TRUE(child->isMaximized());
        child->showNormal();
        QCoreApplication::processEvents();
        EXPECT_EQ(child->geometry(), before);
        // Minimised and back too.
        child->showMinimized();
        QCoreApplication::processEvents();
        child->showNormal();
        QCoreApplication::processEvents();
        EXPECT_EQ(child->size(), before.size());
        EXPECT_EQ(child->minimumSize(), child->MinimumFrameSize());
    }
}

}  // namespace
}  // namespace vorel::testing
