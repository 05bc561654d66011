#include "app/child_frame.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <algorithm>

#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"

CChildFrame::CChildFrame(std::unique_ptr<CVorelDoc> doc, QWidget* parent)
    : QMdiSubWindow(parent), m_pDocument(std::move(doc)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // QMdiArea restacks a window by checking every open window against its
    // whole list unless the window stays on top; with every image window on
    // the same level the stacking order is the usual one and raising one
    // costs nothing. The system menu's switch for it would only mislead.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    if (QMenu* menu = systemMenu()) {
        // Every window's system menu loads its own copies of the same pictures;
        // one shared set keeps an image window's memory small.
        static QHash<QString, QIcon> sharedIcons;
        for (QAction* action : menu->actions()) {
            if (action->isCheckable()) menu->removeAction(action);
            // Each window's own Close key would make every key press search a
            // table that grows with the windows; the main window has one for all.
            action->setShortcuts({});
            if (!action->icon().isNull()) {
                auto it = sharedIcons.find(action->text());
                if (it == sharedIcons.end()) it = sharedIcons.insert(action->text(), action->icon());
                action->setIcon(*it);
            }
        }
    }
    m_pView = new CVorelView(m_pDocument.get(), this);
    setWidget(m_pView);
    setWindowTitle(m_pDocument->GetTitle());
    connect(m_pDocument.get(), &CVorelDoc::titleChanged, this, &QWidget::setWindowTitle);
    connect(m_pView, &CVorelView::contextMenuRequested, this,
            [this](const QPoint& globalPos) { emit contextMenuRequested(this, globalPos); });
}

CChildFrame::~CChildFrame() {
    // The view draws from the document: it goes first.
    delete m_pView;
    m_pView = nullptr;
}

QPoint CChildFrame::ContextMenuKeyPoint() const {
    const QWidget* client = widget() ? widget() : this;
    return client->mapToGlobal(QPoint(5, 5));
}

void CChildFrame::contextMenuEvent(QContextMenuEvent* event) {
    // The frame's border and title bar belong to the image window too: left
    // alone, QMdiSubWindow would pass the click on to the main window, whose
    // menu lacks this window's entries. The window menu stays on the icon.
    emit contextMenuRequested(this, event->globalPos());
    event->accept();
}

namespace {

// The width between the title-bar buttons left free for the title; the
// label's own rectangle may reach under the buttons at its ends.
int TitleRoom(const QStyle& style, const QStyleOptionTitleBar& option, const QWidget* widget) {
    const QRect label = style.subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, widget);
    const int middle = label.center().x();
    int left = label.left();
    int right = label.right() + 1;
    for (auto control : {QStyle::SC_TitleBarSysMenu, QStyle::SC_TitleBarMinButton, QStyle::SC_TitleBarMaxButton,
                         QStyle::SC_TitleBarNormalButton, QStyle::SC_TitleBarCloseButton,
                         QStyle::SC_TitleBarContextHelpButton, QStyle::SC_TitleBarShadeButton,
                         QStyle::SC_TitleBarUnshadeButton}) {
        const QRect r = style.subControlRect(QStyle::CC_TitleBar, &option, control, widget);
        if (!r.isValid() || !r.intersects(label)) continue;
        if (r.center().x() < middle)
            left = std::max(left, r.right() + 1);
        else
            right = std::min(right, r.left());
    }
    return std::max(0, right - left);
}

}  // namespace

QSize CChildFrame::MinimumFrameSize() const {
    QStyleOptionTitleBar option;
    option.initFrom(this);
    option.titleBarFlags = windowFlags();
    option.subControls = QStyle::SC_All;
    option.text = windowTitle();
    const int titleHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this);
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    // The style places the buttons; what a wide title bar leaves between them
    // for the title tells how much they take, spacing included.
    constexpr int kProbeWidth = 2000;
    option.rect = QRect(0, 0, kProbeWidth, titleHeight);
    const int buttons = kProbeWidth - TitleRoom(*style(), option, this);
    QFont titleFont = font();
    titleFont.setBold(true);  // the active window's title is the widest
    const int letters = QFontMetrics(titleFont).horizontalAdvance(QStringLiteral("DATA…"));
    return {buttons + letters + 2 * border, titleHeight + 2 * border};
}

void CChildFrame::UpdateMinimumSize() {
    // Qt keeps a maximised or minimised window's own minimum aside and puts it
    // back on restore; only a window in its normal state takes a new one.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) return;
    const QSize minimum = MinimumFrameSize();
    if (minimumSize() != minimum) setMinimumSize(minimum);
}

bool CChildFrame::event(QEvent* event) {
    const bool handled = QMdiSubWindow::event(event);
    switch (event->type()) {
        case QEvent::ParentChange:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::Polish:
            UpdateMinimumSize();
            break;
        default:
            break;
    }
    return handled;
}
