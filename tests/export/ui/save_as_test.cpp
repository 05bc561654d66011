#include "export/ui/save_as.h"

#include "export/atomic_file_fault.h"
#include "save_test_support.h"

namespace {

using vorel::FileFault;
using vorel::MessageIcon;
using vorel::ScopedFileFault;
using namespace vorel::testing;

const QString kSaved = QStringLiteral("正常に保存しました");
const vorel::MemorySettingsStore kNoSettings;

TEST(SaveAs, ProposesTheDocumentNameCutInItsFileNameAndCancelWritesNothing) {
    ScratchDir dir;
    ScopedMessages messages;
    ScopedFileDialogs dialogs;  // no answers: the user cancels
    CVorelDoc doc;
    doc.m_nImageNo = 12;
    vorel::MemorySettingsStore store;
    doc.SetPathName(QString::fromStdString(dir.File("MY.DIR/DATA")), vorel::SearchState{}, store);
    doc.m_hDIB = MakePatternDib(3, 2, 8);

    vorel::ui::SaveDocumentAs(doc, kNoSettings);

    ASSERT_EQ(dialogs.service.saveRequests.size(), 1u);
    const vorel::SaveFileRequest& request = dialogs.service.saveRequests.front();
    // The "." of the folder name stays; the document's file has none of its own.
    EXPECT_EQ(request.proposedPath, QString::fromStdString(dir.File("MY.DIR/DATA_012.BMP")));
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("BMP"));
    EXPECT_TRUE(request.confirmOverwrite);
    EXPECT_EQ(vorel::ToQtNameFilters(request.filter),
              (QStringList{QStringLiteral("BMP (Windows Bitmap) (*.bmp)"),
                           QStringLiteral("TIFF (Tagged Image File Format) (*.tif)"),
                           QStringLiteral("PNG (Portable Network Graphics) (*.png)"),
                           QStringLiteral("TIM (PlayStation TIM) (*.tim)"),
                           QStringLiteral("全ﾌｧｲﾙ(*.*) (*)")}));
    EXPECT_TRUE(messages.service.shown.empty());
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(SaveAs, TheChosenExtensionPicksTheFormatOrIsRefused) {
    const struct {
        const char* typed;    // the name the user chose
        const char* written;  // the file that appears, or "" for none
        QString message;
        MessageIcon icon;
    } cases[] = {
        {"pic.bmp", "pic.bmp", kSaved, MessageIcon::Information},
        {"pic.BMP", "pic.BMP", kSaved, MessageIcon::Information},
        {"pic.tif", "pic.tif", kSaved, MessageIcon::Information},
        {"pic.png", "pic.png", kSaved, MessageIcon::Information},
        {"pic", "pic.BMP", kSaved, MessageIcon::Information},  // the default extension
        {"pic.tiff", "", QStringLiteral("拡張子「.TIFF」には対応していません。"), MessageIcon::Exclamation},
        {"pic.Jpg", "", QStringLiteral("拡張子「.JPG」には対応していません。"), MessageIcon::Exclamation},
        {"pic.", "", QStringLiteral("拡張子「.」には対応していません。"), MessageIcon::Exclamation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        ScratchDir dir;
        ScopedMessages messages;
        ScopedFileDialogs dialogs;
        dialogs.service.answers = {QString::fromStdString(dir.File(c.typed))};
        const auto doc = PatternDocument(QStringLiteral("DATA_001"), 5, 3, 24);
        vorel::ui::SaveDocumentAs(*doc, kNoSettings);
        ASSERT_EQ(messages.service.shown.size(), 1u);
        EXPECT_EQ(messages.service.shown[0].text, c.message);
        EXPECT_EQ(messages.service.shown[0].icon, c.icon);
        if (*c.written == '\0') {
            EXPECT_TRUE(dir.Entries().empty());
        } else {
            EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.written});
            ExpectPatternFile(dir.File(c.written), 5, 3, 24);
        }
    }
}

