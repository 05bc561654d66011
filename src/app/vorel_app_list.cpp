// The image list's side of the application: an entry for every image a search
// finds, and the list's commands (open again, close, save the selection).
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "app/child_frame.h"
#include "app/doc_template.h"
#include "app/main_frame.h"
#include "app/vorel_app.h"
#include "docview/naming.h"
#include "docview/ui/vorel_doc.h"
#include "export/ui/save_all.h"
#include "export/ui/save_options_dialog.h"
#include "list/ui/image_list_dock.h"
#include "list/ui/image_list_model.h"
#include "list/ui/thumbnail_cache.h"
#include "ui/message_service.h"

using vorel::MessageIcon;
using vorel::Messages;
using vorel::RereadOutcome;
using vorel::ui::ImageListEntry;

namespace {

// A batch that grows past this goes to the model before the next progress
// point, unless the list took one less than kListFlushMs ago: each batch
// costs the views a look at the whole list (a sorted list merges it in), so
// while a search runs the list takes one at most that often.
constexpr std::size_t kListBatch = 8192;
constexpr qint64 kListFlushMs = 250;

// The image of an entry read from its file again into `state`, unless the
// file is no longer the one searched.
RereadOutcome ReadEntry(const ImageListEntry& entry, vorel::SearchState& state) {
    if (!(vorel::StampOfFile(entry.record.path) == entry.record.stamp)) return RereadOutcome::kFileChanged;
    return vorel::ReadImageAgain(entry.record, state);
}

QString RereadMessage(RereadOutcome outcome, const ImageListEntry& entry) {
    const QString head = QStringLiteral("%1\n%2\n").arg(entry.title, entry.file);
    switch (outcome) {
        case RereadOutcome::kFileChanged:
            return head + QStringLiteral("検索の後でﾌｧｲﾙが変更されたか削除されたため、ｲﾒｰｼﾞを開けません。");
        case RereadOutcome::kImageGone:
            return head + QStringLiteral("ﾌｧｲﾙのこの位置にｲﾒｰｼﾞがなくなっています。");
        case RereadOutcome::kNoMemory: return QStringLiteral("ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ");
        case RereadOutcome::kReadFailed:
        case RereadOutcome::kOk: break;
    }
    return head + QStringLiteral("ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ");
}

// The search's own "Palette Image", so a reopened image gets the title it had.
class EntryStore : public vorel::OverlaySettingsStore {
  public:
    EntryStore(const vorel::ISettingsStore& base, const vorel::ImageRecord& record) : OverlaySettingsStore(base) {
        vorel::Write(*this, vorel::settings::kPaletteImage, record.paletteImages ? 1 : 0);
    }
};

CChildFrame* FrameOf(const CVorelDocTemplate& docs, const CVorelDoc* doc) {
    if (!doc) return nullptr;
    for (CChildFrame* frame : docs.Frames())
        if (frame->GetDocument() == doc) return frame;
    return nullptr;
}

}  // namespace

void CVorelApp::AddListEntry(const vorel::SearchState& state, std::string_view path, CVorelDoc* doc) {
    ImageListEntry entry;
    // A window keeps its own record (made as it opened); the list shares it.
    entry.record = doc ? doc->m_record : vorel::RecordOfHit(state, path);
    // One text shared by every entry of the file.
    entry.file = !m_listPending.empty() && m_listPending.back().file == m_strRunPath ? m_listPending.back().file
                                                                                       : m_strRunPath;
    if (doc) {
        entry.discFile = doc->m_strDiscFile;
        entry.discOffset = doc->m_nDiscFileOffset;
    } else if (vorel::DiscLocation where; m_pDiscMap && m_pDiscMap->Locate(state.m_nHitFileOffset, where)) {
        entry.discFile = QString::fromStdString(m_pDiscMap->PathOf(where));
        entry.discOffset = where.offset;
    }
    if (doc) {
        entry.title = doc->GetTitle();
        entry.doc = doc;
    } else {
        // The title the window would have had.
        const vorel::ImageRecord& r = entry.record;
        entry.title = QString::fromStdString(vorel::TitleOfPathName(vorel::BuildImagePathName(
            m_strRunPath.toStdString(), r.imageNo, r.paletteIndex, r.paletteImages, r.paletteCount)));
    }
    m_listPending.push_back(std::move(entry));
    if (m_listPending.size() >= kListBatch) FlushListEntries(false);
}

void CVorelApp::FlushListEntries(bool now) {
    if (m_listPending.empty() || !m_pListModel) return;
    if (!now && m_listFlushClock.isValid() && m_listFlushClock.elapsed() < kListFlushMs) return;
    m_listFlushClock.start();
    std::vector<ImageListEntry> batch;
    batch.swap(m_listPending);
    m_pListModel->Append(std::move(batch));
}

