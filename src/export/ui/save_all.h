// Save All: the save-options dialog, then every open image into the chosen
// folder as TITLE.BMP, TITLE.TIF or TITLE.PNG. A run that takes more than
// about a second shows how far it has come and can be cancelled between two
// files; what was written stays.
#pragma once

#include <QList>

#include "search/settings.h"

class CVorelDoc;
class QWidget;

namespace vorel::ui {

struct SaveAllSummary {
    bool ran = false;       // the folder passed its checks and the files were walked
    int written = 0;        // files written
    int passedOver = 0;     // documents without an image, and files the user chose to keep
    bool failed = false;    // a file could not be written; the run ended there
    bool cancelled = false; // the user stopped the run
};

// When the progress box appears, and how often it is brought up to date (and
// Cancel looked at) once it shows.
struct SaveAllPacing {
    int progressDelayMs = 1000;
    int progressUpdateMs = 50;
};

// The run itself, after the dialog: reads "OverwriteMessage", "Folder",
// "ImageType" and "PngAlpha", checks (and if asked creates) the folder, writes the documents
// in the order given, and ends with "保存終了".
SaveAllSummary RunSaveAll(const ISettingsStore& store, const QList<CVorelDoc*>& documents,
                          QWidget* parent, SaveAllPacing pacing = {});

// The whole command: the dialog, then the run unless the dialog was cancelled.
SaveAllSummary SaveAllDocuments(ISettingsStore& store, const QList<CVorelDoc*>& documents, QWidget* parent);

}  // namespace vorel::ui
