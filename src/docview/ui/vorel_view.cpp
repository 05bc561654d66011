#include "docview/ui/vorel_view.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"

int g_nWheelScrollLines = 5;

namespace {

// Scroll extents stay well inside int even for a wide bitmap at 400 %.
constexpr double kMaxDrawSize = 1 << 30;

int ToDrawSize(double v) {
    return v >= kMaxDrawSize ? static_cast<int>(kMaxDrawSize) : static_cast<int>(v);
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Page clicks in the trough move a tenth of the extent (the page size), not a
// screenful: the thumb is sized by the viewport, the step by the scroll sizes.
void RedirectPageSteps(QScrollBar* bar, const int* pageSize) {
    QObject::connect(bar, &QScrollBar::actionTriggered, bar, [bar, pageSize](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd)
            bar->setSliderPosition(ClampToInt(std::int64_t{bar->value()} + *pageSize));
        else if (action == QAbstractSlider::SliderPageStepSub)
            bar->setSliderPosition(ClampToInt(std::int64_t{bar->value()} - *pageSize));
    });
}

}  // namespace

CVorelView::CVorelView(CVorelDoc* doc, QWidget* parent) : QAbstractScrollArea(parent), m_pDocument(doc) {
    setFrameShape(QFrame::NoFrame);  // the whole widget is client area, as the geometry below assumes
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RedirectPageSteps(horizontalScrollBar(), &m_nPageStepX);
    RedirectPageSteps(verticalScrollBar(), &m_nPageStepY);
    // A scroll bar would turn the wheel into its own steps (and the horizontal
    // one would scroll sideways); the wheel over either follows the view's rule.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
}

CVorelView::~CVorelView() = default;

QSize CVorelView::ImageSize() const {
    if (!m_pDocument) return {1, 1};
    return {m_pDocument->m_nImageWidth, m_pDocument->m_nImageHeight};
}

void CVorelView::OnInitialUpdate() {
    SetScrollSizes(ImageSize());
    m_nViewMode = kActual;
    ResizeParentToFit(true);
    viewport()->update();
}

void CVorelView::SetViewMode(int mode) {
    if (mode == kActual)
        OnViewActual();
    else if (mode == kFit)
        OnViewFit();
    else if (ZoomFactor(mode) != 0.0)
        OnZoom(mode);
}

void CVorelView::ReapplyViewMode() {
    SetViewMode(m_nViewMode);
}

double CVorelView::ZoomFactor(int mode) {
    switch (mode) {
        case kZoom25:
            return 0.25;
        case kZoom50:
            return 0.5;
        case kZoom75:
            return 0.75;
        case kZoom150:
            return 1.5;
        case kZoom200:
            return 2.0;
        case kZoom400:
            return 4.0;
        default:
            return 0.0;
    }
}

void CVorelView::OnViewActual() {
    m_nViewMode = kActual;
    SetScrollSizes(ImageSize());
    viewport()->update();
}

void CVorelView::OnViewFit() {
    m_nViewMode = kFit;
    const QSize client = viewport()->size();
    const int cw = client.width();
    const int ch = client.height();
    const QSize image = ImageSize();
    if (image.width() <= 0 || image.height() <= 0) {
        m_nDrawWidth = m_nDrawHeight = m_nDrawX = m_nDrawY = 0;
    } else {
        const float sx = static_cast<float>(cw - 1) / static_cast<float>(image.width());
        const float sy = static_cast<float>(ch - 1) / static_cast<float>(image.height());
        float scale = sy <= sx ? sy : sx;
        // A window with no client area would give a negative scale and a mirrored picture.
        scale = std::max(scale, 0.0f);
        m_nDrawWidth = ToDrawSize(static_cast<double>(scale * static_cast<float>(image.width())) + 0.5);
        m_nDrawHeight = ToDrawSize(static_cast<double>(scale * static_cast<float>(image.height())) + 0.5);
        m_nDrawX = (cw - 1 - m_nDrawWidth) / 2;
        m_nDrawY = (ch - 1 - m_nDrawHeight) / 2;
    }
    SetScrollSizes(QSize(0, 0));
    viewport()->update();
}

void CVorelView::OnZoom(int mode) {
    const double factor = ZoomFactor(mode);
    if (factor == 0.0) return;
    m_nViewMode = mode;
    const QSize image = ImageSize();
    m_nDrawWidth = ToDrawSize(image.width() * factor + 0.5);
    m_nDrawHeight = ToDrawSize(image.height() * factor + 0.5);
    m_nDrawX = m_nDrawY = 0;
    SetScrollSizes(QSize(m_nDrawWidth, m_nDrawHeight));
    viewport()->update();
}

bool CVorelView::IsViewModeEnabled(int mode) const {
    if (mode == kActual) return m_nViewMode != kActual;
    if (mode == kFit) return m_nViewMode != kFit;
    return ZoomFactor(mode) != 0.0;
}

void CVorelView::SetScrollSizes(const QSize& total) {
    m_sizeTotal = total.expandedTo(QSize(0, 0));
    // The old scroll view's defaults: a page is a tenth of the extent, a line a tenth of a page.
    m_sizePage = QSize(m_sizeTotal.width() / 10, m_sizeTotal.height() / 10);
    m_sizeLine = QSize(m_sizePage.width() / 10, m_sizePage.height() / 10);
    m_nPageStepX = m_sizePage.width();
    m_nPageStepY = m_sizePage.height();
    UpdateScrollBars();
}

