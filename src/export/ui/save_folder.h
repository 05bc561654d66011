// Where Save All puts its files unless the user chose a folder: the user's
// picture folder.
#pragma once

#include <QString>

#include "search/settings.h"

namespace vorel::ui {

// The user's picture folder, without a trailing "/".
QString PicturesFolder();

// "Folder" as the save-options dialog shows it (default: the picture folder).
QString ReadFolderForDialog(const ISettingsStore& store);
// "Folder" as Save All reads it (default: the picture folder and "/").
QString ReadFolderForSaveAll(const ISettingsStore& store);

}  // namespace vorel::ui
