// "ｲﾒｰｼﾞの連結" in the main window: in the image menu bar, both context
// menus and the tool bar, enabled from two open documents on, and opening
// the connection dialog over the open documents.
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app_test_support.h"
#include "connect/ui/image_connect_dialog.h"

namespace vorel::testing {
namespace {

using ConnectCommandTest = AppTest;

bool Holds(const QMenu* menu, const QAction* action) {
    for (const QAction* a : menu->actions()) {
        if (a == action || (a->menu() && Holds(a->menu(), action))) return true;
    }
    return false;
}

TEST_F(ConnectCommandTest, EnabledFromTwoDocumentsInEveryPlace) {
    QAction* connect = frame->GetActions().connect;
    EXPECT_EQ(connect->text(), QStringLiteral("ｲﾒｰｼﾞの連結(&A)"));
    EXPECT_TRUE(frame->ToolBar()->actions().contains(connect));
    EXPECT_TRUE(Holds(frame->MainContextMenu(), connect));
    EXPECT_TRUE(Holds(frame->ImageContextMenu(), connect));
    const int expected[] = {0, 0, 1, 1};
    for (int count = 0; count < 4; ++count) {
        if (count > 0) app->OnFileNew();
        frame->updateActions();
        EXPECT_EQ(connect->isEnabled(), expected[count] != 0) << count << " documents";
    }
    bool inImageMenu = false;
    for (const QAction* a : frame->menuBar()->actions()) inImageMenu |= a->menu() && Holds(a->menu(), connect);
    EXPECT_TRUE(inImageMenu);
}

TEST_F(ConnectCommandTest, OpensTheDialogOverTheOpenDocuments) {
    const QString path = WriteFile(QStringLiteral("TWO.BIN"), TimFile(2));
    app->OpenDocumentFile(path);
    WaitIdle();
    ASSERT_EQ(app->DocTemplate()->DocumentCount(), 2);
    frame->updateActions();
    ASSERT_TRUE(frame->GetActions().connect->isEnabled());
    QStringList listed;
    QTimer::singleShot(0, [&listed] {
        auto* dialog = qobject_cast<CImageConnectDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        for (int i = 0; i < dialog->FirstList()->count(); ++i) listed << dialog->FirstList()->itemText(i);
        dialog->reject();
    });
    frame->GetActions().connect->trigger();
    EXPECT_EQ(listed, Titles());
}

}  // namespace
}  // namespace vorel::testing
