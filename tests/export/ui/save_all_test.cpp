#include "export/ui/save_all.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>

#include <filesystem>

#include "export/atomic_file_fault.h"
#include "export/ui/save_folder.h"
#include "save_test_support.h"

namespace {

using vorel::FileFault;
using vorel::MessageAnswer;
using vorel::ScopedFileFault;
using vorel::Write;
using vorel::ui::RunSaveAll;
using vorel::ui::SaveAllSummary;
using namespace vorel::testing;
namespace settings = vorel::settings;

const QString kDone = QStringLiteral("保存終了");

// A few open documents and the store Save All reads.
class SaveAllTest : public ::testing::Test {
  protected:
    CVorelDoc* Add(const QString& title, int bits, int width = 5, int height = 3) {
        documents_.push_back(PatternDocument(title, width, height, bits));
        return documents_.back().get();
    }
    QList<CVorelDoc*> Documents() const {
        QList<CVorelDoc*> list;
        for (const auto& doc : documents_) list.append(doc.get());
        return list;
    }
    void Use(const std::string& folder, int imageType, int overwriteMessage = 0) {
        Write(store, settings::kFolder, folder);
        Write(store, settings::kImageType, imageType);
        Write(store, settings::kOverwriteMessage, overwriteMessage);
    }
    SaveAllSummary Run(vorel::ui::SaveAllPacing pacing = {}) {
        return RunSaveAll(store, Documents(), nullptr, pacing);
    }
    QStringList Texts() const { return TextsOf(messages.service); }

    ScratchDir dir;
    ScopedMessages messages;
    vorel::MemorySettingsStore store;

  private:
    std::vector<std::unique_ptr<CVorelDoc>> documents_;
};

TEST_F(SaveAllTest, WritesEveryImageInTheChosenFormatUnderItsTitle) {
    const struct {
        int imageType;
        const char* extension;
    } cases[] = {{0, "BMP"}, {1, "TIF"}, {2, "PNG"}, {-1, "TIF"}};
    Add(QStringLiteral("DATA_001"), 1, 9, 3);
    Add(QStringLiteral("DATA_002"), 4, 7, 5);
    Add(QStringLiteral("DATA_003_002"), 8, 5, 4);
    Add(QStringLiteral("DATA_004"), 24, 3, 6);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extension);
        ScratchDir out;
        messages.service.shown.clear();
        Use(out.Path() + "/", c.imageType);
        const SaveAllSummary summary = Run();
        EXPECT_EQ(summary.written, 4);
        EXPECT_EQ(Texts(), QStringList{kDone});
        const std::string ext = c.extension;
        EXPECT_EQ(out.Entries(), (std::vector<std::string>{"DATA_001." + ext, "DATA_002." + ext,
                                                           "DATA_003_002." + ext, "DATA_004." + ext}));
        ExpectPatternFile(out.File("DATA_001." + ext), 9, 3, 1);
        ExpectPatternFile(out.File("DATA_002." + ext), 7, 5, 4);
        ExpectPatternFile(out.File("DATA_003_002." + ext), 5, 4, 8);
        ExpectPatternFile(out.File("DATA_004." + ext), 3, 6, 24);
    }
}

TEST_F(SaveAllTest, TheFolderIsCheckedBeforeAnythingIsWritten) {
    Add(QStringLiteral("DATA_001"), 8);
    const std::string missing = dir.File("new");
    const struct {
        const char* name;
        std::string folder;
        std::vector<MessageAnswer> answers;
        QStringList texts;
        bool ran;
        const char* written;  // the file that appears in the scratch folder's tree, or ""
    } cases[] = {
        {"relative folder", "pics/out/", {}, {QStringLiteral("ドライブ[pics]が見つかりません。")}, false, ""},
        {"empty folder", "", {}, {QStringLiteral("ドライブ[]が見つかりません。")}, false, ""},
        {"missing folder created",
         missing + "/",
         {MessageAnswer::Ok},
         {QString::fromStdString(missing) + QStringLiteral("\nが見つかりません、フォルダを作成しますか？。"), kDone},
         true,
         "new/DATA_001.BMP"},
        {"creation refused",
         missing,
         {MessageAnswer::Cancel},
         {QString::fromStdString(missing) + QStringLiteral("\nが見つかりません、フォルダを作成しますか？。")},
         false,
         ""},
        {"parent missing too",
         dir.File("a/b/"),
         {MessageAnswer::Ok},
         {QString::fromStdString(dir.File("a/b")) + QStringLiteral("\nが見つかりません、フォルダを作成しますか？。"),
          QStringLiteral("フォルダの作成に失敗しました。\nフォルダ名を確認してください。")},
         false,
         ""},
        {"a file in the way",
         dir.File("plain/"),
         {},
         {QStringLiteral("[%1]はﾌｫﾙﾀﾞではありません。").arg(QString::fromStdString(dir.File("plain")))},
         false,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAll(dir.File("plain"), {1}));
        messages.service.shown.clear();
        messages.service.answers = c.answers;
        Use(c.folder, 0);
        EXPECT_EQ(Run().ran, c.ran);
        EXPECT_EQ(Texts(), c.texts);
        if (*c.written) ExpectPatternFile(dir.File(c.written), 5, 3, 8);
        EXPECT_FALSE(Exists(dir.File("a")));
        EXPECT_EQ(std::filesystem::file_size(dir.File("plain")), 1u);
        std::filesystem::remove_all(missing);
    }
}

