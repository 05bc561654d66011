#include "ui/file_dialog_service.h"

#include <QApplication>
#include <QFileDialog>

namespace vorel {
namespace {

IFileDialogService* g_service = nullptr;

std::optional<QString> TakeAnswer(std::vector<std::optional<QString>>& answers) {
    if (answers.empty()) return std::nullopt;
    const auto first = answers.begin();
    if (!first->has_value()) {
        answers.erase(first);
        return std::nullopt;
    }
    QString path = **first;
    answers.erase(first);
    return path;
}

// Each pattern also in upper case ("*.bmp" -> "*.bmp;*.BMP"): the file system
// tells the cases apart, and Save All names its files in upper case.
QString WithUpperCasePatterns(const QString& windowsFilter) {
    QStringList parts = windowsFilter.split(QLatin1Char('|'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        QStringList patterns = parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const QStringList given = patterns;
        for (const QString& pattern : given) {
            if (pattern.toUpper() != pattern && !patterns.contains(pattern.toUpper())) patterns << pattern.toUpper();
        }
        parts[i] = patterns.join(QLatin1Char(';'));
    }
    return parts.join(QLatin1Char('|'));
}

}  // namespace

QStringList ToQtNameFilters(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters;
}

std::optional<QString> QtFileDialogService::GetSaveFileName(const SaveFileRequest& request) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    // The descriptions alone are shown; the patterns behind them match either case.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(ToQtNameFilters(WithUpperCasePatterns(request.filter)));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.startFolder.isEmpty()) dialog.setDirectory(request.startFolder);
    if (!request.proposedPath.isEmpty()) dialog.selectFile(request.proposedPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtFileDialogService::GetExistingDirectory(const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), QString(), startFolder,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

std::optional<QString> QtFileDialogService::GetOpenFileName(const QString& startFolder, const QString& filter) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(ToQtNameFilters(WithUpperCasePatterns(filter)));
    dialog.setDirectory(startFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> ScriptedFileDialogService::GetOpenFileName(const QString& startFolder, const QString&) {
    folderRequests.push_back(startFolder);
    return TakeAnswer(answers);
}

std::optional<QString> ScriptedFileDialogService::GetSaveFileName(const SaveFileRequest& request) {
    saveRequests.push_back(request);
    return TakeAnswer(answers);
}

std::optional<QString> ScriptedFileDialogService::GetExistingDirectory(const QString& startFolder) {
    folderRequests.push_back(startFolder);
    return TakeAnswer(answers);
}

IFileDialogService& FileDialogs() {
    static QtFileDialogService dialogs;
    return g_service ? *g_service : dialogs;
}

void SetFileDialogService(IFileDialogService* service) { g_service = service; }

}  // namespace vorel
