// The one document template: it makes an image document, its frame and its
// view, in that order, opens the document from the current search hit, names
// it, runs the view's initial update and shows the window. It also keeps the
// list of open documents in the order they were made.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

class CChildFrame;
class CMainFrame;
class CVorelDoc;

namespace vorel {
class ISettingsStore;
struct SearchState;
}  // namespace vorel

class CVorelDocTemplate : public QObject {
    Q_OBJECT
  public:
    CVorelDocTemplate(const vorel::SearchState& state, const vorel::ISettingsStore& store,
                      QObject* parent = nullptr);

    void SetMainFrame(CMainFrame* frame) { m_pMainFrame = frame; }

    // A document for the current hit of the search state, or null (and no
    // window) when the hit cannot become an image. `path` is the searched file.
    CVorelDoc* OpenDocumentFile(const QString& path, bool makeVisible);
    // The same for a hit read again outside a search (an image list entry
    // reopened): `state` and `store` stand for the search's.
    CVorelDoc* OpenDocumentFrom(const vorel::SearchState& state, const vorel::ISettingsStore& store,
                                const QString& path, bool makeVisible);
    // An empty document (File > New): no image, named "Vorel1", "Vorel2", ...
    CVorelDoc* OpenNewDocument();

    int DocumentCount() const { return static_cast<int>(m_frames.size()); }
    // The open documents' frames, oldest first.
    const QList<CChildFrame*>& Frames() const { return m_frames; }
    // Closes every image window without asking (documents are never modified).
    void CloseAllDocuments();

  signals:
    void documentCountChanged(int count);
    // A document was opened for `path` (it enters the recent-file list).
    void documentOpened(const QString& path);

  private:
    CChildFrame* MakeFrame(CVorelDoc* docForFrame);
    void Show(CChildFrame* frame, bool makeVisible);
    void Forget(QObject* frame);

    const vorel::SearchState& m_state;
    const vorel::ISettingsStore& m_store;
    CMainFrame* m_pMainFrame = nullptr;
    QList<CChildFrame*> m_frames;
    int m_nUntitledCount = 0;
};
