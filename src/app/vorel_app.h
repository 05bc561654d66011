// The application object: it owns the settings store, the search state, the
// document template and the main window, runs every search (File > Open, the
// command line, dropped files, the recent-file list and names handed over by
// a second copy), and serves the application's own commands.
//
// Searches never nest. A scan lets the event loop run at its progress points,
// so names handed over or dropped meanwhile are queued and searched, in the
// order they came, once the running search has ended.
#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QLocalSocket>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "app/recent_file_list.h"
#include "disc/cue_sheet.h"
#include "disc/disc_map.h"
#include "list/ui/image_list_entry.h"
#include "search/search_host.h"
#include "search/search_state.h"
#include "search/settings.h"

class CMainFrame;
class CProgressDlg;
class CVorelDoc;
class CVorelDocTemplate;

namespace vorel::ui {
class CImageListModel;
}

class CVorelApp : public QObject, public vorel::ISearchHost {
    Q_OBJECT
  public:
    explicit CVorelApp(std::unique_ptr<vorel::ISettingsStore> store, QObject* parent = nullptr);
    ~CVorelApp() override;

    // Start-up: reads the palette switch and the recent files, makes the
    // template and the main window, searches `files` in order, then shows the
    // main window.
    bool InitInstance(const QStringList& files);

    // Searches one file and opens a window for each image found; returns the
    // last document opened, or null. Called while another search runs, it
    // queues the file instead and returns null.
    CVorelDoc* OpenDocumentFile(const QString& path);

    // Names handed over by a second copy; `sender` is told when all are searched.
    void OnHandOff(const QStringList& files, const QPointer<QLocalSocket>& sender);
    // Files dropped on the main window, searched one after the other.
    void OpenDroppedFiles(const QStringList& files);

    bool IsSearchRunning() const { return m_nRunDepth > 0; }
    // No search running and nothing waiting to be searched.
    bool IsIdle() const { return m_nRunDepth == 0 && m_pending.isEmpty() && !m_bDraining; }

    vorel::ISettingsStore& Store() { return *m_pStore; }
    vorel::SearchState& State() { return m_state; }
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    CVorelDocTemplate* DocTemplate() const { return m_pDocTemplate; }
    vorel::app::CRecentFileList& RecentFiles() { return m_recentFiles; }
    CProgressDlg* ProgressDialog() const { return m_pProgress.get(); }
    // Documents opened by the search that ran last.
    int DocumentsOpenedByLastRun() const { return m_nRunDocuments; }
    // Every image of this session's searches (the image list's model).
    vorel::ui::CImageListModel* ListModel() const { return m_pListModel; }
    // How much work, at most, passes between two looks at Cancel while
    // images are found (tests shorten it).
    static constexpr int kCancelCheckMs = 200;
    void SetCancelCheckInterval(int ms) { m_nCancelCheckMs = ms; }
    // How long a file's search runs before its progress box shows (tests change it).
    static constexpr int kProgressShowDelayMs = 500;
    void SetProgressShowDelay(int ms) { m_nProgressShowDelayMs = ms; }

    // The palette-optimisation switch as the menu shows it (0 or 1).
    int m_bOptimizePalette = 0;

  public slots:
    void OnFileOpen();
    void OnFileNew();
    void OnOpenRecentFile(const QString& path);
    void OnPaletteOptimize();
    void OnCloseAllWindows();
    void OnSearchSettings();
    void OnAppAbout();
    // Save All: every open image into one folder, after the save-options dialog.
    void OnSaveAll();

    // The image list's commands, for rows of its model. Open activates each
    // entry's window, reopening it from its file when it was closed; the
    // last one opened or activated is returned.
    CVorelDoc* OnListOpen(const QList<int>& rows);
    void OnListClose(const QList<int>& rows);
    // Save All's dialog and run, for these entries only, in the order given.
    void OnListSave(const QList<int>& rows);

  signals:
    // The last queued search has ended and nothing more is waiting.
    void idle();
    // A second copy's names have all been searched and the copy told so.
    void handOffServed();

