// One of the connection dialog's black preview frames: empty, one image fitted
// into it, or the two parts of a joined image. It draws from the documents'
// DIBs each time it is painted and keeps no copy of their pixels; the dialog
// is modal, so the documents outlive what it shows.
#pragma once

#include <QWidget>

#include "connect/preview_layout.h"
#include "image/dib.h"

class CPreviewFrame : public QWidget {
    Q_OBJECT
  public:
    CPreviewFrame(const QSize& clientSize, const QString& accessibleName, QWidget* parent = nullptr);

    void Clear();
    // `width` and `height` are the document's: they decide the fitting.
    void ShowImage(const vorel::Dib* dib, int width, int height);
    void ShowJoined(const vorel::Dib* topLeft, int aWidth, int aHeight, const vorel::Dib* bottomRight, int bWidth,
                    int bHeight, bool sideBySide);

    // Where the pictures are drawn (empty rectangles while nothing is shown).
    vorel::PreviewRect ImageRect() const { return m_first; }
    vorel::PreviewRect BottomRightRect() const { return m_second; }
    bool IsEmpty() const { return m_pFirst == nullptr; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const vorel::Dib* m_pFirst = nullptr;
    const vorel::Dib* m_pSecond = nullptr;
    vorel::PreviewRect m_first;
    vorel::PreviewRect m_second;
};