TEST(SaveAs, FailuresKeepTheFileThatWasThere) {
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    const struct {
        const char* name;
        const char* file;
        int bits;  // 0: a document without an image (File > New)
        FileFault fault;
        int nth;   // which write (or flush) fails
        QString message;
        MessageIcon icon;
    } cases[] = {
        {"bmp header write fails", "a.bmp", 8, FileFault::Error, 1, QStringLiteral("ﾌｧｲﾙ書き込みｴﾗｰ1"),
         MessageIcon::Information},
        {"bmp body write fails", "a.bmp", 8, FileFault::Zero, 2, QStringLiteral("ﾌｧｲﾙ書き込みｴﾗｰ2"),
         MessageIcon::Information},
        {"bmp flush fails", "a.bmp", 24, FileFault::SyncError, 1, QStringLiteral("ﾌｧｲﾙ書き込みｴﾗｰ2"),
         MessageIcon::Information},
        {"tiff row write fails", "a.tif", 8, FileFault::Error, 2, QStringLiteral("保存に失敗しました"),
         MessageIcon::Exclamation},
        {"png write fails", "a.png", 8, FileFault::Error, 1, QStringLiteral("ﾌｧｲﾙ書き込みｴﾗｰ2"),
         MessageIcon::Information},
        {"png flush fails", "a.png", 4, FileFault::SyncError, 1, QStringLiteral("ﾌｧｲﾙ書き込みｴﾗｰ2"),
         MessageIcon::Information},
        {"bmp without image", "a.bmp", 0, FileFault::None, 1, QStringLiteral("ﾒﾓﾘｴﾗｰ"), MessageIcon::Exclamation},
        {"tiff without image", "a.tif", 0, FileFault::None, 1, QStringLiteral("ﾒﾓﾘﾛｯｸｴﾗｰ"),
         MessageIcon::Exclamation},
        {"png without image", "a.png", 0, FileFault::None, 1, QStringLiteral("ﾒﾓﾘｴﾗｰ"),
         MessageIcon::Exclamation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ASSERT_TRUE(WriteAll(dir.File(c.file), old));
        ScopedMessages messages;
        ScopedFileDialogs dialogs;
        dialogs.service.answers = {QString::fromStdString(dir.File(c.file))};
        const auto doc = PatternDocument(QStringLiteral("DATA_001"), 4, 4, c.bits);
        {
            const ScopedFileFault fault(c.nth, c.fault);
            vorel::ui::SaveDocumentAs(*doc, kNoSettings);
        }
        ASSERT_EQ(messages.service.shown.size(), 1u);
        EXPECT_EQ(messages.service.shown[0].text, c.message);
        EXPECT_EQ(messages.service.shown[0].icon, c.icon);
        EXPECT_EQ(ReadAll(dir.File(c.file)), old);
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{c.file}) << "no temporary file may stay behind";
    }
}

TEST(SaveAs, AFolderThatIsNotThereCannotTakeTheFile) {
    ScratchDir dir;
    ScopedMessages messages;
    ScopedFileDialogs dialogs;
    dialogs.service.answers = {QString::fromStdString(dir.File("missing/a.bmp"))};
    const auto doc = PatternDocument(QStringLiteral("DATA_001"), 4, 4, 4);
    vorel::ui::SaveDocumentAs(*doc, kNoSettings);
    EXPECT_EQ(TextsOf(messages.service), QStringList{QStringLiteral("ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ")});
    EXPECT_TRUE(dir.Entries().empty());
}

// A TIM goes out as the bytes the search found; a picture with no whole TIM behind it is refused.
TEST(SaveAs, ATimNameWritesTheTimAsFoundOrIsRefused) {
    const std::vector<std::uint8_t> tim = {0x10, 0, 0, 0, 2, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0x34, 0x12};
    const struct {
        vorel::TimBytesOutcome outcome;
        QString message;
    } cases[] = {
        {vorel::TimBytesOutcome::kWhole, kSaved},
        {vorel::TimBytesOutcome::kNotTim,
         QStringLiteral("TIM形式で保存できるのはTIMイメージだけです。\nビットマップはBMP、TIFF、PNGで保存してください。")},
        {vorel::TimBytesOutcome::kCutOff,
         QStringLiteral("このTIMはファイルの終わりで切れているため、TIM形式では保存できません。")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        ScratchDir dir;
        ScopedMessages messages;
        ScopedFileDialogs dialogs;
        dialogs.service.answers = {QString::fromStdString(dir.File("pic.Tim"))};
        const auto doc = PatternDocument(QStringLiteral("DATA_001"), 1, 1, 24);
        doc->m_tim.outcome = c.outcome;
        if (c.outcome == vorel::TimBytesOutcome::kWhole) doc->m_tim.bytes = tim;
        vorel::ui::SaveDocumentAs(*doc, kNoSettings);
        ASSERT_EQ(TextsOf(messages.service), QStringList{c.message});
        if (c.outcome == vorel::TimBytesOutcome::kWhole) {
            EXPECT_EQ(ReadAll(dir.File("pic.Tim")), tim);
        } else {
            EXPECT_EQ(messages.service.shown[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(dir.Entries().empty());
        }
    }
}

}  // namespace
