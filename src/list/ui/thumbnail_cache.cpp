#include "list/ui/thumbnail_cache.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include "docview/hit_to_dib.h"
#include "docview/ui/vorel_doc.h"
#include "list/ui/thumbnail_image.h"

namespace vorel::ui {
namespace {

// More than a screenful of thumbnails; older requests are rows scrolled past.
constexpr std::size_t kMaxQueued = 256;

}  // namespace

CThumbnailCache::CThumbnailCache(qsizetype maxBytes, QObject* parent) : QObject(parent), cache_(maxBytes) {
    // Decoding reads files; two workers keep the disk and one core busy
    // without starving the GUI thread on a two-core machine.
    pool_.setMaxThreadCount(std::max(1, std::min(2, QThread::idealThreadCount() - 1)));
}

CThumbnailCache::~CThumbnailCache() {
    queue_.clear();
    pool_.waitForDone();
}

const QImage* CThumbnailCache::Find(quint64 id) {
    return cache_.object(id);
}

CThumbnailCache::Status CThumbnailCache::StatusOf(quint64 id) const {
    if (cache_.contains(id)) return Status::kReady;
    return states_.value(id, Status::kMissing);
}

void CThumbnailCache::Request(const ImageListEntry& entry) {
    if (cache_.contains(entry.id) || states_.contains(entry.id)) return;
    Job job{entry.id, entry.record, {}};
    if (entry.doc) job.dib = DuplicateDib(entry.doc->m_hDIB);
    states_.insert(entry.id, Status::kPending);
    queue_.push_front(std::move(job));
    while (queue_.size() > kMaxQueued) {
        states_.remove(queue_.back().id);
        queue_.pop_back();
    }
    Dispatch();
}

void CThumbnailCache::Dispatch() {
    while (inFlight_ < pool_.maxThreadCount() && !queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        ++inFlight_;
        pool_.start([this, job = std::move(job)] {
            const Result result = Make(job);
            // Delivered on the GUI thread; a cache destroyed meanwhile has
            // waited for this worker, and its posted call is dropped with it.
            QMetaObject::invokeMethod(this, [this, id = job.id, result] { Deliver(id, result); },
                                      Qt::QueuedConnection);
        });
    }
}

CThumbnailCache::Result CThumbnailCache::Make(const Job& job) {
    Result result;
    Dib dib = job.dib;
    if (dib.IsNull()) {
        // A file changed or gone since the search is not decoded (the reread
        // checks its stamp first): what it holds now may be anything, and the
        // entry says so instead.
        SearchState state;
        switch (ReadImageAgain(job.record, state)) {
            case RereadOutcome::kOk: break;
            case RereadOutcome::kFileChanged:
            case RereadOutcome::kImageGone: result.status = Status::kStale; return result;
            default: return result;
        }
        dib = ConvertHitToDib(state);
    }
    result.image = MakeThumbnail(dib);
    result.status = result.image.isNull() ? Status::kFailed : Status::kReady;
    return result;
}

void CThumbnailCache::Deliver(quint64 id, const Result& result) {
    --inFlight_;
    // An entry forgotten while its thumbnail was made gets none.
    if (states_.value(id, Status::kMissing) == Status::kPending) {
        if (result.status == Status::kReady) {
            states_.remove(id);
            const auto cost = std::max<qsizetype>(1, result.image.sizeInBytes());
            cache_.insert(id, new QImage(result.image), cost);
        } else {
            states_.insert(id, result.status);
        }
        emit thumbnailReady(id);
    }
    Dispatch();
}

void CThumbnailCache::MarkStale(quint64 id) {
    cache_.remove(id);
    states_.insert(id, Status::kStale);
    emit thumbnailReady(id);
}

void CThumbnailCache::Forget(quint64 id) {
    // A row still shown asks again when it is drawn again.
    if (cache_.remove(id)) emit thumbnailReady(id);
    states_.remove(id);
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->id == id) {
            queue_.erase(it);
            break;
        }
    }
}

void CThumbnailCache::Clear() {
    cache_.clear();
    states_.clear();
    queue_.clear();
}

void CThumbnailCache::WaitForIdle() {
    while (inFlight_ > 0 || !queue_.empty()) {
        pool_.waitForDone(50);
        QCoreApplication::sendPostedEvents(this);
    }
}

}  // namespace vorel::ui
