#include "docview/ui/vorel_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include "docview/ui/vorel_doc.h"

namespace {

// The geometry needs only the document's size; no DIB is drawn here.
struct SizedView {
    SizedView(int imageW, int imageH, int clientW, int clientH) : view(&doc) {
        doc.m_nImageWidth = imageW;
        doc.m_nImageHeight = imageH;
        view.resize(clientW, clientH);
        view.show();
        view.OnInitialUpdate();
    }
    CVorelDoc doc;
    CVorelView view;
};

struct WheelLinesGuard {
    ~WheelLinesGuard() { g_nWheelScrollLines = 5; }
};

TEST(VorelView, FitCentresAndScales) {
    const struct {
        const char* name;
        int w, h, cw, ch;
        int drawW, drawH, drawX, drawY;
    } cases[] = {
        {"200x100 into 401x301", 200, 100, 401, 301, 400, 200, 0, 50},
        {"equal factors", 100, 50, 201, 101, 200, 100, 0, 0},
        {"one pixel of client area", 200, 100, 1, 1, 0, 0, 0, 0},
        {"shrinks a large image", 1000, 500, 101, 101, 100, 50, 0, 25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SizedView s(c.w, c.h, c.cw, c.ch);
        s.view.OnViewFit();
        EXPECT_EQ(s.view.m_nViewMode, CVorelView::kFit);
        EXPECT_EQ(s.view.m_nDrawWidth, c.drawW);
        EXPECT_EQ(s.view.m_nDrawHeight, c.drawH);
        EXPECT_EQ(s.view.m_nDrawX, c.drawX);
        EXPECT_EQ(s.view.m_nDrawY, c.drawY);
        EXPECT_EQ(s.view.TotalSize(), QSize(0, 0));
        EXPECT_FALSE(s.view.HasVerticalScrollBar());
    }
}

TEST(VorelView, FitFollowsTheWindowSizeAndNoClientAreaGivesNoPicture) {
    SizedView s(200, 100, 401, 301);
    s.view.OnViewFit();
    s.view.resize(201, 301);
    EXPECT_EQ(s.view.m_nDrawWidth, 200);
    EXPECT_EQ(s.view.m_nDrawHeight, 100);
    EXPECT_EQ(s.view.m_nDrawY, 100);
    s.view.resize(0, 0);
    EXPECT_GE(s.view.m_nDrawWidth, 0) << "a negative scale would mirror the picture";
    EXPECT_GE(s.view.m_nDrawHeight, 0);
    // In the other modes a resize only changes the scroll bars.
    s.view.resize(401, 301);
    s.view.OnZoom(CVorelView::kZoom50);
    s.view.resize(50, 50);
    EXPECT_EQ(s.view.m_nDrawWidth, 100);
    EXPECT_EQ(s.view.m_nDrawHeight, 50);
    EXPECT_TRUE(s.view.HasVerticalScrollBar() || s.view.horizontalScrollBar()->maximum() > 0);
}

TEST(VorelView, ZoomSizes) {
    const struct {
        int mode;
        int w, h;
        int drawW, drawH;
    } cases[] = {
        {CVorelView::kZoom75, 101, 1, 76, 1},   {CVorelView::kZoom25, 1, 1, 0, 0},
        {CVorelView::kZoom25, 7, 9, 2, 2},      {CVorelView::kZoom50, 3, 5, 2, 3},
        {CVorelView::kZoom150, 101, 3, 152, 5}, {CVorelView::kZoom200, 640, 480, 1280, 960},
        {CVorelView::kZoom400, 3, 5, 12, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " of " << c.w << "x" << c.h);
        SizedView s(c.w, c.h, 300, 200);
        s.view.SetViewMode(c.mode);
        EXPECT_EQ(s.view.m_nViewMode, c.mode);
        EXPECT_EQ(s.view.m_nDrawWidth, c.drawW);
        EXPECT_EQ(s.view.m_nDrawHeight, c.drawH);
        EXPECT_EQ(s.view.m_nDrawX, 0);
        EXPECT_EQ(s.view.m_nDrawY, 0);
        EXPECT_EQ(s.view.TotalSize(), QSize(c.drawW, c.drawH));
        for (int m = CVorelView::kZoom25; m < CVorelView::kViewModeCount; ++m)
            EXPECT_EQ(s.view.IsViewModeChecked(m), m == c.mode);
    }
}

TEST(VorelView, ScrollSizesAreTenthsOfTheExtent) {
    SizedView s(300, 250, 100, 100);
    EXPECT_EQ(s.view.m_nViewMode, CVorelView::kActual);
    EXPECT_EQ(s.view.TotalSize(), QSize(300, 250));
    EXPECT_EQ(s.view.PageSize(), QSize(30, 25));
    EXPECT_EQ(s.view.LineSize(), QSize(3, 2));
    EXPECT_EQ(s.view.verticalScrollBar()->singleStep(), 2);
    // A click in the trough moves one page of the extent, not one screenful.
    s.view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(s.view.ScrollPosition().y(), 25);
}

TEST(VorelView, GreyingAndReapply) {
    QMdiArea area;
    area.resize(800, 600);
    CVorelDoc doc;
    doc.m_nImageWidth = 40;
    doc.m_nImageHeight = 20;
    auto* view = new CVorelView(&doc);
    QMdiSubWindow* frame = area.addSubWindow(view);
    area.show();
    frame->show();
    view->OnInitialUpdate();

    EXPECT_FALSE(view->IsViewModeEnabled(CVorelView::kActual));
    EXPECT_TRUE(view->IsViewModeEnabled(CVorelView::kFit));
    EXPECT_TRUE(view->CanAutoSize());
    view->OnViewFit();
    EXPECT_TRUE(view->IsViewModeEnabled(CVorelView::kActual));
    EXPECT_FALSE(view->IsViewModeEnabled(CVorelView::kFit));
    EXPECT_FALSE(view->CanAutoSize());
    view->SetViewMode(CVorelView::kZoom25);
    EXPECT_TRUE(view->CanAutoSize());
    frame->showMaximized();
    EXPECT_FALSE(view->CanAutoSize());
    frame->showNormal();

    // A quarter turn swaps the size; the view stays at 25 %.
    std::swap(doc.m_nImageWidth, doc.m_nImageHeight);
    view->ReapplyViewMode();
    EXPECT_EQ(view->m_nViewMode, CVorelView::kZoom25);
    EXPECT_EQ(view->m_nDrawWidth, 5);
    EXPECT_EQ(view->m_nDrawHeight, 10);
}

TEST(VorelView, InitialUpdateShrinksTheFrameButNeverGrowsIt) {
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    CVorelDoc doc;
    doc.m_nImageWidth = 60;
    doc.m_nImageHeight = 900;
    auto* view = new CVorelView(&doc);
    QMdiSubWindow* frame = area.addSubWindow(view);
    frame->resize(300, 200);
    frame->show();
    view->OnInitialUpdate();
    EXPECT_EQ(view->width(), 60) << "wider than the image: shrunk to it";
    EXPECT_EQ(frame->height(), 200) << "shorter than the image: kept";

    // Auto size grows to the extent, but not past the MDI area, and leaves room for the scroll bar.
    view->OnAutoSize();
    EXPECT_LE(frame->geometry().bottom(), area.viewport()->rect().bottom());
    EXPECT_GT(frame->height(), 200);
    EXPECT_GT(view->width(), 60);
}

TEST(VorelView, AutoSizeOfATopLevelFrameWithAnOwnerIsLimitedByTheScreen) {
    QWidget owner;
    owner.setGeometry(0, 0, 100, 100);
    CVorelDoc doc;
    doc.m_nImageWidth = 50;
    doc.m_nImageHeight = 300;
    QWidget frame(&owner, Qt::Window);
    auto* view = new CVorelView(&doc, &frame);
    frame.setGeometry(10, 10, 50, 50);
    view->resize(50, 50);
    owner.show();
    frame.show();
    view->OnInitialUpdate();
    view->OnAutoSize();
    ASSERT_GE(frame.screen()->geometry().height(), 400);
    EXPECT_EQ(frame.height(), 300) << "the owner's own rectangle is no limit";
}

TEST(VorelView, AutoSizeRectStaysInsideTheLimit) {
    const QRect limit(0, 0, 800, 600);
    // Fits already: unchanged.
    EXPECT_EQ(CVorelView::AutoSizeFrameRect(QRect(10, 10, 200, 100), limit, 17), QRect(10, 10, 200, 100));
    // Too tall: cut at the bottom and widened for the vertical scroll bar.
    EXPECT_EQ(CVorelView::AutoSizeFrameRect(QRect(10, 10, 200, 900), limit, 17), QRect(10, 10, 217, 590));
    // Too wide, after the widening too: cut at the right.
    EXPECT_EQ(CVorelView::AutoSizeFrameRect(QRect(100, 0, 700, 900), limit, 17), QRect(100, 0, 700, 600));
}

TEST(VorelView, WheelArithmetic) {
    WheelLinesGuard guard;
    SizedView s(100, 1000, 200, 200);  // vertical page 100, line 10
    ASSERT_TRUE(s.view.HasVerticalScrollBar());
    QScrollBar* v = s.view.verticalScrollBar();
    v->setValue(500);

    g_nWheelScrollLines = 5;
    EXPECT_EQ(s.view.OnMouseWheel(60), 0);
    EXPECT_EQ(s.view.m_nWheelDelta, 60);
    EXPECT_EQ(s.view.OnMouseWheel(60), 50) << "two half notches make one notch of 5 lines";
    EXPECT_EQ(s.view.m_nWheelDelta, 0);
    EXPECT_EQ(v->value(), 450);

    g_nWheelScrollLines = 3;
    EXPECT_EQ(s.view.OnMouseWheel(-240), -60) << "two notches down of 3 lines";
    EXPECT_EQ(v->value(), 510);

    EXPECT_EQ(s.view.OnMouseWheel(-130), -30);
    EXPECT_EQ(s.view.m_nWheelDelta, -10) << "the remainder keeps its sign";
    EXPECT_EQ(s.view.OnMouseWheel(10), 0);
    EXPECT_EQ(s.view.m_nWheelDelta, 0);

    g_nWheelScrollLines = -1;
    v->setValue(500);
    EXPECT_EQ(s.view.OnMouseWheel(120), 100) << "one page per notch";
    EXPECT_EQ(v->value(), 400);

    g_nWheelScrollLines = 0;
    EXPECT_EQ(s.view.OnMouseWheel(120), 0);
    EXPECT_EQ(s.view.m_nWheelDelta, 0) << "switched off: not even carried";
    EXPECT_EQ(v->value(), 400);

    // A real wheel event reaches the same arithmetic.
    g_nWheelScrollLines = 5;
    QWheelEvent wheel(QPointF(10, 10), s.view.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s.view.viewport(), &wheel);
    EXPECT_EQ(v->value(), 450);
}

TEST(VorelView, WheelOverEitherScrollBarFollowsTheViewsRule) {
    WheelLinesGuard guard;
    SizedView s(1000, 1000, 200, 200);  // vertical line 10
    QScrollBar* v = s.view.verticalScrollBar();
    QScrollBar* h = s.view.horizontalScrollBar();
    v->setValue(500);
    h->setValue(300);
    g_nWheelScrollLines = 5;
    for (QScrollBar* bar : {v, h}) {
        QWheelEvent wheel(QPointF(2, 2), bar->mapToGlobal(QPointF(2, 2)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
    }
    EXPECT_EQ(v->value(), 600) << "two notches down of 5 lines, wherever the pointer is";
    EXPECT_EQ(h->value(), 300) << "the wheel scrolls up and down only";
    g_nWheelScrollLines = 0;
    QWheelEvent off(QPointF(2, 2), v->mapToGlobal(QPointF(2, 2)), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(v, &off);
    EXPECT_EQ(v->value(), 600) << "switched off over the bar too";
}

TEST(VorelView, WheelNeedsAVerticalScrollBar) {
    WheelLinesGuard guard;
    {
        SizedView s(200, 100, 401, 301);
        s.view.OnViewFit();
        EXPECT_EQ(s.view.OnMouseWheel(120), 0);
        EXPECT_EQ(s.view.m_nWheelDelta, 0);
    }
    {
        // An extent under 100 pixels has a line of 0: lines move nothing, a page moves a tenth.
        SizedView s(50, 90, 100, 40);
        ASSERT_TRUE(s.view.HasVerticalScrollBar());
        s.view.verticalScrollBar()->setValue(30);
        g_nWheelScrollLines = 3;
        EXPECT_EQ(s.view.OnMouseWheel(120), 0);
        EXPECT_EQ(s.view.verticalScrollBar()->value(), 30);
        g_nWheelScrollLines = -1;
        EXPECT_EQ(s.view.OnMouseWheel(120), 9);
        EXPECT_EQ(s.view.verticalScrollBar()->value(), 21);
    }
}

TEST(VorelView, ContextMenuFromMouseShiftF10AndMenuKey) {
    SizedView s(50, 50, 100, 100);
    std::vector<QPoint> requests;
    QObject::connect(&s.view, &CVorelView::contextMenuRequested,
                     [&](const QPoint& p) { requests.push_back(p); });

    QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(5, 6), QPoint(105, 206));
    QApplication::sendEvent(s.view.viewport(), &mouse);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], QPoint(105, 206));

    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(&s.view, &shiftF10);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], s.view.viewport()->mapToGlobal(QPoint(0, 0)));

