#include "app/child_frame.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHash>
#include <QIcon>
#include <QMenu>

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
