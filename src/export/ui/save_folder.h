// Where the saving commands put their files: Save All into the user's picture
// folder unless the user chose another, the save-file dialogs where the user
// saved last.
#pragma once

#include <QString>

#include "search/settings.h"

namespace vorel::ui {

// The user's picture folder, without a trailing "/".
QString PicturesFolder();

// Where a save-file dialog opens: the folder last saved into during this run
// (by any saving command), else the folder of `searchedFile`; empty when
// neither is known.
QString SaveDialogFolder(const QString& searchedFile);
// Called once a saving command has written into `folder`.
void RememberSaveFolder(const QString& folder);

// "Folder" as the save-options dialog shows it (default: the picture folder).
QString ReadFolderForDialog(const ISettingsStore& store);
// "Folder" as Save All reads it (default: the picture folder and "/").
QString ReadFolderForSaveAll(const ISettingsStore& store);

}  // namespace vorel::ui
