// Start-up and the application's own commands.
#include "app/vorel_app.h"

#include <QMdiArea>

#include "app/about_box.h"
#include "app/doc_template.h"
#include "app/child_frame.h"
#include "app/main_frame.h"
#include "docview/ui/vorel_doc.h"
#include "export/ui/save_all.h"
#include "list/ui/image_list_model.h"
#include "ui/message_service.h"
#include "search/ui/progress_dialog.h"
#include "search/ui/search_set_dialog.h"

CVorelApp::CVorelApp(std::unique_ptr<vorel::ISettingsStore> store, QObject* parent)
    : QObject(parent), m_pStore(std::move(store)), m_recentFiles(*m_pStore) {}

CVorelApp::~CVorelApp() {
    m_pProgress.reset();
    if (m_pDocTemplate) {
        // The windows go with the main window; nothing may call back into it meanwhile.
        m_pDocTemplate->disconnect();
        m_pDocTemplate->SetMainFrame(nullptr);
    }
    m_pMainFrame.reset();
}

bool CVorelApp::InitInstance(const QStringList& files) {
    m_bOptimizePalette = vorel::Read(*m_pStore, vorel::settings::kPaletteFlag);
    m_recentFiles.Load();

    m_pDocTemplate = new CVorelDocTemplate(m_state, *m_pStore, this);
    connect(m_pDocTemplate, &CVorelDocTemplate::documentOpened, this,
            [this](const QString& path) { m_recentFiles.Add(m_strRecentName.isEmpty() ? path : m_strRecentName); });

    m_pListModel = new vorel::ui::CImageListModel(this);
    m_pMainFrame = std::make_unique<CMainFrame>(*this);
    m_pDocTemplate->SetMainFrame(m_pMainFrame.get());
    connect(m_pDocTemplate, &CVorelDocTemplate::documentCountChanged, m_pMainFrame.get(), [this] {
        if (!m_pMainFrame) return;
        m_pMainFrame->UpdateMenuBar();
        m_pMainFrame->updateActions();
    });

    // Files named at start are searched before the main window shows.
    for (const QString& file : files) OpenDocumentFile(file);

    // Showing the main window shows every image window the start-up searches
    // opened, and each would make itself the active one in turn, at a cost
    // that grows with their number. While the area is disabled they cannot;
    // the newest is made active once, afterwards.
    m_pMainFrame->MdiArea()->setEnabled(false);
    m_pMainFrame->show();
    m_pMainFrame->MdiArea()->setEnabled(true);
    m_pMainFrame->ActivateNewestChild();
    m_bStarted = true;
    // Names handed over while the start-up searches ran are waiting.
    ScheduleDrain();
    return true;
}

void CVorelApp::OnFileNew() {
    if (IsSearchRunning()) return;
    m_pDocTemplate->OpenNewDocument();
}

void CVorelApp::OnPaletteOptimize() {
    m_bOptimizePalette = m_bOptimizePalette != 0 ? 0 : 1;
    vorel::Write(*m_pStore, vorel::settings::kPaletteFlag, m_bOptimizePalette);
}

void CVorelApp::OnCloseAllWindows() {
    m_pDocTemplate->CloseAllDocuments();
}

void CVorelApp::OnSearchSettings() {
    CSearchSetDlg dialog(*m_pStore, m_pMainFrame.get());
    dialog.exec();
}

void CVorelApp::OnSaveAll() {
    // In the order the documents were made, the order the window menu lists them.
    QList<CVorelDoc*> documents;
    for (CChildFrame* frame : m_pDocTemplate->Frames()) documents.append(frame->GetDocument());
    vorel::ui::SaveAllDocuments(*m_pStore, documents, m_pMainFrame.get());
}

void CVorelApp::OnAppAbout() {
    CAboutBox box(m_pMainFrame.get());
    box.exec();
}
