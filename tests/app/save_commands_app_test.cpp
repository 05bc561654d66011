// Save As and Save All from the main window's menu, and one whole run as a
// user would make it: the bundled sample searched, every image saved as TIFF
// and read back by an independent reader.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTransform>

#include "app_test_support.h"
#include "connect/ui/image_connect_dialog.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"
#include "export/export_test_support.h"
#include "export/ui/save_folder.h"
#include "export/ui/save_options_dialog.h"
#include "ui/file_dialog_service.h"

namespace vorel::testing {
namespace {

using SaveCommandsTest = AppTest;

// Answers the save-options dialog as soon as it opens: the folder and the type
// typed in, then OK (or Cancel).
void AnswerSaveOptions(const QString& folder, int imageType, bool ok) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, folder, imageType, ok] {
        auto* dialog = qobject_cast<CSaveOptionsDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        dialog->FolderEdit()->setText(folder);
        dialog->ImageTypeButton(imageType)->setChecked(true);
        (ok ? dialog->OkButton() : dialog->CancelButton())->click();
    });
    timer->start();
}

// A picture's pixels, rows from the top, red-green-blue.
std::vector<std::uint8_t> RgbOf(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB888);
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        rgb.insert(rgb.end(), line, line + 3 * image.width());
    }
    return rgb;
}

// The picture the program decoded, rows from the top, red-green-blue.
std::vector<std::uint8_t> DecodedRgb(const CVorelDoc& doc) {
    return RgbOf(ui::DibToQImage(doc.m_hDIB));
}

TEST_F(SaveCommandsTest, SaveAsNeedsAnImageWindowAndSaveAllIsAlwaysThere) {
    const CMainFrame::Actions& a = frame->GetActions();
    frame->updateActions();
    EXPECT_FALSE(a.fileSaveAs->isEnabled());
    EXPECT_TRUE(a.saveAll->isEnabled());
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(1)));
    frame->updateActions();
    EXPECT_TRUE(a.fileSaveAs->isEnabled());
    EXPECT_TRUE(a.saveAll->isEnabled());
    EXPECT_EQ(a.fileSaveAs->text(), QStringLiteral("名前を付けて保存(&A)..."));
    EXPECT_EQ(a.saveAll->text(), QStringLiteral("全て保存..."));
}

TEST_F(SaveCommandsTest, SaveAsFromTheMenuWritesTheActiveImage) {
    ScriptedFileDialogService dialogs;
    SetFileDialogService(&dialogs);
    app->OpenDocumentFile(WriteFile("MY.DIR/DATA", TimFile(2)));
    const QString target = PathIn(QStringLiteral("out.png"));
    dialogs.answers = {target};
    frame->GetActions().fileSaveAs->trigger();
    SetFileDialogService(nullptr);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedPath, PathIn(QStringLiteral("MY.DIR/DATA_002.BMP")));
    EXPECT_EQ(MessageTexts().last(), QStringLiteral("正常に保存しました"));
    const Decoded decoded = DecodeWithPillow(target.toStdString());
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.rgb, DecodedRgb(*frame->ActiveChildFrame()->GetDocument()));
}

// Save dialogs open next to the searched file until something is saved, then
// where it was saved; Save As proposes its own name there.
TEST_F(SaveCommandsTest, SaveDialogsStartInTheFolderLastSavedInto) {
    ScriptedFileDialogService dialogs;
    SetFileDialogService(&dialogs);
    ui::RememberSaveFolder({});
    Bytes pair = OneTim(8, 4, 1);
    const Bytes second = OneTim(8, 4, 2);
    pair.insert(pair.end(), second.begin(), second.end());
    app->OpenDocumentFile(WriteFile(QStringLiteral("in/PAIR"), pair));
    WaitIdle();
    QDir().mkpath(PathIn(QStringLiteral("out")));
    const auto joinThenCancelTheSave = [this] {
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<CImageConnectDlg*>(QApplication::activeModalWidget());
            if (!d) return;
            d->FirstList()->setCurrentIndex(0);
            emit d->FirstList()->activated(0);
            d->SecondList()->setCurrentIndex(0);
            emit d->SecondList()->activated(0);
            d->DirectionButton(JoinDirection::Right)->click();
            d->PreviewButton()->click();
            d->SaveButton()->click();  // the scripted save dialog cancels
            d->reject();
        });
        frame->updateActions();
        frame->GetActions().connect->trigger();
    };
    joinThenCancelTheSave();
    dialogs.answers = {PathIn(QStringLiteral("out/first.bmp"))};
    frame->GetActions().fileSaveAs->trigger();
    frame->GetActions().fileSaveAs->trigger();
    joinThenCancelTheSave();
    SetFileDialogService(nullptr);
    ui::RememberSaveFolder({});
    ASSERT_EQ(dialogs.saveRequests.size(), 4u);
    EXPECT_EQ(dialogs.saveRequests[0].startFolder, PathIn(QStringLiteral("in")));
    EXPECT_EQ(dialogs.saveRequests[1].proposedPath, PathIn(QStringLiteral("in/PAIR_002.BMP")));
    EXPECT_EQ(dialogs.saveRequests[2].proposedPath, PathIn(QStringLiteral("out/PAIR_002.BMP")));
    EXPECT_EQ(dialogs.saveRequests[3].startFolder, PathIn(QStringLiteral("out")));
}

