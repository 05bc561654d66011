// The main window as a user meets it: its two menu bars, the context menus,
// the tool bar, the commands' enabling and check marks, the view commands
// acting through the active image window, the palette switch, closing all
// windows, the wheel setting and the help window.
#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QLabel>
#include <QListWidget>
#include <QStyleHints>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>

#include "app/about_box.h"
#include "app/command_table.h"
#include "app/help_window.h"
#include "app/select_window_dialog.h"
#include "app_test_support.h"
#include "docview/ui/vorel_view.h"

namespace vorel::testing {
namespace {

using MainFrameTest = AppTest;

QStringList MenuTitles(const QList<QAction*>& actions) {
    QStringList titles;
    for (const QAction* a : actions) {
        if (a->menu()) titles << a->text();
    }
    return titles;
}

QStringList EntryTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QMenu* SubMenu(const QMenu* popup, const QString& title) {
    for (const QAction* a : popup->actions()) {
        if (a->menu() && a->text() == title) return a->menu();
    }
    return nullptr;
}

TEST_F(MainFrameTest, ShortMenuWithoutImageWindowsFullMenuWithThem) {
    const QStringList shortMenu{"ﾌｧｲﾙ(&F)", "編集(&E)", "表示(&V)", "ﾍﾙﾌﾟ(&H)"};
    const QStringList imageMenu{"ﾌｧｲﾙ(&F)", "編集(&E)", "表示(&V)", "ｳｨﾝﾄﾞｳ(&W)", "ﾍﾙﾌﾟ(&H)"};
    EXPECT_EQ(MenuTitles(frame->menuBar()->actions()), shortMenu);
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    EXPECT_EQ(MenuTitles(frame->menuBar()->actions()), imageMenu);
    app->OnCloseAllWindows();
    EXPECT_TRUE(Titles().isEmpty());
    EXPECT_EQ(MenuTitles(frame->menuBar()->actions()), shortMenu);
    EXPECT_EQ(frame->windowTitle(), "Vorel");
}

TEST_F(MainFrameTest, ContextMenusRepeatTheImageMenuAndDifferInAutoSize) {
    const QStringList five{"ﾌｧｲﾙ(&F)", "編集(&E)", "表示(&V)", "ｳｨﾝﾄﾞｳ(&W)", "ﾍﾙﾌﾟ(&H)"};
    EXPECT_EQ(MenuTitles(frame->MainContextMenu()->actions()), five);
    EXPECT_EQ(MenuTitles(frame->ImageContextMenu()->actions()), five);
    const QStringList mainWindow = EntryTexts(SubMenu(frame->MainContextMenu(), "ｳｨﾝﾄﾞｳ(&W)"));
    const QStringList imageWindow = EntryTexts(SubMenu(frame->ImageContextMenu(), "ｳｨﾝﾄﾞｳ(&W)"));
    EXPECT_EQ(mainWindow, (QStringList{"重ねて表示(&C)", "並べて表示(&T)", "ｱｲｺﾝの整列(&A)", "-",
                                       "すべてのｳｨﾝﾄﾞｳを閉じる"}));
    EXPECT_EQ(imageWindow, (QStringList{"重ねて表示(&C)", "並べて表示(&T)", "ｱｲｺﾝの整列(&A)", "-",
                                        "ｻｲｽﾞ自動調整", "-", "すべてのｳｨﾝﾄﾞｳを閉じる"}));
    EXPECT_EQ(EntryTexts(SubMenu(SubMenu(frame->ImageContextMenu(), "表示(&V)"), "拡大(&E)")),
              (QStringList{"25%", "50%", "75%", "150%", "200%", "400%"}));
}

TEST_F(MainFrameTest, RightClickOnTheEmptyAreaShowsTheMainMenuWithImageCommandsGreyed) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 80), frame->mapToGlobal(QPoint(50, 80)));
    QCoreApplication::sendEvent(frame, &event);
    EXPECT_TRUE(frame->MainContextMenu()->isVisible());
    frame->MainContextMenu()->hide();
    const CMainFrame::Actions& a = frame->GetActions();
    for (QAction* needsImage :
         {a.fileClose, a.viewActual, a.viewFit, a.zoom[0], a.autoSize, a.windowCascade}) {
        EXPECT_FALSE(needsImage->isEnabled()) << needsImage->text().toStdString();
    }
    for (QAction* always : {a.fileOpen, a.searchSettings, a.paletteOptimize, a.closeAll, a.appExit}) {
        EXPECT_TRUE(always->isEnabled()) << always->text().toStdString();
    }
}

