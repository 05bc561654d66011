// The main window's commands: the actions, the four menus built from them
// (the short menu bar, the image menu bar, and the two context menus), the
// tool bar, and the one place where their state is brought up to date.
#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/child_frame.h"
#include "app/command_table.h"
#include "app/doc_template.h"
#include "app/main_frame.h"
#include "app/recent_file_list.h"
#include "app/select_window_dialog.h"
#include "app/vorel_app.h"
#include "docview/ui/vorel_view.h"
#include "list/ui/image_list_dock.h"

using namespace vorel::app;

namespace {

constexpr int kWindowListLength = 9;
constexpr std::array<int, 6> kZoomCommands{kCmdZoom25,  kCmdZoom50,  kCmdZoom75,
                                           kCmdZoom150, kCmdZoom200, kCmdZoom400};
const char kRecentEntryProperty[] = "vorelRecentEntry";
const char kWindowEntryProperty[] = "vorelWindowEntry";

QString Tr(const char* utf8) {
    return QString::fromUtf8(utf8);
}

}  // namespace

QAction* CMainFrame::MakeAction(int commandId) {
    const CommandText text = TextOfCommand(commandId);
    auto* action = new QAction(text.menuText, this);
    action->setStatusTip(text.prompt);
    action->setWhatsThis(text.prompt);
    if (!text.toolTip.isEmpty()) action->setToolTip(text.toolTip);
    return action;
}

void CMainFrame::createActions() {
    Actions& a = m_actions;
    a.fileNew = MakeAction(kCmdFileNew);
    a.fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    a.fileOpen = MakeAction(kCmdFileOpen);
    a.fileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a.fileOpen->setIcon(QIcon(QStringLiteral(":/toolbar/open.svg")));
    a.fileClose = MakeAction(kCmdFileClose);
    // Plain save would have written over the searched file; it stays off
    // until it can mean "save as".
    a.fileSave = MakeAction(kCmdFileSave);
    a.fileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a.fileSave->setEnabled(false);
    a.fileSaveAs = MakeAction(kCmdFileSaveAs);
    a.fileSaveAs->setIcon(QIcon(QStringLiteral(":/toolbar/saveas.svg")));
    a.saveAll = MakeAction(kCmdSaveAll);
    a.appExit = MakeAction(kCmdAppExit);
    a.editCopy = MakeAction(kCmdEditCopy);
    a.editCopy->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    a.editCopy->setIcon(QIcon(QStringLiteral(":/toolbar/copy.svg")));
    a.editUndo = MakeAction(kCmdEditUndo);
    a.editUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    a.replaceImage = MakeAction(kCmdReplaceImage);
    a.connect = MakeAction(kCmdConnect);
    a.connect->setIcon(QIcon(QStringLiteral(":/toolbar/connect.svg")));
    a.rotateLeft = MakeAction(kCmdRotateLeft);
    a.rotateLeft->setIcon(QIcon(QStringLiteral(":/toolbar/rotate_left.svg")));
    a.rotateRight = MakeAction(kCmdRotateRight);
    a.rotateRight->setIcon(QIcon(QStringLiteral(":/toolbar/rotate_right.svg")));
    a.flipVertical = MakeAction(kCmdFlipVertical);
    a.mirror = MakeAction(kCmdMirror);
    a.searchSettings = MakeAction(kCmdSearchSettings);
    a.viewActual = MakeAction(kCmdViewActual);
    a.viewActual->setIcon(QIcon(QStringLiteral(":/toolbar/actual.svg")));
    a.viewFit = MakeAction(kCmdViewFit);
    a.viewFit->setIcon(QIcon(QStringLiteral(":/toolbar/fit.svg")));
    for (std::size_t i = 0; i < kZoomCommands.size(); ++i) {
        a.zoom[i] = MakeAction(kZoomCommands[i]);
        a.zoom[i]->setCheckable(true);
    }
    a.imageInfo = MakeAction(kCmdImageInfo);
    a.viewToolBar = MakeAction(kCmdViewToolBar);
    a.viewToolBar->setCheckable(true);
    a.viewStatusBar = MakeAction(kCmdViewStatusBar);
    a.viewStatusBar->setCheckable(true);
    a.viewImageList = new QAction(Tr("ｲﾒｰｼﾞ一覧(&L)"), this);
    a.viewImageList->setCheckable(true);
    a.viewImageList->setIcon(QIcon(QStringLiteral(":/toolbar/image_list.svg")));
    a.viewImageList->setStatusTip(Tr("見つけたｲﾒｰｼﾞの一覧を表示または非表示にします"));
    a.viewImageList->setToolTip(Tr("ｲﾒｰｼﾞ一覧"));
    a.paletteOptimize = MakeAction(kCmdPaletteOptimize);
    a.paletteOptimize->setCheckable(true);
    a.windowCascade = MakeAction(kCmdWindowCascade);
    a.windowTile = MakeAction(kCmdWindowTile);
    a.windowArrange = MakeAction(kCmdWindowArrange);
    a.autoSize = MakeAction(kCmdAutoSize);
    a.closeAll = MakeAction(kCmdCloseAll);
    a.helpFinder = MakeAction(kCmdHelpFinder);
    a.help = MakeAction(kCmdHelp);
    a.help->setShortcut(QKeySequence(Qt::Key_F1));
    a.contextHelp = MakeAction(kCmdContextHelp);
    a.contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    a.contextHelp->setIcon(QIcon(QStringLiteral(":/toolbar/context_help.svg")));
    a.about = MakeAction(kCmdAppAbout);
    a.about->setIcon(QIcon(QStringLiteral(":/toolbar/about.svg")));
    a.aboutShortMenu = MakeAction(kCmdAppAbout);
    a.aboutShortMenu->setText(Tr("ﾊﾞｰｼﾞｮﾝ情報(Vorel)(&A)..."));
    a.contextMenuKey = new QAction(this);
    a.contextMenuKey->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});

    a.closeChild = new QAction(this);
    a.closeChild->setShortcuts(QKeySequence::Close);

    a.switchPane = new QAction(Tr("ｲﾒｰｼﾞ一覧とｳｨﾝﾄﾞｳの切り替え"), this);
    a.switchPane->setShortcut(QKeySequence(Qt::Key_F6));

    // Keys that no menu shows still act anywhere in the main window.
    addActions({a.fileNew, a.fileSave, a.help, a.contextHelp, a.contextMenuKey, a.closeChild, a.switchPane});
}

