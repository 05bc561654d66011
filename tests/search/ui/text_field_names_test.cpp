// Every text field of every dialog is named for screen readers: a label is its
// buddy and its text is the field's accessible name.
#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "export/ui/save_options_dialog.h"
#include "search/ui/divide_search_dialog.h"
#include "search/ui/open_file_dialog.h"
#include "search/ui/search_set_dialog.h"
#include "search/ui/ui_test_support.h"

namespace {

// What assistive technology hears for a widget: Qt's accessible name, which
// falls back to the buddy label's text.
QString SpokenName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

QLabel* BuddyLabelOf(const QDialog& dialog, const QWidget* field) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->buddy() == field) return label;
    }
    return nullptr;
}

TEST(TextFieldNames, EveryFieldOfEveryDialogHasItsLabelsName) {
    vorel::testing::RecordingStore store;
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<QDialog>()>>> dialogs = {
        {"検索設定", [&store] { return std::make_unique<CSearchSetDlg>(store); }},
        {"分割検索設定", [&store] { return std::make_unique<CDivideSearchDlg>(store); }},
        {"open", [&store] { return std::make_unique<CMyFile95Dlg>(store); }},
        {"保存", [&store] { return std::make_unique<CSaveOptionsDlg>(store); }},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        std::unique_ptr<QDialog> dialog = make();
        QList<QWidget*> fields;
        for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
            // A spin box's own line edit is named through the spin box.
            if (!qobject_cast<QAbstractSpinBox*>(edit->parentWidget())) fields << edit;
        }
        for (QAbstractSpinBox* spin : dialog->findChildren<QAbstractSpinBox*>()) fields << spin;
        ASSERT_FALSE(fields.isEmpty());
        for (QWidget* field : fields) {
            SCOPED_TRACE(field->objectName().toStdString());
            EXPECT_FALSE(SpokenName(field).isEmpty()) << "an unnamed text field";
            const QLabel* label = BuddyLabelOf(*dialog, field);
            ASSERT_NE(label, nullptr) << "no label is its buddy";
            if (!field->accessibleName().isEmpty()) {
                EXPECT_EQ(field->accessibleName(), label->text());
            }
        }
    }
}

TEST(TextFieldNames, OurFieldsAreNamedAsTheirLabelsRead) {
    vorel::testing::RecordingStore store;
    CSearchSetDlg settings(store);
    QStringList names;
    for (QLineEdit* edit : settings.findChildren<QLineEdit*>()) names << SpokenName(edit);
    names.sort();
    EXPECT_EQ(names, (QStringList{"読込メモリサイズ", "ｲﾒｰｼﾞ/Read"}));
    CDivideSearchDlg divide(store);
    names.clear();
    for (QLineEdit* edit : divide.findChildren<QLineEdit*>()) names << SpokenName(edit);
    EXPECT_EQ(names, (QStringList{"ｲﾒｰｼﾞ/Read"}));
}

}  // namespace
