// The recent-file list: ten entries, newest first, kept under "Recent File
// List"/"File1".."File10"; shortened names in the menu; an entry that leads
// to nothing is dropped.
#include <QDialog>
#include <QMenu>
#include <QMenuBar>

#include "app_test_support.h"

namespace vorel::testing {
namespace {

using app::AbbreviatePath;
using app::CRecentFileList;

std::string StoredEntry(const ISettingsStore& store, int n) {
    return store.ReadString(settings::kRecentFiles, "File" + std::to_string(n), "");
}

TEST(RecentFileList, KeepsTenNewestFirstAndStoresThemAtOnce) {
    MemorySettingsStore store;
    CRecentFileList list(store);
    for (int i = 1; i <= 12; ++i) list.Add(QStringLiteral("/data/file%1.bin").arg(i));
    ASSERT_EQ(list.Entries().size(), 10);
    EXPECT_EQ(list.Entries().front(), "/data/file12.bin");
    EXPECT_EQ(list.Entries().back(), "/data/file3.bin");
    EXPECT_EQ(StoredEntry(store, 1), "/data/file12.bin");
    EXPECT_EQ(StoredEntry(store, 10), "/data/file3.bin");

    list.Add("/data/file5.bin");  // moves to the top, nothing is lost
    EXPECT_EQ(list.Entries().front(), "/data/file5.bin");
    EXPECT_EQ(list.Entries().size(), 10);

    list.Remove("/data/file12.bin");
    EXPECT_EQ(list.Entries().size(), 9);
    EXPECT_EQ(StoredEntry(store, 10), "");

    CRecentFileList reloaded(store);
    reloaded.Load();
    EXPECT_EQ(reloaded.Entries(), list.Entries());
}

TEST(RecentFileList, AbbreviatesLongPathsForTheMenu) {
    struct Case {
        const char* path;
        const char* shown;
    };
    const Case cases[] = {
        {"/short/DATA.BIN", "/short/DATA.BIN"},
        {"/home/user/projects/games/data/DATA.BIN", "/.../games/data/DATA.BIN"},
        {"/home/user/a-very-long-folder-name/DATA.BIN", "/.../DATA.BIN"},
        {"/home/user/x/an-extremely-long-file-name-of-a-game.bin",
         "an-extremely-long-file-name-of-a-game.bin"},
        {"no-folder-at-all-but-a-very-long-name.bin", "no-folder-at-all-but-a-very-long-name.bin"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AbbreviatePath(QString::fromUtf8(c.path), 30), QString::fromUtf8(c.shown)) << c.path;
        const QString shown = AbbreviatePath(QString::fromUtf8(c.path), 30);
        EXPECT_TRUE(shown.size() <= 30 || !shown.contains(u'/')) << c.path;
    }
    EXPECT_EQ(CRecentFileList::MenuText(0, "/a&b/X.BIN"), "&1 /a&&b/X.BIN");
    EXPECT_EQ(CRecentFileList::MenuText(9, "/X.BIN"), "1&0 /X.BIN");
}

using RecentFilesInAppTest = AppTest;

TEST_F(RecentFilesInAppTest, SearchedFileEntersTheListAndTheMenu) {
    const QString path = WriteFile("DATA.BIN", TimFile(2));
    app->OpenDocumentFile(path);
    EXPECT_EQ(app->RecentFiles().Entries(), QStringList{path});
    EXPECT_EQ(QString::fromStdString(StoredEntry(Store(), 1)), path);

    QMenu* file = frame->menuBar()->actions().front()->menu();
    emit file->aboutToShow();
    QStringList texts;
    for (QAction* a : file->actions()) texts << a->text();
    EXPECT_TRUE(texts.contains(CRecentFileList::MenuText(0, path))) << texts.join(" | ").toStdString();
}

TEST_F(RecentFilesInAppTest, EntryLeadingToNothingIsRemoved) {
    const QString empty = WriteFile("EMPTY.BIN", Bytes(64, 0xEE));
    const QString missing = PathIn("GONE.BIN");
    const QString good = WriteFile("GOOD.BIN", TimFile(1));
    for (const QString& p : {missing, empty, good}) app->RecentFiles().Add(p);

    app->OnOpenRecentFile(empty);    // searched, nothing found
    app->OnOpenRecentFile(missing);  // not there any more
    app->OnOpenRecentFile(good);
    EXPECT_EQ(app->RecentFiles().Entries(), QStringList{good});
    EXPECT_EQ(MessageTexts(),
              (QStringList{"0 Images Find",
                           missing + QStringLiteral("\n指定したﾊﾟｽ名またはﾌｧｲﾙ名がみつかりません。"),
                           "1 Images Find"}));
}

TEST_F(RecentFilesInAppTest, EntryStaysWhenTheUserCancelsTheDividedSearchDialog) {
    const QString path = WriteFile("DATA.BIN", TimFile(1));
    app->RecentFiles().Add(path);
    Write(Store(), settings::kDivideSearch, 1);
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
    app->OnOpenRecentFile(path);
    EXPECT_EQ(app->RecentFiles().Entries(), QStringList{path});
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace vorel::testing