QMenu* CMainFrame::BuildFileMenu(MenuKind kind) {
    auto* menu = new QMenu(Tr("ﾌｧｲﾙ(&F)"), this);
    menu->addAction(m_actions.fileOpen);
    if (kind != MenuKind::Short) {
        menu->addAction(m_actions.fileClose);
        menu->addSeparator();
        menu->addAction(m_actions.fileSaveAs);
        menu->addAction(m_actions.saveAll);
    }
    menu->addSeparator();
    QAction* recentEnd = menu->addSeparator();
    menu->addAction(m_actions.appExit);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, recentEnd] { FillRecentFiles(menu, recentEnd); });
    FillRecentFiles(menu, recentEnd);
    return menu;
}

QMenu* CMainFrame::BuildEditMenu(MenuKind kind) {
    auto* menu = new QMenu(Tr("編集(&E)"), this);
    // Undo stays in reach after the last image window closes: its file is still there to put back.
    if (kind != MenuKind::MainContext) {
        menu->addAction(m_actions.editUndo);
        menu->addSeparator();
    }
    if (kind != MenuKind::Short) {
        menu->addAction(m_actions.editCopy);
        menu->addAction(m_actions.replaceImage);
        menu->addSeparator();
        menu->addAction(m_actions.connect);
        QMenu* rotate = menu->addMenu(Tr("回転(&R)"));
        rotate->addAction(m_actions.rotateLeft);
        rotate->addAction(m_actions.rotateRight);
        menu->addAction(m_actions.flipVertical);
        menu->addAction(m_actions.mirror);
        menu->addSeparator();
    }
    menu->addAction(m_actions.searchSettings);
    return menu;
}

QMenu* CMainFrame::BuildViewMenu(MenuKind kind) {
    auto* menu = new QMenu(Tr("表示(&V)"), this);
    menu->addAction(m_actions.viewToolBar);
    menu->addAction(m_actions.viewStatusBar);
    menu->addAction(m_actions.viewImageList);
    menu->addSeparator();
    if (kind != MenuKind::Short) {
        menu->addAction(m_actions.viewActual);
        menu->addAction(m_actions.viewFit);
        QMenu* zoom = menu->addMenu(Tr("拡大(&E)"));
        for (QAction* level : m_actions.zoom) zoom->addAction(level);
        menu->addSeparator();
        menu->addAction(m_actions.imageInfo);
        menu->addSeparator();
    }
    menu->addAction(m_actions.paletteOptimize);
    return menu;
}

