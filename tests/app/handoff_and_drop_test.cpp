// Names reaching the running program from outside: dropped files and the
// hand-off of a second copy. Each is searched in the order it came, and one
// that arrives while a search runs waits for that search to end.
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QMimeData>
#include <QUrl>

#include "app/handoff_message.h"
#include "app/single_instance.h"
#include "app_test_support.h"
#include "search/ui/progress_dialog.h"

namespace vorel::testing {
namespace {

using HandOffAndDropTest = AppTest;

void DropOn(QWidget* target, const QStringList& files) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files) urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
}

TEST_F(HandOffAndDropTest, DroppedFilesAreSearchedInTheirOrder) {
    const QString a = WriteFile("A.BIN", TimFile(2));
    const QString b = WriteFile("B.BIN", TimFile(1));
    const QString c = WriteFile("C.BIN", TimFile(3));
    DropOn(frame, {a, b, c});
    // Nothing runs inside the drop itself.
    EXPECT_TRUE(messages.shown.empty());
    WaitIdle();
    EXPECT_EQ(MessageTexts(), (QStringList{"2 Images Find", "1 Images Find", "3 Images Find"}));
    EXPECT_EQ(Titles(), (QStringList{"A_001", "A_002", "B_001", "C_001", "C_002", "C_003"}));
}

TEST_F(HandOffAndDropTest, DropWhileAModalDialogIsOpenWaitsForItToClose) {
    const QString dropped = WriteFile("DROPPED.BIN", TimFile(2));
    QDialog dialog(frame);
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    app->OpenDroppedFiles({dropped});
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 600) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Searching inside the dialog's loop would leave its progress box unreachable.
    EXPECT_TRUE(messages.shown.empty());
    dialog.close();
    WaitIdle();
    EXPECT_EQ(MessageTexts(), QStringList{"2 Images Find"});
}

TEST_F(HandOffAndDropTest, DropDuringASearchWaitsForItsEnd) {
    const QString first = WriteFile("FIRST.BIN", TimFile(3));
    const QString dropped = WriteFile("DROPPED.BIN", TimFile(2));
    DuringSearch([&](CProgressDlg*) {
        app->OpenDroppedFiles({dropped});
        return true;
    });
    app->OpenDocumentFile(first);
    // The first run finished with its own count before the dropped file began.
    EXPECT_EQ(MessageTexts(), QStringList{"3 Images Find"});
    WaitIdle();
    EXPECT_EQ(MessageTexts(), (QStringList{"3 Images Find", "2 Images Find"}));
    EXPECT_EQ(Titles(), (QStringList{"FIRST_001", "FIRST_002", "FIRST_003", "DROPPED_001", "DROPPED_002"}));
}

TEST_F(HandOffAndDropTest, OpenDocumentFileNeverNestsInsideASearch) {
    const QString first = WriteFile("FIRST.BIN", TimFile(2));
    const QString inner = WriteFile("INNER.BIN", TimFile(1));
    CVorelDoc* innerResult = reinterpret_cast<CVorelDoc*>(1);
    DuringSearch([&](CProgressDlg*) {
        innerResult = app->OpenDocumentFile(inner);
        return true;
    });
    app->OpenDocumentFile(first);
    EXPECT_EQ(innerResult, nullptr);
    EXPECT_EQ(MessageTexts(), QStringList{"2 Images Find"});
    WaitIdle();
    EXPECT_EQ(MessageTexts(), (QStringList{"2 Images Find", "1 Images Find"}));
}

TEST_F(HandOffAndDropTest, HandOffDuringASearchIsQueuedAndAnsweredAfterItsSearch) {
    QTemporaryDir socketDir;
    const QString name = QDir(socketDir.path()).filePath(QStringLiteral("sock"));
    app::CInstanceServer server;
    ASSERT_TRUE(server.Listen(name));
    QObject::connect(&server, &app::CInstanceServer::handOffReceived, app.get(), &CVorelApp::OnHandOff);

    const QString first = WriteFile("FIRST.BIN", TimFile(3));
    const QString handed = WriteFile("dir with space/HANDED OVER.BIN", TimFile(2));
    QLocalSocket sender;
    DuringSearch([&](CProgressDlg*) {
        if (sender.state() == QLocalSocket::UnconnectedState) {
            sender.connectToServer(name);
            sender.write(app::EncodeHandOff({handed}));
            sender.flush();
        }
        return true;
    });
    app->OpenDocumentFile(first);
    EXPECT_EQ(MessageTexts(), QStringList{"3 Images Find"});
    EXPECT_FALSE(app->IsIdle()) << "the hand-off should have arrived, and waited, during the search";
    EXPECT_TRUE(sender.bytesAvailable() == 0 && !sender.waitForReadyRead(0));

    WaitIdle();
    EXPECT_EQ(MessageTexts(), (QStringList{"3 Images Find", "2 Images Find"}));
    EXPECT_EQ(Titles().mid(3), (QStringList{"HANDED OVER_001", "HANDED OVER_002"}));
    // The acknowledgement comes only now, after the handed-over search.
    if (sender.bytesAvailable() == 0) sender.waitForReadyRead(5000);
    EXPECT_EQ(sender.read(1), QByteArray(1, app::kHandOffAck));
}

TEST_F(HandOffAndDropTest, AMinimisedWindowComesBackOnlyWhenAHandedOverFileIsSearched) {
    const QString handed = WriteFile("HANDED.BIN", TimFile(1));
    frame->showMaximized();
    frame->showMinimized();
    ASSERT_TRUE(frame->isMinimized());

    app->OnHandOff({}, {});
    WaitIdle();
    EXPECT_TRUE(frame->isMinimized()) << "a bare second start only brings the window forward";

    app->OnHandOff({handed}, {});
    WaitIdle();
    EXPECT_EQ(MessageTexts(), QStringList{"1 Images Find"});
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_TRUE(frame->isMaximized()) << "restored to the size it had before";
}

TEST_F(HandOffAndDropTest, EmptyHandOffOnlyAnswers) {
    QTemporaryDir socketDir;
    const QString name = QDir(socketDir.path()).filePath(QStringLiteral("sock"));
    app::CInstanceServer server;
    ASSERT_TRUE(server.Listen(name));
    QObject::connect(&server, &app::CInstanceServer::handOffReceived, app.get(), &CVorelApp::OnHandOff);
    QLocalSocket sender;
    sender.connectToServer(name);
    ASSERT_TRUE(sender.waitForConnected(5000));
    sender.write(app::EncodeHandOff({}));
    sender.flush();
    QElapsedTimer clock;
    clock.start();
    while (sender.bytesAvailable() == 0 && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        sender.waitForReadyRead(10);
    }
    EXPECT_EQ(sender.read(1), QByteArray(1, app::kHandOffAck));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Titles().isEmpty());
}

}  // namespace
}  // namespace vorel::testing