TEST_F(SaveAllTest, AskBeforeReplacingAndKeepTheFileWhenDeclined) {
    Add(QStringLiteral("DATA_001"), 8);
    Add(QStringLiteral("DATA_002"), 8);
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    ASSERT_TRUE(WriteAll(dir.File("DATA_001.BMP"), old));
    ASSERT_TRUE(WriteAll(dir.File("DATA_002.BMP"), old));
    Use(dir.Path() + "/", 0, 1);
    messages.service.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
    const SaveAllSummary summary = Run();
    EXPECT_EQ(Texts(), (QStringList{QString::fromStdString(dir.File("DATA_001.BMP")) +
                                        QStringLiteral("\n上書きしてもよろしいですか？。"),
                                    QString::fromStdString(dir.File("DATA_002.BMP")) +
                                        QStringLiteral("\n上書きしてもよろしいですか？。"),
                                    kDone}));
    EXPECT_EQ(summary.written, 1);
    EXPECT_EQ(ReadAll(dir.File("DATA_001.BMP")), old);
    ExpectPatternFile(dir.File("DATA_002.BMP"), 5, 3, 8);

    // Without the question an existing file is replaced.
    messages.service.shown.clear();
    Use(dir.Path() + "/", 0, 0);
    EXPECT_EQ(Run().written, 2);
    EXPECT_EQ(Texts(), QStringList{kDone});
    ExpectPatternFile(dir.File("DATA_001.BMP"), 5, 3, 8);
}

TEST_F(SaveAllTest, ImagesOfOneTitleEachGetAFileAndOnlyOlderFilesAreAskedAbout) {
    // pics.bin searched in two folders: two images of each title, different pictures.
    Add(QStringLiteral("pics_001"), 8, 5, 3);
    Add(QStringLiteral("pics_002"), 4, 7, 5);
    Add(QStringLiteral("pics_001"), 24, 3, 6);
    Add(QStringLiteral("PICS_002"), 1, 9, 3);
    Add(QStringLiteral("pics_001"), 8, 6, 2);
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    ASSERT_TRUE(WriteAll(dir.File("pics_001(3).PNG"), old));
    Use(dir.Path() + "/", 2, 1);
    messages.service.answers = {MessageAnswer::Ok};
    const SaveAllSummary summary = Run();
    EXPECT_EQ(summary.written, 5);
    // Only the file that was there before the run is asked about.
    EXPECT_EQ(Texts(), (QStringList{QString::fromStdString(dir.File("pics_001(3).PNG")) +
                                        QStringLiteral("\n上書きしてもよろしいですか？。"),
                                    kDone}));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"PICS_002(2).PNG", "pics_001(2).PNG", "pics_001(3).PNG",
                                                       "pics_001.PNG", "pics_002.PNG"}));
    ExpectPatternFile(dir.File("pics_001.PNG"), 5, 3, 8);
    ExpectPatternFile(dir.File("pics_002.PNG"), 7, 5, 4);
    ExpectPatternFile(dir.File("pics_001(2).PNG"), 3, 6, 24);
    ExpectPatternFile(dir.File("PICS_002(2).PNG"), 9, 3, 1);
    ExpectPatternFile(dir.File("pics_001(3).PNG"), 6, 2, 8);
}

TEST_F(SaveAllTest, AFailingFileEndsTheRunAndKeepsWhatWasThere) {
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    const struct {
        const char* name;
        int imageType;
        const char* extension;
        // On the first flush: only the second file, which replaces one, is flushed
        // on its own (unless the picture itself fails).
        FileFault fault;
        bool badSecondPicture;
        QString message;
    } cases[] = {
        {"bmp", 0, "BMP", FileFault::SyncError, false, QStringLiteral("ファイルWRITEエラー")},
        {"tiff", 1, "TIF", FileFault::SyncError, false, QStringLiteral("保存に失敗しました")},
        {"tiff unknown colours", 1, "TIF", FileFault::None, true, QStringLiteral("不明なｴﾗｰ")},
    };
    Add(QStringLiteral("DATA_001"), 8);
    CVorelDoc* second = Add(QStringLiteral("DATA_002"), 8);
    Add(QStringLiteral("DATA_003"), 8);
    const vorel::Dib good = second->m_hDIB;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir out;
        const std::string ext = c.extension;
        ASSERT_TRUE(WriteAll(out.File("DATA_002." + ext), old));
        second->m_hDIB = good;
        // An 8-bit picture whose table claims 100 colours: the TIFF writer cannot map it.
        if (c.badSecondPicture) vorel::StoreLe32(second->m_hDIB.Data() + vorel::dibfield::kClrUsed, 100);
        messages.service.shown.clear();
        Use(out.Path(), c.imageType);
        SaveAllSummary summary;
        {
            const ScopedFileFault fault(1, c.fault);
            summary = Run();
        }
        EXPECT_TRUE(summary.failed);
        EXPECT_EQ(summary.written, 1);
        EXPECT_EQ(Texts(), (QStringList{c.message, kDone}));
        EXPECT_EQ(out.Entries(), (std::vector<std::string>{"DATA_001." + ext, "DATA_002." + ext}));
        EXPECT_EQ(ReadAll(out.File("DATA_002." + ext)), old);
    }
    second->m_hDIB = good;
}