QMenu* CMainFrame::BuildWindowMenu(MenuKind kind) {
    auto* menu = new QMenu(Tr("ｳｨﾝﾄﾞｳ(&W)"), this);
    menu->addAction(m_actions.windowCascade);
    menu->addAction(m_actions.windowTile);
    menu->addAction(m_actions.windowArrange);
    menu->addSeparator();
    if (kind != MenuKind::MainContext) {
        menu->addAction(m_actions.autoSize);
        menu->addSeparator();
    }
    menu->addAction(m_actions.closeAll);
    if (kind == MenuKind::Image) {
        // Listed when the menu opens, never per window opened: with thousands
        // of windows a per-window rebuild would dominate.
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillWindowList(menu); });
    }
    return menu;
}

QMenu* CMainFrame::BuildHelpMenu(MenuKind kind) {
    auto* menu = new QMenu(Tr("ﾍﾙﾌﾟ(&H)"), this);
    menu->addAction(m_actions.helpFinder);
    menu->addSeparator();
    menu->addAction(kind == MenuKind::Short ? m_actions.aboutShortMenu : m_actions.about);
    return menu;
}

QMenu* CMainFrame::BuildContextMenu(MenuKind kind) {
    auto* popup = new QMenu(this);
    popup->addMenu(BuildFileMenu(kind));
    popup->addMenu(BuildEditMenu(kind));
    popup->addMenu(BuildViewMenu(kind));
    popup->addMenu(BuildWindowMenu(kind));
    popup->addMenu(BuildHelpMenu(kind));
    return popup;
}

void CMainFrame::createMenus() {
    m_shortMenus = {BuildFileMenu(MenuKind::Short), BuildEditMenu(MenuKind::Short),
                    BuildViewMenu(MenuKind::Short), BuildHelpMenu(MenuKind::Short)};
    m_imageMenus = {BuildFileMenu(MenuKind::Image), BuildEditMenu(MenuKind::Image),
                    BuildViewMenu(MenuKind::Image), BuildWindowMenu(MenuKind::Image),
                    BuildHelpMenu(MenuKind::Image)};
    m_pContextMain = BuildContextMenu(MenuKind::MainContext);
    m_pContextImage = BuildContextMenu(MenuKind::ImageContext);
    for (QMenu* menu : m_shortMenus + m_imageMenus)
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
    for (QMenu* popup : {m_pContextMain, m_pContextImage}) {
        connect(popup, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
    }
    m_bImageMenu = true;  // forces the first UpdateMenuBar to fill the bar
    UpdateMenuBar();
}

void CMainFrame::UpdateMenuBar() {
    const bool image = m_app.DocTemplate() && m_app.DocTemplate()->DocumentCount() > 0;
    if (image == m_bImageMenu && !menuBar()->actions().isEmpty()) return;
    m_bImageMenu = image;
    menuBar()->clear();
    for (QMenu* menu : image ? m_imageMenus : m_shortMenus) menuBar()->addMenu(menu);
}

void CMainFrame::createToolBar() {
    m_pToolBar = new QToolBar(Tr("ﾂｰﾙ ﾊﾞｰ"), this);
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setMovable(true);
    const Actions& a = m_actions;
    m_pToolBar->addAction(a.fileOpen);
    m_pToolBar->addAction(a.fileSaveAs);
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(a.editCopy);
    m_pToolBar->addAction(a.rotateLeft);
    m_pToolBar->addAction(a.rotateRight);
    m_pToolBar->addAction(a.connect);
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(a.viewActual);
    m_pToolBar->addAction(a.viewFit);
    m_pToolBar->addAction(a.viewImageList);
    m_pToolBar->addSeparator();
    m_pToolBar->addAction(a.about);
    m_pToolBar->addAction(a.contextHelp);
    // Context help has no menu text to name its button; its tool tip ("ﾍﾙﾌﾟ") names it for screen readers.
    m_pToolBar->widgetForAction(a.contextHelp)->setAccessibleName(a.contextHelp->toolTip());
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
}

void CMainFrame::FillRecentFiles(QMenu* menu, QAction* before) {
    for (QAction* old : menu->actions()) {
        if (old->property(kRecentEntryProperty).toBool()) {
            menu->removeAction(old);
            old->deleteLater();
        }
    }
    const QStringList& entries = m_app.RecentFiles().Entries();
    if (entries.isEmpty()) {
        auto* placeholder = new QAction(EmptyRecentFileText(), menu);
        placeholder->setEnabled(false);
        placeholder->setProperty(kRecentEntryProperty, true);
        menu->insertAction(before, placeholder);
        return;
    }
    const QString prompt = TextOfCommand(kCmdFileMru1).prompt;
    for (int i = 0; i < entries.size(); ++i) {
        const QString path = entries.at(i);
        auto* entry = new QAction(CRecentFileList::MenuText(i, path), menu);
        entry->setStatusTip(prompt);
        entry->setProperty(kRecentEntryProperty, true);
        connect(entry, &QAction::triggered, this, [this, path] { m_app.OnOpenRecentFile(path); });
        menu->insertAction(before, entry);
    }
}

void CMainFrame::FillWindowList(QMenu* menu) {
    for (QAction* old : menu->actions()) {
        if (old->property(kWindowEntryProperty).toBool()) {
            menu->removeAction(old);
            old->deleteLater();
        }
    }
    const QList<CChildFrame*>& frames = m_app.DocTemplate()->Frames();
    if (frames.isEmpty()) return;
    QAction* separator = menu->addSeparator();
    separator->setProperty(kWindowEntryProperty, true);
    CChildFrame* active = ActiveChildFrame();
    const int shown = std::min<int>(kWindowListLength, static_cast<int>(frames.size()));
    // The active window is always listed: when it is not among the first
    // entries it takes the last place, as the window list has always done.
    const bool activeListed = !active || frames.indexOf(active) < shown;
    for (int i = 0; i < shown; ++i) {
        CChildFrame* frame = (i == shown - 1 && !activeListed) ? active : frames.at(i);
        QString title = frame->windowTitle();
        title.replace(u'&', QStringLiteral("&&"));
        auto* entry = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        entry->setCheckable(true);
        entry->setChecked(frame == active);
        entry->setProperty(kWindowEntryProperty, true);
        QPointer<CChildFrame> target(frame);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target) m_pMdiArea->setActiveSubWindow(target);
        });
    }
    if (frames.size() > kWindowListLength) {
        auto* more = menu->addAction(Tr("その他のｳｨﾝﾄﾞｳ(&M)..."));
        more->setStatusTip(Tr("ほかのｳｨﾝﾄﾞｳを一覧から選んでｱｸﾃｨﾌﾞにします"));
        more->setProperty(kWindowEntryProperty, true);
        connect(more, &QAction::triggered, this, &CMainFrame::OnMoreWindows);
    }
}

