#include "app/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitVorelQrc() {
    Q_INIT_RESOURCE(vorel);
}

namespace vorel::app {

void InitResources() {
    static const bool once = (InitVorelQrc(), true);
    (void)once;
}

}  // namespace vorel::app
