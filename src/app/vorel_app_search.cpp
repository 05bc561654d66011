// The search run and its ways in: the open dialog, OpenDocumentFile (command
// line, recent files, drops, hand-offs), and the queue that keeps searches
// from nesting.
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "app/doc_template.h"
#include "app/main_frame.h"
#include "app/message_log_service.h"
#include "ui/message_service.h"
#include "app/single_instance.h"
#include "app/vorel_app.h"

#include "docview/hit_to_dib.h"
#include "docview/ui/vorel_doc.h"
#include "search/chunk_scan.h"
#include "search/search_run.h"
#include "search/ui/divide_search_dialog.h"
#include "search/ui/open_file_dialog.h"
#include "search/ui/progress_dialog.h"

using vorel::MessageAnswer;
using vorel::MessageButtons;
using vorel::MessageIcon;
using vorel::Messages;

// Marks a search run for as long as it lasts; when the outermost run ends,
// whatever was queued meanwhile gets its turn.
class CVorelApp::RunScope {
  public:
    explicit RunScope(CVorelApp& app) : app_(app) { ++app_.m_nRunDepth; }
    ~RunScope() {
        if (--app_.m_nRunDepth == 0 && !app_.m_bDraining) app_.ScheduleDrain();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

  private:
    CVorelApp& app_;
};

namespace {

bool EntryExists(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

CVorelDoc* CVorelApp::OpenDocumentFile(const QString& path) {
    if (IsSearchRunning()) {
        Enqueue({QStringList{path}, false, {}});
        return nullptr;
    }
    RunScope run(*this);
    m_lastRun = RunOutcome::NotSearched;
    m_nRunDocuments = 0;
    m_nRunListed = 0;
    if (m_pMainFrame) m_pMainFrame->BringToFront();
    if (!EntryExists(path)) {
        Messages().ShowMessage(path + QStringLiteral("\n指定したﾊﾟｽ名またはﾌｧｲﾙ名がみつかりません。"),
                               MessageIcon::Exclamation);
        return nullptr;
    }
    m_state.m_nHitCount = 0;
    m_state.m_nShownCount = 0;
    m_state.m_nPaletteImageCount = 0;
    if (vorel::Read(*m_pStore, vorel::settings::kDivideSearch) == 1) {
        CDivideSearchDlg dialog(*m_pStore, m_pMainFrame.get());
        if (dialog.exec() != QDialog::Accepted) {
            m_lastRun = RunOutcome::Cancelled;
            return nullptr;
        }
    }
    return RunPlannedSearch(path);
}

void CVorelApp::OnFileOpen() {
    if (IsSearchRunning()) return;
    CMyFile95Dlg dialog(*m_pStore, m_pMainFrame.get());
    if (!dialog.Run()) return;
    const QString path = dialog.PathName();
    RunScope run(*this);
    RunPlannedSearch(path);
}

namespace {

QString ProblemMessage(vorel::SearchProblem problem, const QString& path) {
    switch (problem) {
        case vorel::SearchProblem::kFileMissing:
            return path + QStringLiteral("\n指定したﾊﾟｽ名またはﾌｧｲﾙ名がみつかりません。");
        case vorel::SearchProblem::kSheetUnreadable:
            return path + QStringLiteral("\nｷｭｰｼｰﾄを読み込めません。");
        case vorel::SearchProblem::kSheetTooLarge:
            return path + QStringLiteral("\nｷｭｰｼｰﾄではありません(1,000,000ﾊﾞｲﾄを超えています)。");
        case vorel::SearchProblem::kSheetNamesNoFile:
            return path + QStringLiteral("\nｷｭｰｼｰﾄにﾃﾞｰﾀﾌｧｲﾙの指定がありません。");
        case vorel::SearchProblem::kSheetTooManyFiles:
            return path + QStringLiteral("\nｷｭｰｼｰﾄではありません(99を超えるﾌｧｲﾙを指定しています)。");
        case vorel::SearchProblem::kNamesItself:
            return path + QStringLiteral("\nｷｭｰｼｰﾄが自分自身を指定しています。");
        case vorel::SearchProblem::kNone: break;
    }
    return path;
}

}  // namespace

CVorelDoc* CVorelApp::RunPlannedSearch(const QString& path) {
    // A cue sheet is searched as the files it names, each as if opened itself;
    // the recent-file list keeps the sheet, which is what the user opened.
    m_nRunDocuments = 0;
    m_nRunListed = 0;
    m_strRecentName = path;
    CVorelDoc* result = nullptr;
    for (const vorel::SearchTarget& target : vorel::PlanSearch(QFile::encodeName(path).toStdString())) {
        const QString name = QFile::decodeName(QByteArray::fromStdString(target.path));
        if (target.problem != vorel::SearchProblem::kNone) {
            m_lastRun = RunOutcome::Searched;
            Messages().ShowMessage(ProblemMessage(target.problem, name), MessageIcon::Exclamation);
            continue;
        }
        if (CVorelDoc* doc = RunSearch(name, target)) result = doc;
    }
    m_strRecentName.clear();
    return result;
}

void CVorelApp::OnOpenRecentFile(const QString& path) {
    if (IsSearchRunning()) return;
    OpenDocumentFile(path);
    // An entry that leads to nothing goes; one whose search the user called
    // off before it began stays.
    if (m_lastRun != RunOutcome::Cancelled && m_nRunDocuments == 0 && m_nRunListed == 0)
        m_recentFiles.Remove(path);
}

CVorelDoc* CVorelApp::RunSearch(const QString& path, const vorel::SearchTarget& target) {
    m_lastRun = RunOutcome::Searched;
    m_strRunPath = path;
    m_runClock.start();
    if (auto* log = vorel::app::MessageLog()) log->Note(QStringLiteral("SEARCH"), {path});
    // Read once per file, asked once per image it holds.
    m_pDiscMap = std::make_unique<vorel::DiscMap>();
    m_pDiscMap->Load(target.path, target.fromSheet ? target.reading : vorel::ReadSectorReading(*m_pStore),
                     target.fromSheet, target.dataTrackStart);
    // Read once, when the search starts: every image of one search goes the same way.
    m_bRunOpensWindows = vorel::Read(*m_pStore, vorel::settings::kOpenWindows) != 0;
    const int listedBefore = m_nRunListed;
    m_bKeepProgress = true;
    QPointer<CVorelDoc> result(
        static_cast<CVorelDoc*>(vorel::RunSearchScans(m_state, *this, *m_pStore, target)));
    m_bKeepProgress = false;
    CloseProgress();
    FlushListEntries();
    m_pDiscMap.reset();
    // A file whose images went to the list only is as much a recent file as one whose windows opened.
    if (m_nRunListed > listedBefore) m_recentFiles.Add(m_strRecentName.isEmpty() ? path : m_strRecentName);
    // Windows opened while the progress box kept the main window disabled
    // could not become active; the newest one is now.
    if (m_nRunDocuments > 0 && m_pMainFrame) m_pMainFrame->ActivateNewestChild();
    // The list did not follow the windows while they opened; it shows the active one's entry now.
    if (m_pMainFrame) m_pMainFrame->SelectActiveEntry();
    Messages().ShowMessage(QString::fromStdString(vorel::ClosingMessage(m_state, *m_pStore)),
                           MessageIcon::Information);
    return result.data();
}

// --- hand-offs and drops -------------------------------------------------

void CVorelApp::OnHandOff(const QStringList& files, const QPointer<QLocalSocket>& sender) {
    if (auto* log = vorel::app::MessageLog()) {
        log->Note(QStringLiteral("HANDOFF"),
                  QStringList{IsSearchRunning() ? QStringLiteral("queued") : QStringLiteral("now")} + files);
    }
    // A second copy only brings the window forward; a minimised one comes back
    // when one of the handed-over files is searched.
    if (m_pMainFrame) m_pMainFrame->BringToFront(false);
    Enqueue({files, true, sender});
}

void CVorelApp::OpenDroppedFiles(const QStringList& files) {
    Enqueue({files, false, {}});
}

void CVorelApp::Enqueue(PendingWork work) {
    m_pending.append(std::move(work));
    ScheduleDrain();
}

void CVorelApp::ScheduleDrain() {
    if (m_bDrainScheduled) return;
    m_bDrainScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_bDrainScheduled = false;
            DrainQueue();
        },
        Qt::QueuedConnection);
}

void CVorelApp::DrainQueue() {
    // A run in progress, or the queue already being worked on further up the
    // stack: the end of that run schedules the next turn.
    if (!m_bStarted || m_nRunDepth > 0 || m_bDraining) return;
    // Nor inside a modal dialog (the open dialog, the settings): its event loop
    // would hold the progress box, and Cancel with it. Try again once it is gone.
    if (!m_pending.isEmpty() && QApplication::activeModalWidget() != nullptr) {
        QTimer::singleShot(200, this, [this] { ScheduleDrain(); });
        return;
    }
    if (m_pending.isEmpty()) {
        emit idle();
        return;
    }
    m_bDraining = true;
    const PendingWork work = m_pending.takeFirst();
    for (const QString& file : work.files) OpenDocumentFile(file);
    m_bDraining = false;
    if (work.fromHandOff) {
        vorel::app::CInstanceServer::Acknowledge(work.sender);
        emit handOffServed();
    }
    ScheduleDrain();
}

// --- the scans' host ------------------------------------------------------

void CVorelApp::CreateProgress() {
    m_bCancelConfirmed = false;
    m_cancelClock.start();
    // The file's second scan (the bitmaps after the TIMs) goes on in its first
    // scan's box: no second window made, no flash, the main window not enabled between.
    if (m_pProgress && m_pProgress->IsCreated()) {
        m_pProgress->Restart();
        return;
    }
    m_pProgress = std::make_unique<CProgressDlg>(0, m_pMainFrame.get());
    // A search over in a moment shows no box; the delay counts from the start of the file's search.
    const qint64 ran = m_runClock.isValid() ? m_runClock.elapsed() : 0;
    m_pProgress->SetShowDelay(static_cast<int>(std::max<qint64>(0, m_nProgressShowDelayMs - ran)));
    // When the box cannot be made the scan still runs, without display or Cancel.
    m_pProgress->Create(m_pMainFrame.get());
}

void CVorelApp::SetProgressLabel(std::string_view label) {
    if (m_pProgress)
        m_pProgress->SetLabel(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
}

bool CVorelApp::CheckCancel() {
    m_cancelClock.restart();
    HoldForHandOffIfAsked();
    // Confirmed between the points: the scan ends here, without asking again.
    if (m_bCancelConfirmed) return true;
    return m_pProgress && m_pProgress->CheckCancel();
}

bool CVorelApp::CancelConfirmedMeanwhile() {
    if (m_bCancelConfirmed) return true;
    if (!m_cancelClock.isValid() || m_cancelClock.elapsed() < m_nCancelCheckMs) return false;
    if (!CheckCancel() || !AskYesNo(vorel::kCancelQuestion)) return false;
    m_bCancelConfirmed = true;
    // The image being found now is not opened: the count stops before it.
    const bool hitStarted = m_state.m_nPaletteIndex > 0;
    m_nCancelHits = m_state.m_nHitCount - (hitStarted ? 0 : 1);
    m_nCancelShown = m_state.m_nShownCount - (hitStarted ? 0 : 1);
    m_nCancelPaletteImages = m_state.m_nPaletteImageCount;
    return true;
}

// VOREL_TEST_HOLD_SEARCH=1 keeps the first search at its first progress point
// until a hand-off has arrived (at most a minute), so a test can hand a file
// over in the middle of a search however slowly the second copy starts.
void CVorelApp::HoldForHandOffIfAsked() {
    static bool held = false;
    if (held || !qEnvironmentVariableIsSet("VOREL_TEST_HOLD_SEARCH")) return;
    held = true;
    QElapsedTimer clock;
    clock.start();
    while (m_pending.isEmpty() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

void CVorelApp::StepProgress() {
    // The list grows at the progress points, a batch at a time, not per image.
    FlushListEntries(false);
    if (m_pProgress) m_pProgress->StepIt();
}

void CVorelApp::DestroyProgress() {
    if (m_bCancelConfirmed) {
        // The scan went on to its next point opening nothing; what it found
        // meanwhile is not counted.
        m_bCancelConfirmed = false;
        m_state.m_nHitCount = m_nCancelHits;
        m_state.m_nShownCount = m_nCancelShown;
        m_state.m_nPaletteImageCount = m_nCancelPaletteImages;
    }
    m_cancelClock.invalidate();
    if (!m_bKeepProgress) CloseProgress();
}

void CVorelApp::CloseProgress() {
    if (!m_pProgress) return;
    m_pProgress->DestroyWindow();
    m_pProgress.reset();
}

bool CVorelApp::AskYesNo(std::string_view question) {
    // Asked and answered Yes between the points already.
    if (m_bCancelConfirmed && question == vorel::kCancelQuestion) return true;
    const QString text = QString::fromUtf8(question.data(), static_cast<qsizetype>(question.size()));
    return Messages().Ask(text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
}

vorel::DocumentRef CVorelApp::OpenDocument(const vorel::SearchState& state, std::string_view path) {
    if (CancelConfirmedMeanwhile()) return nullptr;
    if (!m_bRunOpensWindows) {
        // List only: an entry for every image whose window would have opened.
        if (vorel::ConvertHitToDib(state).IsNull()) return nullptr;
        AddListEntry(state, path, nullptr);
        ++m_nRunListed;
        return nullptr;
    }
    // The template reads the hit from m_state, which the scanners fill; the
    // document keeps the path as the user gave it, not its encoded bytes.
    CVorelDoc* doc = m_pDocTemplate->OpenDocumentFile(m_strRunPath, true);
    vorel::DiscLocation where;
    if (doc && m_pDiscMap && m_pDiscMap->Locate(m_state.m_nHitFileOffset, where)) {
        doc->m_strDiscFile = QString::fromStdString(m_pDiscMap->PathOf(where));
        doc->m_nDiscFileOffset = where.offset;
    }
    if (doc) {
        ++m_nRunDocuments;
        AddListEntry(state, path, doc);
    }
    return doc;
}