  public:
    // vorel::ISearchHost: what a scan needs from the windowed program.
    void CreateProgress() override;
    void SetProgressLabel(std::string_view label) override;
    bool CheckCancel() override;
    void HoldForHandOffIfAsked();
    void StepProgress() override;
    void DestroyProgress() override;
    bool AskYesNo(std::string_view question) override;
    vorel::DocumentRef OpenDocument(const vorel::SearchState& state, std::string_view path) override;

  private:
    struct PendingWork {
        QStringList files;
        bool fromHandOff = false;
        QPointer<QLocalSocket> sender;
    };
    class RunScope;
    enum class RunOutcome { NotSearched, Cancelled, Searched };

    // Every file `path` stands for (itself, or the files of a cue sheet), each
    // with its own scans and closing message; the last document opened.
    CVorelDoc* RunPlannedSearch(const QString& path);
    // The scans of one file and their closing message; the result of the scans.
    CVorelDoc* RunSearch(const QString& path, const vorel::SearchTarget& target);
    // The entry of a hit (the list's model takes entries in batches, see FlushListEntries).
    void AddListEntry(const vorel::SearchState& state, std::string_view path, CVorelDoc* doc);
    // `now` false: unless a batch went to the model less than a moment ago.
    void FlushListEntries(bool now = true);
    // An entry's image read again from its file into a document: a window
    // (`makeVisible`) or, with no template, a document of the caller's. Null
    // with a message when the file changed or the image cannot be read.
    CVorelDoc* ReopenEntry(int row);
    std::unique_ptr<CVorelDoc> ReadEntryDocument(int row, bool quiet);
    // Hides and deletes the progress box, re-enabling the main window.
    void CloseProgress();
    // Between two progress points: true once the user has confirmed Cancel.
    bool CancelConfirmedMeanwhile();
    void Enqueue(PendingWork work);
    void ScheduleDrain();
    void DrainQueue();

    std::unique_ptr<vorel::ISettingsStore> m_pStore;
    vorel::SearchState m_state;
    vorel::app::CRecentFileList m_recentFiles;
    CVorelDocTemplate* m_pDocTemplate = nullptr;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    std::unique_ptr<CProgressDlg> m_pProgress;
    bool m_bKeepProgress = false;  // while a file's scans run: one box serves them all
    QString m_strRunPath;
    QElapsedTimer m_runClock;  // since the search of m_strRunPath began
    int m_nProgressShowDelayMs = kProgressShowDelayMs;
    // The disc files of the file being searched, read once before its scans.
    std::unique_ptr<vorel::DiscMap> m_pDiscMap;
    QString m_strRecentName;  // what the recent-file list keeps for the run (a cue sheet, not its .bin)
    int m_nRunDepth = 0;
    int m_nRunDocuments = 0;
    int m_nRunListed = 0;  // images of the last run that went to the list only
    bool m_bRunOpensWindows = true;  // "OpenWindows" as the running search read it
    // Opening windows can take far longer than the scan between two progress
    // points, so Cancel is looked at every m_nCancelCheckMs of that work too.
    // A Cancel confirmed there opens nothing more and ends the scan at its
    // next point, counting the images found as they stood when confirmed.
    QElapsedTimer m_cancelClock;
    int m_nCancelCheckMs = kCancelCheckMs;
    bool m_bCancelConfirmed = false;
    std::int32_t m_nCancelHits = 0;
    std::int32_t m_nCancelShown = 0;
    std::int32_t m_nCancelPaletteImages = 0;
    vorel::ui::CImageListModel* m_pListModel = nullptr;
    std::vector<vorel::ui::ImageListEntry> m_listPending;
    QElapsedTimer m_listFlushClock;  // since the last batch went to the list
    QList<PendingWork> m_pending;
    bool m_bDraining = false;
    bool m_bDrainScheduled = false;
    bool m_bStarted = false;
    RunOutcome m_lastRun = RunOutcome::NotSearched;
};
