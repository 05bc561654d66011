#include "export/ui/save_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vorel::ui {

QString PicturesFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    while (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
    return folder;
}

namespace {

// Not a setting: a new run starts again next to the file it searches.
QString& LastSaveFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString SaveDialogFolder(const QString& searchedFile) {
    if (!LastSaveFolder().isEmpty()) return LastSaveFolder();
    return searchedFile.isEmpty() ? QString() : QFileInfo(searchedFile).absolutePath();
}

void RememberSaveFolder(const QString& folder) { LastSaveFolder() = folder; }

QString ReadFolderForDialog(const ISettingsStore& store) {
    return QString::fromStdString(
        ReadWithDefault(store, settings::kFolder, PicturesFolder().toStdString()));
}

QString ReadFolderForSaveAll(const ISettingsStore& store) {
    QString folder = PicturesFolder();
    if (!folder.endsWith(u'/')) folder += u'/';
    return QString::fromStdString(ReadWithDefault(store, settings::kFolder, folder.toStdString()));
}

}  // namespace vorel::ui
