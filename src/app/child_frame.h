// The frame of one image window: an MDI sub-window around the image's view.
// It owns its document, so closing the window frees the image.
#pragma once

#include <QMdiSubWindow>
#include <QPoint>
#include <memory>

class QContextMenuEvent;
class CVorelDoc;
class CVorelView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    explicit CChildFrame(std::unique_ptr<CVorelDoc> doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    CVorelDoc* GetDocument() const { return m_pDocument.get(); }
    CVorelView* GetView() const { return m_pView; }

    // Where Shift+F10 opens the context menu: 5 pixels right of and below the
    // top-left corner of the frame's client area (screen coordinates).
    QPoint ContextMenuKeyPoint() const;

    // The smallest the window may become: its title-bar buttons, a few letters
    // of its title and its frame. Every resize (auto size, turns, fit, the
    // user's own dragging) stops there, and a restore after maximising gives
    // back exactly the size the window had.
    QSize MinimumFrameSize() const;

  signals:
    // Right click or Shift+F10 in the image, or a right click anywhere on its
    // frame: the image window's context menu.
    void contextMenuRequested(CChildFrame* frame, const QPoint& globalPos);

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void UpdateMinimumSize();

    std::unique_ptr<CVorelDoc> m_pDocument;
    CVorelView* m_pView = nullptr;
};
