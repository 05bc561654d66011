// The main window: the MDI area that holds the image windows, the menu bar
// (without an image window the short menu, with one the full menu), the tool
// bar, the status bar, the context menus and the files dropped on it.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <array>

#include "app/mdi_placement.h"
#include "app/replace_command.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class CChildFrame;
class CHelpWindow;
class CVorelApp;
class CVorelView;

namespace vorel::app {
class CStatusPanes;
}
namespace vorel::ui {
class CImageListDock;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // Every command, held by name; the menus, context menus and tool bar share them.
    struct Actions {
        QAction* fileNew = nullptr;
        QAction* fileOpen = nullptr;
        QAction* fileClose = nullptr;
        QAction* fileSave = nullptr;
        QAction* fileSaveAs = nullptr;
        QAction* saveAll = nullptr;
        QAction* appExit = nullptr;
        QAction* editCopy = nullptr;
        QAction* editUndo = nullptr;
        QAction* replaceImage = nullptr;
        QAction* connect = nullptr;
        QAction* rotateLeft = nullptr;
        QAction* rotateRight = nullptr;
        QAction* flipVertical = nullptr;
        QAction* mirror = nullptr;
        QAction* searchSettings = nullptr;
        QAction* viewActual = nullptr;
        QAction* viewFit = nullptr;
        std::array<QAction*, 6> zoom{};  // 25 %, 50 %, 75 %, 150 %, 200 %, 400 %: view modes 2..7
        QAction* imageInfo = nullptr;
        QAction* viewToolBar = nullptr;
        QAction* viewStatusBar = nullptr;
        QAction* viewImageList = nullptr;   // shows or hides the dock "ｲﾒｰｼﾞ一覧"
        QAction* paletteOptimize = nullptr;
        QAction* windowCascade = nullptr;
        QAction* windowTile = nullptr;
        QAction* windowArrange = nullptr;
        QAction* autoSize = nullptr;
        QAction* closeAll = nullptr;
        QAction* helpFinder = nullptr;
        QAction* help = nullptr;
        QAction* contextHelp = nullptr;
        QAction* about = nullptr;
        QAction* aboutShortMenu = nullptr;  // the same command as the short menu spells it
        QAction* contextMenuKey = nullptr;  // Shift+F10 and the menu key
        QAction* closeChild = nullptr;      // Ctrl+F4: closes the active image window
        QAction* switchPane = nullptr;      // F6: the focus between the image window and the list
    };

    explicit CMainFrame(CVorelApp& app);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    QWidget* MdiViewport() const;
    // Puts a new image window in the MDI area at its default size (the view
    // shrinks it to its image afterwards).
    void AddChildFrame(CChildFrame* frame);
    // Moves it to the next cascade position, for the size it has settled on.
    void PlaceChildFrame(CChildFrame* frame);
    CChildFrame* ActiveChildFrame() const;
    // Makes the most recently opened image window the active one.
    void ActivateNewestChild();
    CVorelView* ActiveView() const;

    const Actions& GetActions() const { return m_actions; }
    vorel::app::ReplaceHistory& ReplaceHistory() { return m_replaceHistory; }
    QToolBar* ToolBar() const { return m_pToolBar; }
    vorel::app::CStatusPanes* StatusPanes() const { return m_pStatusPanes; }
    vorel::ui::CImageListDock* ImageList() const { return m_pImageList; }
    // Keeps whether the image list shows and where the docks and tool bar lie.
    void SaveLayout();
    // Selects the active image window's entry in the list.
    void SelectActiveEntry();
    // F6: from the image window (or anywhere outside the list) to the list's
    // view when it shows, and from the list back to the active image window.
    void SwitchPane();
    // True while the menu bar is the image window's menu.
    bool ShowsImageMenu() const { return m_bImageMenu; }
    QMenu* MainContextMenu() const { return m_pContextMain; }
    QMenu* ImageContextMenu() const { return m_pContextImage; }

    // Opens the main window's or an image window's context menu at a screen point.
    // `frame` null: the main window's menu. Returns the menu shown.
    QMenu* ShowContextMenu(CChildFrame* frame, const QPoint& globalPos);
    // Activates and raises the main window (a hand-off or a search asks for it).
    void BringToFront(bool restoreMinimised = true);
    void ShowHelp(const QString& anchor);

  public slots:
    // Enables, greys and checks every command for the active image window.
    void updateActions();
    void UpdateMenuBar();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    enum class MenuKind { Short, Image, MainContext, ImageContext };

    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createImageList();
    void connectCommands();
    QAction* MakeAction(int commandId);
    QMenu* BuildFileMenu(MenuKind kind);
    QMenu* BuildEditMenu(MenuKind kind);
    QMenu* BuildViewMenu(MenuKind kind);
    QMenu* BuildWindowMenu(MenuKind kind);
    QMenu* BuildHelpMenu(MenuKind kind);
    QMenu* BuildContextMenu(MenuKind kind);
    void FillRecentFiles(QMenu* menu, QAction* before);
    void FillWindowList(QMenu* menu);
    void OnMoreWindows();
    void OnContextMenuKey();
    void OnViewMode(int mode);
    void ArrangeIcons();
    void OnSubWindowActivated(QMdiSubWindow* window);
    void UpdateTitle();
    QSize MdiAreaSize() const;

    CVorelApp& m_app;
    QMdiArea* m_pMdiArea = nullptr;
    QToolBar* m_pToolBar = nullptr;
    vorel::app::CStatusPanes* m_pStatusPanes = nullptr;
    vorel::ui::CImageListDock* m_pImageList = nullptr;
    Actions m_actions;
    vorel::app::ReplaceHistory m_replaceHistory;  // this session's replacements, for 元に戻す
    QList<QMenu*> m_shortMenus;  // menu bar without an image window
    QList<QMenu*> m_imageMenus;  // menu bar with one
    QMenu* m_pContextMain = nullptr;
    QMenu* m_pContextImage = nullptr;
    bool m_bImageMenu = false;
    vorel::app::CCascadePlacer m_placer;
    QPointer<CHelpWindow> m_pHelp;
    QPointer<QMdiSubWindow> m_pTitleSource;
};
