#include "app/qt_translation.h"

#include <QLibraryInfo>

namespace vorel::app {

std::unique_ptr<QTranslator> LoadQtJapanese() {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translator;
}

}  // namespace vorel::app