TEST_F(MainFrameTest, RightClickInAnImageShowsTheImageMenuThere) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    CChildFrame* first = app->DocTemplate()->Frames().front();
    QWidget* viewport = first->GetView()->viewport();
    const QPoint global = viewport->mapToGlobal(QPoint(3, 4));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 4), global);
    QCoreApplication::sendEvent(viewport, &event);
    QMenu* menu = frame->ImageContextMenu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(frame->MainContextMenu()->isVisible());
    // The window clicked becomes the one the menu's commands act on.
    EXPECT_EQ(frame->ActiveChildFrame(), first);
    menu->hide();
}

TEST_F(MainFrameTest, RightClickOnAnImageWindowsFrameShowsTheImageMenuOnce) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    CChildFrame* first = app->DocTemplate()->Frames().front();
    int requests = 0;
    QObject::connect(first, &CChildFrame::contextMenuRequested, first, [&requests] { ++requests; });
    // The bottom edge of the frame, outside the image.
    const QPoint edge(first->width() / 2, first->height() - 2);
    ASSERT_FALSE(first->widget()->geometry().contains(edge));
    QContextMenuEvent onFrame(QContextMenuEvent::Mouse, edge, first->mapToGlobal(edge));
    QCoreApplication::sendEvent(first, &onFrame);
    EXPECT_TRUE(frame->ImageContextMenu()->isVisible());
    EXPECT_FALSE(frame->MainContextMenu()->isVisible());
    EXPECT_EQ(frame->ActiveChildFrame(), first);
    frame->ImageContextMenu()->hide();
    EXPECT_EQ(requests, 1);

    // A click in the image is answered by the view alone, not once more by its frame.
    QWidget* viewport = first->GetView()->viewport();
    QContextMenuEvent inImage(QContextMenuEvent::Mouse, QPoint(2, 2), viewport->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(viewport, &inImage);
    EXPECT_EQ(requests, 2);
    frame->ImageContextMenu()->hide();
}

TEST_F(MainFrameTest, MaximisedImageWindowIsNamedOnceInBrackets) {
    frame->show();
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    QCoreApplication::processEvents();
    CChildFrame* first = app->DocTemplate()->Frames().front();
    CChildFrame* second = app->DocTemplate()->Frames().back();
    ASSERT_EQ(frame->ActiveChildFrame(), second);
    EXPECT_EQ(frame->windowTitle(), "Vorel - DATA_002");
    second->showMaximized();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), "Vorel - [DATA_002]");
    frame->MdiArea()->setActiveSubWindow(first);
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), first->isMaximized() ? QStringLiteral("Vorel - [DATA_001]")
                                                         : QStringLiteral("Vorel - DATA_001"));
    first->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame->windowTitle(), "Vorel - DATA_001");
    app->OnCloseAllWindows();
    EXPECT_EQ(frame->windowTitle(), "Vorel");
}

TEST_F(MainFrameTest, ContextMenuKeyInAnImageWindowOpensItsMenuAtTheClientCorner) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(1)));
    CChildFrame* child = app->DocTemplate()->Frames().front();
    child->GetView()->setFocus();
    frame->GetActions().contextMenuKey->trigger();
    QMenu* menu = frame->ImageContextMenu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(child->ContextMenuKeyPoint(), child->widget()->mapToGlobal(QPoint(5, 5)));
    menu->hide();
}

TEST_F(MainFrameTest, ToolBarHasFourteenItemsInOrder) {
    const CMainFrame::Actions& a = frame->GetActions();
    const QList<QAction*> expected{a.fileOpen,    a.fileSaveAs, nullptr,      a.editCopy,   a.rotateLeft,
                                   a.rotateRight, a.connect,    nullptr,      a.viewActual, a.viewFit,
                                   a.viewImageList, nullptr,    a.about,      a.contextHelp};
    const QList<QAction*> items = frame->ToolBar()->actions();
    ASSERT_EQ(items.size(), expected.size());
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (expected[i] == nullptr) {
            EXPECT_TRUE(items[i]->isSeparator()) << i;
        } else {
            EXPECT_EQ(items[i], expected[i]) << i;
            EXPECT_FALSE(items[i]->icon().isNull()) << i;
            // A screen reader names each button: icons alone say nothing to it.
            QAccessibleInterface* button =
                QAccessible::queryAccessibleInterface(frame->ToolBar()->widgetForAction(items[i]));
            ASSERT_NE(button, nullptr) << i;
            EXPECT_FALSE(button->text(QAccessible::Name).isEmpty()) << i;
        }
    }
}

