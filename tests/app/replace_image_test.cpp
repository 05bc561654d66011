// "ｲﾒｰｼﾞの置換..." and "元に戻す" as a user runs them: an edited picture of a
// turned window goes back into its file in the file's orientation, the window
// shows it read back, and undo restores the file byte for byte.
#include <QImage>
#include <QMenu>
#include <QPainter>

#include "app_test_support.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"
#include "sample_builders/cd_sectors.h"
#include "ui/file_dialog_service.h"

namespace vorel::testing {
namespace {

using ReplaceImageTest = AppTest;

Bytes ReadBack(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray all = file.readAll();
    return Bytes(all.begin(), all.end());
}

bool MenuHolds(const QMenu* menu, const QAction* action) {
    for (const QAction* entry : menu->actions()) {
        if (entry == action) return true;
        if (entry->menu() && MenuHolds(entry->menu(), action)) return true;
    }
    return false;
}

TEST_F(ReplaceImageTest, ReplaceFromATurnedWindowThenUndo) {
    const CMainFrame::Actions& a = frame->GetActions();
    const Bytes original = OneTim(12, 6);
    const QString file = WriteFile("GAME.DAT", original);
    app->OpenDocumentFile(file);
    WaitIdle();
    frame->updateActions();
    ASSERT_TRUE(a.replaceImage->isEnabled());
    EXPECT_FALSE(a.editUndo->isEnabled());
    EXPECT_EQ(a.replaceImage->text(), QStringLiteral("ｲﾒｰｼﾞの置換..."));
    EXPECT_TRUE(MenuHolds(frame->ImageContextMenu(), a.replaceImage));
    CVorelDoc* doc = frame->ActiveView()->GetDocument();

    // The picture as exported, with a red bar painted in; the window is turned meanwhile.
    QImage picture = ui::DibToQImage(doc->m_hDIB).convertToFormat(QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        painter.fillRect(QRect(2, 1, 5, 3), QColor(255, 0, 0));
    }
    const QString edited = PathIn(QStringLiteral("edited.png"));
    ASSERT_TRUE(picture.save(edited));
    a.rotateRight->trigger();
    ASSERT_EQ(doc->m_nImageWidth, 6);

    ScriptedFileDialogService dialogs;
    SetFileDialogService(&dialogs);
    dialogs.answers = {edited};
    messages.answers = {MessageAnswer::Yes};
    a.replaceImage->trigger();
    ASSERT_FALSE(messages.shown.empty());
    const QString question = messages.shown.back().text;
    EXPECT_TRUE(question.contains(QStringLiteral("GAME_001"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("12 x 6"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("GAME.DAT"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("Palette too"))) << question.toStdString();

    // The file: red (0x001F) where the bar is, every other byte as it was.
    const Bytes after = ReadBack(file);
    ASSERT_EQ(after.size(), original.size());
    const std::size_t pixels = 8 + 20;
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool inPixels = i >= pixels && i < pixels + 2 * 12 * 6;
        const int x = static_cast<int>((i - pixels) / 2 % 12);
        const int y = static_cast<int>((i - pixels) / 2 / 12);
        if (inPixels && x >= 2 && x < 7 && y >= 1 && y < 4) {
            EXPECT_EQ(after[i], (i - pixels) % 2 == 0 ? 0x1F : 0x00) << i;
        } else {
            EXPECT_EQ(after[i], original[i]) << i;
        }
    }
    // The window shows the picture read back, unturned.
    EXPECT_EQ(doc->m_nImageWidth, 12);
    EXPECT_EQ(ui::DibToQImage(doc->m_hDIB).convertToFormat(QImage::Format_RGB32), picture);

    frame->updateActions();
    ASSERT_TRUE(a.editUndo->isEnabled());
    a.editUndo->trigger();
    EXPECT_EQ(ReadBack(file), original);
    frame->updateActions();
    EXPECT_FALSE(a.editUndo->isEnabled());

    // A picture of another size is refused; the file stays.
    const QString wrong = PathIn(QStringLiteral("wrong.png"));
    ASSERT_TRUE(picture.copy(0, 0, 6, 6).save(wrong));
    dialogs.answers = {wrong};
    a.replaceImage->trigger();
    EXPECT_TRUE(messages.shown.back().text.contains(QStringLiteral("6 x 6"))) << messages.shown.back().text.toStdString();
    EXPECT_EQ(ReadBack(file), original);
    SetFileDialogService(nullptr);
}

// From a .cue: the picture crossing sector ends goes into the .bin, which then equals the edited
// payload wrapped by the sector builder (every EDC and ECC, every other byte).
TEST_F(ReplaceImageTest, ReplaceInABinCueSealsTheSectors) {
    Bytes payload(12000, 0xEE);
    const Bytes tim = samples::MakeTim(2, 40, 30);
    std::copy(tim.begin(), tim.end(), payload.begin() + 2000);
    samples::RawLayout layout;
    layout.form2Every = 3;
    const QString bin = WriteFile("GAME.BIN", samples::WrapRaw(payload, layout));
    const std::string cue = samples::MakeCueSheet("GAME.BIN", samples::SectorKind::kMode2Form1);
    app->OpenDocumentFile(WriteFile("GAME.CUE", Bytes(cue.begin(), cue.end())));
    WaitIdle();
    ASSERT_NE(frame->ActiveView(), nullptr);
    CVorelDoc* doc = frame->ActiveView()->GetDocument();
    EXPECT_EQ(QString::fromStdString(doc->m_record.path), bin);

    QImage picture = ui::DibToQImage(doc->m_hDIB).convertToFormat(QImage::Format_RGB32);
    QPainter(&picture).fillRect(QRect(0, 10, 40, 3), QColor(255, 0, 0));
    const QString edited = PathIn(QStringLiteral("bar.png"));
    ASSERT_TRUE(picture.save(edited));
    ScriptedFileDialogService dialogs;
    SetFileDialogService(&dialogs);
    dialogs.answers = {edited};
    frame->GetActions().replaceImage->trigger();
    SetFileDialogService(nullptr);

    for (int i = 10 * 40; i < 13 * 40; ++i) {
        payload[2000 + 20 + 2 * i] = 0x1F;
        payload[2000 + 20 + 2 * i + 1] = 0x00;
    }
    EXPECT_EQ(ReadBack(bin), samples::WrapRaw(payload, layout));
}

}  // namespace
}  // namespace vorel::testing