TEST_F(SaveAllTest, APngFileThatCannotBeCreatedEndsTheRun) {
    Add(QStringLiteral("DATA_001"), 8);
    Add(QStringLiteral("DATA_002"), 8);
    Add(QStringLiteral("DATA_003"), 8);
    // A folder in the place of the second file.
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("DATA_002.PNG")));
    Use(dir.Path(), 2);
    const SaveAllSummary summary = Run();
    EXPECT_TRUE(summary.failed);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("ファイルOPENエラー"), kDone}));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"DATA_001.PNG", "DATA_002.PNG"}));
}

TEST_F(SaveAllTest, EmptyWindowsArePassedOverAndTheImagesAfterThemSaved) {
    Add(QStringLiteral("Vorel1"), 0);
    Add(QStringLiteral("DATA_001"), 4);
    Add(QStringLiteral("Vorel2"), 0);
    Add(QStringLiteral("DATA_002"), 24);
    Use(dir.Path() + "/", 1);
    const SaveAllSummary summary = Run();
    EXPECT_FALSE(summary.failed);
    EXPECT_EQ(summary.written, 2);
    EXPECT_EQ(summary.passedOver, 2);
    EXPECT_EQ(Texts(), QStringList{kDone});
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"DATA_001.TIF", "DATA_002.TIF"}));
}

TEST_F(SaveAllTest, NoDocumentsStillChecksTheFolderAndSaysItIsDone) {
    Use(dir.Path() + "/", 0);
    EXPECT_TRUE(Run().ran);
    EXPECT_EQ(Texts(), QStringList{kDone});
    Use("/", 0);  // the root passes without a look, like a bare drive
    messages.service.shown.clear();
    EXPECT_TRUE(Run().ran);
    EXPECT_EQ(Texts(), QStringList{kDone});
}

TEST_F(SaveAllTest, TheDefaultFolderIsThePictureFolder) {
    // The tests run with QStandardPaths' test mode: a private picture folder.
    const QString pictures = vorel::ui::PicturesFolder();
    ASSERT_FALSE(pictures.isEmpty());
    ASSERT_TRUE(pictures.startsWith(u'/'));
    messages.service.answers = {MessageAnswer::Cancel};
    const bool existed = QFileInfo(pictures).isDir();
    Run();
    EXPECT_EQ(Texts().value(0), existed ? kDone
                                        : pictures + QStringLiteral("\nが見つかりません、フォルダを作成しますか？。"));
}

TEST_F(SaveAllTest, ProgressShowsAfterTheDelayAndCancelStopsBetweenFiles) {
    for (int i = 1; i <= 6; ++i) Add(QStringLiteral("DATA_%1").arg(i, 3, 10, QLatin1Char('0')), 8);
    Use(dir.Path(), 0);
    int highest = -1;
    QString label;
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<QProgressDialog*>(w);
            if (!progress || !progress->isVisible()) continue;
            highest = std::max(highest, progress->value());
            label = progress->labelText();
            EXPECT_EQ(progress->maximum(), 6);
            // Two files are written; Cancel before the third.
            if (progress->value() == 2) progress->cancel();
        }
    });
    watcher.start();
    const SaveAllSummary summary = Run({0, 0});
    watcher.stop();
    EXPECT_TRUE(summary.cancelled);
    EXPECT_EQ(summary.written, 2);
    EXPECT_EQ(highest, 2);
    EXPECT_EQ(label, QStringLiteral("ｲﾒｰｼﾞを保存しています  3 / 6"));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"DATA_001.BMP", "DATA_002.BMP"}));
    EXPECT_EQ(Texts(), QStringList{kDone});

    // A run shorter than the delay shows nothing.
    highest = -1;
    watcher.start();
    const SaveAllSummary quick = Run({60000, 0});
    watcher.stop();
    EXPECT_EQ(quick.written, 6);
    EXPECT_EQ(highest, -1);
}

}  // namespace
