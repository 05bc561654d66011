#include "app/message_log_service.h"

#include <memory>

namespace vorel::app {
namespace {

std::unique_ptr<LogMessageService> g_log;
std::unique_ptr<LogFileDialogService> g_fileDialogs;

}  // namespace

LogMessageService::LogMessageService(const QString& path) : file_(path) {
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

QString LogMessageService::IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QStringLiteral("INFO");
        case MessageIcon::Exclamation:
            return QStringLiteral("EXCLAMATION");
        case MessageIcon::Question:
            return QStringLiteral("QUESTION");
    }
    return QStringLiteral("?");
}

QString LogMessageService::Escape(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'\n', QStringLiteral("\\n"));
    escaped.replace(u'\t', QStringLiteral("\\t"));
    return escaped;
}

void LogMessageService::WriteLine(const QString& line) {
    if (!file_.isOpen()) return;
    file_.write(line.toUtf8() + '\n');
    file_.flush();  // a test reads the file while the program still runs
}

void LogMessageService::ShowMessage(const QString& text, MessageIcon icon) {
    WriteLine(IconName(icon) + u'\t' + Escape(text));
}

MessageAnswer LogMessageService::Ask(const QString& text, MessageButtons buttons, MessageIcon icon) {
    WriteLine(QStringLiteral("ASK-") + IconName(icon) + u'\t' + Escape(text));
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

MessageAnswer LogMessageService::AskWithCheckBox(const QString& text, const QString& checkText, bool& checked) {
    WriteLine(QStringLiteral("ASK-CHECK\t") + Escape(text) + u'\t' + Escape(checkText) + u'\t' +
              (checked ? u'1' : u'0'));
    return MessageAnswer::Yes;
}

void LogMessageService::Note(const QString& kind, const QStringList& fields) {
    QString line = kind;
    for (const QString& field : fields) line += u'\t' + Escape(field);
    WriteLine(line);
}

std::optional<QString> LogFileDialogService::Answer() const {
    if (answer_.isEmpty()) return std::nullopt;
    return answer_;
}

std::optional<QString> LogFileDialogService::GetSaveFileName(const SaveFileRequest& request) {
    log_.Note(QStringLiteral("SAVE-FILE-DIALOG"), {request.proposedPath, answer_});
    return Answer();
}

std::optional<QString> LogFileDialogService::GetExistingDirectory(const QString& startFolder) {
    log_.Note(QStringLiteral("FOLDER-DIALOG"), {startFolder, answer_});
    return Answer();
}

std::optional<QString> LogFileDialogService::GetOpenFileName(const QString& startFolder, const QString&) {
    log_.Note(QStringLiteral("OPEN-FILE-DIALOG"), {startFolder, answer_});
    return Answer();
}

LogMessageService* InstallMessageLogFromEnvironment() {
    const QString path = qEnvironmentVariable("VOREL_MESSAGE_LOG");
    if (path.isEmpty()) return nullptr;
    g_log = std::make_unique<LogMessageService>(path);
    SetMessageService(g_log.get());
    g_fileDialogs =
        std::make_unique<LogFileDialogService>(*g_log, qEnvironmentVariable("VOREL_FILE_DIALOG_ANSWER"));
    SetFileDialogService(g_fileDialogs.get());
    return g_log.get();
}

LogMessageService* MessageLog() {
    return g_log.get();
}

}  // namespace vorel::app