void CMainFrame::OnMoreWindows() {
    CSelectWindowDlg dialog(m_app.DocTemplate()->Frames(), ActiveChildFrame(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (CChildFrame* target = dialog.Selected()) m_pMdiArea->setActiveSubWindow(target);
}

void CMainFrame::updateActions() {
    const Actions& a = m_actions;
    CVorelView* view = ActiveView();
    const bool hasView = view != nullptr;

    a.fileClose->setEnabled(hasView);
    a.viewActual->setEnabled(hasView && view->IsViewModeEnabled(CVorelView::kActual));
    a.viewFit->setEnabled(hasView && view->IsViewModeEnabled(CVorelView::kFit));
    for (std::size_t i = 0; i < a.zoom.size(); ++i) {
        const int mode = CVorelView::kZoom25 + static_cast<int>(i);
        a.zoom[i]->setEnabled(hasView && view->IsViewModeEnabled(mode));
        a.zoom[i]->setChecked(hasView && view->IsViewModeChecked(mode));
    }
    a.autoSize->setEnabled(hasView && view->CanAutoSize());
    a.windowCascade->setEnabled(hasView);
    a.windowTile->setEnabled(hasView);
    a.windowArrange->setEnabled(hasView);
    a.editCopy->setEnabled(hasView);
    a.replaceImage->setEnabled(hasView && vorel::app::CanReplaceImage(view->GetDocument()));
    a.editUndo->setEnabled(m_replaceHistory.CanUndo());
    a.rotateLeft->setEnabled(hasView && view->CanRotate());
    a.rotateRight->setEnabled(hasView && view->CanRotate());
    a.flipVertical->setEnabled(hasView);
    a.mirror->setEnabled(hasView);
    a.imageInfo->setEnabled(hasView);
    a.fileSaveAs->setEnabled(hasView);
    a.saveAll->setEnabled(true);

    // Joining needs two documents; which of them can be joined the dialog decides.
    a.connect->setEnabled(m_app.DocTemplate() && m_app.DocTemplate()->DocumentCount() >= 2);

    a.paletteOptimize->setChecked(m_app.m_bOptimizePalette != 0);
    a.viewToolBar->setChecked(m_pToolBar && !m_pToolBar->isHidden());
    a.viewStatusBar->setChecked(!statusBar()->isHidden());
    a.viewImageList->setChecked(m_pImageList && !m_pImageList->isHidden());
}
