// The image list in the running program: every image of a search listed by its
// window's title, closed windows opened again with the same pixels, thumbnails
// that are the windows' pictures scaled, list-only searches, changed files,
// and saving a selection.
#include <QAccessible>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>

#include "app/app_test_support.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/vorel_doc.h"
#include "export/ui/save_options_dialog.h"
#include "list/ui/image_list_dock.h"
#include "list/ui/image_list_filter.h"
#include "list/ui/image_list_filter_bar.h"
#include "list/ui/image_list_model.h"
#include "list/ui/list_file_watcher.h"
#include "list/ui/thumbnail_cache.h"
#include "search/ui/progress_dialog.h"
#include "list/ui/thumbnail_image.h"

namespace vorel::testing {
namespace {

using ui::CImageListModel;
using ui::CThumbnailCache;

// One image of each kind a search shows, a TIM with two palettes among them.
Bytes MixedFile() {
    Bytes out;
    AppendFiller(out, 16);
    for (const Bytes& part : {samples::MakeTim(8, 16, 8, 2, 3), samples::MakeTim(9, 8, 6, 1, 4),
                              samples::MakeTim(3, 6, 5, 1, 5), samples::MakeTim(2, 8, 8, 1, 6),
                              samples::MakeDib(8, 12, 7, 0, false, 7), samples::MakeDib(4, 9, 3, 0, true, 8)}) {
        Append(out, part);
        AppendFiller(out, 11);
    }
    return out;
}

class ImageListTest : public AppTest {
  protected:
    CImageListModel& Model() { return *app->ListModel(); }
    ui::CImageListDock& Dock() { return *frame->ImageList(); }
    QStringList ListTitles() {
        QStringList titles;
        for (int row = 0; row < Model().rowCount(); ++row) titles << Model().Entry(row).title;
        return titles;
    }
    QList<int> AllRows() {
        QList<int> rows;
        for (int row = 0; row < Model().rowCount(); ++row) rows << row;
        return rows;
    }
    // The windows' titles and pixels, in the order opened.
    std::vector<std::pair<QString, Dib>> WindowPictures() {
        std::vector<std::pair<QString, Dib>> pictures;
        for (const CChildFrame* f : app->DocTemplate()->Frames())
            pictures.emplace_back(f->GetDocument()->GetTitle(), DuplicateDib(f->GetDocument()->m_hDIB));
        return pictures;
    }
};

TEST_F(ImageListTest, ClosedWindowsOpenAgainWithTheSamePixelsAndTitles) {
    Write(Store(), settings::kPaletteImage, 1);
    const QString path = WriteFile(QStringLiteral("MIXED.BIN"), MixedFile());
    app->OpenDocumentFile(path);
    const auto found = WindowPictures();
    ASSERT_EQ(found.size(), 7u);  // the 4-bit TIM twice, one per palette
    EXPECT_EQ(ListTitles(), Titles());
    EXPECT_EQ(ListTitles().at(1), QStringLiteral("MIXED_001_002"));
    for (int row = 0; row < Model().rowCount(); ++row)
        EXPECT_EQ(Model().Entry(row).doc.data(), app->DocTemplate()->Frames().at(row)->GetDocument());

    app->OnCloseAllWindows();
    EXPECT_EQ(Model().rowCount(), 7) << "closing a window keeps its entry";
    EXPECT_TRUE(Model().Entry(0).record.paletteImages);
    EXPECT_EQ(Model().Entry(0).record.paletteCount, 2);
    EXPECT_EQ(Model().Entry(0).doc.data(), nullptr);
    // Changing the setting since the search does not change the titles it gave.
    Write(Store(), settings::kPaletteImage, 0);
    app->OnListOpen(AllRows());
    const auto reopened = WindowPictures();
    ASSERT_EQ(reopened.size(), found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(reopened[i].first, found[i].first) << i;
        EXPECT_TRUE(reopened[i].second == found[i].second) << found[i].first.toStdString();
    }
    // An open entry is activated, not opened twice; activating a window selects its entry.
    app->OnListOpen({2});
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 7);
    EXPECT_EQ(frame->ActiveChildFrame()->GetDocument(), Model().Entry(2).doc.data());
    frame->MdiArea()->setActiveSubWindow(app->DocTemplate()->Frames().at(4));
    EXPECT_EQ(Dock().SelectedRows(), QList<int>{4});
    EXPECT_TRUE(MessageTexts().filter(QStringLiteral("ﾌｧｲﾙ")).isEmpty()) << MessageTexts().join(u'|').toStdString();
}

TEST_F(ImageListTest, ThumbnailsAreTheWindowsPicturesScaled) {
    const QString path = WriteFile(QStringLiteral("MIXED.BIN"), MixedFile());
    app->OpenDocumentFile(path);
    const auto found = WindowPictures();
    app->OnCloseAllWindows();
    CThumbnailCache& cache = *Dock().Thumbnails();
    for (int row = 0; row < Model().rowCount(); ++row) cache.Request(Model().Entry(row));
    cache.WaitForIdle();
    for (int row = 0; row < Model().rowCount(); ++row) {
        const QImage* thumb = cache.Find(Model().Entry(row).id);
        ASSERT_NE(thumb, nullptr) << row;
        EXPECT_EQ(*thumb, ui::MakeThumbnail(found[static_cast<std::size_t>(row)].second)) << row;
    }
    // Independently: the 8 x 8 TIM fills 96 x 96 with 12 x 12 blocks of its own pixels.
    const QImage* thumb = cache.Find(Model().Entry(3).id);
    const QImage picture = ui::DibToQImage(found[3].second).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(thumb->size(), QSize(96, 96));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            for (const QPoint corner : {QPoint(0, 0), QPoint(11, 11)})
                EXPECT_EQ(thumb->pixel(12 * x + corner.x(), 12 * y + corner.y()), picture.pixel(x, y));
    // A window's turned picture replaces the thumbnail made from the file.
    CVorelDoc* doc = app->OnListOpen({2});  // 6 x 5 pixels
    ASSERT_NE(doc, nullptr);
    frame->GetActions().rotateLeft->trigger();
    EXPECT_EQ(cache.StatusOf(Model().Entry(2).id), CThumbnailCache::Status::kMissing);
    cache.Request(Model().Entry(2));
    cache.WaitForIdle();
    EXPECT_EQ(*cache.Find(Model().Entry(2).id), ui::MakeThumbnail(doc->m_hDIB));
    EXPECT_EQ(cache.Find(Model().Entry(2).id)->size(), QSize(80, 96));
    EXPECT_GT(cache.CachedBytes(), 0);
    EXPECT_LE(cache.MaxBytes(), 64 * 1024 * 1024);
}

TEST_F(ImageListTest, AListOnlySearchOpensNoWindowAndListsEveryImage) {
    Write(Store(), settings::kOpenWindows, 0);
    const QString path = WriteFile(QStringLiteral("MANY.BIN"), ManySmallTims(300));
    EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 0);
    ASSERT_EQ(Model().rowCount(), 300);
    EXPECT_EQ(Model().Entry(0).title, QStringLiteral("MANY_001"));
    EXPECT_EQ(Model().Entry(299).title, QStringLiteral("MANY_300"));
    EXPECT_EQ(MessageTexts().last(), QStringLiteral("300 Images Find"));
    EXPECT_EQ(app->RecentFiles().Entries().value(0), path);

