// The image commands as a user reaches them: the image menu, the two context
// menus and the tool bar, greyed and enabled for the active window, acting on it.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QToolBar>

#include "app_test_support.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"

namespace vorel::testing {
namespace {

using ImageCommandsMenuTest = AppTest;

// A 4-bit TIM, then a 16-bit one (shown as 24 bits).
Bytes SixteenColoursThenDirect() {
    Bytes out;
    AppendFiller(out, 8);
    Append(out, samples::MakeTim(8, 8, 4, 1, 3));
    AppendFiller(out, 8);
    Append(out, samples::MakeTim(2, 6, 3, 1, 4));
    AppendFiller(out, 8);
    return out;
}

TEST_F(ImageCommandsMenuTest, TurnsGreyForSixteenColoursEverythingElseActs) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", SixteenColoursThenDirect()));
    ASSERT_EQ(Titles(), (QStringList{"DATA_001", "DATA_002"}));
    const QStringList afterSearch = MessageTexts();  // the search's count
    CChildFrame* sixteen = app->DocTemplate()->Frames().front();
    CChildFrame* direct = app->DocTemplate()->Frames().back();
    const CMainFrame::Actions& a = frame->GetActions();

    frame->MdiArea()->setActiveSubWindow(sixteen);
    frame->updateActions();
    EXPECT_FALSE(a.rotateLeft->isEnabled());
    EXPECT_FALSE(a.rotateRight->isEnabled());
    for (QAction* on : {a.flipVertical, a.mirror, a.editCopy, a.imageInfo})
        EXPECT_TRUE(on->isEnabled()) << on->text().toStdString();

    frame->MdiArea()->setActiveSubWindow(direct);
    frame->updateActions();
    for (QAction* on : {a.rotateLeft, a.rotateRight, a.flipVertical, a.mirror, a.editCopy, a.imageInfo})
        EXPECT_TRUE(on->isEnabled()) << on->text().toStdString();
    // The tool bar's buttons are the same commands.
    EXPECT_TRUE(frame->ToolBar()->actions().contains(a.rotateLeft));

    CVorelDoc* doc = direct->GetDocument();
    ASSERT_EQ(QSize(doc->m_nImageWidth, doc->m_nImageHeight), QSize(6, 3));
    a.rotateLeft->trigger();
    EXPECT_EQ(QSize(doc->m_nImageWidth, doc->m_nImageHeight), QSize(3, 6));
    a.rotateRight->trigger();
    EXPECT_EQ(QSize(doc->m_nImageWidth, doc->m_nImageHeight), QSize(6, 3));
    EXPECT_EQ(MessageTexts(), afterSearch);
    EXPECT_EQ(sixteen->GetDocument()->m_nImageWidth, 8) << "only the active window turns";

    // Copy from the image window's context menu goes to that window.
    frame->ShowContextMenu(sixteen, sixteen->mapToGlobal(QPoint(4, 4)));
    EXPECT_TRUE(a.editCopy->isEnabled());
    EXPECT_FALSE(a.rotateLeft->isEnabled());
    frame->ImageContextMenu()->hide();
    a.editCopy->trigger();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime && mime->hasFormat("image/bmp"));
    EXPECT_EQ(mime->data("image/bmp").size(),
              static_cast<qsizetype>(14 + sixteen->GetDocument()->m_hDIB.AllocatedSize()));
}

TEST_F(ImageCommandsMenuTest, CopyKeysAndGreyingWithoutAWindow) {
    const CMainFrame::Actions& a = frame->GetActions();
    EXPECT_TRUE(a.editCopy->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_C)));
    EXPECT_TRUE(a.editCopy->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Insert)));
    frame->updateActions();
    for (QAction* off : {a.rotateLeft, a.rotateRight, a.flipVertical, a.mirror, a.editCopy, a.imageInfo})
        EXPECT_FALSE(off->isEnabled()) << off->text().toStdString();
}

TEST_F(ImageCommandsMenuTest, AnEmptyWindowAnswersWithMessages) {
    app->OnFileNew();
    frame->updateActions();
    const CMainFrame::Actions& a = frame->GetActions();
    ASSERT_TRUE(a.rotateLeft->isEnabled());
    a.rotateLeft->trigger();
    a.mirror->trigger();
    a.editCopy->trigger();
    EXPECT_EQ(MessageTexts(), (QStringList{"ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ"}));
}

}  // namespace
}  // namespace vorel::testing