CVorelDoc* CVorelApp::ReopenEntry(int row) {
    const ImageListEntry& entry = m_pListModel->Entry(row);
    vorel::SearchState state;
    const RereadOutcome outcome = ReadEntry(entry, state);
    if (outcome != RereadOutcome::kOk) {
        if (outcome == RereadOutcome::kFileChanged || outcome == RereadOutcome::kImageGone)
            m_pMainFrame->ImageList()->Thumbnails()->MarkStale(entry.id);
        Messages().ShowMessage(RereadMessage(outcome, entry), MessageIcon::Exclamation);
        return nullptr;
    }
    const EntryStore store(*m_pStore, entry.record);
    CVorelDoc* doc = m_pDocTemplate->OpenDocumentFrom(state, store, entry.file, true);
    if (!doc) return nullptr;
    doc->m_strDiscFile = entry.discFile;
    doc->m_nDiscFileOffset = entry.discOffset;
    m_pListModel->SetDocument(row, doc);
    return doc;
}

CVorelDoc* CVorelApp::OnListOpen(const QList<int>& rows) {
    if (IsSearchRunning()) return nullptr;
    CVorelDoc* last = nullptr;
    for (int row : rows) {
        if (row < 0 || row >= m_pListModel->rowCount()) continue;
        CVorelDoc* doc = m_pListModel->Entry(row).doc.data();
        if (CChildFrame* frame = FrameOf(*m_pDocTemplate, doc)) {
            if (frame->isMinimized()) frame->showNormal();
            m_pMainFrame->MdiArea()->setActiveSubWindow(frame);
            last = doc;
        } else if (CVorelDoc* reopened = ReopenEntry(row)) {
            last = reopened;
        }
    }
    return last;
}

void CVorelApp::OnListClose(const QList<int>& rows) {
    if (IsSearchRunning()) return;
    QList<CChildFrame*> frames;
    for (int row : rows) {
        if (row < 0 || row >= m_pListModel->rowCount()) continue;
        if (CChildFrame* frame = FrameOf(*m_pDocTemplate, m_pListModel->Entry(row).doc.data())) frames.append(frame);
    }
    // As "close all" does: a disabled area hands the activation to no one meanwhile.
    QMdiArea* area = m_pMainFrame->MdiArea();
    const bool wasEnabled = area->isEnabled();
    if (wasEnabled) area->setEnabled(false);
    for (CChildFrame* frame : frames) delete frame;
    if (wasEnabled) area->setEnabled(true);
}

std::unique_ptr<CVorelDoc> CVorelApp::ReadEntryDocument(int row, bool quiet) {
    const ImageListEntry& entry = m_pListModel->Entry(row);
    vorel::SearchState state;
    const RereadOutcome outcome = ReadEntry(entry, state);
    if (outcome != RereadOutcome::kOk) {
        if (!quiet) Messages().ShowMessage(RereadMessage(outcome, entry), MessageIcon::Exclamation);
        return nullptr;
    }
    const EntryStore store(*m_pStore, entry.record);
    auto doc = std::make_unique<CVorelDoc>();
    if (!doc->OnOpenDocument(entry.file, state, store)) return nullptr;
    doc->SetPathName(entry.file, state, store);
    return doc;
}

void CVorelApp::OnListSave(const QList<int>& rows) {
    if (IsSearchRunning() || rows.isEmpty()) return;
    CSaveOptionsDlg dialog(*m_pStore, m_pMainFrame.get());
    if (dialog.exec() != QDialog::Accepted) return;
    // Open windows are saved as they are now (turned, flipped); closed ones as
    // the search found them, read again from their files.
    std::vector<std::unique_ptr<CVorelDoc>> readAgain;
    QList<CVorelDoc*> documents;
    QStringList unreadable;
    for (int row : rows) {
        if (row < 0 || row >= m_pListModel->rowCount()) continue;
        if (CVorelDoc* open = m_pListModel->Entry(row).doc.data()) {
            documents.append(open);
        } else if (auto doc = ReadEntryDocument(row, true)) {
            documents.append(doc.get());
            readAgain.push_back(std::move(doc));
        } else {
            unreadable.append(m_pListModel->Entry(row).title);
        }
    }
    if (!unreadable.isEmpty()) {
        // One message for them all: a changed file may stand behind thousands of entries.
        QStringList shown = unreadable.mid(0, 10);
        if (unreadable.size() > shown.size()) shown.append(QStringLiteral("..."));
        Messages().ShowMessage(QStringLiteral("次の%1個のｲﾒｰｼﾞは、検索の後でﾌｧｲﾙが変更されたか読めないため保存しません。\n%2")
                                   .arg(unreadable.size())
                                   .arg(shown.join(QLatin1Char('\n'))),
                               MessageIcon::Exclamation);
    }
    if (documents.isEmpty()) return;
    vorel::ui::RunSaveAll(*m_pStore, documents, m_pMainFrame.get());
}