    // The same search with windows: its window 42 and the list's entry 42 opened give the same bytes.
    Write(Store(), settings::kOpenWindows, 1);
    app->OpenDocumentFile(path);
    ASSERT_EQ(Model().rowCount(), 600);
    const Dib searched = DuplicateDib(app->DocTemplate()->Frames().at(41)->GetDocument()->m_hDIB);
    app->OnCloseAllWindows();
    CVorelDoc* doc = app->OnListOpen({41});
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("MANY_042"));
    EXPECT_TRUE(doc->m_hDIB == searched);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1);
}

TEST_F(ImageListTest, AnEntryWhoseFileChangedSaysSoAndStays) {
    Write(Store(), settings::kOpenWindows, 0);
    const QString path = WriteFile(QStringLiteral("GONE.BIN"), TimFile(3));
    app->OpenDocumentFile(path);
    ASSERT_EQ(Model().rowCount(), 3);
    CThumbnailCache& cache = *Dock().Thumbnails();
    cache.Request(Model().Entry(1));
    cache.WaitForIdle();
    ASSERT_EQ(cache.StatusOf(Model().Entry(1).id), CThumbnailCache::Status::kReady);
    WriteFile(QStringLiteral("GONE.BIN"), TimFile(4));
    messages.shown.clear();
    EXPECT_EQ(app->OnListOpen({1}), nullptr);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("GONE_002")));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("検索の後でﾌｧｲﾙが変更されたか削除された")));
    // The thumbnail made before the change gives way to the mark; one asked for now is the mark.
    EXPECT_EQ(cache.StatusOf(Model().Entry(1).id), CThumbnailCache::Status::kStale);
    cache.Request(Model().Entry(2));
    cache.WaitForIdle();
    EXPECT_EQ(cache.StatusOf(Model().Entry(2).id), CThumbnailCache::Status::kStale);
    EXPECT_EQ(Model().rowCount(), 3);
}

