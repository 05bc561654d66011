// A message service that writes every message to a file instead of showing
// a box, one line each, and answers every question with its first button
// (Yes or OK). The program uses it when VOREL_MESSAGE_LOG names a file, so a
// copy started by a test runs without anyone to click, and the test reads
// what the user would have seen.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include "ui/file_dialog_service.h"
#include "ui/message_service.h"

namespace vorel::app {

class LogMessageService : public IMessageService {
  public:
    explicit LogMessageService(const QString& path);

    bool IsOpen() const { return file_.isOpen(); }
    void ShowMessage(const QString& text, MessageIcon icon) override;
    MessageAnswer Ask(const QString& text, MessageButtons buttons, MessageIcon icon) override;
    // Answered Yes, the check box left as it was shown.
    MessageAnswer AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) override;
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

// The file dialogs of a copy that runs with a message log: nobody is there to
// choose, so no dialog opens. Each request is written to the log
// ("SAVE-FILE-DIALOG" with the proposed name, "FOLDER-DIALOG" with the start
// folder) and answered with VOREL_FILE_DIALOG_ANSWER, or cancelled when that
// is unset or empty.
class LogFileDialogService : public IFileDialogService {
  public:
    LogFileDialogService(LogMessageService& log, QString answer) : log_(log), answer_(std::move(answer)) {}
    std::optional<QString> GetSaveFileName(const SaveFileRequest& request) override;
    std::optional<QString> GetExistingDirectory(const QString& startFolder) override;
    std::optional<QString> GetOpenFileName(const QString& startFolder, const QString& filter) override;

  private:
    std::optional<QString> Answer() const;

    LogMessageService& log_;
    QString answer_;
};

// The log service when VOREL_MESSAGE_LOG is set (the file dialogs answered as
// LogFileDialogService says) (installed as the program's
// service), else null. Lives until the process ends.
LogMessageService* InstallMessageLogFromEnvironment();
// The installed log service, or null.
LogMessageService* MessageLog();

}  // namespace vorel::app
