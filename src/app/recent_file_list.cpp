#include "app/recent_file_list.h"

#include <string>

namespace vorel::app {
namespace {

std::string KeyOf(int index) {
    return "File" + std::to_string(index + 1);
}

}  // namespace

CRecentFileList::CRecentFileList(ISettingsStore& store, int size) : store_(store), size_(size) {}

void CRecentFileList::Load() {
    entries_.clear();
    for (int i = 0; i < size_; ++i) {
        const std::string value = store_.ReadString(settings::kRecentFiles, KeyOf(i), "");
        if (!value.empty()) entries_.append(QString::fromStdString(value));
    }
}

void CRecentFileList::Add(const QString& path) {
    if (path.isEmpty()) return;
    // A search opens one document per image: the common case is "already on top".
    if (!entries_.isEmpty() && entries_.front() == path) return;
    entries_.removeAll(path);
    entries_.prepend(path);
    while (entries_.size() > size_) entries_.removeLast();
    Save();
}

void CRecentFileList::Remove(const QString& path) {
    if (entries_.removeAll(path) > 0) Save();
}

void CRecentFileList::Save() {
    for (int i = 0; i < size_; ++i) {
        const QString value = i < entries_.size() ? entries_.at(i) : QString();
        store_.WriteString(settings::kRecentFiles, KeyOf(i), value.toStdString());
    }
}

QString CRecentFileList::MenuText(int index, const QString& path, int maxChars) {
    QString shortened = AbbreviatePath(path, maxChars);
    shortened.replace(u'&', QStringLiteral("&&"));
    // Entries 1 to 9 get their digit as mnemonic; the tenth is "1&0".
    const QString number = index < 9 ? QStringLiteral("&%1").arg(index + 1) : QStringLiteral("1&0");
    return number + u' ' + shortened;
}

QString AbbreviatePath(const QString& path, int maxChars) {
    if (path.size() <= maxChars) return path;
    const qsizetype lastSep = path.lastIndexOf(u'/');
    const QString name = lastSep < 0 ? path : path.mid(lastSep + 1);
    if (lastSep < 0) return name;

    // The root stays ("/" or the first folder of a relative path); folders
    // go from the left until the rest fits behind "...".
    const qsizetype rootEnd = path.startsWith(u'/') ? 1 : path.indexOf(u'/') + 1;
    const QString root = path.left(rootEnd);
    QString tail = path.mid(lastSep);  // "/name"
    const QString ellipsis = QStringLiteral("...");
    if (root.size() + ellipsis.size() + tail.size() > maxChars) return name;
    qsizetype cut = lastSep;
    while (cut > rootEnd) {
        const qsizetype previous = path.lastIndexOf(u'/', cut - 1);
        if (previous < rootEnd) break;
        const QString longer = path.mid(previous);
        if (root.size() + ellipsis.size() + longer.size() > maxChars) break;
        tail = longer;
        cut = previous;
    }
    return root + ellipsis + tail;
}

}  // namespace vorel::app
