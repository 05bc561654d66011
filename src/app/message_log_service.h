// A message service that writes every message to a file instead of showing
// a box, one line each, and answers every question with its first button
// (Yes or OK). The program uses it when VOREL_MESSAGE_LOG names a file, so a
// copy started by a test runs without anyone to click, and the test reads
// what the user would have seen.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include "ui/message_service.h"

namespace vorel::app {

class LogMessageService : public IMessageService {
  public:
    explicit LogMessageService(const QString& path);

    bool IsOpen() const { return file_.isOpen(); }
    void ShowMessage(const QString& text, MessageIcon icon) override;
    MessageAnswer Ask(const QString& text, MessageButtons buttons, MessageIcon icon) override;
    // Other happenings a test wants to see (hand-offs received, searches
    // begun): the kind and its fields, tab-separated, each escaped.
    void Note(const QString& kind, const QStringList& fields);

    // "INFO", "EXCLAMATION", "QUESTION".
    static QString IconName(MessageIcon icon);
    // Line breaks and tabs written as \n and \t, backslashes doubled, so one message is one line.
    static QString Escape(const QString& text);

  private:
    void WriteLine(const QString& line);

    QFile file_;
};

// The log service when VOREL_MESSAGE_LOG is set (installed as the program's
// service), else null. Lives until the process ends.
LogMessageService* InstallMessageLogFromEnvironment();
// The installed log service, or null.
LogMessageService* MessageLog();

}  // namespace vorel::app
