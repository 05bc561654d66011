// The one view of an image document: the picture at real size with scroll
// bars, fitted into the window, or at one of six zoom levels.
//
// Modes: 0 real size, 1 fit (centred, re-fitted whenever the window changes
// size), 2..7 zoom 25 %, 50 %, 75 %, 150 %, 200 %, 400 %.
//
// Scroll sizes follow the old scroll-view defaults: a page is a tenth of the
// scroll extent and a line a tenth of a page (integer division), in each
// direction; the wheel scrolls g_nWheelScrollLines lines per notch (-1: one
// page per notch, 0: no wheel scrolling).
//
// The frame around the view is its nearest QMdiSubWindow ancestor, else its
// top-level window. OnInitialUpdate and OnAutoSize resize that frame
// themselves, so the caller needs no size hint. Call OnInitialUpdate once the
// view sits in its frame and the frame has its first size; the frame may still
// be hidden. The frame is then shrunk to the image, never grown.
#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QRect>
#include <QSize>

class CVorelDoc;

namespace vorel {
class Dib;
enum class TransformOutcome;
}  // namespace vorel

// Lines scrolled per wheel notch: 5 until the shell reads the desktop's setting.
extern int g_nWheelScrollLines;

class CVorelView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    enum ViewMode : int {
        kActual = 0,
        kFit = 1,
        kZoom25 = 2,
        kZoom50 = 3,
        kZoom75 = 4,
        kZoom150 = 5,
        kZoom200 = 6,
        kZoom400 = 7,
    };
    static constexpr int kViewModeCount = 8;
    static constexpr int kWheelDeltaPerNotch = 120;

    explicit CVorelView(CVorelDoc* doc, QWidget* parent = nullptr);
    ~CVorelView() override;

    CVorelDoc* GetDocument() const { return m_pDocument; }

    // Real size, scroll sizes for the image, and the frame shrunk to the image
    // (never grown).
    void OnInitialUpdate();

    void SetViewMode(int mode);  // 0 OnViewActual, 1 OnViewFit, 2..7 OnZoom; others ignored
    void OnViewActual();
    void OnViewFit();
    void OnZoom(int mode);  // 2..7
    // Runs the current mode again (after the image changed size or content).
    void ReapplyViewMode();

    // The image commands (vorel_view_commands.cpp). Each shows the wait cursor
    // while it works and reports a failure in a message box; the document is
    // never marked modified and its palette stays as it was.
    void OnRotateLeft();
    void OnRotateRight();
    void OnFlipVertical();
    void OnMirror();
    // Quarter turns are greyed for 2- and 16-colour images.
    bool CanRotate() const;
    // The modal "ｲﾒｰｼﾞ情報" box for this view's document.
    void OnImageInfo();
    // The image on the clipboard, as a picture and as a BMP file's bytes.
    void OnEditCopy();
    static double ZoomFactor(int mode);  // 2..7; 0 for other modes

    // Menu state: "原寸表示" greyed in mode 0, "全体" in mode 1; zooms never greyed.
    bool IsViewModeEnabled(int mode) const;
    // The check mark of a zoom item (modes 2..7).
    bool IsViewModeChecked(int mode) const { return mode >= kZoom25 && m_nViewMode == mode; }

    // Grows or shrinks the frame to the scroll extent, kept inside the MDI area
    // (or the screen for a top-level frame).
    void OnAutoSize();
    // Greyed while fitted or while the frame is maximised.
    bool CanAutoSize() const;
    // The frame rectangle OnAutoSize settles on: `fitted` is the frame that
    // shows the whole extent, `limit` the area it must stay in (same
    // coordinates), `vscrollExtra` the width a vertical scroll bar needs.
    static QRect AutoSizeFrameRect(const QRect& fitted, const QRect& limit, int vscrollExtra);

    // One wheel message: adds `delta` (120 per notch) to the carried rotation and
    // scrolls by whole notches; returns the pixels scrolled up (negative: down)
    // as asked for, before the scroll bar clamps them.
    int OnMouseWheel(int delta);

    // Scroll sizes as last set (device pixels).
    QSize TotalSize() const { return m_sizeTotal; }
    QSize PageSize() const { return m_sizePage; }
    QSize LineSize() const { return m_sizeLine; }
    QPoint ScrollPosition() const;
    // True while the picture is taller than the window (the wheel works only then).
    bool HasVerticalScrollBar() const;

    int m_nViewMode = 0;
    int m_nDrawWidth = 0;
    int m_nDrawHeight = 0;
    int m_nDrawX = 0;
    int m_nDrawY = 0;
    int m_nWheelDelta = 0;

    // The picture may be as small as one pixel: the view asks for no room of
    // its own, so its frame decides how small the window gets.
    QSize minimumSizeHint() const override { return {0, 0}; }

  signals:
    // Right click, Shift+F10 or the menu key: the frame shows the image context menu.
    void contextMenuRequested(const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void RunTransform(vorel::TransformOutcome (*transform)(vorel::Dib&), bool turnsTheImage);
    QSize ImageSize() const;  // the document's width and height (1 x 1 for an empty document)
    void SetScrollSizes(const QSize& total);
    void UpdateScrollBars();
    QWidget* ParentFrame() const;
    void ResizeParentToFit(bool shrinkOnly);

    CVorelDoc* m_pDocument = nullptr;
    QSize m_sizeTotal{0, 0};
    QSize m_sizePage{0, 0};
    QSize m_sizeLine{0, 0};
    int m_nPageStepX = 0;  // m_sizePage, where the scroll bars' page clicks read it
    int m_nPageStepY = 0;
};