TEST_F(ImageListTest, SavingASelectionWritesOnlyItAsSaveAllWould) {
    const QString path = WriteFile(QStringLiteral("SAVE.BIN"), TimFile(3));
    app->OpenDocumentFile(path);
    delete app->DocTemplate()->Frames().at(2);  // the third is saved from its file
    const QString folder = PathIn(QStringLiteral("out"));
    QDir().mkpath(folder);
    auto* timer = new QTimer(app.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, folder] {
        auto* dialog = qobject_cast<CSaveOptionsDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        dialog->FolderEdit()->setText(folder);
        dialog->ImageTypeButton(0)->setChecked(true);
        dialog->OkButton()->click();
    });
    timer->start();
    app->OnListSave({0, 2});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"SAVE_001.BMP", "SAVE_003.BMP"}));
    EXPECT_EQ(MessageTexts().last(), QStringLiteral("保存終了"));
}

TEST_F(ImageListTest, TheDockIsNamedToggledAndOpensOnActivation) {
    ui::CImageListDock& dock = Dock();
    const CMainFrame::Actions& a = frame->GetActions();
    EXPECT_EQ(a.viewImageList->text(), QStringLiteral("ｲﾒｰｼﾞ一覧(&L)"));
    EXPECT_FALSE(a.viewImageList->isChecked());
    a.viewImageList->trigger();
    EXPECT_TRUE(dock.isVisible());
    EXPECT_EQ(Read(Store(), settings::kListVisible), 1);
    EXPECT_EQ(frame->dockWidgetArea(&dock), Qt::LeftDockWidgetArea);
    for (QWidget* w : std::initializer_list<QWidget*>{&dock, dock.ThumbnailView(), dock.DetailsView()})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();

    app->OpenDocumentFile(WriteFile(QStringLiteral("TWO.BIN"), TimFile(2)));
    app->OnCloseAllWindows();
    dock.ShowThumbnails(false);
    const QModelIndex second = dock.DetailsView()->model()->index(1, 0);
    emit dock.DetailsView()->activated(second);  // what a double-click or Enter sends
    ASSERT_EQ(app->DocTemplate()->DocumentCount(), 1);
    EXPECT_EQ(Titles(), QStringList{"TWO_002"});
    dock.UpdateActions();
    EXPECT_TRUE(dock.GetActions().clear->isEnabled());
    dock.GetActions().clear->trigger();
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 1) << "clearing the list closes no window";
}

