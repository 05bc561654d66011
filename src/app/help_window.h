// The help window: the program's own help page, in Japanese, in a text browser.
#pragma once

#include <QString>
#include <QTextBrowser>

class CHelpWindow : public QTextBrowser {
    Q_OBJECT
  public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    // Shows the window at a section of the page ("contents", "main", "image", "search" ...).
    void ShowTopic(const QString& anchor);

    static QString HelpPageUrl() { return QStringLiteral("qrc:/help/vorel_help.html"); }
};