TEST_F(SaveCommandsTest, CancellingTheOptionsWritesNothingAndSaysNothing) {
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    const int before = static_cast<int>(messages.shown.size());
    QTemporaryDir out;
    AnswerSaveOptions(out.path(), 0, false);
    frame->GetActions().saveAll->trigger();
    EXPECT_EQ(static_cast<int>(messages.shown.size()), before);
    EXPECT_TRUE(QDir(out.path()).isEmpty());
    EXPECT_FALSE(Store().Contains(settings::kFolder.section, settings::kFolder.key));
}

TEST_F(SaveCommandsTest, TheSampleSavedAsTiffReadsBackAsTheProgramShowedIt) {
    const std::string missing = MissingReaders();
    if (!missing.empty()) GTEST_SKIP() << missing;
    app->OpenDocumentFile(QStringLiteral(VOREL_SOURCE_DIR "/samples/sample.bin"));
    app->OnFileNew();  // an empty window among the images is passed over
    const QList<CChildFrame*> frames = app->DocTemplate()->Frames();
    ASSERT_GT(frames.size(), 5);

    // One image turned left first, through the menu as a user would: its file
    // must hold the picture as decoded, turned a quarter counter-clockwise (by QImage).
    CChildFrame* turned = nullptr;
    for (CChildFrame* f : frames) {
        if (f->windowTitle() == QStringLiteral("sample_002")) turned = f;
    }
    ASSERT_NE(turned, nullptr);
    const QImage beforeTurn = ui::DibToQImage(turned->GetDocument()->m_hDIB);
    ASSERT_NE(beforeTurn.width(), beforeTurn.height());
    frame->MdiArea()->setActiveSubWindow(turned);
    frame->updateActions();
    ASSERT_TRUE(frame->GetActions().rotateLeft->isEnabled());
    frame->GetActions().rotateLeft->trigger();
    const QImage expectedTurned = beforeTurn.transformed(QTransform().rotate(-90));
    ASSERT_EQ(turned->GetDocument()->m_hDIB.Width(), beforeTurn.height());

    QTemporaryDir out;
    const QString folder = QDir(out.path()).filePath(QStringLiteral("tiffs"));
    messages.answers = {MessageAnswer::Ok};  // create the folder
    messages.shown.clear();
    AnswerSaveOptions(folder, 1, true);
    frame->GetActions().saveAll->trigger();
    EXPECT_EQ(MessageTexts(),
              (QStringList{folder + QStringLiteral("\nが見つかりません、フォルダを作成しますか？。"),
                           QStringLiteral("保存終了")}));
    EXPECT_EQ(QString::fromStdString(ReadWithDefault(Store(), settings::kFolder, "?")), folder + u'/');
    EXPECT_EQ(Read(Store(), settings::kImageType), 1);

    int images = 0;
    for (const CChildFrame* f : frames) {
        const CVorelDoc& doc = *f->GetDocument();
        const QString path = QDir(folder).filePath(doc.GetTitle() + QStringLiteral(".TIF"));
        if (doc.m_hDIB.IsNull()) {
            EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
            continue;
        }
        ++images;
        SCOPED_TRACE(path.toStdString());
        const Decoded decoded = DecodeWithTiff2Rgba(path.toStdString());
        ASSERT_TRUE(decoded.ok) << decoded.error;
        EXPECT_EQ(decoded.width, doc.m_hDIB.Width());
        EXPECT_EQ(decoded.height, doc.m_hDIB.Height());
        std::vector<std::uint8_t> expected =
            f == turned ? RgbOf(expectedTurned) : DecodedRgb(doc);
        if (doc.m_hDIB.BitCount() == 1) {
            // A 1-bit TIFF is bilevel: the first colour of the table reads as black,
            // the other as white, unless the first is white (red 255).
            const std::uint8_t* first = doc.m_hDIB.ColorEntry(0);
            const std::uint8_t firstGrey = first[2] == 255 ? 255 : 0;
            for (std::size_t i = 0; i + 2 < expected.size(); i += 3) {
                const bool isFirst = expected[i] == first[2] && expected[i + 1] == first[1] &&
                                     expected[i + 2] == first[0];
                const std::uint8_t grey = isFirst ? firstGrey : static_cast<std::uint8_t>(255 - firstGrey);
                expected[i] = expected[i + 1] = expected[i + 2] = grey;
            }
        }
        EXPECT_EQ(decoded.rgb, expected);
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), images);
}

}  // namespace
}  // namespace vorel::testing
