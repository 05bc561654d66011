#include "app/child_frame.h"

#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"

CChildFrame::CChildFrame(std::unique_ptr<CVorelDoc> doc, QWidget* parent)
    : QMdiSubWindow(parent), m_pDocument(std::move(doc)) {
    setAttribute(Qt::WA_DeleteOnClose);
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