TEST_F(MainFrameTest, PromptsAndTipsComeFromTheCommandTable) {
    const CMainFrame::Actions& a = frame->GetActions();
    struct Case {
        QAction* action;
        const char* prompt;
        const char* tip;
    };
    const Case cases[] = {
        {a.fileOpen, "既存のﾌｧｲﾙを開く", "開く"},
        {a.viewFit, "ｳｨﾝﾄﾞｳのｻｲｽﾞにあわせてｲﾒｰｼﾞ全体を表示", "ｳｨﾝﾄﾞｳｻｲｽﾞ表示"},
        {a.contextHelp, "ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ"},
        {a.searchSettings, "ｲﾒｰｼﾞ検索の設定を行います", nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.action->statusTip(), QString::fromUtf8(c.prompt));
        if (c.tip) {
            EXPECT_EQ(c.action->toolTip(), QString::fromUtf8(c.tip));
        }
    }
    EXPECT_EQ(a.fileOpen->text(), "開く(&O)...\tCtrl+O");
    EXPECT_EQ(a.about->text(), "ﾊﾞｰｼﾞｮﾝ情報(Vorel) (&A)...");
    EXPECT_EQ(a.aboutShortMenu->text(), "ﾊﾞｰｼﾞｮﾝ情報(Vorel)(&A)...");
    EXPECT_TRUE(a.zoom[0]->statusTip().isEmpty());
}

TEST_F(MainFrameTest, ViewModeCommandsCheckAndGreyForTheActiveWindow) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", OneTim(40, 30)));
    const CMainFrame::Actions& a = frame->GetActions();
    CVorelView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    frame->updateActions();
    EXPECT_FALSE(a.viewActual->isEnabled());  // already at real size
    EXPECT_TRUE(a.viewFit->isEnabled());

    a.zoom[0]->trigger();
    EXPECT_EQ(view->m_nViewMode, CVorelView::kZoom25);
    for (std::size_t i = 0; i < a.zoom.size(); ++i) EXPECT_EQ(a.zoom[i]->isChecked(), i == 0) << i;
    EXPECT_TRUE(a.viewActual->isEnabled());

    a.viewFit->trigger();
    EXPECT_EQ(view->m_nViewMode, CVorelView::kFit);
    EXPECT_FALSE(a.viewFit->isEnabled());
    EXPECT_FALSE(a.autoSize->isEnabled());
    for (QAction* zoom : a.zoom) EXPECT_FALSE(zoom->isChecked());

    a.viewActual->trigger();
    EXPECT_EQ(view->m_nViewMode, CVorelView::kActual);
    EXPECT_TRUE(a.autoSize->isEnabled());
    view->parentWidget()->showMaximized();
    frame->updateActions();
    EXPECT_FALSE(a.autoSize->isEnabled());
}

TEST_F(MainFrameTest, FitAndZoomGeometryThroughTheFrame) {
    frame->resize(1000, 800);
    QCoreApplication::processEvents();
    app->OpenDocumentFile(WriteFile("WIDE.BIN", OneTim(200, 100)));
    CChildFrame* child = app->DocTemplate()->Frames().front();
    CVorelView* view = child->GetView();
    frame->GetActions().viewFit->trigger();
    QCoreApplication::processEvents();
    // Size the window so that its client area is 401 x 301.
    const QSize around = child->size() - view->viewport()->size();
    child->resize(QSize(401, 301) + around);
    QCoreApplication::processEvents();
    ASSERT_EQ(view->viewport()->size(), QSize(401, 301));
    EXPECT_EQ(view->m_nDrawWidth, 400);
    EXPECT_EQ(view->m_nDrawHeight, 200);
    EXPECT_EQ(view->m_nDrawX, 0);
    EXPECT_EQ(view->m_nDrawY, 50);

    app->OpenDocumentFile(WriteFile("LINE.BIN", OneTim(102, 1)));
    CVorelView* line = frame->ActiveView();
    ASSERT_NE(line, view);
    frame->GetActions().zoom[2]->trigger();  // 75 %
    EXPECT_EQ(line->m_nDrawWidth, 77);       // 102 x 0.75 + 0.5
    EXPECT_EQ(line->m_nDrawHeight, 1);
    EXPECT_EQ(view->m_nViewMode, CVorelView::kFit);  // the other window kept its mode
}

