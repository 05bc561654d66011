// Thumbnails of the image list, made on demand off the GUI thread and kept in
// a cache bounded by bytes (least recently used out). The views ask only for
// the rows they draw; a row whose thumbnail is not ready draws a placeholder
// and is drawn again when thumbnailReady arrives.
#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QThreadPool>
#include <deque>

#include "image/dib.h"
#include "list/ui/image_list_entry.h"

namespace vorel::ui {

class CThumbnailCache : public QObject {
    Q_OBJECT
  public:
    enum class Status { kMissing, kPending, kReady, kStale, kFailed };

    explicit CThumbnailCache(qsizetype maxBytes = 64 * 1024 * 1024, QObject* parent = nullptr);
    ~CThumbnailCache() override;

    // The thumbnail of an entry when it is ready (marks it recently used), else null.
    const QImage* Find(quint64 id);
    Status StatusOf(quint64 id) const;
    // Queues the entry's thumbnail unless it is ready, queued, stale or failed:
    // from its open window's DIB, else decoded from its file. The newest
    // requests are served first; requests beyond the queue's bound are dropped
    // (their rows have scrolled away; a new paint asks again).
    void Request(const ImageListEntry& entry);
    // An entry found stale elsewhere (its window could not be opened again):
    // a thumbnail made before its file changed shows the mark instead.
    void MarkStale(quint64 id);
    // Forgets an entry (removed from the list, or its window's picture turned)
    // or everything (list cleared).
    void Forget(quint64 id);
    void Clear();

    qsizetype CachedBytes() const { return cache_.totalCost(); }
    qsizetype MaxBytes() const { return cache_.maxCost(); }
    // Waits until every queued thumbnail is made and delivered (tests, benchmarks).
    void WaitForIdle();

  signals:
    void thumbnailReady(quint64 id);

  private:
    struct Job {
        quint64 id = 0;
        ImageRecord record;
        Dib dib;  // a copy of the open window's DIB; null: decode from the file
    };
    struct Result {
        QImage image;
        Status status = Status::kFailed;
    };
    static Result Make(const Job& job);
    void Dispatch();
    void Deliver(quint64 id, const Result& result);

    QCache<quint64, QImage> cache_;
    QHash<quint64, Status> states_;  // pending, stale and failed entries
    std::deque<Job> queue_;          // newest at the front
    QThreadPool pool_;
    int inFlight_ = 0;
};

}  // namespace vorel::ui
