// Qt's own words (the file dialogs' "Look in" and "Cancel", the message
// boxes' "Yes" and "No") in Japanese, as the rest of the interface is,
// whatever language the desktop is set to.
#pragma once

#include <QTranslator>
#include <memory>

namespace vorel::app {

// Qt's Japanese catalogue (qtbase_ja) from Qt's translation folder, or null
// when it is not installed. The caller installs it and keeps it alive.
std::unique_ptr<QTranslator> LoadQtJapanese();

}  // namespace vorel::app
