#include "app/main_frame.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleHints>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>
#include <utility>

#include "app/child_frame.h"
#include "app/doc_template.h"
#include "app/help_window.h"
#include "app/resources.h"
#include "app/splash_screen.h"
#include "app/status_panes.h"
#include "app/vorel_app.h"
#include "connect/ui/image_connect_dialog.h"
#include "docview/ui/vorel_view.h"
#include "export/ui/save_as.h"
#include "list/ui/image_list_dock.h"
#include "list/ui/image_list_model.h"
#include "list/ui/thumbnail_cache.h"
#include "search/settings.h"

namespace {

QStringList LocalFilesOf(const QMimeData* mime) {
    QStringList files;
    if (!mime || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) files.append(url.toLocalFile());
    }
    return files;
}

}  // namespace

CMainFrame::CMainFrame(CVorelApp& app) : QMainWindow(nullptr), m_app(app) {
    vorel::app::InitResources();
    setObjectName(QStringLiteral("VorelMainFrame"));
    setWindowTitle(QStringLiteral("Vorel"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorel.svg")));

    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setWhatsThis(QStringLiteral("見つかったｲﾒｰｼﾞは、1つずつここにｳｨﾝﾄﾞｳとして開きます。"));
    setCentralWidget(m_pMdiArea);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createImageList();
    connectCommands();
    CSplashScreen::ShowSplashScreen(this, [this] { return m_app.IsSearchRunning(); });

    setAcceptDrops(true);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    // The wheel setting starts at 5 lines and follows the desktop from its first change on.
    connect(QGuiApplication::styleHints(), &QStyleHints::wheelScrollLinesChanged, this,
            [](int lines) { g_nWheelScrollLines = lines; });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    // Lay the window out now: files named at start are searched, and their
    // windows placed, before the main window is first shown.
    layout()->activate();
    updateActions();
}

CMainFrame::~CMainFrame() {
    if (m_pHelp) delete m_pHelp;
    // The image windows go first, while this window is still whole for the
    // signals their closing sends.
    disconnect(m_pMdiArea, nullptr, this, nullptr);
    // Nor may the list, which hides as this window goes.
    disconnect(m_pImageList, nullptr, nullptr, nullptr);
    if (m_pTitleSource) disconnect(m_pTitleSource, nullptr, this, nullptr);
    delete m_pMdiArea;
    m_pMdiArea = nullptr;
}

void CMainFrame::createStatusBar() {
    m_pStatusPanes = new vorel::app::CStatusPanes(statusBar());
}

void CMainFrame::createImageList() {
    m_pImageList = new vorel::ui::CImageListDock(*m_app.ListModel(), this);
    addDockWidget(Qt::LeftDockWidgetArea, m_pImageList);
    // Where the user left the docks and the tool bar last time; whether the
    // list shows is its own setting.
    const std::string state = vorel::Read(m_app.Store(), vorel::settings::kMainWindowState);
    if (!state.empty()) restoreState(QByteArray::fromBase64(QByteArray::fromStdString(state)));
    m_pImageList->setVisible(vorel::Read(m_app.Store(), vorel::settings::kListVisible) != 0);
    connect(m_pImageList, &vorel::ui::CImageListDock::openRequested, &m_app, &CVorelApp::OnListOpen);
    connect(m_pImageList, &vorel::ui::CImageListDock::closeRequested, &m_app, &CVorelApp::OnListClose);
    connect(m_pImageList, &vorel::ui::CImageListDock::saveRequested, &m_app, &CVorelApp::OnListSave);
    connect(m_pImageList, &QDockWidget::visibilityChanged, this, [this] { updateActions(); });
    // Hidden by its own close button: remembered at once, as the menu's switch is.
    connect(m_pImageList, &vorel::ui::CImageListDock::closedByUser, this, [this] {
        vorel::Write(m_app.Store(), vorel::settings::kListVisible, 0);
        updateActions();
    });
}

void CMainFrame::SaveLayout() {
    vorel::Write(m_app.Store(), vorel::settings::kListVisible, m_pImageList->isHidden() ? 0 : 1);
    vorel::Write(m_app.Store(), vorel::settings::kMainWindowState, saveState().toBase64().toStdString());
}

void CMainFrame::connectCommands() {
    const Actions& a = m_actions;
    connect(a.fileNew, &QAction::triggered, &m_app, &CVorelApp::OnFileNew);
    connect(a.fileOpen, &QAction::triggered, &m_app, &CVorelApp::OnFileOpen);
    for (QAction* close : {a.fileClose, a.closeChild}) {
        connect(close, &QAction::triggered, this, [this] {
            if (CChildFrame* frame = ActiveChildFrame()) frame->close();
        });
    }
    connect(a.fileSaveAs, &QAction::triggered, this, [this] {
        if (CVorelView* view = ActiveView()) vorel::ui::SaveDocumentAs(*view->GetDocument(), m_app.Store());
    });
    connect(a.saveAll, &QAction::triggered, &m_app, &CVorelApp::OnSaveAll);
    connect(a.replaceImage, &QAction::triggered, this, [this] {
        if (CVorelView* view = ActiveView()) m_replaceHistory.ReplaceImage(m_app, *view->GetDocument());
        updateActions();
    });
    connect(a.editUndo, &QAction::triggered, this, [this] {
        m_replaceHistory.Undo(m_app);
        updateActions();
    });
    connect(a.appExit, &QAction::triggered, this, &QWidget::close);
    connect(a.searchSettings, &QAction::triggered, &m_app, &CVorelApp::OnSearchSettings);
    connect(a.viewActual, &QAction::triggered, this, [this] { OnViewMode(CVorelView::kActual); });
    connect(a.viewFit, &QAction::triggered, this, [this] { OnViewMode(CVorelView::kFit); });
    for (std::size_t i = 0; i < a.zoom.size(); ++i) {
        const int mode = CVorelView::kZoom25 + static_cast<int>(i);
        connect(a.zoom[i], &QAction::triggered, this, [this, mode] { OnViewMode(mode); });
    }
    // The image commands act on the active image window's view.
    const std::pair<QAction*, void (CVorelView::*)()> imageCommands[] = {
        {a.rotateLeft, &CVorelView::OnRotateLeft},     {a.rotateRight, &CVorelView::OnRotateRight},
        {a.flipVertical, &CVorelView::OnFlipVertical}, {a.mirror, &CVorelView::OnMirror},
        {a.imageInfo, &CVorelView::OnImageInfo},       {a.editCopy, &CVorelView::OnEditCopy},
    };
    for (const auto& [action, handler] : imageCommands) {
        connect(action, &QAction::triggered, this, [this, handler] {
            if (CVorelView* view = ActiveView()) {
                (view->*handler)();
                // A turned or flipped picture gets a new thumbnail from its window.
                const int row = m_app.ListModel()->RowOfDocument(view->GetDocument());
                if (row >= 0) m_pImageList->Thumbnails()->Forget(m_app.ListModel()->Entry(row).id);
            }
            updateActions();
        });
    }
    connect(a.autoSize, &QAction::triggered, this, [this] {
        if (CVorelView* view = ActiveView()) view->OnAutoSize();
        updateActions();
    });
    connect(a.viewToolBar, &QAction::triggered, this, [this](bool on) { m_pToolBar->setVisible(on); });
    connect(a.viewStatusBar, &QAction::triggered, this, [this](bool on) { statusBar()->setVisible(on); });
    connect(a.viewImageList, &QAction::triggered, this, [this](bool on) {
        m_pImageList->setVisible(on);
        if (on) {
            m_pImageList->raise();
            // Shown to be used: the keyboard goes with it.
            m_pImageList->CurrentView()->setFocus(Qt::OtherFocusReason);
        }
        vorel::Write(m_app.Store(), vorel::settings::kListVisible, on ? 1 : 0);
    });
    connect(a.switchPane, &QAction::triggered, this, &CMainFrame::SwitchPane);
    connect(a.paletteOptimize, &QAction::triggered, this, [this] {
        m_app.OnPaletteOptimize();
        updateActions();
    });
    connect(a.windowCascade, &QAction::triggered, m_pMdiArea, &QMdiArea::cascadeSubWindows);
    connect(a.windowTile, &QAction::triggered, m_pMdiArea, &QMdiArea::tileSubWindows);
    connect(a.windowArrange, &QAction::triggered, this, &CMainFrame::ArrangeIcons);
    connect(a.closeAll, &QAction::triggered, &m_app, &CVorelApp::OnCloseAllWindows);
    connect(a.helpFinder, &QAction::triggered, this, [this] { ShowHelp(QStringLiteral("contents")); });
    connect(a.help, &QAction::triggered, this,
            [this] { ShowHelp(ActiveView() ? QStringLiteral("image") : QStringLiteral("main")); });
    connect(a.contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    connect(a.connect, &QAction::triggered, this, [this] {
        CImageConnectDlg dialog(
            [this] {
                QList<CVorelDoc*> docs;
                for (const CChildFrame* f : m_app.DocTemplate()->Frames()) docs << f->GetDocument();
                return docs;
            },
            this);
        dialog.exec();
    });
    connect(a.about, &QAction::triggered, &m_app, &CVorelApp::OnAppAbout);
    connect(a.aboutShortMenu, &QAction::triggered, &m_app, &CVorelApp::OnAppAbout);
    connect(a.contextMenuKey, &QAction::triggered, this, &CMainFrame::OnContextMenuKey);
}

QWidget* CMainFrame::MdiViewport() const {
    return m_pMdiArea->viewport();
}

void CMainFrame::AddChildFrame(CChildFrame* frame) {
    // An empty size makes QMdiArea skip its search for the least-overlapping
    // spot (which compares against every open window); the window gets its
    // size here and its place once it has shrunk to its image (PlaceChildFrame).
    frame->resize(0, 0);
    m_pMdiArea->addSubWindow(frame);
    connect(frame, &CChildFrame::contextMenuRequested, this,
            [this](CChildFrame* source, const QPoint& globalPos) { ShowContextMenu(source, globalPos); });
    frame->setGeometry(QRect(QPoint(0, 0), vorel::app::DefaultChildSize(MdiAreaSize(), QSize(160, 120))));
}

void CMainFrame::PlaceChildFrame(CChildFrame* frame) {
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
    frame->move(m_placer.Next(MdiAreaSize(), frame->size(), step));
}

QSize CMainFrame::MdiAreaSize() const {
    // Before the main window is first shown its viewport has not been laid
    // out; the area's own rectangle is already right.
    return m_pMdiArea->isVisible() ? m_pMdiArea->viewport()->size() : m_pMdiArea->contentsRect().size();
}

CChildFrame* CMainFrame::ActiveChildFrame() const {
    if (!m_pMdiArea) return nullptr;
    return qobject_cast<CChildFrame*>(m_pMdiArea->currentSubWindow());
}

void CMainFrame::ActivateNewestChild() {
    const QList<CChildFrame*>& frames = m_app.DocTemplate()->Frames();
    if (frames.isEmpty()) return;
    CChildFrame* newest = frames.last();
    m_pMdiArea->setActiveSubWindow(newest);
    // The keyboard focus decides which window the area activates next, for
    // instance when the main window itself becomes active; it goes with the newest.
    if (QWidget* view = newest->widget()) view->setFocus(Qt::OtherFocusReason);
}

CVorelView* CMainFrame::ActiveView() const {
    const CChildFrame* frame = ActiveChildFrame();
    return frame ? frame->GetView() : nullptr;
}

void CMainFrame::OnViewMode(int mode) {
    if (CVorelView* view = ActiveView()) view->SetViewMode(mode);
    updateActions();
}

void CMainFrame::ArrangeIcons() {
    // Minimised windows in rows along the bottom edge, left to right, the
    // next row above the last.
    const QSize area = m_pMdiArea->viewport()->size();
    int x = 0;
    int bottom = area.height();
    int rowHeight = 0;
    for (CChildFrame* frame : m_app.DocTemplate()->Frames()) {
        if (!frame->isMinimized()) continue;
        const QSize size = frame->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            bottom -= rowHeight;
            rowHeight = 0;
        }
        frame->move(x, bottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    if (m_pTitleSource != window) {
        if (m_pTitleSource) {
            disconnect(m_pTitleSource, &QWidget::windowTitleChanged, this, nullptr);
            disconnect(m_pTitleSource, &QMdiSubWindow::windowStateChanged, this, nullptr);
        }
        m_pTitleSource = window;
        if (window) {
            connect(window, &QWidget::windowTitleChanged, this, [this] { UpdateTitle(); });
            // Maximising or restoring changes how the name is shown.
            connect(window, &QMdiSubWindow::windowStateChanged, this, [this] { UpdateTitle(); });
        }
    }
    UpdateTitle();
    updateActions();
    // The list follows the active window, except while a search opens them
    // one by one (it catches up when the search ends).
    if (window && !m_app.IsSearchRunning()) SelectActiveEntry();
}

void CMainFrame::SelectActiveEntry() {
    if (const CChildFrame* frame = ActiveChildFrame())
        m_pImageList->SelectRow(m_app.ListModel()->RowOfDocument(frame->GetDocument()));
}

void CMainFrame::SwitchPane() {
    const QWidget* focus = focusWidget();
    const bool inList = focus && m_pImageList->isAncestorOf(focus);
    if (!inList && m_pImageList->isVisible()) {
        m_pImageList->CurrentView()->setFocus(Qt::ShortcutFocusReason);
        return;
    }
    if (CChildFrame* frame = ActiveChildFrame()) {
        if (QWidget* view = frame->widget()) view->setFocus(Qt::ShortcutFocusReason);
    } else {
        m_pMdiArea->setFocus(Qt::ShortcutFocusReason);
    }
}

void CMainFrame::UpdateTitle() {
    const CChildFrame* frame = ActiveChildFrame();
    QString title = QStringLiteral("Vorel");
    if (frame) {
        // A maximised image window shares the main window's frame: its name
        // goes in brackets, "Vorel - [DATA_001]". QMdiSubWindow appends
        // " - [name]" to whatever title the main window has unless the title
        // already holds it, which would otherwise name the image twice.
        title += frame->isMaximized() ? QStringLiteral(" - [%1]").arg(frame->windowTitle())
                                      : QStringLiteral(" - ") + frame->windowTitle();
    }
    if (windowTitle() != title) setWindowTitle(title);
}

QMenu* CMainFrame::ShowContextMenu(CChildFrame* frame, const QPoint& globalPos) {
    if (frame) m_pMdiArea->setActiveSubWindow(frame);
    QMenu* menu = frame ? m_pContextImage : m_pContextMain;
    updateActions();
    menu->popup(globalPos);
    return menu;
}

void CMainFrame::OnContextMenuKey() {
    // The key goes to the window that has the focus: an image window shows its
    // own menu, anywhere else the main window's.
    for (QWidget* w = focusWidget(); w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<CChildFrame*>(w)) {
            ShowContextMenu(frame, frame->ContextMenuKeyPoint());
            return;
        }
    }
    const int clientTop = menuBar()->isVisible() ? menuBar()->geometry().bottom() + 1 : 0;
    ShowContextMenu(nullptr, mapToGlobal(QPoint(5, clientTop + 5)));
}

void CMainFrame::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(nullptr, event->globalPos());
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFilesOf(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFilesOf(event->mimeData());
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    BringToFront();
    // Searched after the drop has been answered, one after the other, in the
    // order the desktop lists them.
    m_app.OpenDroppedFiles(files);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A running search owns the windows it opens; the main window is disabled
    // meanwhile, but a window manager can still ask it to close.
    if (m_app.IsSearchRunning()) {
        event->ignore();
        return;
    }
    SaveLayout();
    m_app.DocTemplate()->CloseAllDocuments();
    if (m_pHelp) m_pHelp->close();
    event->accept();
}

void CMainFrame::BringToFront(bool restoreMinimised) {
    if (!isVisible()) return;
    // Restored to the size it had before it was minimised, maximised included.
    if (restoreMinimised && isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void CMainFrame::ShowHelp(const QString& anchor) {
    if (!m_pHelp) m_pHelp = new CHelpWindow(nullptr);
    m_pHelp->ShowTopic(anchor);
}