void ExpectShrunkToImage(const CChildFrame* child, const QSize& image) {
    const CVorelView* view = child->GetView();
    EXPECT_EQ(view->viewport()->size(), image);
    EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view->verticalScrollBar()->isVisible());
}

TEST_F(MainFrameTest, NewWindowShrinksToItsImageWithoutScrollBars) {
    // Wider than the smallest window (its title-bar buttons and a few letters of its name).
    app->OpenDocumentFile(WriteFile("SMALL.BIN", OneTim(196, 64)));
    QCoreApplication::processEvents();
    ExpectShrunkToImage(app->DocTemplate()->Frames().front(), QSize(196, 64));
}

TEST_F(MainFrameTest, WindowsOfFilesNamedAtStartShrinkToTheirImagesToo) {
    // Searched before the main window is first shown.
    const QString path = WriteFile("START.BIN", OneTim(196, 64));
    CVorelApp starting(std::make_unique<MemorySettingsStore>());
    ASSERT_TRUE(starting.InitInstance({path}));
    QCoreApplication::processEvents();
    ASSERT_EQ(starting.DocTemplate()->DocumentCount(), 1);
    ExpectShrunkToImage(starting.DocTemplate()->Frames().front(), QSize(196, 64));
    EXPECT_EQ(starting.MainFrame()->ActiveChildFrame(), starting.DocTemplate()->Frames().front());
}

TEST_F(MainFrameTest, PaletteSwitchFlipsItsCheckAndTheStoredValue) {
    QAction* palette = frame->GetActions().paletteOptimize;
    EXPECT_FALSE(palette->isChecked());
    palette->trigger();
    EXPECT_EQ(Read(Store(), settings::kPaletteFlag), 1);
    EXPECT_EQ(app->m_bOptimizePalette, 1);
    EXPECT_TRUE(palette->isChecked());
    palette->trigger();
    EXPECT_EQ(Read(Store(), settings::kPaletteFlag), 0);
    EXPECT_FALSE(palette->isChecked());
}

TEST_F(MainFrameTest, CloseAllWithNoWindowsDoesNothingAndWithManyClosesThemAll) {
    app->OnCloseAllWindows();
    EXPECT_TRUE(messages.shown.empty());
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(4)));
    app->OnFileNew();
    ASSERT_EQ(Titles().size(), 5);
    frame->GetActions().closeAll->trigger();
    EXPECT_TRUE(Titles().isEmpty());
    EXPECT_EQ(messages.shown.size(), 1u);  // only the search's closing message: nothing asked
}

QStringList WindowEntries(CMainFrame* frame, QList<QAction*>* actions = nullptr) {
    QMenu* menu = nullptr;
    for (QAction* a : frame->menuBar()->actions()) {
        if (a->menu() && a->text() == "ｳｨﾝﾄﾞｳ(&W)") menu = a->menu();
    }
    if (!menu) return {};
    emit menu->aboutToShow();
    QStringList texts;
    bool listed = false;
    for (QAction* a : menu->actions()) {
        if (!listed) {
            listed = a->isSeparator() && a->property("vorelWindowEntry").toBool();
            continue;
        }
        texts << (a->isChecked() ? "* " : "") + a->text();
        if (actions) actions->append(a);
    }
    return texts;
}

