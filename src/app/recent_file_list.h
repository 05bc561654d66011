// The recent-file list: up to ten searched files, newest first, kept in the
// settings store as "Recent File List"/"File1" ... "File10" and written at
// every change, so a crash loses nothing.
#pragma once

#include <QString>
#include <QStringList>

#include "search/settings.h"

namespace vorel::app {

class CRecentFileList {
  public:
    explicit CRecentFileList(ISettingsStore& store, int size = settings::kRecentFileCount);

    void Load();
    // Moves `path` to the top (adding it when new). Writes only when the list changes.
    void Add(const QString& path);
    void Remove(const QString& path);

    const QStringList& Entries() const { return entries_; }
    int Size() const { return size_; }

    // "&1 name" for the menu: the number and the path shortened to at most `maxChars`.
    static QString MenuText(int index, const QString& path, int maxChars = 30);

  private:
    void Save();

    ISettingsStore& store_;
    int size_;
    QStringList entries_;
};

// A path shortened to at most `maxChars` characters: the root, "...", and as
// many trailing folders as fit before the file name; just the file name when
// not even "root/.../name" fits.
QString AbbreviatePath(const QString& path, int maxChars);

}  // namespace vorel::app
