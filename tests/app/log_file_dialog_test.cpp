// A copy run with a message log never opens a file dialog: each request is
// logged and answered from the environment's one path, or cancelled.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/message_log_service.h"

namespace vorel::app {
namespace {

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

TEST(LogFileDialogService, LogsEveryRequestAndAnswersWithTheGivenPathOrCancels) {
    QTemporaryDir dir;
    const QString logPath = QDir(dir.path()).filePath(QStringLiteral("messages.log"));
    LogMessageService log(logPath);
    ASSERT_TRUE(log.IsOpen());
    SaveFileRequest request;
    request.proposedPath = QStringLiteral("/data/DATA_001.BMP");

    LogFileDialogService cancelling(log, QString());
    EXPECT_EQ(cancelling.GetSaveFileName(request), std::nullopt);
    EXPECT_EQ(cancelling.GetExistingDirectory(QStringLiteral("/start")), std::nullopt);

    LogFileDialogService answering(log, QStringLiteral("/out/pic.tif"));
    EXPECT_EQ(answering.GetSaveFileName(request), QStringLiteral("/out/pic.tif"));
    EXPECT_EQ(answering.GetExistingDirectory(QStringLiteral("/start")), QStringLiteral("/out/pic.tif"));

    EXPECT_EQ(Lines(logPath), (QStringList{"SAVE-FILE-DIALOG\t/data/DATA_001.BMP\t", "FOLDER-DIALOG\t/start\t",
                                           "SAVE-FILE-DIALOG\t/data/DATA_001.BMP\t/out/pic.tif",
                                           "FOLDER-DIALOG\t/start\t/out/pic.tif"}));
}

}  // namespace
}  // namespace vorel::app
