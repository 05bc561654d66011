// The real save dialog as Save As opens it: its filters, its default
// extension and its overwrite question, and Cancel giving nothing back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "export/ui/save_as.h"
#include "ui/file_dialog_service.h"

namespace vorel {
namespace {

TEST(QtFileDialogService, SaveDialogMatchesEitherCaseAndCancelGivesNothing) {
    QStringList filters;
    QString suffix;
    bool confirms = false;
    bool detailsHidden = false;
    QString selected;
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        detailsHidden = dialog->testOption(QFileDialog::HideNameFilterDetails);
        selected = dialog->selectedFiles().value(0);
        dialog->reject();
    });
    timer->start();
    SaveFileRequest request;
    request.proposedPath = QStringLiteral("/tmp/DATA_001.BMP");
    request.filter = ui::SaveAsFilter();
    request.defaultSuffix = QStringLiteral("BMP");
    QtFileDialogService dialogs;
    EXPECT_EQ(dialogs.GetSaveFileName(request), std::nullopt);
    EXPECT_EQ(filters, (QStringList{QStringLiteral("BMP (Windows Bitmap) (*.bmp *.BMP)"),
                                    QStringLiteral("TIFF (Tagged Image File Format) (*.tif *.TIF)"),
                                    QStringLiteral("PNG (Portable Network Graphics) (*.png *.PNG)"),
                                    QStringLiteral("TIM (PlayStation TIM) (*.tim *.TIM)"),
                                    QStringLiteral("全ﾌｧｲﾙ(*.*) (*)")}));
    EXPECT_EQ(suffix, QStringLiteral("BMP"));
    EXPECT_TRUE(confirms);
    EXPECT_TRUE(detailsHidden);
    EXPECT_EQ(selected, QStringLiteral("/tmp/DATA_001.BMP"));
}

}  // namespace
}  // namespace vorel
