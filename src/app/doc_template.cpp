#include "app/doc_template.h"

#include <QMdiArea>
#include <memory>

#include "app/child_frame.h"
#include "app/main_frame.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"

CVorelDocTemplate::CVorelDocTemplate(const vorel::SearchState& state, const vorel::ISettingsStore& store,
                                     QObject* parent)
    : QObject(parent), m_state(state), m_store(store) {}

CChildFrame* CVorelDocTemplate::MakeFrame(CVorelDoc* docForFrame) {
    std::unique_ptr<CVorelDoc> owned(docForFrame);
    QWidget* parent = m_pMainFrame ? m_pMainFrame->MdiViewport() : nullptr;
    return new CChildFrame(std::move(owned), parent);
}

CVorelDoc* CVorelDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible) {
    return OpenDocumentFrom(m_state, m_store, path, makeVisible);
}

CVorelDoc* CVorelDocTemplate::OpenDocumentFrom(const vorel::SearchState& state, const vorel::ISettingsStore& store,
                                               const QString& path, bool makeVisible) {
    // Document first, then its frame and view, then the open: the order the
    // document and view rely on.
    auto* doc = new CVorelDoc;
    CChildFrame* frame = MakeFrame(doc);
    if (!doc->OnOpenDocument(path, state, store)) {
        delete frame;  // takes the document with it
        return nullptr;
    }
    doc->SetPathName(path, state, store);
    emit documentOpened(path);
    Show(frame, makeVisible);
    return doc;
}

CVorelDoc* CVorelDocTemplate::OpenNewDocument() {
    auto* doc = new CVorelDoc;
    CChildFrame* frame = MakeFrame(doc);
    doc->SetTitle(QStringLiteral("Vorel%1").arg(++m_nUntitledCount));
    Show(frame, true);
    return doc;
}

void CVorelDocTemplate::Show(CChildFrame* frame, bool makeVisible) {
    m_frames.append(frame);
    connect(frame, &QObject::destroyed, this, [this, frame] { Forget(frame); });
    if (m_pMainFrame) m_pMainFrame->AddChildFrame(frame);
    frame->GetView()->OnInitialUpdate();
    if (m_pMainFrame) m_pMainFrame->PlaceChildFrame(frame);
    if (makeVisible) {
        frame->show();
        // A new image window becomes the active one, whether or not the
        // program has the desktop's focus at that moment.
        if (m_pMainFrame) m_pMainFrame->MdiArea()->setActiveSubWindow(frame);
    }
    emit documentCountChanged(DocumentCount());
}

void CVorelDocTemplate::Forget(QObject* frame) {
    for (qsizetype i = m_frames.size() - 1; i >= 0; --i) {
        if (m_frames.at(i) == frame) {
            m_frames.removeAt(i);
            emit documentCountChanged(DocumentCount());
            return;
        }
    }
}

void CVorelDocTemplate::CloseAllDocuments() {
    // Oldest first, as the documents were made; the list shrinks as frames go.
    const QList<CChildFrame*> frames = m_frames;
    // Each window that goes would hand the activation to another, at a cost
    // that grows with their number; a disabled area hands nothing on.
    QMdiArea* area = m_pMainFrame ? m_pMainFrame->MdiArea() : nullptr;
    const bool wasEnabled = area && area->isEnabled();
    if (wasEnabled) area->setEnabled(false);
    for (CChildFrame* frame : frames) delete frame;
    if (wasEnabled) area->setEnabled(true);
}
