// A search run through the real application: windows opened in order and
// named after the file, the closing count, the progress box's Cancel and its
// question, divided searches and palette images.
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QThread>

#include "app_test_support.h"
#include "sample_builders/cd_sectors.h"
#include "sample_builders/disc_image.h"
#include "app/child_frame.h"
#include "docview/ui/image_info_dialog.h"
#include "docview/ui/vorel_view.h"
#include "docview/ui/vorel_doc.h"
#include "list/ui/image_list_model.h"
#include "search/ui/divide_search_dialog.h"
#include "search/ui/open_file_dialog.h"
#include "search/ui/progress_dialog.h"

namespace vorel::testing {
namespace {

using SearchRunTest = AppTest;

const QString kCancelQuestion = QStringLiteral("Are you sure you want to Cancel?");
const QString kNotFound = QStringLiteral("\n指定したﾊﾟｽ名またはﾌｧｲﾙ名がみつかりません。");

// Answers the next modal dialog (the divided-search dialog) with OK or Cancel.
void AnswerNextModal(bool accept) {
    QTimer::singleShot(0, [accept] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

TEST_F(SearchRunTest, OpensOneWindowPerImageInFileOrder) {
    const QString path = WriteFile("DATA.BIN", TimFile(3));
    CVorelDoc* last = app->OpenDocumentFile(path);

    ASSERT_NE(last, nullptr);
    EXPECT_EQ(Titles(), (QStringList{"DATA_001", "DATA_002", "DATA_003"}));
    EXPECT_EQ(last->GetTitle(), "DATA_003");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "3 Images Find");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(frame->windowTitle(), "Vorel - DATA_003");
    EXPECT_TRUE(frame->ShowsImageMenu());
    EXPECT_EQ(app->RecentFiles().Entries().value(0), path);
}

// A cue sheet opens the files it names, each searched and titled as itself;
// the recent-file list keeps the sheet; a file it names that is missing is
// reported by name and the rest still searched.
TEST_F(SearchRunTest, CueSheetSearchesItsRawImagesAsIfEachWereOpened) {
    const Bytes tims = TimFile(2);
    const samples::RawLayout layout{samples::SectorKind::kMode2Form1, 3, 0, 0};
    WriteFile("DISC.BIN", samples::WrapRaw(tims, layout));
    WriteFile("MORE.BIN", samples::WrapRaw(TimFile(1), {samples::SectorKind::kMode1, 0, 0, 0}));
    const std::string sheet = "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE2/2352\n"
                              "FILE \"GONE.BIN\" BINARY\n  TRACK 02 MODE2/2352\n"
                              "FILE \"MORE.BIN\" BINARY\n  TRACK 03 MODE1/2352\n";
    const QString cue = WriteFile("DISC.cue", Bytes(sheet.begin(), sheet.end()));
    // Never read raw by the setting: the sheet's word holds.
    Write(Store(), settings::kRawSectors, 2);

    CVorelDoc* last = app->OpenDocumentFile(cue);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(Titles(), (QStringList{"DISC_001", "DISC_002", "MORE_001"}));
    EXPECT_EQ(MessageTexts(), (QStringList{"2 Images Find", PathIn("GONE.BIN") + kNotFound, "1 Images Find"}));
    EXPECT_EQ(app->RecentFiles().Entries().value(0), cue);
    EXPECT_EQ(app->RecentFiles().Entries().size(), 1);

    const std::string junk(2000000, 'x');
    const QString bad = WriteFile("JUNK.CUE", Bytes(junk.begin(), junk.end()));
    messages.shown.clear();
    EXPECT_EQ(app->OpenDocumentFile(bad), nullptr);
    EXPECT_EQ(MessageTexts(), QStringList{bad + QStringLiteral("\nｷｭｰｼｰﾄではありません(1,000,000ﾊﾞｲﾄを超えています)。")});
}

TEST_F(SearchRunTest, MissingPathIsReportedAndNothingIsSearched) {
    app->State().m_nHitCount = 7;  // counters stay as the last run left them
    const QString path = PathIn("no such file.bin");
    EXPECT_EQ(app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(MessageTexts(), QStringList{path + kNotFound});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(app->State().m_nHitCount, 7);
    EXPECT_TRUE(Titles().isEmpty());
}

TEST_F(SearchRunTest, UnknownSearchTypeRunsNoScanButStillCloses) {
    Write(Store(), settings::kSearchType, 3);
    EXPECT_EQ(app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2))), nullptr);
    EXPECT_EQ(MessageTexts(), QStringList{"0 Images Find"});
    EXPECT_TRUE(Titles().isEmpty());
}

TEST_F(SearchRunTest, PaletteImagesAndABitmapInOneRun) {
    Write(Store(), settings::kPaletteImage, 1);
    Bytes bytes;
    AppendFiller(bytes, 10);
    Append(bytes, samples::MakeTim(8, 16, 4, 4, 3));
    AppendFiller(bytes, 10);
    Append(bytes, samples::MakeDib(8, 6, 3, 0, false, 5));
    AppendFiller(bytes, 10);
    app->OpenDocumentFile(WriteFile("DATA.BIN", bytes));

    EXPECT_EQ(Titles(),
              (QStringList{"DATA_001_001", "DATA_001_002", "DATA_001_003", "DATA_001_004", "DATA_002"}));
    EXPECT_EQ(MessageTexts(), QStringList{QStringLiteral("2 Images Find (Palette含 4)")});
}

TEST_F(SearchRunTest, DividedSearchShowsItsDialogThenOnlyItsWindow) {
    Write(Store(), settings::kDivideSearch, 1);
    Write(Store(), settings::kDivideNum, 2);
    Write(Store(), settings::kDividePos, 1);
    const QString path = WriteFile("DATA.BIN", TimFile(5));

    AnswerNextModal(true);
    app->OpenDocumentFile(path);
    EXPECT_EQ(Titles(), (QStringList{"DATA_003", "DATA_004"}));
    EXPECT_EQ(MessageTexts(), QStringList{"2 Images Find"});
}

TEST_F(SearchRunTest, CancelledDividedSearchDialogSearchesNothing) {
    Write(Store(), settings::kDivideSearch, 1);
    AnswerNextModal(false);
    EXPECT_EQ(app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2))), nullptr);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Titles().isEmpty());
}

