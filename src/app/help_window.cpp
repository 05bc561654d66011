#include "app/help_window.h"

#include <QUrl>

CHelpWindow::CHelpWindow(QWidget* parent) : QTextBrowser(parent) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Vorel ﾍﾙﾌﾟ"));
    setOpenExternalLinks(false);
    resize(560, 480);
    setSource(QUrl(HelpPageUrl()));
}

void CHelpWindow::ShowTopic(const QString& anchor) {
    if (anchor.isEmpty()) {
        setSource(QUrl(HelpPageUrl()));
    } else {
        scrollToAnchor(anchor);
    }
    show();
    raise();
    activateWindow();
}