TEST_F(MainFrameTest, WindowMenuListsNineAndTheRestAreChosenFromAList) {
    app->OpenDocumentFile(WriteFile("FEW.BIN", TimFile(3)));
    EXPECT_EQ(WindowEntries(frame), (QStringList{"&1 FEW_001", "&2 FEW_002", "* &3 FEW_003"}));
    app->OnCloseAllWindows();

    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(12)));
    ASSERT_EQ(frame->ActiveChildFrame()->windowTitle(), "DATA_012");
    QList<QAction*> actions;
    // The active window takes the ninth place when it is not among the first nine.
    EXPECT_EQ(WindowEntries(frame, &actions),
              (QStringList{"&1 DATA_001", "&2 DATA_002", "&3 DATA_003", "&4 DATA_004", "&5 DATA_005",
                           "&6 DATA_006", "&7 DATA_007", "&8 DATA_008", "* &9 DATA_012",
                           "その他のｳｨﾝﾄﾞｳ(&M)..."}));
    ASSERT_EQ(actions.size(), 10);

    QStringList listed;
    int currentRow = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CSelectWindowDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int i = 0; i < dialog->List()->count(); ++i) listed << dialog->List()->item(i)->text();
        currentRow = dialog->List()->currentRow();
        dialog->List()->setCurrentRow(9);
        dialog->accept();
    });
    actions.back()->trigger();
    EXPECT_EQ(listed.size(), 12);
    EXPECT_EQ(listed.value(10), "DATA_011");
    EXPECT_EQ(currentRow, 11);
    EXPECT_EQ(frame->ActiveChildFrame()->windowTitle(), "DATA_010");

    // Cancel leaves the active window alone.
    WindowEntries(frame, &actions);
    QTimer::singleShot(0, [] {
        if (auto* dialog = QApplication::activeModalWidget()) static_cast<QDialog*>(dialog)->reject();
    });
    actions.back()->trigger();
    EXPECT_EQ(frame->ActiveChildFrame()->windowTitle(), "DATA_010");
}

TEST_F(MainFrameTest, PlainSaveNeverWritesTheSearchedFile) {
    const QString path = WriteFile("DATA.BIN", TimFile(1));
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();
    app->OpenDocumentFile(path);
    QAction* save = frame->GetActions().fileSave;
    EXPECT_FALSE(save->isEnabled());
    save->trigger();
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), original);
}

TEST_F(MainFrameTest, WheelLinesFollowTheDesktopAndScrollByLines) {
    const int saved = g_nWheelScrollLines;
    QStyleHints* hints = QGuiApplication::styleHints();
    const int desktop = hints->wheelScrollLines();
    hints->setWheelScrollLines(desktop == 7 ? 6 : 7);
    const int lines = hints->wheelScrollLines();
    EXPECT_EQ(g_nWheelScrollLines, lines);

    // A tall image in a small window: the line is a hundredth of the extent.
    app->OpenDocumentFile(WriteFile("TALL.BIN", OneTim(40, 400)));
    CVorelView* view = frame->ActiveView();
    ASSERT_NE(view, nullptr);
    view->parentWidget()->resize(200, 200);
    QCoreApplication::processEvents();
    ASSERT_TRUE(view->verticalScrollBar()->maximum() > 0);
    const int line = view->LineSize().height();
    EXPECT_EQ(line, 400 / 10 / 10);
    const int start = view->verticalScrollBar()->value();
    QWheelEvent wheel(QPointF(10, 10), view->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &wheel);
    EXPECT_EQ(view->verticalScrollBar()->value() - start, lines * line);

    hints->setWheelScrollLines(desktop);
    g_nWheelScrollLines = saved;
}

TEST_F(MainFrameTest, HelpOpensTheProgramsOwnPage) {
    frame->GetActions().help->trigger();
    CHelpWindow* help = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* h = qobject_cast<CHelpWindow*>(w); h && h->isVisible()) help = h;
    }
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Vorel ﾍﾙﾌﾟ")));
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("ｲﾒｰｼﾞの検索")));
    help->close();
}

TEST_F(MainFrameTest, AboutOpensTheAboutBoxFromTheMenuAndTheToolBar) {
    for (QAction* about : {frame->GetActions().about, frame->GetActions().aboutShortMenu}) {
        QString title;
        QStringList texts;
        QTimer::singleShot(0, [&title, &texts] {
            auto* box = qobject_cast<CAboutBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            for (const QLabel* label : box->findChildren<QLabel*>()) texts << label->text();
            box->accept();
        });
        about->trigger();
        EXPECT_EQ(title, QStringLiteral("Vorel(Vorel)ﾊﾞｰｼﾞｮﾝ情報"));
        EXPECT_TRUE(texts.contains(CAboutBox::VersionLine()));
    }
    EXPECT_TRUE(frame->ToolBar()->actions().contains(frame->GetActions().about));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace vorel::testing