TEST_F(ImageListTest, TheFilterRowDrivesBothViewsAndRemovalKeepsTheWindows) {
    app->OpenDocumentFile(WriteFile(QStringLiteral("MIXED.BIN"), MixedFile()));
    ui::CImageListDock& dock = Dock();
    ui::CImageListFilterBar& bar = *dock.FilterBar();
    for (QWidget* w : std::initializer_list<QWidget*>{bar.TextEdit(), bar.KindButton(), bar.MinimumSizeBox()})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    const auto shown = [&] {
        QStringList titles;
        QAbstractItemModel* m = dock.ThumbnailView()->model();
        for (int row = 0; row < m->rowCount(); ++row) titles << m->index(row, 0).data().toString();
        EXPECT_EQ(dock.DetailsView()->model(), m) << "one order for both views";
        return titles;
    };
    bar.MinimumSizeBox()->setValue(7);  // hides 8 x 6, 6 x 5 and 9 x 3
    EXPECT_EQ(shown(), (QStringList{"MIXED_001", "MIXED_004", "MIXED_005"}));
    for (QAction* kind : bar.KindButton()->menu()->actions())
        if (kind->text() == QStringLiteral("TIM4")) kind->toggle();
    EXPECT_EQ(shown(), (QStringList{"MIXED_004", "MIXED_005"}));
    bar.TextEdit()->setText(QStringLiteral("_005"));
    EXPECT_EQ(shown(), QStringList{"MIXED_005"});
    bar.TextEdit()->clear();
    bar.MinimumSizeBox()->setValue(0);

    dock.SelectRow(1);
    dock.GetActions().remove->trigger();
    EXPECT_EQ(shown(), (QStringList{"MIXED_003", "MIXED_004", "MIXED_005", "MIXED_006"}));  // TIM4 still off
    EXPECT_EQ(Model().rowCount(), 5);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), 6) << "removing an entry closes no window";
}

TEST_F(ImageListTest, CancelActsWhileWindowsOpenBetweenTwoProgressPoints) {
    // 300 TIMs before the second of the 50 progress points: without a look at
    // Cancel as the windows open, all 300 would open before it is heard.
    Write(Store(), settings::kSearchType, 0);
    Bytes bytes = ManySmallTims(300);
    bytes.resize(4'000'000, 0);
    const QString path = WriteFile(QStringLiteral("DENSE.BIN"), bytes);
    app->SetCancelCheckInterval(0);  // every window counts as 0.2 s of work
    messages.answers = {MessageAnswer::Yes};
    DuringSearch([this](CProgressDlg* progress) {
        if (app->DocTemplate()->DocumentCount() < 10) return false;
        progress->CancelButton()->click();
        return true;
    });
    app->OpenDocumentFile(path);
    const int opened = app->DocTemplate()->DocumentCount();
    EXPECT_GE(opened, 10);
    EXPECT_LT(opened, 50);
    // Asked once, as at a progress point; the count is of the windows opened.
    EXPECT_EQ(MessageTexts(), (QStringList{QStringLiteral("Are you sure you want to Cancel?"),
                                           QStringLiteral("%1 Images Find").arg(opened)}));
    EXPECT_EQ(Model().rowCount(), opened);

    // Answered No, the search goes on to the end.
    messages.shown.clear();
    messages.answers = {MessageAnswer::No};
    DuringSearch([](CProgressDlg* progress) {
        progress->CancelButton()->click();
        return true;
    });
    app->OpenDocumentFile(path);
    EXPECT_EQ(app->DocTemplate()->DocumentCount(), opened + 300);
    EXPECT_EQ(MessageTexts().last(), QStringLiteral("300 Images Find"));
}

TEST_F(ImageListTest, F6MovesTheFocusBetweenTheWindowAndTheList) {
    app->OpenDocumentFile(WriteFile(QStringLiteral("TWO.BIN"), TimFile(2)));
    const CMainFrame::Actions& a = frame->GetActions();
    EXPECT_EQ(a.switchPane->shortcut(), QKeySequence(Qt::Key_F6));
    EXPECT_FALSE(a.switchPane->text().isEmpty());
    CChildFrame* active = frame->ActiveChildFrame();
    ASSERT_NE(active, nullptr);
    // Showing the list gives it the keyboard.
    a.viewImageList->trigger();
    EXPECT_EQ(frame->focusWidget(), Dock().CurrentView());
    a.switchPane->trigger();
    EXPECT_TRUE(active->isAncestorOf(frame->focusWidget()));
    a.switchPane->trigger();
    EXPECT_EQ(frame->focusWidget(), Dock().CurrentView());
    Dock().ShowThumbnails(false);
    a.switchPane->trigger();
    a.switchPane->trigger();
    EXPECT_EQ(frame->focusWidget(), Dock().DetailsView());
}