void CVorelView::UpdateScrollBars() {
    // Bars are needed only when the extent does not fit the room the view has
    // without them; judged by the viewport alone, bars once shown would keep
    // themselves (a window sized to exactly its image kept both).
    QSize client = viewport()->size();
    const QSize room = maximumViewportSize();
    if (m_sizeTotal.width() <= room.width() && m_sizeTotal.height() <= room.height()) client = room;
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setSingleStep(m_sizeLine.width());
    v->setSingleStep(m_sizeLine.height());
    h->setPageStep(std::max(1, client.width()));
    v->setPageStep(std::max(1, client.height()));
    h->setRange(0, std::max(0, m_sizeTotal.width() - client.width()));
    v->setRange(0, std::max(0, m_sizeTotal.height() - client.height()));
}

QPoint CVorelView::ScrollPosition() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

bool CVorelView::HasVerticalScrollBar() const {
    const QScrollBar* v = verticalScrollBar();
    return verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff && v->maximum() > v->minimum();
}

void CVorelView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_nViewMode == kFit)
        OnViewFit();
    else
        UpdateScrollBars();
}

void CVorelView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
}

void CVorelView::paintEvent(QPaintEvent* event) {
    if (!m_pDocument) return;
    const vorel::Dib& dib = m_pDocument->m_hDIB;
    // An empty document (File > New) or a block that cannot be shown draws nothing.
    if (!vorel::ui::IsDrawableDib(dib)) return;
    QRect target;
    if (m_nViewMode == kActual)
        target = QRect(QPoint(0, 0), ImageSize());
    else
        target = QRect(m_nDrawX, m_nDrawY, m_nDrawWidth, m_nDrawHeight);
    if (target.isEmpty()) return;
    const QPoint scroll = ScrollPosition();
    QPainter painter(viewport());
    painter.translate(-scroll);
    vorel::ui::DrawDib(painter, dib, target, event->rect().translated(scroll));
}

int CVorelView::OnMouseWheel(int delta) {
    if (g_nWheelScrollLines == 0 || !HasVerticalScrollBar()) return 0;
    m_nWheelDelta = ClampToInt(std::int64_t{m_nWheelDelta} + delta);
    const std::int64_t notches = m_nWheelDelta / kWheelDeltaPerNotch;
    std::int64_t amount;
    if (g_nWheelScrollLines == -1)
        amount = notches * m_sizePage.height();
    else
        amount = std::int64_t{g_nWheelScrollLines} * notches * m_sizeLine.height();
    m_nWheelDelta %= kWheelDeltaPerNotch;  // keeps its sign, as C++ division truncates toward zero
    QScrollBar* v = verticalScrollBar();
    v->setValue(ClampToInt(std::int64_t{v->value()} - amount));
    return ClampToInt(amount);
}

void CVorelView::wheelEvent(QWheelEvent* event) {
    OnMouseWheel(event->angleDelta().y());
    event->accept();
}

bool CVorelView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CVorelView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        emit contextMenuRequested(viewport()->mapToGlobal(QPoint(0, 0)));
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void CVorelView::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

QWidget* CVorelView::ParentFrame() const {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<QMdiSubWindow*>(w)) return w;
    }
    QWidget* top = window();
    return top == this ? nullptr : top;
}

void CVorelView::ResizeParentToFit(bool shrinkOnly) {
    QWidget* frame = ParentFrame();
    if (!frame || frame->isMaximized() || frame->isMinimized()) return;
    // What the frame adds around the view: measured from the laid-out sizes once
    // shown, from the size hints before (a hidden frame has not laid the view out yet).
    const QSize decoration = frame->isVisible() ? frame->size() - size() : frame->sizeHint() - sizeHint();
    QSize wanted = m_sizeTotal + decoration;
    if (shrinkOnly) wanted = wanted.boundedTo(frame->size());
    if (wanted != frame->size()) frame->resize(wanted);
}

bool CVorelView::CanAutoSize() const {
    if (m_nViewMode == kFit) return false;
    const QWidget* frame = ParentFrame();
    return !(frame && frame->isMaximized());
}

QRect CVorelView::AutoSizeFrameRect(const QRect& fitted, const QRect& limit, int vscrollExtra) {
    QRect r = fitted;
    if (r.bottom() > limit.bottom()) {
        r.setBottom(limit.bottom());
        // The view now needs a vertical scroll bar; make room for it rather than for a horizontal one too.
        r.setRight(r.right() + vscrollExtra);
    }
    if (r.right() > limit.right()) r.setRight(limit.right());
    return r;
}

void CVorelView::OnAutoSize() {
    QWidget* frame = ParentFrame();
    if (!frame || !CanAutoSize()) return;
    ResizeParentToFit(false);
    QRect limit;
    // Only a frame inside the MDI area has its geometry in its parent's coordinates;
    // a top-level frame (even one with an owner) is placed on the screen.
    QWidget* area = frame->isWindow() ? nullptr : frame->parentWidget();
    if (area)
        limit = area->rect();
    else if (QScreen* screen = frame->screen())
        limit = screen->geometry();
    else
        return;
    const QRect fitted = frame->geometry();
    const int extra = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 1;
    const QRect settled = AutoSizeFrameRect(fitted, limit, extra);
    if (settled.size() != fitted.size()) frame->resize(settled.size());
}
