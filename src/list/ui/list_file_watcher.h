// Watches the files the image list's entries were found in: once one is
// written to, replaced or deleted, the thumbnails of its entries give way to
// the mark "ﾌｧｲﾙ変更" at once, rather than when an entry is next opened.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

namespace vorel::ui {

class CImageListModel;
class CThumbnailCache;

class CListFileWatcher : public QObject {
    Q_OBJECT
  public:
    CListFileWatcher(CImageListModel& model, CThumbnailCache& cache, QObject* parent = nullptr);

    // The searched files being watched (a file the system would not watch,
    // one past the inotify limit say, is still checked when its entry is opened).
    QStringList WatchedFiles() const { return watcher_.files(); }

    // Marks the entries of `file` whose stamp is no longer the file's; called
    // when the system reports a change, and by tests.
    void CheckFile(const QString& file);

  private:
    void WatchNewFiles(int first, int last);
    void CheckChanged();

    CImageListModel& model_;
    CThumbnailCache& cache_;
    QFileSystemWatcher watcher_;
    // A file being written reports many changes: they are looked at together, a moment later.
    QSet<QString> changed_;
    QTimer settle_;
};

}  // namespace vorel::ui