TEST_F(ImageListTest, AChangedFileMarksItsEntriesAtOnce) {
    Write(Store(), settings::kOpenWindows, 0);
    const QString path = WriteFile(QStringLiteral("WATCH.BIN"), TimFile(3));
    app->OpenDocumentFile(path);
    CThumbnailCache& cache = *Dock().Thumbnails();
    EXPECT_TRUE(Dock().FileWatcher()->WatchedFiles().contains(path));
    const auto ready = [&](int row) {
        cache.Request(Model().Entry(row));
        cache.WaitForIdle();
        return cache.StatusOf(Model().Entry(row).id) == CThumbnailCache::Status::kReady;
    };
    const auto becomesStale = [&](int row) {
        QElapsedTimer clock;
        clock.start();
        while (cache.StatusOf(Model().Entry(row).id) != CThumbnailCache::Status::kStale && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return cache.StatusOf(Model().Entry(row).id) == CThumbnailCache::Status::kStale;
    };
    ASSERT_TRUE(ready(1));
    // Replaced by a rename, as editors save: no entry is opened, yet the mark shows.
    const QString other = WriteFile(QStringLiteral("WATCH.NEW"), TimFile(4));
    ASSERT_EQ(std::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    EXPECT_TRUE(becomesStale(1));
    EXPECT_TRUE(becomesStale(0));
    // The new file is watched in its turn: written to in place, its entries are marked too.
    app->OpenDocumentFile(path);
    ASSERT_EQ(Model().rowCount(), 7);
    ASSERT_TRUE(ready(4));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("more");
    }
    EXPECT_TRUE(becomesStale(4));
    EXPECT_TRUE(MessageTexts().filter(QStringLiteral("ﾌｧｲﾙ")).isEmpty());
    Dock().GetActions().clear->trigger();
    EXPECT_TRUE(Dock().FileWatcher()->WatchedFiles().isEmpty());
}

TEST_F(ImageListTest, CountKindsCloseButtonAndTheActiveWindowsEntry) {
    app->OpenDocumentFile(WriteFile(QStringLiteral("MIXED.BIN"), MixedFile()));
    ui::CImageListDock& dock = Dock();
    // After the search the newest window is active, and its entry selected.
    EXPECT_EQ(dock.SelectedRows(), QList<int>{5});
    QLabel* count = dock.CountLabel();
    EXPECT_EQ(count->text(), QStringLiteral("6 / 6"));
    EXPECT_EQ(count->accessibleName(), count->text());
    ui::CImageListFilterBar& bar = *dock.FilterBar();
    bar.MinimumSizeBox()->setValue(7);
    EXPECT_EQ(count->text(), QStringLiteral("3 / 6"));
    bar.MinimumSizeBox()->setValue(0);
    QAction* tim4 = nullptr;
    for (QAction* kind : bar.KindButton()->menu()->actions())
        if (kind->text() == QStringLiteral("TIM4")) tim4 = kind;
    ASSERT_NE(tim4, nullptr);
    tim4->toggle();
    EXPECT_EQ(bar.KindButton()->text(), QStringLiteral("種類 (7/8)"));
    EXPECT_EQ(bar.KindButton()->accessibleName(), bar.KindButton()->text());
    EXPECT_EQ(count->text(), QStringLiteral("5 / 6"));
    tim4->toggle();
    EXPECT_EQ(bar.KindButton()->text(), QStringLiteral("種類"));

    // The dock's own close button is remembered at once, as the menu's switch is.
    frame->GetActions().viewImageList->trigger();
    ASSERT_EQ(Read(Store(), settings::kListVisible), 1);
    dock.close();
    EXPECT_EQ(Read(Store(), settings::kListVisible), 0);
    EXPECT_FALSE(frame->GetActions().viewImageList->isChecked());
}

}  // namespace
}  // namespace vorel::testing
