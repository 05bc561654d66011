#include "list/ui/list_file_watcher.h"

#include <QFile>
#include <utility>

#include "list/ui/image_list_model.h"
#include "list/ui/thumbnail_cache.h"
#include "search/image_record.h"

namespace vorel::ui {

CListFileWatcher::CListFileWatcher(CImageListModel& model, CThumbnailCache& cache, QObject* parent)
    : QObject(parent), model_(model), cache_(cache) {
    connect(&model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { WatchNewFiles(first, last); });
    // A cleared list watches nothing (entries removed one by one leave their file watched until then).
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
        changed_.clear();
    });
    settle_.setSingleShot(true);
    settle_.setInterval(50);
    connect(&settle_, &QTimer::timeout, this, &CListFileWatcher::CheckChanged);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this](const QString& file) {
        changed_.insert(file);
        if (!settle_.isActive()) settle_.start();
    });
}

void CListFileWatcher::CheckChanged() {
    const QSet<QString> files = std::exchange(changed_, {});
    for (const QString& file : files) CheckFile(file);
}

void CListFileWatcher::WatchNewFiles(int first, int last) {
    // A search's entries share one file: one look per run of them.
    const std::string* previous = nullptr;
    for (int row = first; row <= last; ++row) {
        const std::string& path = model_.Entry(row).record.path;
        if (previous && *previous == path) continue;
        previous = &path;
        const QString file = QFile::decodeName(QByteArray::fromStdString(path));
        if (!watcher_.files().contains(file)) watcher_.addPath(file);
    }
}

void CListFileWatcher::CheckFile(const QString& file) {
    const std::string path = QFile::encodeName(file).toStdString();
    const FileStamp now = StampOfFile(path);
    for (int row = 0; row < model_.rowCount(); ++row) {
        const ImageListEntry& entry = model_.Entry(row);
        if (entry.record.path == path && !(entry.record.stamp == now) &&
            cache_.StatusOf(entry.id) != CThumbnailCache::Status::kStale)
            cache_.MarkStale(entry.id);
    }
    // A file replaced by a rename (as editors save) is a new file, and a
    // deleted one leaves the watch: the name is watched again while it exists,
    // so a later change to what now stands there is heard as well.
    if (now.size >= 0 && !watcher_.files().contains(file)) watcher_.addPath(file);
}

}  // namespace vorel::ui
