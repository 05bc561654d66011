#include "search/ui/open_file_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "search/ui/ui_test_support.h"

namespace {

using vorel::Read;
using vorel::Write;
using vorel::testing::RecordingStore;
namespace settings = vorel::settings;

TEST(OpenFileDialog, IsQtsOwnDialogWithOneFilterForEveryFile) {
    RecordingStore store;
    CMyFile95Dlg dlg(store);
    EXPECT_TRUE(dlg.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dlg.nameFilters(), QStringList{QStringLiteral("Vorelﾌｧｲﾙ (*)")});
    EXPECT_EQ(dlg.acceptMode(), QFileDialog::AcceptOpen);
    // The added controls sit in the dialog's own grid, below the standard ones.
    auto* grid = dynamic_cast<QGridLayout*>(dlg.layout());
    ASSERT_NE(grid, nullptr);
    const int index = grid->indexOf(dlg.DivideCheck()->parentWidget());
    ASSERT_GE(index, 0);
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(row, grid->rowCount() - 1);
    EXPECT_TRUE(store.writes.empty()) << "opening the dialog writes nothing";
}

TEST(OpenFileDialog, EveryClickIsStoredAtOnceEvenWhenCancelled) {
    RecordingStore store;
    Write(store, settings::kDivideSearch, 1);
    store.writes.clear();
    CMyFile95Dlg dlg(store);
    EXPECT_TRUE(dlg.DivideCheck()->isChecked());
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ1～50"));
    EXPECT_FALSE(dlg.PrevButton()->isEnabled());

    dlg.NextButton()->click();
    EXPECT_EQ(Read(store, settings::kDividePos), 1);
    dlg.NextButton()->click();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ101～150"));
    QTimer::singleShot(0, &dlg, &QDialog::reject);
    EXPECT_FALSE(dlg.Run());
    EXPECT_EQ(Read(store, settings::kDividePos), 2);

    dlg.PrevButton()->click();
    dlg.PrevButton()->click();
    EXPECT_EQ(Read(store, settings::kDividePos), 0);
    EXPECT_FALSE(dlg.PrevButton()->isEnabled());
    dlg.OnPrev();
    EXPECT_EQ(Read(store, settings::kDividePos), 0) << "never below page 0";

    dlg.DivideCheck()->click();
    EXPECT_EQ(Read(store, settings::kDivideSearch), 0);
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    EXPECT_TRUE(dlg.WindowLabel()->text().isEmpty());
}

TEST(OpenFileDialog, CheckBoxRereadsTheStoredNumberAndPage) {
    RecordingStore store;
    Write(store, settings::kDivideNum, 30);
    Write(store, settings::kDividePos, 3);
    CMyFile95Dlg dlg(store);
    EXPECT_FALSE(dlg.DivideCheck()->isChecked());
    EXPECT_TRUE(dlg.WindowLabel()->text().isEmpty());
    Write(store, settings::kDividePos, 1);  // changed behind the dialog's back
    dlg.DivideCheck()->click();
    EXPECT_EQ(Read(store, settings::kDivideSearch), 1);
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ31～60"));
    EXPECT_TRUE(dlg.PrevButton()->isEnabled());
}

TEST(OpenFileDialog, ANameThatDoesNotExistIsAccepted) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    RecordingStore store;
    CMyFile95Dlg dlg(store);
    dlg.setDirectory(dir.path());
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("NOFILE.BIN"));
    dlg.selectFile(missing);
    QTimer::singleShot(0, &dlg, [&dlg] { QMetaObject::invokeMethod(&dlg, "accept"); });
    ASSERT_TRUE(dlg.Run());
    EXPECT_EQ(dlg.PathName(), missing);
}

}  // namespace