TEST_F(SearchRunTest, ProgressBoxDisablesTheMainWindowWhileItExists) {
    bool sawDisabled = false;
    DuringSearch([&](CProgressDlg*) {
        sawDisabled = !frame->isEnabled();
        return true;
    });
    app->OpenDocumentFile(WriteFile("DATA.BIN", TimFile(2)));
    EXPECT_TRUE(sawDisabled);
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_EQ(app->ProgressDialog(), nullptr);
}

// A quick search shows no box; one that lasts shows it once its delay has
// passed, Cancel there asks as ever, and the bitmap scan goes on in that box.
TEST_F(SearchRunTest, ProgressBoxShowsOnceTheSearchHasLastedItsDelay) {
    Write(Store(), settings::kSearchType, 2);
    Bytes bytes(100'000, 0);  // the images lie past the points where Cancel is pressed
    Append(bytes, TimFile(2));
    const QString path = WriteFile("LATE.BIN", bytes);
    bool lasting = false;
    QStringList turns;  // the box at each turn of the event loop: "TIM検索 shown 4%"
    DuringSearch([&](CProgressDlg* progress) {
        const bool shown = progress->isVisible();
        turns << progress->LabelText() + (shown ? " shown " : " hidden ") + progress->PercentText();
        if (shown && progress->LabelText() == QStringLiteral("TIM検索")) progress->CancelButton()->click();
        if (!shown && lasting) QThread::msleep(10);
        return false;
    });
    app->OpenDocumentFile(path);
    EXPECT_TRUE(turns.filter(" shown ").isEmpty()) << turns.join('\n').toStdString();
    EXPECT_EQ(MessageTexts(), QStringList{"2 Images Find"});

    app->SetProgressShowDelay(60);
    lasting = true;
    turns.clear();
    messages.shown.clear();
    messages.answers = {MessageAnswer::Yes};
    app->OpenDocumentFile(path);
    EXPECT_TRUE(turns.value(0).startsWith(QStringLiteral("TIM検索 hidden")));
    EXPECT_TRUE(turns.filter(" shown ").value(0).startsWith(QStringLiteral("TIM検索")));
    EXPECT_EQ(turns.filter(QStringLiteral("BMP検索")).value(0).toStdString(), "BMP検索 shown  0 %");
    EXPECT_EQ(MessageTexts(), (QStringList{kCancelQuestion, "0 Images Find"}));
}

struct CancelCase {
    const char* name;
    MessageAnswer answer;
    QStringList titles;
    QString closing;
};

TEST_F(SearchRunTest, CancelAsksAndActsOnTheAnswer) {
    const CancelCase cases[] = {
        {"yes abandons the scan", MessageAnswer::Yes, {}, "0 Images Find"},
        {"no lets it go on", MessageAnswer::No, {"DATA_001", "DATA_002", "DATA_003"}, "3 Images Find"},
    };
    Write(Store(), settings::kSearchType, 0);
    const QString path = WriteFile("DATA.BIN", TimFile(3));
    for (const CancelCase& c : cases) {
        SCOPED_TRACE(c.name);
        app->OnCloseAllWindows();
        messages.shown.clear();
        messages.answers = {c.answer};
        // Cancel before the first progress point, as a user pressing it at once.
        DuringSearch([](CProgressDlg* progress) {
            progress->CancelButton()->click();
            return true;
        });
        app->OpenDocumentFile(path);
        EXPECT_EQ(Titles(), c.titles);
        EXPECT_EQ(MessageTexts(), (QStringList{kCancelQuestion, c.closing}));
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    }
}

TEST_F(SearchRunTest, OpenDialogWithATypedMissingNameFindsNothingWithoutComplaint) {
    const QString path = PathIn("typed-but-missing.bin");
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<CMyFile95Dlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    app->OnFileOpen();
    EXPECT_EQ(MessageTexts(), QStringList{"0 Images Find"});
}

TEST_F(SearchRunTest, NewEmptyDocumentsAreNumberedAndHarmless) {
    app->OnFileNew();
    app->OnFileNew();
    EXPECT_EQ(Titles(), (QStringList{"Vorel1", "Vorel2"}));
    // Every view command on an image-less window, and a redraw.
    const CMainFrame::Actions& a = frame->GetActions();
    for (QAction* action : {a.viewFit, a.zoom[0], a.zoom[5], a.viewActual, a.autoSize}) action->trigger();
    frame->grab();
    EXPECT_TRUE(messages.shown.empty());
}

// A raw BIN/CUE of a genisoimage disc: each window's document knows the disc
// file of its image, and the information box shows it.
TEST_F(SearchRunTest, DocumentsOfADiscImageCarryTheirDiscFile) {
    const QString src = PathIn("src");
    QDir().mkpath(src);
    const auto placed = samples::WriteDiscSource(src.toStdString());
    const QString iso = PathIn("disc.iso");
    ASSERT_TRUE(samples::MakeIso(src.toStdString(), iso.toStdString(), "-D -J"));
    QFile file(iso);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    WriteFile("GAME.BIN", samples::WrapRaw(Bytes(bytes.begin(), bytes.end()), {}));
    WriteFile("GAME.cue", [] {
        const std::string sheet = samples::MakeCueSheet("GAME.BIN", samples::SectorKind::kMode2Form1);
        return Bytes(sheet.begin(), sheet.end());
    }());
    app->OpenDocumentFile(PathIn("GAME.cue"));
    QStringList shown;
    for (const CChildFrame* f : app->DocTemplate()->Frames()) {
        CImageInfoDlg box;
        box.SetFromDocument(*f->GetView()->GetDocument());
        shown << box.ValueLabel(5)->text();
    }
    QStringList expected;
    for (const auto& p : placed)
        expected << QStringLiteral("%1 (+0x%2)").arg(QString::fromStdString(p.discPath), QString::number(p.offset, 16).toUpper());
    std::sort(shown.begin(), shown.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected);

    // The image list names them alike, for a search that opened windows and for one that did not.
    Write(Store(), settings::kOpenWindows, 0);
    app->OpenDocumentFile(PathIn("GAME.cue"));
    const ui::CImageListModel& model = *app->ListModel();
    ASSERT_EQ(model.rowCount(), 2 * static_cast<int>(placed.size()));
    QStringList listed;
    for (int row = 0; row < model.rowCount(); ++row)
        listed << model.index(row, ui::CImageListModel::kDiscFile).data().toString();
    std::sort(listed.begin(), listed.end());
    QStringList twice;
    for (const QString& e : expected) twice << e << e;
    EXPECT_EQ(listed, twice);
}

}  // namespace
}  // namespace vorel::testing
