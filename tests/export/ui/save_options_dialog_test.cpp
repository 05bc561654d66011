#include "export/ui/save_options_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "export/ui/save_folder.h"
#include "save_test_support.h"

namespace {

using vorel::Read;
using vorel::Write;
using namespace vorel::testing;
namespace settings = vorel::settings;

TEST(SaveOptionsDialog, ShowsTheStoredSettingsAndTheDefaults) {
    {
        RecordingStore store;
        CSaveOptionsDlg dialog(store);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("保存"));
        EXPECT_FALSE(dialog.OverwriteCheck()->isChecked());
        EXPECT_EQ(dialog.FolderEdit()->text(), vorel::ui::PicturesFolder());
        EXPECT_TRUE(dialog.ImageTypeButton(0)->isChecked());
        EXPECT_TRUE(store.writes.empty());
    }
    const struct {
        int type;
        int checked;  // the button shown checked, -1 for none
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, -1}, {-1, -1}};
    for (const auto& c : cases) {
        RecordingStore store;
        Write(store, settings::kImageType, c.type);
        Write(store, settings::kOverwriteMessage, 1);
        Write(store, settings::kFolder, std::string("/srv/out/"));
        store.writes.clear();
        CSaveOptionsDlg dialog(store);
        EXPECT_TRUE(dialog.OverwriteCheck()->isChecked());
        EXPECT_EQ(dialog.FolderEdit()->text(), QStringLiteral("/srv/out/"));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(dialog.ImageTypeButton(i)->isChecked(), i == c.checked) << c.type;
    }
}

TEST(SaveOptionsDialog, OkWritesTheThreeKeysWithATrailingSlashAndCancelNothing) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {{"/srv/out", "/srv/out/"}, {"/srv/out/", "/srv/out/"}, {"/", "/"}, {"", ""}};
    for (const auto& c : cases) {
        RecordingStore store;
        CSaveOptionsDlg dialog(store);
        dialog.OverwriteCheck()->setChecked(true);
        dialog.FolderEdit()->setText(QString::fromUtf8(c.typed));
        dialog.ImageTypeButton(2)->setChecked(true);
        dialog.OkButton()->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(store.writes, (std::vector<std::string>{"OverwriteMessage", "Folder", "ImageType", "PngAlpha"}));
        EXPECT_EQ(Read(store, settings::kOverwriteMessage), 1);
        EXPECT_EQ(vorel::ReadWithDefault(store, settings::kFolder, "?"), c.stored);
        EXPECT_EQ(Read(store, settings::kImageType), 2);
    }
    RecordingStore store;
    CSaveOptionsDlg dialog(store);
    dialog.FolderEdit()->setText(QStringLiteral("/elsewhere"));
    dialog.CancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(store.writes.empty());
}

TEST(SaveOptionsDialog, ThePngAlphaBoxShowsTheSettingAndOkStoresItsState) {
    for (const int stored : {-1, 0, 1, 7}) {  // -1: never written, so the default (off)
        for (const bool tick : {false, true}) {
            RecordingStore store;
            if (stored >= 0) Write(store, settings::kPngAlpha, stored);
            CSaveOptionsDlg dialog(store);
            QCheckBox* box = dialog.PngAlphaCheck();
            EXPECT_EQ(box->isChecked(), stored > 0) << stored;
            EXPECT_EQ(box->accessibleName(), box->text());
            EXPECT_EQ(box->text(), QStringLiteral("PNGで色0x0000のTIM画素を透明にする"));
            box->setChecked(tick);
            dialog.OkButton()->click();
            EXPECT_EQ(store.ReadString("Settings", "PngAlpha", "?"), tick ? "1" : "0");
        }
    }
}

TEST(SaveOptionsDialog, BrowseReplacesTheFolderOnlyWhenOneIsChosen) {
    RecordingStore store;
    Write(store, settings::kImageType, 1);
    CSaveOptionsDlg dialog(store);
    dialog.FolderEdit()->setText(QStringLiteral("/typed/new"));
    ScopedFileDialogs dialogs;
    dialogs.service.answers = {std::nullopt, QStringLiteral("/chosen/folder")};
    dialog.BrowseButton()->click();  // cancelled: the typed folder and TIFF stay
    EXPECT_EQ(dialog.FolderEdit()->text(), QStringLiteral("/typed/new"));
    EXPECT_TRUE(dialog.ImageTypeButton(1)->isChecked());
    dialog.BrowseButton()->click();
    EXPECT_EQ(dialog.FolderEdit()->text(), QStringLiteral("/chosen/folder"));
    EXPECT_TRUE(dialog.ImageTypeButton(1)->isChecked());
    EXPECT_EQ(dialogs.service.folderRequests,
              (std::vector<QString>{QStringLiteral("/typed/new"), QStringLiteral("/typed/new")}));
}

TEST(SaveOptionsDialog, EveryControlCarriesItsTextAndTheFolderBoxItsLabel) {
    RecordingStore store;
    CSaveOptionsDlg dialog(store);
    EXPECT_EQ(dialog.OverwriteCheck()->text(), QStringLiteral("ファイルの上書き確認"));
    EXPECT_EQ(dialog.BrowseButton()->text(), QStringLiteral("フォルダ参照"));
    EXPECT_EQ(dialog.ImageTypeButton(0)->text(), QStringLiteral("BMP"));
    EXPECT_EQ(dialog.ImageTypeButton(1)->text(), QStringLiteral("TIFF"));
    EXPECT_EQ(dialog.ImageTypeButton(2)->text(), QStringLiteral("PNG"));
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    QLabel* buddyOf = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->buddy() == dialog.FolderEdit()) buddyOf = label;
    ASSERT_NE(buddyOf, nullptr);
    EXPECT_FALSE(buddyOf->text().isEmpty());
    EXPECT_EQ(dialog.FolderEdit()->accessibleName(), buddyOf->text());
}

}  // namespace
