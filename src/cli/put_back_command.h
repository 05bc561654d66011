// `vorel-find --replace TITLE=PICTURE FILE` and `--import DIR FILE`: edited
// pictures go back into the images they were exported from. Every picture is
// checked first; when any is refused nothing is written.
#pragma once

#include <QString>
#include <QStringList>

#include "search/settings.h"

namespace vorel {

struct PutBackRequest {
    QString file;                 // the searched FILE (a cue sheet stands for its .bin files)
    QStringList replacements;     // TITLE=PICTURE, as given
    QString importFolder;         // --import DIR, or empty
    bool dryRun = false;
    bool withPalette = false;
};

// Prints one line per picture on stdout and returns the exit status: 0 when
// everything asked was put back (or was unchanged), 2 when anything was refused,
// 130 when Ctrl+C stopped it (a file it had not yet replaced stays as it was).
// SIGTERM and SIGHUP end it at once; the copy being made is removed either way.
int RunPutBack(const PutBackRequest& request, const ISettingsStore& store);

}  // namespace vorel