    QKeyEvent plainF10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
    QApplication::sendEvent(&s.view, &plainF10);
    EXPECT_EQ(requests.size(), 2u);

    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(7, 8));
    QApplication::sendEvent(s.view.viewport(), &key);
    EXPECT_EQ(requests.size(), 3u);
}

TEST(VorelView, EmptyDocumentPaintsNothingInEveryMode) {
    CVorelDoc doc;  // File > New: no DIB, no palette, 1 x 1
    CVorelView view(&doc);
    view.resize(120, 80);
    view.show();
    view.OnInitialUpdate();
    for (int mode = 0; mode < CVorelView::kViewModeCount; ++mode) {
        view.SetViewMode(mode);
        const QImage shot = view.grab().toImage();
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(shot.pixel(0, 0), shot.pixel(shot.width() / 2, shot.height() / 2));
    }
    CVorelView orphan(nullptr);
    orphan.resize(30, 30);
    orphan.OnInitialUpdate();
    orphan.OnViewFit();
    orphan.OnAutoSize();
    EXPECT_FALSE(orphan.grab().isNull());
}

}  // namespace

namespace {

// The shell gives a new frame its place and size while it is still hidden,
// runs the initial update, and only then shows it.
TEST(VorelView, InitialUpdateOfAHiddenFrameShrinksItToTheImage) {
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    CVorelDoc doc;
    doc.m_nImageWidth = 60;
    doc.m_nImageHeight = 50;
    auto* view = new CVorelView(&doc);
    auto* frame = new QMdiSubWindow;
    frame->setWidget(view);
    frame->resize(0, 0);
    area.addSubWindow(frame);
    frame->setGeometry(QRect(10, 10, 600, 450));
    view->OnInitialUpdate();
    frame->show();
    EXPECT_EQ(view->size(), QSize(60, 50));
    EXPECT_EQ(frame->pos(), QPoint(10, 10));
}

}  // namespace
